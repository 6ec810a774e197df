// The TIFF structure inside Exif data, as far as tesrun changes it: its first directory
// found inside the bytes and its orientation set upright. Header-only and portable (no
// Windows header): the host and the plug-ins share it. Every offset is checked against the
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct ExifTiff {
    unsigned char* data; // from the "II" or "MM" on
    size_t size;
    bool little;

    uint16_t U16(size_t at) const {
        return static_cast<uint16_t>(little ? data[at] | data[at + 1] << 8
                                            : data[at] << 8 | data[at + 1]);
    }
    uint32_t U32(size_t at) const {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | data[at + (little ? 3 - i : i)];
        return value;
    }
    void Put16(size_t at, uint16_t v) const {
        data[at + (little ? 0 : 1)] = static_cast<unsigned char>(v & 0xFF);
        data[at + (little ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    }
    void Put32(size_t at, uint32_t v) const {
        for (int i = 0; i < 4; ++i)
            data[at + (little ? i : 3 - i)] = static_cast<unsigned char>(v >> (8 * i));
    }
};

constexpr uint16_t kExifOrientationTag = 0x0112;

// The TIFF data's byte order from its header; false when the bytes start with neither.
inline bool OpenExifTiff(unsigned char* data, size_t size, ExifTiff* tiff) {
    if (size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return false;
    *tiff = ExifTiff{data, size, data[0] == 'I'};
    return tiff->U16(2) == 42;
}

// The first directory's offset and the offset just past its entries (where the link to
// the next directory is); false when it, with that link, does not lie inside the bytes.
inline bool FindFirstDirectory(const ExifTiff& tiff, uint32_t* directory, size_t* end) {
    *directory = tiff.U32(4);
    if (*directory < 8 || *directory > tiff.size - 2)
        return false;
    const uint64_t past = *directory + 2ull + 12ull * tiff.U16(*directory);
    if (past + 4 > tiff.size)
        return false;
    *end = static_cast<size_t>(past);
    return true;
}

// Sets the first directory's orientation (a SHORT kept in its entry) to 1, upright.
inline void SetExifUpright(const ExifTiff& tiff, uint32_t directory) {
    const uint16_t count = tiff.U16(directory);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = directory + 2 + 12 * i;
        if (tiff.U16(entry) == kExifOrientationTag && tiff.U16(entry + 2) == 3)
            tiff.Put16(entry + 8, 1);
    }
}
