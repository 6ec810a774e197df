// The JPEG XL encoder of the ifjxl plug-in, over libjxl: portable (no Windows header).
// Lossy at cjxl's quality scale (its -q: quality 100 is lossless, as there) and effort 7,
// or lossless; the ICC profile asked for in the codestream, the Exif in an uncompressed
// Exif box (a brotli "brob" box is what older readers, exiftool 12.57 among them, cannot
// read).
#pragma once

#include "plugins/shared/picture_encode.h"

// cjxl's distance for its quality 0 to 100.
double JxlDistanceOfQuality(int quality);

EncodeStatus EncodeJxl(const EncodeSource& source, const EncodeOptions& options,
                       const EncodeSink& sink, const EncodeReason& reason);
