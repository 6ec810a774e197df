// The HEIF decoder of the ifheif plug-in, over libheif (heif_library.h): HEIC (HEVC, through
// libde265) and AVIF (AV1, through dav1d). Portable (no Windows header), so the same code runs
// in the plug-in and in the native fuzz target.
//
// It reads the primary picture of the file as libheif composes it: grids joined, rotations,
// mirrors and crops applied, 10- and 12-bit pictures reduced to 8 bits, alpha composited
// over black; pixels are delivered blue-green-red. libheif decodes at full scale only.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>
#include <cstdint>

// True when the bytes start with an ISO base media 'ftyp' box naming a HEIF brand (HEIC,
// AVIF or the generic image brands).
bool IsHeifHead(const unsigned char* head, size_t size);

// The size of the primary picture as shown (after its rotations and crops). Any denominator
// but 1 answers kNotAtThisScale once the picture is known to be readable.
DecodeStatus ReadHeifSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height);

// Decodes the primary picture at 1/1 into the target. On failure the rows hold nothing
// anyone may use.
DecodeStatus DecodeHeif(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target);

// The ICC profile of the primary picture (its colr box of type prof or rICC) into profile
// (capacity bytes), its size in *profileSize: 0 when it has none, or only a colour
// description by numbers (nclx), which is not turned into a profile.
DecodeStatus ReadHeifProfile(const unsigned char* data, size_t size, unsigned char* profile,
                             size_t capacity, size_t* profileSize);

// The Exif data of the primary picture (its first Exif item, from the TIFF header on) into
// exif (capacity bytes), its size in *exifSize (0 when it has none). libheif turns the
// picture as its irot and imir boxes say, so the copy's orientation is set to 1.
DecodeStatus ReadHeifExif(const unsigned char* data, size_t size, unsigned char* exif,
                          size_t capacity, size_t* exifSize);
