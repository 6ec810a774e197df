// The one formula for the length of a DIB row: width x bitCount bits, rounded up to whole
// 32-bit words. In 64 bits, so that no width and bit count a header can claim wraps round.
#pragma once

#include <cstdint>

inline constexpr uint64_t DibStride(uint64_t width, uint64_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}
