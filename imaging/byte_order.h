// Numbers as file formats store them, and a reader of a file through a ReadAtFunction: what
// the readers that look into pictures before decoding share (declared sizes, Exif).
#pragma once

#include "imaging/declared_size.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// A file image in memory, read through ReadFromMemory as a ReadAtFunction.
struct MemoryFile {
    const unsigned char* bytes;
    uint64_t size;
};
inline size_t ReadFromMemory(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const auto* file = static_cast<const MemoryFile*>(context);
    if (offset >= file->size)
        return 0;
    const uint64_t available = file->size - offset;
    const size_t n = available < length ? static_cast<size_t>(available) : length;
    std::memcpy(buffer, file->bytes + offset, n);
    return n;
}

// Whether the file's first 8 bytes are a PNG's signature.
inline bool IsPngSignature(const unsigned char* head) {
    return std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
}

// The first chunk of the kind (4 letters) among a PNG's first 64 chunks before its pixels:
// its data's offset and length. False when there is none, or the chunks stop making sense.
inline bool FindPngChunk(const ReadAtSource& r, const char* kind, uint64_t* data,
                         uint32_t* length) {
    uint64_t at = 8;
    for (int i = 0; i < 64; ++i) {
        unsigned char chunk[8];
        if (!r.Read(at, chunk, sizeof chunk))
            return false;
        const uint32_t size = Big32(chunk);
        const auto is = [&chunk](const char* name) {
            return chunk[4] == name[0] && chunk[5] == name[1] && chunk[6] == name[2] &&
                   chunk[7] == name[3];
        };
        if (size > 0x7FFFFFFFu || is("IDAT") || is("IEND"))
            return false;
        if (is(kind)) {
            *data = at + 8;
            *length = size;
            return true;
        }
        at += 12ull + size;
    }
    return false;
}
