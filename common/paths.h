// Paths in fixed 260-byte buffers (259 bytes of text and the terminator).
#pragma once

#include <cstddef>

constexpr std::size_t kPathSize = 260; // MAX_PATH: 259 bytes of text and the terminator

// Formats into destination like snprintf. Returns true when the whole text fit; when it
// does not fit, destination holds the empty text and the result is false, so a cut-off
// path can never name another file.
bool FormatBounded(char* destination, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(gnu_printf, 3, 4)))
#endif
    ;

// folder, a backslash and name into destination; false (and an empty destination) when
// that does not fit in size bytes.
bool JoinPath(char* destination, std::size_t size, const char* folder, const char* name);

// The directory of a path: the text before its last backslash (a 0x5C byte that is the
// second byte of a double-byte character is no backslash); a path without a backslash is
// taken whole. False (and an empty destination) when it does not fit in size bytes.
bool DirectoryOfPath(char* destination, std::size_t size, const char* path);

// Copies source into destination when it fits with its terminator; false otherwise,
// leaving destination unchanged.
bool CopyBounded(char* destination, std::size_t size, const char* source);

// True when name, a path relative to some folder, stays inside that folder: no ".."
// component (nor one of dots and spaces alone, which Windows shortens to ".."), no drive,
// no root, no UNC or device path, no stream (':'), no reserved device name such as NUL or
// COM1. Subfolders below stay allowed. Double-byte characters are single units.
bool StaysInsideFolder(const char* name);
