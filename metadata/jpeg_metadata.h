// The metadata segments a JPEG output carries: its Exif (APP1) and its ICC profile (APP2
// "ICC_PROFILE" parts), made from Exif TIFF data and a whole profile. Portable: no
// Windows header.
#pragma once

#include "metadata/metadata_block.h"

#include <cstddef>

// The bytes the segments of a profile of size bytes take.
constexpr size_t IccSegmentBytes(size_t size) {
    return size + 16 * (2 + 2 + 14);
}

// The segments, in the order they follow the start of image, written into segments: the
// Exif's when there is Exif data (exifSize > 0), then the profile's. A profile that is not
// RGB, which does not describe an RGB output, or that needs more than 16 parts is left out
// without a reason; Exif larger than a segment holds is left out with *exifDropped said.
// False when there is no memory for them.
bool MakeJpegMetadataSegments(const unsigned char* exif, size_t exifSize,
                              const unsigned char* profile, size_t profileSize,
                              MetadataBlock* segments, const char** exifDropped);
