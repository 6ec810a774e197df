// The fuzz driver shared by the decoders that read at 1/1 to 1/8 (plugins/shared/
// scaled_decode.h): every input runs the size, then the decode, and checks that a picture
// above the fuzz pixel limit is refused unwritten; then the profile and Exif reads, where the
// decoder has them.
#pragma once

#include "plugins/shared/scaled_decode.h"

#include <algorithm>
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

// A decode whose rows are handed over through a band of kFuzzBand rows, gathered top-down.
inline constexpr int32_t kFuzzBand = 16;
struct GatheredRows {
    const unsigned char* band;
    size_t rowBytes;
    std::vector<unsigned char> rows;
    int32_t next = 0;
    int32_t stopAt = -1; // the row whose hand-over answers false
};

inline bool GatherRows(void* context, int32_t first, int32_t count) {
    auto* g = static_cast<GatheredRows*>(context);
    if (first != g->next || count <= 0)
        __builtin_trap(); // every row once, in order
    for (int32_t y = first; y < first + count; ++y) {
        const unsigned char* row = g->band + static_cast<size_t>(y % kFuzzBand) * g->rowBytes;
        g->rows.insert(g->rows.end(), row, row + g->rowBytes);
    }
    g->next = first + count;
    return g->stopAt < 0 || g->next <= g->stopAt;
}

// The same decode with its rows handed over through a band: the same rows as the whole
// decode gave (top-down in `whole`), or kStopped when the hand-over asks to stop.
inline void CheckRowsHandedOver(const uint8_t* data, size_t size, DecodeFunction decode,
                                int denominator, DecodeTarget target,
                                const std::vector<unsigned char>& whole, int32_t stopAt) {
    const size_t rowBytes = static_cast<size_t>(target.width) * 4;
    std::vector<unsigned char> band(rowBytes * kFuzzBand);
    GatheredRows gathered{band.data(), rowBytes, {}, 0, stopAt};
    target.top = band.data();
    target.stride = static_cast<ptrdiff_t>(rowBytes);
    target.band = kFuzzBand;
    target.rowsDone = GatherRows;
    target.context = &gathered;
    const DecodeStatus status = decode(data, size, denominator, target);
    if (stopAt >= 0) { // below the height: some hand-over answers false
        if (status != DecodeStatus::kStopped)
            __builtin_trap();
    } else if (status != DecodeStatus::kOk || gathered.rows != whole) {
        __builtin_trap();
    }
}

// Any bytes for one decoder: the size from the header, then the decode at the scale, into
// the pixel format and in the row order the first byte picks; for a decoder that hands rows
// over as they come (deliversRows), that too, stopped part-way when the byte asks.
inline int FuzzScaledDecoder(const uint8_t* data, size_t size, ReadSizeFunction readSize,
                             DecodeFunction decode, ReadProfileFunction readProfile = nullptr,
                             ReadProfileFunction readExif = nullptr, bool deliversRows = false) {
    if (size < 1)
        return 0;
    const int denominator = kFuzzDenominators[data[0] & 3];
    const DecodePixels format = (data[0] & 4) != 0 ? DecodePixels::kBgr24 : DecodePixels::kBgrx32;
    const bool bottomUp = (data[0] & 8) != 0;
    const uint8_t original = data[0];
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
    if (deliversRows && fits && status == DecodeStatus::kOk && format == DecodePixels::kBgrx32) {
        std::vector<unsigned char> whole(rows.size());
        for (int32_t y = 0; y < height; ++y) {
            const unsigned char* row = target.top + static_cast<ptrdiff_t>(y) * target.stride;
            std::copy(row, row + rowBytes, whole.begin() + static_cast<ptrdiff_t>(y * rowBytes));
        }
        CheckRowsHandedOver(data, size, decode, denominator, target, whole,
                            (original & 16) != 0 ? height / 2 : -1);
    }
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
