// The Exif orientation a file declares: how the stored picture must be turned or mirrored to
// stand upright. Read from a JPEG's APP1 segment, a PNG's eXIf chunk or a TIFF's first
// directory. Portable: no Windows header, reads through a callback (declared_size.h).
#pragma once

#include "imaging/declared_size.h"

#include <cstdint>

// What ReadExifOrientation answers for Exif data that is damaged: not whole TIFF, or a
// directory or orientation entry outside it (every offset and count is checked against the
// bytes there are).
constexpr int kDamagedExif = -1;

// 1 to 8 as Exif numbers them; 1 (upright) when the file declares none; kDamagedExif.
int ReadExifOrientation(ReadAtFunction read, void* context);

// The same for a file image in memory.
int ReadExifOrientationInMemory(const unsigned char* bytes, uint64_t size);
