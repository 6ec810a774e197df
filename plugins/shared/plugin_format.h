// What each of our plug-ins supplies to the shared Susie entry points (susie_exports.cpp).
#pragma once

#include "byte_reader.h"
#include "dib_picture.h"

#include <cstddef>

struct PictureGeometry {
    int32_t width = 0;
    int32_t height = 0;
    int bitCount = 0; // of the DIB the plug-in delivers
};

// GetPluginInfo's texts: "00IN", the plug-in's name, then pairs of file patterns and
// format descriptions.
extern const char* const kPluginInfoTexts[];
extern const int kPluginInfoCount;

// True when the head (the file's first bytes, zero-padded) starts a picture of the format.
bool IsFormatHead(const unsigned char* head, size_t size);

// Reads the header of the picture: a Susie result.
int ReadFormatGeometry(ByteReader reader, PictureGeometry* geometry);

// Decodes the whole picture into a new DibPicture: a Susie result. On failure nothing is
// left allocated.
int DecodeFormat(ByteReader reader, DibPicture* picture);
