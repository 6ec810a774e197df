// The PNG writer of the ifpng plug-in, over libspng: portable (no Windows header). 8-bit
// RGB with a pHYs of 96 dpi, as GDI+ writes a Canvas, and no other chunk: nothing of the
// source's metadata goes into it.
//
// It is the writer a script asks for with SetPngCompression; GDI+ writes PNG otherwise.
// Level 1 filters every row with "up" and codes it with zlib's run-length strategy, several
// times faster than GDI+'s encoder, and on photos smaller too (zlib spends its time looking
// for matches that noise never has). Levels 2 to 9 choose each row's filter from all five
// and deflate at that zlib level: slower, for smaller files.
#pragma once

#include "plugins/shared/picture_encode.h"

EncodeStatus EncodePng(const EncodeSource& source, const EncodeOptions& options,
                       const EncodeSink& sink, const EncodeReason& reason);
