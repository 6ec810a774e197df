#include "metadata/jpeg_metadata.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr size_t kMostSegmentBody = 65535 - 2;         // a segment's length counts itself
constexpr size_t kMostExif = kMostSegmentBody - 6;     // after "Exif\0\0"
constexpr size_t kMostIccPart = kMostSegmentBody - 14; // after "ICC_PROFILE\0" n/N
constexpr size_t kMostIccParts = 16;

unsigned char* PutSegmentHead(unsigned char* at, uint8_t marker, size_t body) {
    const size_t length = 2 + body;
    at[0] = 0xFF;
    at[1] = marker;
    at[2] = static_cast<unsigned char>(length >> 8);
    at[3] = static_cast<unsigned char>(length & 0xFF);
    return at + 4;
}

size_t IccParts(const unsigned char* profile, size_t size) {
    if (size < 20 || std::memcmp(profile + 16, "RGB ", 4) != 0)
        return 0; // the profile header's colour space, bytes 16 to 19
    const size_t parts = (size + kMostIccPart - 1) / kMostIccPart;
    return parts <= kMostIccParts ? parts : 0;
}

} // namespace

bool MakeJpegMetadataSegments(const unsigned char* exif, size_t exifSize,
                              const unsigned char* profile, size_t profileSize,
                              MetadataBlock* segments, const char** exifDropped) {
    if (exifSize > kMostExif) {
        *exifDropped = "its Exif data is larger than a JPEG segment holds";
        exifSize = 0;
    }
    const size_t parts = profileSize > 0 ? IccParts(profile, profileSize) : 0;
    const size_t exifBytes = exifSize > 0 ? 4 + 6 + exifSize : 0;
    const size_t iccBytes = parts > 0 ? profileSize + parts * (4 + 14) : 0;
    segments->Clear();
    if (exifBytes + iccBytes == 0)
        return true;
    if (!segments->Allocate(exifBytes + iccBytes))
        return false;
    unsigned char* at = segments->bytes.get();
    if (exifSize > 0) {
        at = PutSegmentHead(at, 0xE1, 6 + exifSize);
        std::memcpy(at, "Exif\0\0", 6);
        std::memcpy(at + 6, exif, exifSize);
        at += 6 + exifSize;
    }
    for (size_t i = 0; i < parts; ++i) {
        const size_t part = i + 1 < parts ? kMostIccPart : profileSize - i * kMostIccPart;
        at = PutSegmentHead(at, 0xE2, 14 + part);
        std::memcpy(at, "ICC_PROFILE\0", 12);
        at[12] = static_cast<unsigned char>(i + 1);
        at[13] = static_cast<unsigned char>(parts);
        std::memcpy(at + 14, profile + i * kMostIccPart, part);
        at += 14 + part;
    }
    return true;
}
