#include "imaging/exif_orientation.h"

#include "imaging/byte_order.h"

#include <cstring>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr int kMostSegments = 64; // JPEG markers looked at

using Reader = ReadAtSource;

// The orientation in the first directory of TIFF data at base, size bytes long (size 0:
// as long as the file); kDamagedExif when the data is not whole TIFF, or its directory or
// orientation entry does not lie inside it.
int TiffOrientation(const Reader& r, uint64_t base, uint64_t size) {
    unsigned char header[8];
    if (!r.Read(base, header, sizeof header))
        return kDamagedExif;
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M'))
        return kDamagedExif;
    auto u16 = [little](const unsigned char* p) { return little ? Little16(p) : Big16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Little32(p) : Big32(p); };
    if (u16(header + 2) != 42)
        return kDamagedExif;
    const uint32_t directory = u32(header + 4);
    if (directory < 8 || (size != 0 && directory + 2ull > size))
        return kDamagedExif;
    unsigned char countBytes[2];
    if (!r.Read(base + directory, countBytes, 2))
        return kDamagedExif;
    const uint32_t count = u16(countBytes);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = directory + 2 + 12ull * i;
        if (size != 0 && at + 12 > size)
            return kDamagedExif;
        unsigned char entry[12];
        if (!r.Read(base + at, entry, sizeof entry))
            return kDamagedExif;
        if (u16(entry) != kOrientationTag)
            continue;
        // A SHORT, one of it, stored in the entry itself.
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1)
            return kDamagedExif;
        const uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int JpegOrientation(const Reader& r) {
    uint64_t at = 2;
    for (int i = 0; i < kMostSegments; ++i) {
        unsigned char marker[4];
        if (!r.Read(at, marker, sizeof marker) || marker[0] != 0xFF)
            return 1;
        const uint8_t kind = marker[1];
        if (kind == 0xDA || kind == 0xD9) // the picture starts, or ends: no Exif before it
            return 1;
        const uint32_t length = Big16(marker + 2);
        if (length < 2)
            return 1;
        if (kind == 0xE1 && length >= 2 + 6 + 8) {
            unsigned char name[6];
            if (r.Read(at + 4, name, sizeof name) && std::memcmp(name, "Exif\0\0", 6) == 0)
                return TiffOrientation(r, at + 10, length - 8u);
        }
        at += 2u + length;
    }
    return 1;
}

int PngOrientation(const Reader& r) {
    uint64_t at = 0;
    uint32_t length = 0;
    return FindPngChunk(r, "eXIf", &at, &length) ? TiffOrientation(r, at, length) : 1;
}

} // namespace

int ReadExifOrientation(ReadAtFunction read, void* context) {
    const Reader r{read, context};
    unsigned char head[8];
    if (!r.Read(0, head, sizeof head))
        return 1;
    if (head[0] == 0xFF && head[1] == 0xD8)
        return JpegOrientation(r);
    if (IsPngSignature(head))
        return PngOrientation(r);
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'))
        return TiffOrientation(r, 0, 0);
    return 1; // a format without Exif
}

int ReadExifOrientationInMemory(const unsigned char* bytes, uint64_t size) {
    MemoryFile memory{bytes, size};
    return ReadExifOrientation(ReadFromMemory, &memory);
}
