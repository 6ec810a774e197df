// The JPEG XL decoder of the ifjxl plug-in, over libjxl: portable (no Windows header), so the
// same code runs in the plug-in and in the native fuzz target.
//
// It reads bare codestreams and the container, lossy and lossless, 8 to 16 bits (reduced to
// 8 by libjxl), with or without alpha, and the first frame of an animation as it shows.
// The orientation the file names is applied; alpha is composited over black; pixels are
// delivered blue-green-red. libjxl decodes at full scale only.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>
#include <cstdint>

// True when the bytes start a JPEG XL codestream or container.
bool IsJxlHead(const unsigned char* head, size_t size);

// The size of the picture as shown (after its orientation), from its header alone. Any
// denominator but 1 answers kNotAtThisScale once the size is known.
DecodeStatus ReadJxlSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                         int32_t* height);

// Decodes the picture at 1/1 into the target. On failure the rows hold nothing anyone may use.
DecodeStatus DecodeJxl(const unsigned char* data, size_t size, int denominator,
                       const DecodeTarget& target);

// The ICC profile of the decoded pixels (the one the file attaches, or the one libjxl
// writes for the colour space it names) into profile (capacity bytes), its size in
// *profileSize: 0 for pixels in sRGB.
DecodeStatus ReadJxlProfile(const unsigned char* data, size_t size, unsigned char* profile,
                            size_t capacity, size_t* profileSize);
