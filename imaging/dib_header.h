// The size arithmetic of the DIB sections this program creates, done so that no negative
// or wrapped-around size ever reaches an allocation.
#pragma once

#include <windows.h>

#include <cstdint>

// The pixel data size of a DIB: height rows of ((width × bitCount + 31) / 32) × 4 bytes.
// False, and nothing stored, when width or height is not positive, bitCount is not 16, 24
// or 32 (smaller counts need a colour table that one RGBQUAD cannot hold), or the size does
// not fit a signed 32-bit integer.
// Negative heights (top-down DIBs) are refused: every DIB section of this program is
// bottom-up. GetObject describes a top-down DIB section with a positive height under Wine,
// so a save would write it upside down, and a rectangle of (0, 0, width, height) would be
// empty on it.
bool ComputeImageSize(int32_t width, int32_t height, uint16_t bitCount, int32_t* sizeOut);

// Clears info (all 44 bytes) and fills the header of an uncompressed DIB of the given size,
// biSizeImage included. False, with info cleared, when ComputeImageSize refuses the size.
bool FillDibHeader(BITMAPINFO* info, int32_t width, int32_t height, uint16_t bitCount);
