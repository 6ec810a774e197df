// The WebP decoder of the ifwebp plug-in, over libwebp: portable (no Windows header), so the
// same code runs in the plug-in and in the native fuzz target.
//
// It reads lossy and lossless WebP, with or without alpha, and the first frame of an
// animation as the animation shows it (on its canvas, over transparency). Alpha is composited
// over black; pixels are delivered blue-green-red. A still picture decodes at 1/1, 1/2, 1/4
// or 1/8 through libwebp's own scaler; an animation at 1/1 only.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>
#include <cstdint>

// True when the bytes start with a RIFF header of form WEBP.
bool IsWebpHead(const unsigned char* head, size_t size);

// The size of the picture at 1/denominator, read from its header alone.
DecodeStatus ReadWebpSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height);

// Decodes the picture at 1/denominator into the target. On failure the rows hold nothing
// anyone may use.
DecodeStatus DecodeWebp(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target);

// The ICC profile of the file's ICCP chunk into profile (capacity bytes), its size in
// *profileSize (0 when there is none).
DecodeStatus ReadWebpProfile(const unsigned char* data, size_t size, unsigned char* profile,
                             size_t capacity, size_t* profileSize);

// The Exif data of the file's EXIF chunk (from the TIFF header on) into exif (capacity
// bytes), its size in *exifSize (0 when there is none).
DecodeStatus ReadWebpExif(const unsigned char* data, size_t size, unsigned char* exif,
                          size_t capacity, size_t* exifSize);
