#include "metadata/declared_size.h"

#include "metadata/byte_order.h"
#include "metadata/jpeg_segments.h"
#include "metadata/signatures.h"
#include "metadata/tiff_directory.h"

#include <cstring>

namespace {

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

// JPEG: the first start-of-frame before the scan.
bool JpegSize(const FileReader& file, DeclaredSize* size) {
    JpegSegmentWalk walk;
    JpegSegment segment;
    while (NextJpegSegment(file, &walk, &segment)) {
        unsigned char frame[9];
        if (IsStartOfFrame(segment.marker))
            return file.Read(segment.offset, frame, sizeof frame) &&
                   Found(size, Big16(frame + 7), Big16(frame + 5));
    }
    return false;
}

// TIFF: ImageWidth (256) and ImageLength (257) of the first directory, SHORT or LONG.
bool TiffSize(const FileReader& file, DeclaredSize* size) {
    TiffData tiff;
    uint32_t directory = 0;
    if (!OpenTiffData(file, 0, 0, &tiff) || !FirstTiffDirectory(tiff, &directory))
        return false;
    uint32_t sides[2] = {};
    for (int i = 0; i < 2; ++i) {
        TiffEntry entry;
        if (FindTiffEntry(tiff, directory, static_cast<uint16_t>(256 + i), &entry) !=
                TiffLookup::kFound ||
            (entry.type != kTiffShort && entry.type != kTiffLong))
            return false;
        sides[i] = TiffEntryNumber(tiff, entry);
    }
    return Found(size, sides[0], sides[1]);
}

} // namespace

bool ReadDeclaredSize(const FileReader& file, DeclaredSize* size) {
    unsigned char head[26] = {};
    const size_t got = file.read(file.context, 0, head, sizeof head);
    if (got >= 24 && IsPngSignature(head, got))
        return PngSize(head, size);
    if (got >= 10 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return Found(size, Little16(head + 6), Little16(head + 8)); // the logical screen
    if (got >= 26 && head[0] == 'B' && head[1] == 'M')
        return BmpSize(head, size);
    if (got >= 4 && IsJpegSignature(head, got) && head[2] == 0xFF)
        return JpegSize(file, size);
    if (got >= 8 && IsTiffByteOrder(head, got))
        return TiffSize(file, size);
    return false;
}
