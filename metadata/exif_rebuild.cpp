#include "metadata/exif_rebuild.h"

#include "metadata/exif_orientation.h"
#include "metadata/tiff_directory.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

constexpr uint16_t kExifPointer = 0x8769;
constexpr uint16_t kGpsPointer = 0x8825;
constexpr uint16_t kInteropPointer = 0xA005;

// Left out of every output: blocks with offsets of their own or that may hold a location,
// and pointers into the source's picture data or thumbnail.
constexpr uint16_t kNeverKept[] = {
    0x927C, // MakerNote
    0x02BC, // XMP
    0x83BB, // IPTC
    0x8649, // Photoshop
    0x014A, // SubIFDs
    0x0111, // StripOffsets
    0x0117, // StripByteCounts
    0x0144, // TileOffsets
    0x0145, // TileByteCounts
    0x0201, // JPEGInterchangeFormat (a thumbnail)
    0x0202, // JPEGInterchangeFormatLength
};

// What identifies the owner or the camera: kept only with kWithLocation.
constexpr uint16_t kIdentifying[] = {
    0xA430, // CameraOwnerName
    0xA431, // BodySerialNumber
    0xA435, // LensSerialNumber
    0xC62F, // CameraSerialNumber (DNG)
};

template <size_t N> bool Listed(const uint16_t (&list)[N], uint16_t tag) {
    for (uint16_t t : list)
        if (t == tag)
            return true;
    return false;
}

enum Directory { kFirst, kExif, kInterop, kGps, kDirectories };

struct Kept {
    TiffEntry entry;
    uint64_t valueOffset = 0; // in the source
    uint64_t valueLength = 0;
    int points = -1; // the directory this entry points to, for the pointers
};

constexpr uint32_t kMostEntries = 1024; // Exif of any camera has a few hundred at most

struct Layout {
    Kept entries[kDirectories][kMostEntries];
    uint32_t count[kDirectories] = {};
    bool present[kDirectories] = {};
};

// The entries of the source directory at offset that the output keeps; false when the
// directory cannot be read.
bool Collect(const TiffData& tiff, uint32_t directory, Directory which, ExifKeep keep, bool upright,
             Layout* layout, uint32_t pointers[kDirectories]) {
    uint32_t count = 0;
    uint64_t end = 0;
    if (!OpenTiffDirectory(tiff, directory, &count, &end))
        return false;
    layout->present[which] = true;
    for (uint32_t i = 0; i < count && layout->count[which] < kMostEntries; ++i) {
        Kept kept;
        if (!ReadTiffEntry(tiff, directory, i, &kept.entry))
            return false;
        const uint16_t tag = kept.entry.tag;
        if (Listed(kNeverKept, tag) ||
            (keep != ExifKeep::kWithLocation && Listed(kIdentifying, tag)))
            continue;
        const bool isPointer = (which == kFirst && (tag == kExifPointer || tag == kGpsPointer)) ||
                               (which == kExif && tag == kInteropPointer);
        if (isPointer) {
            if (tag == kGpsPointer && keep != ExifKeep::kWithLocation)
                continue;
            if ((kept.entry.type != kTiffLong && kept.entry.type != 13) || kept.entry.count != 1)
                continue;
            kept.points = tag == kExifPointer ? kExif : tag == kGpsPointer ? kGps : kInterop;
            pointers[kept.points] = tiff.order.U32(kept.entry.value);
        } else if (!TiffEntryValues(tiff, kept.entry, TiffEntryOffset(directory, i),
                                    &kept.valueOffset, &kept.valueLength)) {
            continue; // an unknown type, or values outside the data
        }
        if (upright && which == kFirst && tag == kOrientationTag && kept.entry.type == kTiffShort &&
            kept.entry.count == 1)
            tiff.order.Put16(kept.entry.value, 1);
        layout->entries[which][layout->count[which]++] = kept;
    }
    return true;
}

uint64_t DirectoryBytes(const Layout& layout, int which) {
    uint64_t bytes = 2 + 12ull * layout.count[which] + 4;
    for (uint32_t i = 0; i < layout.count[which]; ++i) {
        const Kept& kept = layout.entries[which][i];
        if (kept.points < 0 && kept.valueLength > 4)
            bytes += kept.valueLength + (kept.valueLength & 1); // values start on even offsets
    }
    return bytes;
}

} // namespace

bool RebuildExif(const unsigned char* source, size_t size, ExifKeep keep, bool upright,
                 MetadataBlock* out) {
    const MemoryFile memory{source, size};
    TiffData tiff;
    uint32_t first = 0;
    if (!OpenTiffData(MemoryReader(&memory), 0, size, &tiff) || !FirstTiffDirectory(tiff, &first))
        return false;
    // About 160 KiB: not on the stack.
    const std::unique_ptr<Layout> layout(new (std::nothrow) Layout);
    if (layout == nullptr)
        return false;
    uint32_t pointers[kDirectories] = {};
    if (!Collect(tiff, first, kFirst, keep, upright, layout.get(), pointers))
        return false;
    // A sub-directory that cannot be read is left out with its pointer.
    for (int which : {kExif, kGps}) {
        if (pointers[which] != 0 && !Collect(tiff, pointers[which], static_cast<Directory>(which),
                                             keep, false, layout.get(), pointers))
            layout->present[which] = false;
    }
    if (layout->present[kExif] && pointers[kInterop] != 0 &&
        !Collect(tiff, pointers[kInterop], kInterop, keep, false, layout.get(), pointers))
        layout->present[kInterop] = false;

    uint64_t offsets[kDirectories] = {};
    uint64_t total = 8;
    for (int which = 0; which < kDirectories; ++which) {
        if (!layout->present[which])
            continue;
        offsets[which] = total;
        total += DirectoryBytes(*layout, which);
    }
    // Values the source's entries share would be written once for each: Exif of a camera
    // never grows so, hostile data does.
    if (total > 2ull * size + 64 || !out->Allocate(static_cast<size_t>(total)))
        return false;
    unsigned char* to = out->bytes.get();
    const ByteOrder order = tiff.order;
    to[0] = to[1] = order.little ? 'I' : 'M';
    order.Put16(to + 2, 42);
    order.Put32(to + 4, 8);
    for (int which = 0; which < kDirectories; ++which) {
        if (!layout->present[which])
            continue;
        uint64_t at = offsets[which];
        uint32_t written = 0;
        uint64_t values = at + 2 + 12ull * layout->count[which] + 4;
        unsigned char* directory = to + at;
        for (uint32_t i = 0; i < layout->count[which]; ++i) {
            const Kept& kept = layout->entries[which][i];
            if (kept.points >= 0 && !layout->present[kept.points])
                continue; // its directory was left out
            unsigned char* entry = directory + 2 + 12 * written++;
            order.Put16(entry, kept.entry.tag);
            order.Put16(entry + 2, kept.entry.type);
            order.Put32(entry + 4, kept.entry.count);
            for (int k = 0; k < 4; ++k)
                entry[8 + k] = kept.entry.value[k];
            if (kept.points >= 0) {
                order.Put32(entry + 8, static_cast<uint32_t>(offsets[kept.points]));
            } else if (kept.valueLength > 4) {
                for (uint64_t k = 0; k < kept.valueLength; ++k)
                    to[values + k] = source[kept.valueOffset + k];
                order.Put32(entry + 8, static_cast<uint32_t>(values));
                values += kept.valueLength;
                if (kept.valueLength & 1)
                    to[values++] = 0;
            }
        }
        order.Put16(directory, written);
        // Entries left out shorten the directory: the next-directory link follows the last
        // one written, and the room after it stays zero.
        const uint64_t link = at + 2 + 12ull * written;
        for (uint64_t k = link; k < at + 2 + 12ull * layout->count[which] + 4; ++k)
            to[k] = 0;
    }
    return true;
}
