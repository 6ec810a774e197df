// The WebP decoder of the ifwebp plug-in, over libwebp: portable (no Windows header), so the
// same code runs in the plug-in and in the native fuzz target.
//
// It reads lossy and lossless WebP, with or without alpha, and the first frame of an
// animation as the animation shows it (on its canvas, over transparency). Alpha is composited
// over black; pixels are delivered blue-green-red. A still picture decodes at 1/1, 1/2, 1/4
// or 1/8 through libwebp's own scaler; an animation at 1/1 only.
#pragma once

#include <cstddef>
#include <cstdint>

enum class WebpStatus {
    kOk,
    kNotWebp,
    kBroken,
    kUnsupported, // a scale an animation cannot be decoded at
    kAboveLimit,  // larger than the pixel limit (common/pixel_limit.h)
    kNoMemory,
    kBadRequest, // a denominator or target that does not match the picture
};

enum class WebpPixels {
    kBgr24,  // 3 bytes a pixel, as a 24-bit DIB
    kBgrx32, // 4 bytes a pixel, the fourth 0, as a 32-bit BI_RGB DIB
};

// Where the rows go: the row y rows from the top starts at top + y * stride (a bottom-up DIB
// passes its last row and a negative stride). width and height are what ReadWebpSize
// answered for the same denominator.
struct WebpTarget {
    unsigned char* top = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    WebpPixels format = WebpPixels::kBgrx32;
};

// True when the bytes start with a RIFF header of form WEBP.
bool IsWebpHead(const unsigned char* head, size_t size);

// The size of the picture at 1/denominator, read from its header alone.
WebpStatus ReadWebpSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                        int32_t* height);

// Decodes the picture at 1/denominator into the target. On failure the rows hold nothing
// anyone may use.
WebpStatus DecodeWebp(const unsigned char* data, size_t size, int denominator,
                      const WebpTarget& target);
