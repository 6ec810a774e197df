// The Exif an output carries, written anew from the source's: only the directories and
// entries that describe the picture, every offset laid out afresh. Portable: no Windows
// header; every offset of the source is checked against its bytes.
#pragma once

#include "metadata/metadata_block.h"

#include <cstddef>

enum class ExifKeep {
    // What describes the picture: date and time, make, model, lens model, exposure, artist,
    // copyright, the orientation. No GPS directory, no body or lens serial number, no
    // owner name.
    kDescribing,
    // The location and the serial numbers too, as the script asked explicitly.
    kWithLocation,
};

// Rebuilds Exif TIFF data (from "II" or "MM" on) into out: the first directory, its Exif
// directory with its interoperability directory and, with kWithLocation, its GPS
// directory. Always left out: the thumbnail (the second directory), the maker note (whose
// offsets only its maker knows), XMP, IPTC and Photoshop blocks (which may hold a location),
// and entries whose offsets point into the picture itself. With upright, the orientation
// becomes 1, as the output stands. False when the first directory cannot be read.
bool RebuildExif(const unsigned char* tiff, size_t size, ExifKeep keep, bool upright,
                 MetadataBlock* out);
