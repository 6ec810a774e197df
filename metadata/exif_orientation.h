// The Exif orientation: how the stored picture must be turned or mirrored to stand
// upright, as the first directory of its Exif TIFF data (or of a TIFF file) says.
#pragma once

#include "metadata/tiff_directory.h"

#include <cstddef>
#include <cstdint>

// What the readers answer for Exif data that is damaged: not whole TIFF, or a directory or
// orientation entry outside it.
constexpr int kDamagedExif = -1;

constexpr uint16_t kOrientationTag = 0x0112;

// 1 to 8 as Exif numbers them; 1 (upright) when the data declares none; kDamagedExif.
int TiffOrientation(const TiffData& tiff);

// The same for Exif TIFF data in memory (from "II" or "MM" on).
int ExifOrientation(const unsigned char* tiff, size_t size);

// Sets the orientation of Exif TIFF data in memory to 1 (upright), in place, for a picture
// its decoder turns itself; data without one, or damaged, stays as it is.
void SetExifUpright(unsigned char* tiff, size_t size);
