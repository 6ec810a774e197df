// The JPEG decoder of the ifjpeg plug-in, over libjpeg-turbo: portable (no Windows header),
// so the same code runs in the plug-in and in the native fuzz target.
//
// It reads 8-bit baseline, extended and progressive JPEGs (Huffman or arithmetic coded) in
// grey, YCbCr, RGB, CMYK and YCCK, at 1/1, 1/2, 1/4 or 1/8 of their size with the accurate
// integer IDCT, and delivers blue-green-red pixels. Anything libjpeg-turbo calls corrupt,
// a premature end included, is refused: never a grey-filled partial picture.
#pragma once

#include <cstddef>
#include <cstdint>

enum class JpegStatus {
    kOk,
    kNotJpeg,     // no start-of-image marker
    kBroken,      // truncated or corrupt data
    kUnsupported, // a JPEG kind we do not read (12-bit, lossless, unusual components)
    kAboveLimit,  // larger than the pixel limit (common/pixel_limit.h)
    kNoMemory,
    kBadRequest, // a denominator or target that does not match the picture
};

enum class JpegPixels {
    kBgr24,  // 3 bytes a pixel, as a 24-bit DIB
    kBgrx32, // 4 bytes a pixel, the fourth 0, as a 32-bit BI_RGB DIB
};

// Where the rows go: the row y rows from the top starts at top + y * stride (a bottom-up
// DIB passes its last row and a negative stride). width and height are what ReadJpegSize
// answered for the same denominator.
struct JpegTarget {
    unsigned char* top = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    JpegPixels format = JpegPixels::kBgrx32;
};

// True when the bytes start with a JPEG's start-of-image marker and the next marker.
bool IsJpegHead(const unsigned char* head, size_t size);

// The size of the picture at 1/denominator (1, 2, 4 or 8; kBadRequest otherwise), read from
// its header alone.
JpegStatus ReadJpegSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                        int32_t* height);

// Decodes the whole picture at 1/denominator into the target. On failure the rows hold
// nothing anyone may use.
JpegStatus DecodeJpeg(const unsigned char* data, size_t size, int denominator,
                      const JpegTarget& target);
