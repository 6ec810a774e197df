// Converting one accepted file: decode, let the script's Main draw, save, add the header.
#pragma once

#include <cstdint>

// Resets the ConversionSettings for an image: output name = the file's name, quality 75,
// no Exif header file.
void ResetConversionSettings(const char* fileName);

// Nonzero when the file was converted and saved (with its header when the script named
// one). A composed path that does not fit 259 bytes fails the image.
int ConvertImage(const char* sourceDirectory, const char* destinationDirectory,
                 const char* scriptDirectory, const char* fileName, int32_t index);
