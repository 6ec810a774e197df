// What a decoder that reads at 1/1, 1/2, 1/4 and 1/8 (ifjpeg, ifwebp) answers and where it
// writes: portable (no Windows header), shared by the plug-ins and their native fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>

enum class DecodeStatus {
    kOk,
    kNotThisFormat,
    kBroken,         // truncated or corrupt data
    kUnsupported,    // a kind of the format the decoder does not read
    kNotAtThisScale, // this picture decodes at full scale only
    kAboveLimit,     // larger than the pixel limit (common/pixel_limit.h)
    kNoMemory,
    kBadRequest, // a denominator or target that does not match the picture
    kStopped,    // the target's rowsDone asked to stop
};

enum class DecodePixels {
    kBgr24,  // 3 bytes a pixel, as a 24-bit DIB
    kBgrx32, // 4 bytes a pixel, the fourth 0, as a 32-bit BI_RGB DIB
};

// The scales a reduced decode offers: 1/1, 1/2, 1/4 and 1/8.
inline bool IsDenominator(int denominator) {
    return denominator == 1 || denominator == 2 || denominator == 4 || denominator == 8;
}

// Metadata the file embeds (a profile, Exif), handed to the host's buffer (capacity bytes):
// kNoMemory when it does not fit, which leaves the buffer and *blockSize alone.
inline DecodeStatus HandOverBlock(const unsigned char* bytes, size_t size, unsigned char* block,
                                  size_t capacity, size_t* blockSize) {
    if (size > capacity)
        return DecodeStatus::kNoMemory;
    for (size_t i = 0; i < size; ++i)
        block[i] = bytes[i];
    *blockSize = size;
    return DecodeStatus::kOk;
}

// Where the rows go: the row y rows from the top starts at top + y * stride (a bottom-up DIB
// passes its last row and a negative stride). width and height are what the decoder's size
// function answered for the same denominator.
struct DecodeTarget {
    unsigned char* top = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    DecodePixels format = DecodePixels::kBgrx32;
    // Rows handed over as they come (a decoder with ScaledDecoder::deliversRows): with
    // rowsDone set, top holds `band` rows only, row y at top + (y % band) * stride, and
    // rowsDone(context, first, count) is called as rows [first, first + count) are
    // complete, in order; false from it stops the decode with kStopped.
    int32_t band = 0;
    bool (*rowsDone)(void* context, int32_t first, int32_t count) = nullptr;
    void* context = nullptr;

    unsigned char* Row(int32_t y) const {
        return top + static_cast<ptrdiff_t>(rowsDone != nullptr ? y % band : y) * stride;
    }
};
