// The directories of TIFF data: a TIFF file, or the Exif a JPEG, PNG, WebP or HEIF holds.
// The one walker the orientation, the profile, the declared size and the Exif rebuild
// share. Every offset and count is read through the bounded reader and checked against
// the data's size.
#pragma once

#include "metadata/byte_order.h"
#include "metadata/file_reader.h"

#include <cstddef>
#include <cstdint>

struct TiffData {
    FileReader reader;
    uint64_t base = 0; // where its "II" or "MM" stands in the file
    uint64_t size = 0; // its length from base; 0: as far as the file goes
    ByteOrder order;
};

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    unsigned char value[4] = {}; // the value itself when it fits in 4 bytes, else its offset
};

constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;

// Reads the header at base: false when it is no TIFF header (byte order, then 42).
bool OpenTiffData(const FileReader& reader, uint64_t base, uint64_t size, TiffData* tiff);

// The offset (from base) of the first directory; false when it lies outside the data.
bool FirstTiffDirectory(const TiffData& tiff, uint32_t* directory);

// The entries of the directory at offset (from base): its count, and the offset just past
// its entries, where the link to the next directory is. False when the directory and that
// link do not lie inside the data.
bool OpenTiffDirectory(const TiffData& tiff, uint32_t directory, uint32_t* count, uint64_t* end);

// Entry i of the directory at offset; false when it cannot be read.
bool ReadTiffEntry(const TiffData& tiff, uint32_t directory, uint32_t i, TiffEntry* entry);

enum class TiffLookup { kFound, kAbsent, kDamaged };
// The directory's entry for tag.
TiffLookup FindTiffEntry(const TiffData& tiff, uint32_t directory, uint16_t tag, TiffEntry* entry);

// Bytes one value of the type takes; 0 for a type TIFF does not define.
size_t TiffTypeSize(uint16_t type);

// A SHORT or LONG kept in the entry itself (count 1).
inline uint32_t TiffEntryNumber(const TiffData& tiff, const TiffEntry& entry) {
    return entry.type == kTiffShort ? tiff.order.U16(entry.value) : tiff.order.U32(entry.value);
}

// Where the entry's values lie, as an offset from base and a length: in the entry itself
// when they fit in 4 bytes (at), else at the offset it holds. False for an unknown type,
// or values that do not lie inside the data.
bool TiffEntryValues(const TiffData& tiff, const TiffEntry& entry, uint64_t at, uint64_t* offset,
                     uint64_t* length);

// The offset (from base) of entry i of a directory.
inline uint64_t TiffEntryOffset(uint32_t directory, uint32_t i) {
    return directory + 2ull + 12ull * i;
}
