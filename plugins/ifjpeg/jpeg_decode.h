// The JPEG decoder of the ifjpeg plug-in, over libjpeg-turbo: portable (no Windows header),
// so the same code runs in the plug-in and in the native fuzz target.
//
// It reads 8-bit baseline, extended and progressive JPEGs (Huffman or arithmetic coded) in
// grey, YCbCr, RGB, CMYK and YCCK, at 1/1, 1/2, 1/4 or 1/8 of their size with the accurate
// integer IDCT, and delivers blue-green-red pixels. Anything libjpeg-turbo calls corrupt,
// a premature end included, is refused: never a grey-filled partial picture.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>
#include <cstdint>

// True when the bytes start with a JPEG's start-of-image marker and the next marker.
bool IsJpegHead(const unsigned char* head, size_t size);

// The size of the picture at 1/denominator (1, 2, 4 or 8; kBadRequest otherwise), read from
// its header alone.
DecodeStatus ReadJpegSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height);

// Decodes the whole picture at 1/denominator into the target, handing its rows over as
// they come when the target asks (a band of at least 8 rows). On failure the rows hold
// nothing anyone may use.
DecodeStatus DecodeJpeg(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target);
