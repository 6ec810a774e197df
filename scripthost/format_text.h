// The formatting behind the user function Format, kept apart from the engine so that it
// can be checked on its own.
#pragma once

#include "script_api.h"

#include <cstddef>

constexpr std::size_t kFormatTextSize = 1024; // format and result: 1023 bytes and the NUL
constexpr int kFormatElementLimit = 15;       // elements 1 to 15 after the format
constexpr int kFormatWordLimit = 32;          // as counted by the conversion table

// Formats format with the elements that follow it (elements[0] is the first value) into
// result (kFormatTextSize bytes). The walk over the format decides which element each
// conversion takes:
//   %%                      a single %
//   e E f g G               the element's value read as a 32-bit float (two words)
//   d i                     the low 32 bits of the value word as a signed int (one word)
//   o u x X                 the low 32 bits as an unsigned int (one word)
//   p                       the whole value word as an address (one word)
//   s                       the text of a string element, "(null)" for any other (one word)
//   n                       stores nothing and prints nothing; takes no element (one word)
// Between the % and its letter, flags, digits and the point are kept; length letters
// (h l L q j z t w, I32, I64), asterisks and other letters are dropped, so each value is
// printed at the width above. A conversion that reaches the end of the format without a
// letter is copied as written. A width or precision over 1023 is refused, as is anything
// else that does not fit (see Format); result is then empty.
bool FormatElements(const char* format, const ScriptElement* elements, char* result);
