// What the items of a HEIF file claim beyond their ispe, read from the boxes before libheif
// decodes. libheif reports a picture's size from its ispe, but allocates a grid's or an
// overlay's canvas at the size in the item's data, and libde265 and dav1d allocate at the size
// in the stream's parameter sets: a 700-byte file with a 16 x 16 ispe can cost gigabytes.
// Portable, for the plug-in and the native fuzz target.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>

// Every grid, overlay, HEVC and AV1 item of the file (tiles, alpha planes and thumbnails
// too: libheif decodes more than the primary item): kAboveLimit when one claims a picture
// above the pixel limit, kBroken when one claims more than its ispe allows or cannot be read.
DecodeStatus CheckHeifClaims(const unsigned char* data, size_t size);
