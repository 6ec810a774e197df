#include "imaging/jpeg_metadata.h"

#include "common/exif_tiff.h"
#include "imaging/byte_order.h"

#include <cstring>

namespace {

constexpr int kMostSegments = 256;

// Checks the first directory of the TIFF data; for a turned picture sets its orientation
// to 1 and unlinks the second directory (the thumbnail, now the wrong way round).
bool CheckExif(unsigned char* data, size_t size, bool turned) {
    ExifTiff tiff;
    uint32_t directory = 0;
    size_t end = 0;
    if (!OpenExifTiff(data, size, &tiff) || !FindFirstDirectory(tiff, &directory, &end))
        return false;
    if (turned) {
        SetExifUpright(tiff, directory);
        tiff.Put32(end, 0);
    }
    return true;
}

void Forget(JpegMetadata* m) {
    m->exif = nullptr;
    m->exifSize = 0;
    m->iccCount = 0;
    m->exifDropped = "";
    m->iccDropped = "";
}

} // namespace

bool ReadJpegMetadata(const unsigned char* bytes, size_t size, int turned, JpegMetadata* m) {
    Forget(m);
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    size_t at = 2;
    size_t iccBytes = 0;
    uint32_t iccDeclared = 0;
    bool iccRgb = false;
    for (int i = 0; i < kMostSegments && at + 4 <= size; ++i) {
        if (bytes[at] != 0xFF)
            break;
        const uint8_t kind = bytes[at + 1];
        if (kind == 0xDA || kind == 0xD9)
            break;
        const size_t length = Big16(bytes + at + 2);
        if (length < 2 || at + 2 + length > size)
            break;
        const unsigned char* body = bytes + at + 4;
        const size_t bodySize = length - 2;
        if (kind == 0xE1 && m->exif == nullptr && bodySize >= 6 &&
            std::memcmp(body, "Exif\0\0", 6) == 0) {
            std::memcpy(m->exifCopy, bytes + at, 2 + length);
            if (CheckExif(m->exifCopy + 10, bodySize - 6, turned != 1)) {
                m->exif = m->exifCopy;
                m->exifSize = 2 + length;
            } else {
                m->exifDropped = "its Exif data is damaged";
            }
        } else if (kind == 0xE2 && bodySize >= 14 && std::memcmp(body, "ICC_PROFILE\0", 12) == 0) {
            if (m->iccCount == 16) {
                m->iccDropped = "its ICC profile has too many parts";
                m->iccCount = -1;
            } else if (m->iccCount >= 0) {
                if (m->iccCount == 0 && bodySize >= 18)
                    iccDeclared = Big32(body + 14);
                // The profile header's colour space, bytes 16 to 19.
                if (m->iccCount == 0 && bodySize >= 14 + 20)
                    iccRgb = std::memcmp(body + 14 + 16, "RGB ", 4) == 0;
                m->icc[m->iccCount] = bytes + at;
                m->iccSize[m->iccCount] = 2 + length;
                ++m->iccCount;
                iccBytes += bodySize - 14;
            }
        }
        at += 2 + length;
    }
    // The profile's own header gives its size: a profile whose parts do not add up to it
    // is left out rather than written broken.
    if (m->iccCount > 0 && iccDeclared != iccBytes) {
        m->iccDropped = "its ICC profile's size does not match its parts";
        m->iccCount = 0;
    }
    if (m->iccCount < 0 || !iccRgb)
        m->iccCount = 0;
    return m->exif != nullptr || m->iccCount > 0 || m->exifDropped[0] != '\0' ||
           m->iccDropped[0] != '\0';
}

bool ExifSegmentFromTiff(const unsigned char* tiff, size_t size, int turned, JpegMetadata* m) {
    Forget(m);
    constexpr size_t kMostTiff = 65535 - 2 - 6; // a segment's length counts itself and "Exif\0\0"
    if (size > kMostTiff) {
        m->exifDropped = "its Exif data is larger than a JPEG segment holds";
        return false;
    }
    const size_t length = 2 + 6 + size;
    unsigned char* segment = m->exifCopy;
    segment[0] = 0xFF;
    segment[1] = 0xE1;
    segment[2] = static_cast<unsigned char>(length >> 8);
    segment[3] = static_cast<unsigned char>(length & 0xFF);
    std::memcpy(segment + 4, "Exif\0\0", 6);
    std::memcpy(segment + 10, tiff, size);
    if (!CheckExif(segment + 10, size, turned != 1)) {
        m->exifDropped = "its Exif data is damaged";
        return false;
    }
    m->exif = segment;
    m->exifSize = 2 + length;
    return true;
}

bool IccSegmentsFromProfile(const unsigned char* profile, size_t size, unsigned char* storage,
                            JpegMetadata* m) {
    constexpr size_t kMostPart = 65535 - 2 - 14; // a length counts itself and the header
    m->iccCount = 0;
    const size_t parts = (size + kMostPart - 1) / kMostPart;
    if (size < 20 || parts > 16 || std::memcmp(profile + 16, "RGB ", 4) != 0)
        return false;
    unsigned char* at = storage;
    for (size_t i = 0; i < parts; ++i) {
        const size_t part = i + 1 < parts ? kMostPart : size - i * kMostPart;
        const size_t length = 2 + 14 + part;
        at[0] = 0xFF;
        at[1] = 0xE2;
        at[2] = static_cast<unsigned char>(length >> 8);
        at[3] = static_cast<unsigned char>(length & 0xFF);
        std::memcpy(at + 4, "ICC_PROFILE\0", 12);
        at[16] = static_cast<unsigned char>(i + 1);
        at[17] = static_cast<unsigned char>(parts);
        std::memcpy(at + 18, profile + i * kMostPart, part);
        m->icc[i] = at;
        m->iccSize[i] = 2 + length;
        at += 2 + length;
    }
    m->iccCount = static_cast<int>(parts);
    return true;
}
