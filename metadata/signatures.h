// How the formats whose metadata is read here begin.
#pragma once

#include <cstddef>
#include <cstring>

// A JPEG's start of image (FF D8); size is how many bytes head holds.
inline bool IsJpegSignature(const unsigned char* head, size_t size) {
    return size >= 2 && head[0] == 0xFF && head[1] == 0xD8;
}

// A PNG's eight-byte signature.
inline bool IsPngSignature(const unsigned char* head, size_t size) {
    return size >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
}

// The byte-order mark of TIFF data ("II" or "MM"); the number 42 after it is checked by
// whoever opens the data (tiff_directory.h).
inline bool IsTiffByteOrder(const unsigned char* head, size_t size) {
    return size >= 2 && ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'));
}
