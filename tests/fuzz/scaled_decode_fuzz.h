// The fuzz driver shared by the decoders that read at 1/1 to 1/8 (plugins/shared/
// scaled_decode.h): every input runs the size, then the decode, and checks that a picture
// above the fuzz pixel limit is refused unwritten; then the profile and Exif reads, where the
// decoder has them.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <cstdlib>
#include <initializer_list>
#include <vector>

// Kept small so a declared size costs little memory: larger pictures take the refusal path.
inline constexpr const char* kFuzzPixelLimit = "1048576";
inline constexpr uint64_t kFuzzPixels = 1048576;
inline constexpr int kFuzzDenominators[] = {1, 2, 4, 8};

using ReadSizeFunction = DecodeStatus (*)(const unsigned char*, size_t, int, int32_t*, int32_t*);
using DecodeFunction = DecodeStatus (*)(const unsigned char*, size_t, int, const DecodeTarget&);
using ReadProfileFunction = DecodeStatus (*)(const unsigned char*, size_t, unsigned char*, size_t,
                                             size_t*);

// Any bytes for one decoder: the size from the header, then the decode at the scale, into
// the pixel format and in the row order the first byte picks.
inline int FuzzScaledDecoder(const uint8_t* data, size_t size, ReadSizeFunction readSize,
                             DecodeFunction decode, ReadProfileFunction readProfile = nullptr,
                             ReadProfileFunction readExif = nullptr) {
    if (size < 1)
        return 0;
    const int denominator = kFuzzDenominators[data[0] & 3];
    const DecodePixels format = (data[0] & 4) != 0 ? DecodePixels::kBgr24 : DecodePixels::kBgrx32;
    const bool bottomUp = (data[0] & 8) != 0;
    ++data;
    --size;

    int32_t width = 0;
    int32_t height = 0;
    if (readSize(data, size, denominator, &width, &height) != DecodeStatus::kOk)
        width = height = 1;
    if (width <= 0 || height <= 0)
        __builtin_trap(); // a size that succeeds is never empty
    DecodeTarget target;
    target.format = format;
    target.width = width;
    target.height = height;
    const size_t rowBytes = static_cast<size_t>(width) * (format == DecodePixels::kBgr24 ? 3 : 4);
    const bool fits = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kFuzzPixels;
    // A picture above the fuzz limit gets room for one row: it must be refused unwritten.
    std::vector<unsigned char> rows(rowBytes * (fits ? static_cast<size_t>(height) : 1));
    target.stride = static_cast<ptrdiff_t>(rowBytes);
    target.top = rows.data();
    if (bottomUp && fits) {
        target.top = rows.data() + rowBytes * static_cast<size_t>(height - 1);
        target.stride = -target.stride;
    }
    const DecodeStatus status = decode(data, size, denominator, target);
    if (!fits && status == DecodeStatus::kOk)
        __builtin_trap();
    // A small buffer, so that the refusal of a larger block runs too.
    for (ReadProfileFunction read : {readProfile, readExif}) {
        unsigned char block[4096];
        size_t blockSize = 0;
        if (read != nullptr &&
            read(data, size, block, sizeof block, &blockSize) == DecodeStatus::kOk &&
            blockSize > sizeof block)
            __builtin_trap();
    }
    return 0;
}

// For LLVMFuzzerInitialize.
inline void LimitFuzzPixels() {
    setenv("TESSAVEL_MAX_PIXELS", kFuzzPixelLimit, 1);
}
