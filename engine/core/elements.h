// ScriptElements and the texts they hold.
//
// A text element's value word points at a text on the engine's heap; its engine bytes
// hold the serial number the text got when it was stored. The engine keeps its own table
// of live texts (address -> serial), and frees a text only when an element of type
// SCRIPT_STRING names an address and serial that the table holds. Raw moves of records
// by the host therefore stay safe: a stale copy (type set to empty, or a text already
// freed, or an address reused by a newer text with another serial) owns nothing.
#pragma once

#include "script_api.h"
#include "value.h"

namespace script {

// Releases what element holds and makes it empty (all bytes zero). Never throws.
void ReleaseElement(ScriptElement* element) noexcept;
// Releases, then stores v. Throws std::bad_alloc or ScriptError (too many texts).
void StoreValue(ScriptElement* element, const Value& v);
// The value an element holds; an unknown type reads as empty.
Value LoadValue(const ScriptElement* element);
// Frees every text still held by an element.
void ReleaseAllElementTexts() noexcept;
// How many texts elements hold.
std::size_t CountElementTexts() noexcept;

} // namespace script
