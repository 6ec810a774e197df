// Numbers as file formats store them: big-endian (JPEG, PNG, ICC) or in the order a TIFF
// header names (Exif).
#pragma once

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

// The byte order of TIFF data: "II" little-endian, "MM" big-endian.
struct ByteOrder {
    bool little = false;

    uint32_t U16(const unsigned char* p) const { return little ? Little16(p) : Big16(p); }
    uint32_t U32(const unsigned char* p) const { return little ? Little32(p) : Big32(p); }
    void Put16(unsigned char* p, uint32_t v) const {
        p[little ? 0 : 1] = static_cast<unsigned char>(v & 0xFF);
        p[little ? 1 : 0] = static_cast<unsigned char>(v >> 8 & 0xFF);
    }
    void Put32(unsigned char* p, uint32_t v) const {
        for (int i = 0; i < 4; ++i)
            p[little ? i : 3 - i] = static_cast<unsigned char>(v >> (8 * i) & 0xFF);
    }
};
