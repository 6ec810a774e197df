// The metadata of one photo, read once per picture and shared by the orientation, the
// colour conversion and the save: its Exif TIFF data, its ICC profile, the orientation the
// Exif declares, and why any of it cannot be used. Portable: no Windows header.
#pragma once

#include "metadata/file_reader.h"
#include "metadata/metadata_block.h"

#include <cstddef>

// The most Exif data taken: as much as a JPEG's APP1 segment holds.
constexpr size_t kLargestExif = 65536;

// The largest profile taken: as large as a JPEG can carry, 16 APP2 parts of 65519 bytes
// each after their marker, length and "ICC_PROFILE\0" n/N header; about 1 MiB.
constexpr size_t kLargestIccProfile = 16 * (65535 - 2 - 14);

struct PhotoMetadata {
    MetadataBlock exif;       // Exif TIFF data as the file holds it, from "II" or "MM" on
    MetadataBlock profile;    // the ICC profile, whole
    int orientation = 1;      // 1 to 8, from the Exif (or a TIFF file's own first directory)
    bool exifDamaged = false; // the orientation could not be read: taken as 1
    // Why the Exif or the profile is left out, for a reason line; empty when it is not
    // (or there is none).
    const char* exifDropped = "";
    const char* profileDropped = "";
};

// Reads the metadata of a JPEG (its first Exif APP1 segment, its APP2 profile parts
// joined in their numbered order), a PNG (eXIf, iCCP inflated) or a TIFF file (the
// orientation and tag 34675 of its first directory; its Exif is not taken). False, with
// metadata untouched, for any other format.
bool ReadPhotoMetadata(const FileReader& file, PhotoMetadata* metadata);

// Takes Exif TIFF data handed over whole (by a plug-in): checked, its orientation read.
void TakeExif(const unsigned char* tiff, size_t size, PhotoMetadata* metadata);

// The reasons a profile is left out.
extern const char* const kUnreadableProfile; // "its ICC profile cannot be read"
