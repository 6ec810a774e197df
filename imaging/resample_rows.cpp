#include "imaging/resample_rows.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace {

#if defined(TESSAVEL_TEST_SEAMS)
RowLoops g_loops = RowLoops::Best;
#else
constexpr RowLoops g_loops = RowLoops::Best;
#endif

constexpr int kAcrossShift = kWeightBits - kFractionBits;
constexpr int kDownShift = kWeightBits + kFractionBits;

// The reference arithmetic: what the SSE2 loops compute too, value for value.
void AcrossPlain(const uint8_t* row, const AxisWeights& across, int64_t from, int16_t* out) {
    for (int64_t k = from; k < across.count; ++k) {
        const int16_t* w = across.weights + k * across.stride;
        const uint8_t* p = row + static_cast<int64_t>(across.starts[k]) * 4;
        int32_t sum[4] = {0, 0, 0, 0};
        for (int32_t t = 0; t < across.lengths[k]; ++t, p += 4) {
            for (int channel = 0; channel < 4; ++channel)
                sum[channel] += w[t] * p[channel];
        }
        for (int channel = 0; channel < 4; ++channel)
            out[k * 4 + channel] = static_cast<int16_t>(std::clamp(
                (sum[channel] + (1 << (kAcrossShift - 1))) >> kAcrossShift, 0, kLargestBetween));
    }
}

void DownPlain(const int16_t* const* rows, const int16_t* weights, int32_t taps, int64_t from,
               int64_t values, uint8_t* out) {
    for (int64_t c = from; c < values; ++c) {
        int32_t total = 0;
        for (int32_t t = 0; t < taps; ++t)
            total += weights[t] * rows[t][c];
        out[c] = static_cast<uint8_t>(
            std::clamp((total + (1 << (kDownShift - 1))) >> kDownShift, 0, 255));
    }
}

void SumPlain(const uint8_t* row, std::ptrdiff_t stride, int64_t rows, int64_t from, int64_t values,
              uint32_t* sums) {
    std::fill(sums + from, sums + values, 0u);
    for (int64_t k = 0; k < rows; ++k, row += stride) {
        for (int64_t c = from; c < values; ++c)
            sums[c] += row[c];
    }
}

#if defined(__SSE2__)

__m128i Load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// Two 16-bit weights in both halves of every 32-bit lane, for _mm_madd_epi16.
__m128i PairOfWeights(int16_t first, int16_t second) {
    const uint32_t pair = static_cast<uint16_t>(first) | uint32_t{static_cast<uint16_t>(second)}
                                                             << 16;
    return _mm_set1_epi32(static_cast<int32_t>(pair));
}

// Four pixels (16 bytes) as two vectors of 16-bit values for _mm_madd_epi16: pixels 0 and 1
// channel by channel (b0 b1 g0 g1 r0 r1 x0 x1), then pixels 2 and 3.
struct PixelPairs {
    __m128i first;
    __m128i second;
};

struct PairInSse2 {
    static PixelPairs Pair(__m128i pixels) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i next = _mm_srli_si128(pixels, 4);
        const __m128i paired =
            _mm_unpacklo_epi64(_mm_unpacklo_epi8(pixels, next), _mm_unpackhi_epi8(pixels, next));
        return {_mm_unpacklo_epi8(paired, zero), _mm_unpackhi_epi8(paired, zero)};
    }
};

// One byte shuffle for each half instead of seven SSE2 steps, which all queue for the
// processor's shuffle unit.
struct PairInSsse3 {
    __attribute__((target("ssse3"))) static PixelPairs Pair(__m128i pixels) {
        const __m128i first = _mm_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
        const __m128i second =
            _mm_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
        return {_mm_shuffle_epi8(pixels, first), _mm_shuffle_epi8(pixels, second)};
    }
};

// The four channels' sums of one target pixel, four taps at a time.
template <class Pairing>
[[gnu::always_inline]] inline __m128i SumAcross(const uint8_t* p, const int16_t* paired,
                                                int32_t length) {
    __m128i sum = _mm_setzero_si128();
    for (int32_t t = 0; t < length; t += 4, p += 16, paired += 4 * kPairedSpread) {
        const PixelPairs pixels = Pairing::Pair(Load(p));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pixels.first, Load(paired)));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pixels.second, Load(paired + 2 * kPairedSpread)));
    }
    return sum;
}

// Two target pixels' sums as eight values, rounded, shifted and clamped.
inline __m128i AcrossValues(__m128i first, __m128i second) {
    const __m128i half = _mm_set1_epi32(1 << (kAcrossShift - 1));
    const __m128i packed =
        _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(first, half), kAcrossShift),
                        _mm_srai_epi32(_mm_add_epi32(second, half), kAcrossShift));
    return _mm_min_epi16(_mm_max_epi16(packed, _mm_setzero_si128()),
                         _mm_set1_epi16(static_cast<int16_t>(kLargestBetween)));
}

template <class Pairing>
[[gnu::always_inline]] inline void AcrossInGroups(const uint8_t* row, const AxisWeights& across,
                                                  int16_t* out) {
    const int64_t step = across.stride * kPairedSpread;
    int64_t k = 0;
    for (; k + 2 <= across.count; k += 2) {
        const __m128i first = SumAcross<Pairing>(row + static_cast<int64_t>(across.starts[k]) * 4,
                                                 across.paired + k * step, across.lengths[k]);
        const __m128i second =
            SumAcross<Pairing>(row + static_cast<int64_t>(across.starts[k + 1]) * 4,
                               across.paired + (k + 1) * step, across.lengths[k + 1]);
        _mm_storeu_si128(static_cast<__m128i*>(static_cast<void*>(out + k * 4)),
                         AcrossValues(first, second));
    }
    if (k < across.count) {
        const __m128i last = SumAcross<Pairing>(row + static_cast<int64_t>(across.starts[k]) * 4,
                                                across.paired + k * step, across.lengths[k]);
        _mm_storel_epi64(static_cast<__m128i*>(static_cast<void*>(out + k * 4)),
                         AcrossValues(last, last));
    }
}

void AcrossSse2(const uint8_t* row, const AxisWeights& across, int16_t* out) {
    AcrossInGroups<PairInSse2>(row, across, out);
}

__attribute__((target("ssse3"))) void AcrossSsse3(const uint8_t* row, const AxisWeights& across,
                                                  int16_t* out) {
    AcrossInGroups<PairInSsse3>(row, across, out);
}

bool HasSsse3() {
    static const bool has = [] {
        __builtin_cpu_init(); // harmless when libgcc's constructor has run already
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}

void Across(const uint8_t* row, const AxisWeights& across, int16_t* out) {
    if (!across.groupsOfFour || across.paired == nullptr)
        AcrossPlain(row, across, 0, out);
    else if (g_loops == RowLoops::Best && HasSsse3())
        AcrossSsse3(row, across, out);
    else
        AcrossSse2(row, across, out);
}

// Sixteen or eight values down, two rows at a time; `wide` picks sixteen.
template <bool wide>
void DownBlock(const int16_t* const* rows, const __m128i* pairs, int32_t taps, int64_t c,
               uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sums[4] = {zero, zero, zero, zero};
    int32_t t = 0;
    for (; t < taps; t += 2) {
        const int16_t* first = rows[t] + c;
        const int16_t* second = t + 1 < taps ? rows[t + 1] + c : nullptr;
        const __m128i weights = pairs[t / 2];
        for (int half = 0; half < (wide ? 2 : 1); ++half) {
            const __m128i a = Load(first + half * 8);
            const __m128i b = second != nullptr ? Load(second + half * 8) : zero;
            sums[half * 2] =
                _mm_add_epi32(sums[half * 2], _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights));
            sums[half * 2 + 1] = _mm_add_epi32(sums[half * 2 + 1],
                                               _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weights));
        }
    }
    const __m128i round = _mm_set1_epi32(1 << (kDownShift - 1));
    for (int k = 0; k < 4; ++k)
        sums[k] = _mm_srai_epi32(_mm_add_epi32(sums[k], round), kDownShift);
    const __m128i low = _mm_packs_epi32(sums[0], sums[1]);
    if (wide) {
        _mm_storeu_si128(static_cast<__m128i*>(static_cast<void*>(out + c)),
                         _mm_packus_epi16(low, _mm_packs_epi32(sums[2], sums[3])));
    } else {
        _mm_storel_epi64(static_cast<__m128i*>(static_cast<void*>(out + c)),
                         _mm_packus_epi16(low, low));
    }
}

// The weights paired for _mm_madd_epi16, an odd last one with zero; at most this many taps
// are combined at once (more take another pass over the sums, below).
constexpr int32_t kMostTapsAtOnce = 64;

void Down(const int16_t* const* rows, const int16_t* weights, int32_t taps, int64_t values,
          uint8_t* out) {
    if (taps > kMostTapsAtOnce) {
        DownPlain(rows, weights, taps, 0, values, out);
        return;
    }
    __m128i pairs[kMostTapsAtOnce / 2];
    for (int32_t t = 0; t < taps; t += 2)
        pairs[t / 2] = PairOfWeights(weights[t], t + 1 < taps ? weights[t + 1] : int16_t{0});
    int64_t c = 0;
    for (; c + 16 <= values; c += 16)
        DownBlock<true>(rows, pairs, taps, c, out);
    for (; c + 8 <= values; c += 8)
        DownBlock<false>(rows, pairs, taps, c, out);
    DownPlain(rows, weights, taps, c, values, out);
}

// Up to this many rows of bytes sum in 16 bits.
constexpr int64_t kMostRowsInSixteenBits = 65535 / 255;

void Sum(const uint8_t* row, std::ptrdiff_t stride, int64_t rows, int64_t values, uint32_t* sums) {
    if (rows > kMostRowsInSixteenBits) {
        SumPlain(row, stride, rows, 0, values, sums);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    int64_t c = 0;
    for (; c + 16 <= values; c += 16) {
        __m128i low = zero;
        __m128i high = zero;
        const uint8_t* p = row + c;
        for (int64_t k = 0; k < rows; ++k, p += stride) {
            const __m128i bytes = Load(p);
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
        }
        __m128i* out = static_cast<__m128i*>(static_cast<void*>(sums + c));
        _mm_storeu_si128(out, _mm_unpacklo_epi16(low, zero));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(low, zero));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(high, zero));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(high, zero));
    }
    SumPlain(row, stride, rows, c, values, sums);
}

#else

void Sum(const uint8_t* row, std::ptrdiff_t stride, int64_t rows, int64_t values, uint32_t* sums) {
    SumPlain(row, stride, rows, 0, values, sums);
}

void Across(const uint8_t* row, const AxisWeights& across, int16_t* out) {
    AcrossPlain(row, across, 0, out);
}

void Down(const int16_t* const* rows, const int16_t* weights, int32_t taps, int64_t values,
          uint8_t* out) {
    DownPlain(rows, weights, taps, 0, values, out);
}

#endif

} // namespace

void FilterRowAcross(const uint8_t* row, const AxisWeights& across, int16_t* out) {
    if (g_loops == RowLoops::Plain)
        AcrossPlain(row, across, 0, out);
    else
        Across(row, across, out);
}

void FilterRowsDown(const int16_t* const* rows, const int16_t* weights, int32_t taps,
                    int64_t values, uint8_t* out) {
    if (g_loops == RowLoops::Plain)
        DownPlain(rows, weights, taps, 0, values, out);
    else
        Down(rows, weights, taps, values, out);
}

void SumRows(const uint8_t* row, std::ptrdiff_t stride, int64_t rows, int64_t values,
             uint32_t* sums) {
    if (g_loops == RowLoops::Plain)
        SumPlain(row, stride, rows, 0, values, sums);
    else
        Sum(row, stride, rows, values, sums);
}

void PairWeights(const AxisWeights& across, int16_t* paired) {
    for (int64_t k = 0; k < across.count; ++k) {
        const int16_t* w = across.weights + k * across.stride;
        int16_t* out = paired + k * across.stride * kPairedSpread;
        for (int32_t t = 0; t + 1 < across.lengths[k]; t += 2) {
            for (int64_t copy = 0; copy < kPairedSpread; ++copy) {
                *out++ = w[t];
                *out++ = w[t + 1];
            }
        }
    }
}

#if defined(TESSAVEL_TEST_SEAMS)
void UseRowLoops(RowLoops loops) {
    g_loops = loops;
}
#endif
