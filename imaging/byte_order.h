// Numbers as file formats store them, and a reader of a file through a ReadAtFunction: what
// the readers that look into pictures before decoding share (declared sizes, Exif).
#pragma once

#include "imaging/declared_size.h"

#include <cstddef>
#include <cstdint>

inline uint32_t Big16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0] << 8 | p[1]);
}
inline uint32_t Big32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}
inline uint32_t Little16(const unsigned char* p) {
    return static_cast<uint32_t>(p[1] << 8 | p[0]);
}
inline uint32_t Little32(const unsigned char* p) {
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// A file read at offsets; Read is true only when all length bytes were there.
struct ReadAtSource {
    ReadAtFunction read;
    void* context;
    bool Read(uint64_t offset, unsigned char* buffer, size_t length) const {
        return read(context, offset, buffer, length) == length;
    }
};
