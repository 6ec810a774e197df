// A bounded reader over a plug-in's input bytes: reads past the end give zeros and mark
// the reader failed, so a decoder checks `failed` once per step instead of every byte.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteReader {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    bool failed = false;
};

inline size_t Remaining(const ByteReader& r) {
    return r.size - r.position;
}

inline uint8_t Get8(ByteReader& r) {
    if (r.position >= r.size) {
        r.failed = true;
        return 0;
    }
    return r.data[r.position++];
}

// The next byte without consuming it; -1 at the end.
inline int Peek8(const ByteReader& r) {
    return r.position < r.size ? r.data[r.position] : -1;
}

inline uint16_t Get16LE(ByteReader& r) {
    const uint16_t low = Get8(r);
    return static_cast<uint16_t>(low | (Get8(r) << 8));
}

inline uint16_t Get16BE(ByteReader& r) {
    const uint16_t high = Get8(r);
    return static_cast<uint16_t>((high << 8) | Get8(r));
}

inline void Skip(ByteReader& r, size_t count) {
    if (count > Remaining(r)) {
        r.position = r.size;
        r.failed = true;
    } else {
        r.position += count;
    }
}
