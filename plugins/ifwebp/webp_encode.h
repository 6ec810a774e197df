// The WebP encoder of the ifwebp plug-in, over libwebp and its mux: portable (no Windows
// header). Lossy at cwebp's quality scale (its -q) and method 4, or lossless; the Exif and
// ICC profile asked for go into EXIF and ICCP chunks of an extended (VP8X) file.
#pragma once

#include "plugins/shared/picture_encode.h"

EncodeStatus EncodeWebp(const EncodeSource& source, const EncodeOptions& options,
                        const EncodeSink& sink, const EncodeReason& reason);
