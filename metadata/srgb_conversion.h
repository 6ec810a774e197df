// Pixels described by an embedded ICC profile converted to sRGB with Little CMS, so that a
// wide-gamut photo (Display P3, Adobe RGB) shows its colours in a browser that ignores
// profiles. Portable: no Windows header. One transform is kept, for the last profile seen:
// a camera's photos all carry the same one. Not for concurrent use: the thread that runs
// the script calls it.
#pragma once

#include <cstddef>

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
