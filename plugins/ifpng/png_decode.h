// The PNG decoder of the ifpng plug-in, over libspng: portable (no Windows header), so the
// same code runs in the plug-in and in the native fuzz target.
//
// It takes only the PNGs whose pixels it gives exactly as GDI+ does, and answers
// kUnsupported for the rest, which the host then hands to GDI+: 16-bit samples (GDI+ goes
// through its linear 48- and 64-bit formats), a gAMA other than 1/2.2 (GDI+ may correct
// it), and partial transparency (GDI+'s blending over black rounds its own way; a palette
// whose tRNS holds values other than 0 and 255 is refused from its header, an alpha
// channel once a pixel of it is found). What it takes is delivered blue-green-red, a
// transparent pixel black, as GDI+ draws it into the host's black section.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>
#include <cstdint>

// True when the head starts with the PNG signature and an IHDR of at most 8 bits a sample
// and a size within the pixel limit.
bool IsPngHead(const unsigned char* head, size_t size);

// The size of the picture (denominator 1 only: kNotAtThisScale for 2, 4 and 8), read from
// the chunks before the first IDAT; kUnsupported for a PNG left to GDI+.
DecodeStatus ReadPngSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                         int32_t* height);

// Decodes the picture into the target. On failure the rows hold nothing anyone may use.
DecodeStatus DecodePng(const unsigned char* data, size_t size, int denominator,
                       const DecodeTarget& target);
