#include "metadata/photo_metadata.h"

#include "metadata/byte_order.h"
#include "metadata/embedded_profile.h"
#include "metadata/exif_orientation.h"
#include "metadata/jpeg_segments.h"
#include "metadata/png_chunks.h"
#include "metadata/signatures.h"
#include "metadata/tiff_directory.h"

#include <cstring>

const char* const kUnreadableProfile = "its ICC profile cannot be read";

namespace {

constexpr int kMostIccParts = 16;
constexpr size_t kIccPartHeader = 14; // "ICC_PROFILE\0", part number, part count

// The Exif TIFF data at offset (size bytes) of the file, taken into the metadata.
void ReadExifAt(const FileReader& file, uint64_t offset, size_t size, PhotoMetadata* m) {
    if (size > kLargestExif || !m->exif.Allocate(size) ||
        !file.Fresh().Read(offset, m->exif.bytes.get(), size)) {
        m->exif.Clear();
        m->exifDropped = "its Exif data cannot be read";
        return;
    }
    TakeExif(m->exif.data(), m->exif.size, m);
}

struct IccPart {
    uint64_t offset = 0; // of the profile bytes it carries
    uint32_t size = 0;
};

// The profile parts of the JPEG's APP2 segments joined in their numbered order (1 to N,
// each saying the same N), whatever order the file has.
void JoinIccParts(const FileReader& file, const IccPart* parts, const int* numbers, int count,
                  uint32_t declared, PhotoMetadata* m) {
    size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += parts[i].size;
    // The profile's own header gives its size: parts that do not add up to it are left out
    // rather than used broken.
    if (total != declared) {
        m->profileDropped = "its ICC profile's size does not match its parts";
        return;
    }
    int order[kMostIccParts];
    for (int& slot : order)
        slot = -1;
    for (int i = 0; i < count; ++i) {
        const int number = numbers[i] & 0xFF;
        if ((numbers[i] >> 8) != count || number < 1 || number > count || order[number - 1] >= 0) {
            m->profileDropped = "its ICC profile's parts do not fit together";
            return;
        }
        order[number - 1] = i;
    }
    if (!m->profile.Allocate(total)) {
        m->profileDropped = kUnreadableProfile;
        return;
    }
    size_t at = 0;
    for (int n = 0; n < count; ++n) {
        const IccPart& part = parts[order[n]];
        if (!file.Fresh().Read(part.offset, m->profile.bytes.get() + at, part.size)) {
            m->profile.Clear();
            m->profileDropped = kUnreadableProfile;
            return;
        }
        at += part.size;
    }
}

void ReadJpegMetadata(const FileReader& file, PhotoMetadata* m) {
    JpegSegmentWalk walk;
    JpegSegment segment;
    IccPart parts[kMostIccParts];
    int numbers[kMostIccParts] = {}; // count << 8 | number
    int count = 0;
    uint32_t declared = 0;
    bool tooMany = false;
    bool exifSeen = false;
    while (NextJpegSegment(file, &walk, &segment)) {
        unsigned char head[18] = {};
        const uint32_t body = segment.BodySize();
        if (segment.marker == 0xE1 && !exifSeen && body >= 6 &&
            file.Fresh().Read(segment.Body(), head, 6) && std::memcmp(head, "Exif\0\0", 6) == 0) {
            exifSeen = true;
            ReadExifAt(file, segment.Body() + 6, body - 6, m);
        } else if (segment.marker == 0xE2 && body >= kIccPartHeader &&
                   file.Fresh().Read(segment.Body(), head, kIccPartHeader) &&
                   std::memcmp(head, "ICC_PROFILE\0", 12) == 0) {
            if (count == kMostIccParts) {
                tooMany = true;
                continue;
            }
            // The first part starts with the profile header, whose first 4 bytes are its size.
            if (count == 0 && body >= kIccPartHeader + 4 &&
                file.Fresh().Read(segment.Body() + kIccPartHeader, head + kIccPartHeader, 4))
                declared = Big32(head + kIccPartHeader);
            parts[count] = IccPart{segment.Body() + kIccPartHeader, body - 14u};
            numbers[count] = head[13] << 8 | head[12];
            ++count;
        }
    }
    if (tooMany)
        m->profileDropped = "its ICC profile has too many parts";
    else if (count > 0)
        JoinIccParts(file, parts, numbers, count, declared, m);
}

void ReadPngMetadata(const FileReader& file, PhotoMetadata* m) {
    uint64_t at = 0;
    uint32_t length = 0;
    if (FindPngChunk(file.Fresh(), "eXIf", &at, &length))
        ReadExifAt(file, at, length, m);
}

// A TIFF file's own first directory holds its orientation.
void ReadTiffOrientation(const FileReader& file, PhotoMetadata* m) {
    TiffData tiff;
    const int orientation =
        OpenTiffData(file.Fresh(), 0, 0, &tiff) ? TiffOrientation(tiff) : kDamagedExif;
    m->exifDamaged = orientation == kDamagedExif;
    m->orientation = m->exifDamaged ? 1 : orientation;
}

// The profile of a PNG or TIFF, inflated into room as large as the largest, then kept at
// its own size.
void ReadEmbedded(const FileReader& file, PhotoMetadata* m) {
    ReadEmbeddedProfile(file.Fresh(), kLargestIccProfile, &m->profile, &m->profileDropped);
}

} // namespace

void TakeExif(const unsigned char* tiff, size_t size, PhotoMetadata* m) {
    if (m->exif.data() != tiff && !m->exif.Assign(tiff, size)) {
        m->exifDropped = "its Exif data cannot be read";
        return;
    }
    // Exif whose first directory cannot be read is not carried.
    const MemoryFile memory{m->exif.data(), m->exif.size};
    TiffData data;
    const bool opened = OpenTiffData(MemoryReader(&memory), 0, memory.size, &data);
    const int orientation = opened ? TiffOrientation(data) : kDamagedExif;
    m->exifDamaged = orientation == kDamagedExif;
    m->orientation = m->exifDamaged ? 1 : orientation;
    uint32_t directory = 0;
    uint32_t count = 0;
    uint64_t end = 0;
    if (!opened || !FirstTiffDirectory(data, &directory) ||
        !OpenTiffDirectory(data, directory, &count, &end)) {
        m->exif.Clear();
        m->exifDropped = "its Exif data is damaged";
    }
}

bool ReadPhotoMetadata(const FileReader& file, PhotoMetadata* m) {
    unsigned char head[8] = {};
    const size_t got = file.read(file.context, 0, head, sizeof head);
    if (IsJpegSignature(head, got))
        ReadJpegMetadata(file, m);
    else if (IsPngSignature(head, got)) {
        ReadPngMetadata(file, m);
        ReadEmbedded(file, m);
    } else if (IsTiffByteOrder(head, got)) {
        ReadTiffOrientation(file, m);
        ReadEmbedded(file, m);
    } else {
        return false;
    }
    return true;
}
