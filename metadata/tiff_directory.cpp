#include "metadata/tiff_directory.h"

#include "metadata/signatures.h"

namespace {

// Whether length bytes at offset (from base) lie inside the data: for data of unknown size,
// the reader finds out when it reads them.
bool Inside(const TiffData& tiff, uint64_t offset, uint64_t length) {
    return tiff.size == 0 || (offset <= tiff.size && length <= tiff.size - offset);
}

} // namespace

bool OpenTiffData(const FileReader& reader, uint64_t base, uint64_t size, TiffData* tiff) {
    unsigned char header[8];
    if ((size != 0 && size < sizeof header) || !reader.Read(base, header, sizeof header) ||
        !IsTiffByteOrder(header, sizeof header))
        return false;
    tiff->reader = reader;
    tiff->base = base;
    tiff->size = size;
    tiff->order.little = header[0] == 'I';
    return tiff->order.U16(header + 2) == 42;
}

bool FirstTiffDirectory(const TiffData& tiff, uint32_t* directory) {
    unsigned char link[4];
    if (!tiff.reader.Read(tiff.base + 4, link, sizeof link))
        return false;
    *directory = tiff.order.U32(link);
    return *directory >= 8 && Inside(tiff, *directory, 2);
}

bool OpenTiffDirectory(const TiffData& tiff, uint32_t directory, uint32_t* count, uint64_t* end) {
    unsigned char bytes[2];
    if (directory < 8 || !Inside(tiff, directory, 2) ||
        !tiff.reader.Read(tiff.base + directory, bytes, sizeof bytes))
        return false;
    *count = tiff.order.U16(bytes);
    *end = TiffEntryOffset(directory, *count);
    return Inside(tiff, *end, 4);
}

bool ReadTiffEntry(const TiffData& tiff, uint32_t directory, uint32_t i, TiffEntry* entry) {
    const uint64_t at = TiffEntryOffset(directory, i);
    unsigned char bytes[12];
    if (!Inside(tiff, at, sizeof bytes) || !tiff.reader.Read(tiff.base + at, bytes, sizeof bytes))
        return false;
    entry->tag = static_cast<uint16_t>(tiff.order.U16(bytes));
    entry->type = static_cast<uint16_t>(tiff.order.U16(bytes + 2));
    entry->count = tiff.order.U32(bytes + 4);
    for (int k = 0; k < 4; ++k)
        entry->value[k] = bytes[8 + k];
    return true;
}

TiffLookup FindTiffEntry(const TiffData& tiff, uint32_t directory, uint16_t tag, TiffEntry* entry) {
    // The entries are read as far as the one asked for: one past the data is damage.
    unsigned char bytes[2];
    if (directory < 8 || !Inside(tiff, directory, 2) ||
        !tiff.reader.Read(tiff.base + directory, bytes, sizeof bytes))
        return TiffLookup::kDamaged;
    const uint32_t count = tiff.order.U16(bytes);
    for (uint32_t i = 0; i < count; ++i) {
        if (!ReadTiffEntry(tiff, directory, i, entry))
            return TiffLookup::kDamaged;
        if (entry->tag == tag)
            return TiffLookup::kFound;
    }
    return TiffLookup::kAbsent;
}

size_t TiffTypeSize(uint16_t type) {
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

bool TiffEntryValues(const TiffData& tiff, const TiffEntry& entry, uint64_t at, uint64_t* offset,
                     uint64_t* length) {
    const size_t unit = TiffTypeSize(entry.type);
    if (unit == 0)
        return false;
    *length = static_cast<uint64_t>(unit) * entry.count;
    *offset = *length <= 4 ? at + 8 : tiff.order.U32(entry.value);
    return Inside(tiff, *offset, *length);
}
