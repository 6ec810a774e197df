// Rows of 4-byte pixels with alpha last, composited over black into a decode target, as
// GDI+ shows a PNG with alpha; rows of opaque 3-byte pixels copied in. Portable, for the
// plug-ins and their native fuzz targets.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstddef>

// Where red sits among the first three bytes of a pixel, and whether a fourth carries alpha:
// libwebp delivers blue-green-red-alpha, libheif red-green-blue with or without alpha.
enum class ColourOrder { kBgra, kRgba, kRgb };

// One channel over black, rounded to nearest.
inline unsigned char OverBlack(unsigned value, unsigned alpha) {
    return static_cast<unsigned char>((value * alpha + 127) / 255);
}

// premultiplied: the colours carry their alpha already, so they stand as they are.
inline void DeliverOverBlack(const unsigned char* rows, size_t stride, ColourOrder order,
                             bool premultiplied, const DecodeTarget& target) {
    const int red = order == ColourOrder::kBgra ? 2 : 0;
    const bool opaque = order == ColourOrder::kRgb;
    const int inStep = opaque ? 3 : 4;
    const int step = target.format == DecodePixels::kBgr24 ? 3 : 4;
    for (int32_t y = 0; y < target.height; ++y) {
        const unsigned char* in = rows + static_cast<size_t>(y) * stride;
        unsigned char* out = target.top + y * target.stride;
        for (int32_t x = 0; x < target.width; ++x, in += inStep, out += step) {
            if (opaque) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            } else {
                const unsigned alpha = premultiplied ? 255 : in[3];
                out[0] = OverBlack(in[2 - red], alpha);
                out[1] = OverBlack(in[1], alpha);
                out[2] = OverBlack(in[red], alpha);
            }
            if (step == 4)
                out[3] = 0;
        }
    }
}
