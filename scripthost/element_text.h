// Reading an element's text into a fixed buffer without ever writing past it.
#pragma once

#include "script_api.h"

#include <cstddef>

// Decodes element as text (type 3) through the current ScriptEngine when the text and its
// terminator fit in size bytes: the result is DecodeElement's. A text that does not fit is
// refused: 0, and the buffer is left as it was.
int DecodeTextBounded(ScriptElement* element, char* buffer, std::size_t size);
