// The Exif orientation a file declares: how the stored picture must be turned or mirrored to
// stand upright. Read from a JPEG's APP1 segment, a PNG's eXIf chunk or a TIFF's first
// directory. Portable: no Windows header, reads through a callback (declared_size.h).
#pragma once

#include "imaging/declared_size.h"

#include <cstdint>

// 1 to 8 as Exif numbers them; 1 (upright) when the file declares none, or when its Exif is
// damaged in any way (every offset and count is checked against the bytes there are).
int ReadExifOrientation(ReadAtFunction read, void* context);

// The same for a file image in memory.
int ReadExifOrientationInMemory(const unsigned char* bytes, uint64_t size);
