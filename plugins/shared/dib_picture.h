// The picture a plug-in hands to its host: a BITMAPINFO (header and colour table) and the
// pixel rows (padded to 4 bytes, bottom-up), each in its own LocalAlloc block.
#pragma once

#include <windows.h>

#include <cstdint>

struct DibPicture {
    HLOCAL infoBlock = nullptr;
    HLOCAL pixelBlock = nullptr;
    BITMAPINFO* info = nullptr; // locked while the picture is built
    unsigned char* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t stride = 0; // bytes per row
};

// Largest picture a plug-in builds: the pixel block's length must fit a 32-bit signed number.
constexpr uint64_t kLargestPixelBlock = 0x7FFFFFFF;

// Bytes per row of a DIB, or 0 when the rows of that picture would be too large.
uint64_t DibRowBytes(int32_t width, int bitCount);

// Allocates both blocks, zeroed, with a colour table of 2^bitCount entries for bit counts up
// to 8. A Susie result: SUSIE_SUCCESS, SUSIE_BROKEN_DATA (a size no DIB can have) or
// SUSIE_NO_MEMORY (also for a picture above the pixel limit, common/pixel_limit.h).
int CreateDibPicture(DibPicture* picture, int32_t width, int32_t height, int bitCount);

// The row that is y rows from the top of the picture.
inline unsigned char* DibRowFromTop(const DibPicture& picture, int32_t y) {
    return picture.bits + static_cast<size_t>(picture.height - 1 - y) * picture.stride;
}

inline void SetPaletteEntry(DibPicture* picture, int index, uint8_t red, uint8_t green,
                            uint8_t blue) {
    RGBQUAD& entry = picture->info->bmiColors[index];
    entry.rgbRed = red;
    entry.rgbGreen = green;
    entry.rgbBlue = blue;
    entry.rgbReserved = 0;
}

// Unlocks both blocks and gives their handles to the host.
void HandOverDibPicture(DibPicture* picture, HLOCAL* infoOut, HLOCAL* pixelsOut);

// Frees whatever the picture holds.
void DiscardDibPicture(DibPicture* picture);

// A sample of 0..maxValue as 0..255, rounded to nearest.
inline uint8_t ScaleSample(uint32_t value, uint32_t maxValue) {
    if (value >= maxValue)
        return 255;
    return static_cast<uint8_t>((value * 255u + maxValue / 2) / maxValue);
}
