// The AVIF encoder of the ifheif plug-in, over libheif with libaom: portable (no Windows
// header). Lossy at libheif's quality scale (0 to 100, which libavif shares), 4:2:0, at the
// encoder's default speed; lossless as 4:4:4 with the identity matrix. The ICC profile
// goes into a colr box (beside the nclx one), the Exif into an Exif item.
#pragma once

#include "plugins/shared/picture_encode.h"

EncodeStatus EncodeAvif(const EncodeSource& source, const EncodeOptions& options,
                        const EncodeSink& sink, const EncodeReason& reason);
