#include "metadata/exif_orientation.h"

int TiffOrientation(const TiffData& tiff) {
    uint32_t directory = 0;
    TiffEntry entry;
    if (!FirstTiffDirectory(tiff, &directory))
        return kDamagedExif;
    switch (FindTiffEntry(tiff, directory, kOrientationTag, &entry)) {
    case TiffLookup::kAbsent:
        return 1;
    case TiffLookup::kDamaged:
        return kDamagedExif;
    case TiffLookup::kFound:
        break;
    }
    // A SHORT, one of it, stored in the entry itself.
    if (entry.type != kTiffShort || entry.count != 1)
        return kDamagedExif;
    const uint32_t value = TiffEntryNumber(tiff, entry);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

int ExifOrientation(const unsigned char* bytes, size_t size) {
    const MemoryFile memory{bytes, size};
    TiffData tiff;
    if (!OpenTiffData(MemoryReader(&memory), 0, size, &tiff))
        return kDamagedExif;
    return TiffOrientation(tiff);
}

void SetExifUpright(unsigned char* bytes, size_t size) {
    const MemoryFile memory{bytes, size};
    TiffData tiff;
    uint32_t directory = 0;
    uint32_t count = 0;
    uint64_t end = 0;
    if (!OpenTiffData(MemoryReader(&memory), 0, size, &tiff) ||
        !FirstTiffDirectory(tiff, &directory) || !OpenTiffDirectory(tiff, directory, &count, &end))
        return;
    for (uint32_t i = 0; i < count; ++i) {
        TiffEntry entry;
        if (ReadTiffEntry(tiff, directory, i, &entry) && entry.tag == kOrientationTag &&
            entry.type == kTiffShort && entry.count == 1)
            tiff.order.Put16(bytes + TiffEntryOffset(directory, i) + 8, 1);
    }
}
