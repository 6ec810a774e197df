// The inner loops of Resample: one row of pixels filtered across, and rows filtered across
// combined down into pixels. SSE2 where the compiler targets it (both Windows builds), plain
// C++ otherwise, and SSSE3 across where the processor has it; all compute the same integers,
// so the pixels do not depend on which ran.
#pragma once

#include <cstddef>
#include <cstdint>

// Weights are fixed point with kWeightBits fraction bits: a weight of one is kOne. Rows
// filtered across keep kFractionBits fraction bits for the filter down, clamped to
// 0..kLargestBetween.
constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr int kFractionBits = 6;
constexpr int32_t kLargestBetween = 255 << kFractionBits;

// One axis's weights: target pixel k takes lengths[k] source pixels from starts[k] on, with
// the weights at weights + k * stride. groupsOfFour: every length is a multiple of four (the
// extra weights zero), and `paired` holds the same weights as the SSE2 filter across takes
// them (PairWeights).
struct AxisWeights {
    int64_t count = 0;
    const int32_t* starts = nullptr;
    const int32_t* lengths = nullptr;
    const int16_t* weights = nullptr;
    int64_t stride = 0;
    bool groupsOfFour = false;
    const int16_t* paired = nullptr;
};

// Values `paired` holds for each weight: each two taps side by side, four times over.
constexpr int64_t kPairedSpread = 4;

// Fills paired (count * stride * kPairedSpread values) from the weights of an axis whose
// lengths are multiples of four.
void PairWeights(const AxisWeights& across, int16_t* paired);

// Filters one row of 32-bit pixels across into across.count pixels of four 16-bit values.
void FilterRowAcross(const uint8_t* row, const AxisWeights& across, int16_t* out);

// Combines taps rows filtered across (values 16-bit values each) with one weight each into
// values bytes of pixels, rounded and clamped to 0..255.
void FilterRowsDown(const int16_t* const* rows, const int16_t* weights, int32_t taps,
                    int64_t values, uint8_t* out);

// sums[c] = the sum of row[k * stride + c] over rows k = 0 .. rows - 1, for the values bytes
// c of each row: a block average's rows.
void SumRows(const uint8_t* row, std::ptrdiff_t stride, int64_t rows, int64_t values,
             uint32_t* sums);

// Which loops run: the plain C++ ones, SSE2 alone, or the best the processor has (always,
// but for a test that compares them).
enum class RowLoops { Plain, Sse2, Best };

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: the loops every later call runs (the resample fuzzer compares them).
void UseRowLoops(RowLoops loops);
#endif
