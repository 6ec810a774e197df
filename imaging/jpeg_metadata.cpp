#include "imaging/jpeg_metadata.h"

#include "imaging/byte_order.h"

#include <cstring>

namespace {

constexpr int kMostSegments = 256;
constexpr uint16_t kOrientationTag = 0x0112;

struct Tiff {
    unsigned char* data; // the TIFF bytes inside the Exif segment
    size_t size;
    bool little;
    uint16_t U16(size_t at) const {
        return static_cast<uint16_t>(little ? Little16(data + at) : Big16(data + at));
    }
    uint32_t U32(size_t at) const { return little ? Little32(data + at) : Big32(data + at); }
    void Put16(size_t at, uint16_t v) const {
        data[at + (little ? 0 : 1)] = static_cast<unsigned char>(v & 0xFF);
        data[at + (little ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    }
    void Put32(size_t at, uint32_t v) const {
        for (int i = 0; i < 4; ++i)
            data[at + (little ? i : 3 - i)] = static_cast<unsigned char>(v >> (8 * i));
    }
};

// Checks the first directory of the TIFF data; for a turned picture sets its orientation
// to 1 and unlinks the second directory (the thumbnail, now the wrong way round).
bool CheckExif(const Tiff& tiff, bool turned) {
    if (tiff.size < 8 || tiff.U16(2) != 42)
        return false;
    const uint32_t directory = tiff.U32(4);
    if (directory < 8 || directory > tiff.size - 2)
        return false;
    const uint16_t count = tiff.U16(directory);
    const uint64_t end = directory + 2ull + 12ull * count;
    if (end + 4 > tiff.size)
        return false;
    if (!turned)
        return true;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = directory + 2 + 12 * i;
        if (tiff.U16(entry) == kOrientationTag && tiff.U16(entry + 2) == 3)
            tiff.Put16(entry + 8, 1);
    }
    tiff.Put32(static_cast<size_t>(end), 0);
    return true;
}

} // namespace

bool ReadJpegMetadata(const unsigned char* bytes, size_t size, int turned, JpegMetadata* m) {
    m->exif = nullptr;
    m->exifSize = 0;
    m->iccCount = 0;
    m->exifDropped = "";
    m->iccDropped = "";
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
            unsigned char* tiffBytes = m->exifCopy + 10;
            const Tiff tiff{tiffBytes, bodySize - 6, tiffBytes[0] == 'I' && tiffBytes[1] == 'I'};
            const bool marked = (tiffBytes[0] == 'I' && tiffBytes[1] == 'I') ||
                                (bodySize >= 8 && tiffBytes[0] == 'M' && tiffBytes[1] == 'M');
            if (marked && CheckExif(tiff, turned != 1)) {
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
