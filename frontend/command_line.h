// The command line with which tesfront starts tesrun.
#pragma once

#include <cstddef>

// Room for six values of the lengths the dialog reads, even when every byte of each must
// be escaped.
constexpr std::size_t kCommandLineSize = 4096;

// Puts each value between double quotes, separated by one space, so that the program's
// argument parser gives back exactly the value's text: backslashes that precede a double
// quote (the closing one included) are doubled and a double quote inside a value is
// escaped. A value that ends in a backslash, such as the drive root "D:\", therefore
// keeps its backslash and does not swallow the next argument. A 0x5C byte that is the
// second byte of a double-byte character is no backslash. False (and an empty
// destination) when the text does not fit in size bytes.
bool ComposeCommandLine(char* destination, std::size_t size, const char* const* values,
                        std::size_t count);
