// The element codec: between a ScriptElement or the engine's Value and the plain values a
// host passes (int32_t, float, a zero-ended text) for DecodeElement, EncodeElement and
// ReturnElement.
#pragma once

#include "script_api.h"
#include "value.h"

namespace script {

// Writes element's value as type to destination, converting: a number from a text is its
// leading decimal number, a text from a number its decimal text (at most 31 bytes and the
// zero). Fails (a usage error) for an unknown type.
void DecodeTo(void* destination, int32_t type, const ScriptElement& element);

// The Value a host's source of that type holds. Fails (a usage error) for an unknown type,
// a missing number, or a text longer than kMaxTextBytes.
Value ValueFromHost(const void* source, int32_t type);

} // namespace script
