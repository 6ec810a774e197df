// Pixels described by an embedded ICC profile converted to sRGB with Little CMS, so that a
// wide-gamut photo (Display P3, Adobe RGB) shows its colours in a browser that ignores
// profiles. Portable: no Windows header. One transform is kept, for the last profile seen:
// a camera's photos all carry the same one. Not for concurrent use: the thread that runs
// the script calls it.
#pragma once

#include "imaging/jpeg_metadata.h"

#include <cstddef>

// The largest profile read: as large as a JPEG can carry, 16 APP2 parts (as many as
// ReadJpegMetadata keeps) of 65519 bytes each after their marker, length and
// "ICC_PROFILE\0" n/N header; about 1 MiB.
constexpr size_t kLargestIccProfile = 16 * (65535 - 2 - 14);

// The JPEG's ICC profile: its parts joined in their sequence order into profile
// (kLargestIccProfile bytes). Its size; 0 when there is none, and also when its parts
// do not add up to one profile (a number missing, twice, or beyond their count), which sets
// *reason.
size_t JoinJpegIccProfile(const JpegMetadata& metadata, unsigned char* profile,
                          const char** reason);

enum class SrgbTransform {
    kReady,     // the pixels need converting: ConvertRowsToSrgb will
    kNotNeeded, // sRGB already, or no RGB profile (grey, CMYK): the pixels stay
    kUnusable,  // Little CMS cannot read the profile or make a transform from it
};

// Makes the transform from profile (size bytes) to sRGB the one ConvertRowsToSrgb applies;
// the same profile as the last call reuses it.
SrgbTransform PrepareSrgbTransform(const unsigned char* profile, size_t size);

// Converts height rows of width 32-bit BGRA pixels, rowBytes apart, in place with the
// transform the last PrepareSrgbTransform made ready (alpha as it was).
void ConvertRowsToSrgb(unsigned char* pixels, int width, int height, size_t rowBytes);
