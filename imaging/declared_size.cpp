#include "imaging/declared_size.h"

#include "imaging/byte_order.h"

#include <cstring>

namespace {

using Source = ReadAtSource;

bool Found(DeclaredSize* size, uint32_t width, uint32_t height) {
    size->width = width;
    size->height = height;
    return true;
}

// PNG: the IHDR chunk comes first.
bool PngSize(const unsigned char* head, DeclaredSize* size) {
    if (std::memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    return Found(size, Big32(head + 16), Big32(head + 20));
}

// BMP: a core header has 16-bit sides, the others signed 32-bit ones (negative: top-down).
bool BmpSize(const unsigned char* head, DeclaredSize* size) {
    const uint32_t headerSize = Little32(head + 14);
    if (headerSize == 12)
        return Found(size, Little16(head + 18), Little16(head + 20));
    if (headerSize < 40)
        return false;
    const auto width = static_cast<int32_t>(Little32(head + 18));
    const auto height = static_cast<int32_t>(Little32(head + 22));
    auto magnitude = [](int32_t v) {
        return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    };
    return Found(size, magnitude(width), magnitude(height));
}

// JPEG: walk the marker segments to the first start-of-frame.
bool JpegSize(const Source& source, DeclaredSize* size) {
    uint64_t offset = 2;
    for (int segments = 0; segments < 4096; ++segments) {
        unsigned char marker[9];
        if (!source.Read(offset, marker, 4))
            return false;
        if (marker[0] != 0xFF)
            return false;
        if (marker[1] == 0xFF) { // fill byte
            ++offset;
            continue;
        }
        const unsigned char code = marker[1];
        if (code == 0xD8 || (code >= 0xD0 && code <= 0xD7) || code == 0x01) {
            offset += 2; // markers without a length
            continue;
        }
        const uint32_t length = Big16(marker + 2);
        if (length < 2)
            return false;
        const bool startOfFrame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (startOfFrame) {
            if (!source.Read(offset, marker, sizeof marker))
                return false;
            return Found(size, Big16(marker + 7), Big16(marker + 5));
        }
        if (code == 0xD9 || code == 0xDA)
            return false; // no frame header before the scan
        offset += 2 + length;
    }
    return false;
}

// TIFF: ImageWidth (256) and ImageLength (257) of the first directory.
bool TiffSize(const Source& source, const unsigned char* head, DeclaredSize* size) {
    const bool little = head[0] == 'I';
    auto u16 = [little](const unsigned char* p) { return little ? Little16(p) : Big16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Little32(p) : Big32(p); };
    const uint64_t directory = u32(head + 4);
    unsigned char countBytes[2];
    if (!source.Read(directory, countBytes, 2))
        return false;
    const uint32_t count = u16(countBytes);
    uint32_t width = 0;
    uint32_t height = 0;
    bool haveWidth = false;
    bool haveHeight = false;
    for (uint32_t i = 0; i < count && !(haveWidth && haveHeight); ++i) {
        unsigned char entry[12];
        if (!source.Read(directory + 2 + 12ull * i, entry, sizeof entry))
            return false;
        const uint32_t tag = u16(entry);
        const uint32_t type = u16(entry + 2);
        const uint32_t value = type == 3 ? u16(entry + 8) : u32(entry + 8); // SHORT or LONG
        if (type != 3 && type != 4)
            continue;
        if (tag == 256) {
            width = value;
            haveWidth = true;
        } else if (tag == 257) {
            height = value;
            haveHeight = true;
        }
    }
    return haveWidth && haveHeight && Found(size, width, height);
}

} // namespace

bool ReadDeclaredSize(ReadAtFunction read, void* context, DeclaredSize* size) {
    const Source source{read, context};
    unsigned char head[26] = {};
    const size_t got = read(context, 0, head, sizeof head);
    if (got >= 24 && IsPngSignature(head))
        return PngSize(head, size);
    if (got >= 10 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return Found(size, Little16(head + 6), Little16(head + 8)); // the logical screen
    if (got >= 26 && head[0] == 'B' && head[1] == 'M')
        return BmpSize(head, size);
    if (got >= 4 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return JpegSize(source, size);
    if (got >= 8 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                     (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42)))
        return TiffSize(source, head, size);
    return false;
}
