#include "imaging/resample.h"

#include "common/allocator.h"
#include "imaging/resample_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

// Our own file rather than a library: of what Debian builds from source, libvips needs GLib,
// libswscale all of FFmpeg (LGPL, a DLL), zimg works on planes only (a deinterleaving copy
// of the picture) and has no block shrink, pixman's separable convolution still costs
// width x height taps per pixel, and stb_image_resize 0.97 has no Lanczos.
namespace {

constexpr double kPi = 3.14159265358979323846;
// A block average sums up to kLargestBlock^2 pixels of 255 in 32 bits.
constexpr int64_t kLargestBlock = 4096;
// Weights beyond a source edge fold onto the edge pixel. Only a source rectangle far larger
// than its picture reaches more than this many pixels past an edge; the folding stops there.
constexpr int64_t kFoldReach = 64;

// sin(pi x) by our own series rather than the C library's sin, whose last bits differ
// between Microsoft's msvcrt and Wine's: the weights, and so the pixels, are the same on both.
double SinPi(double x) {
    const double whole = std::round(x); // exact, as is the difference
    const double a = kPi * (x - whole); // within +-pi/2
    const double a2 = a * a;
    // Taylor's series to a^19 / 19!: off by less than 1e-17 there.
    double series = 1.0;
    for (int n = 19; n >= 3; n -= 2)
        series = 1.0 - a2 / (n * (n - 1)) * series;
    const double sine = a * series;
    return std::fmod(whole, 2.0) == 0.0 ? sine : -sine;
}

double Sinc(double x) {
    return x == 0.0 ? 1.0 : SinPi(x) / (kPi * x);
}
double BoxWeight(double x) {
    return x >= -0.5 && x < 0.5 ? 1.0 : 0.0;
}
double CatmullRomWeight(double x) {
    x = std::fabs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}
double Lanczos2Weight(double x) {
    return x > -2.0 && x < 2.0 ? Sinc(x) * Sinc(x / 2.0) : 0.0;
}
double Lanczos3Weight(double x) {
    return x > -3.0 && x < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

struct Kernel {
    double support; // half the width, in target pixels
    double (*weight)(double);
};

Kernel KernelOf(ResampleFilter filter) {
    switch (filter) {
    case ResampleFilter::Box:
        return {0.5, BoxWeight};
    case ResampleFilter::Bicubic:
        return {2.0, CatmullRomWeight};
    case ResampleFilter::Lanczos2:
        return {2.0, Lanczos2Weight};
    default:
        return {3.0, Lanczos3Weight};
    }
}

struct NamedFilter {
    const char* name;
    ResampleFilter filter;
};
constexpr NamedFilter kFilters[] = {
    {"", ResampleFilter::None},
    {"box", ResampleFilter::Box},
    {"bicubic", ResampleFilter::Bicubic},
    {"lanczos2", ResampleFilter::Lanczos2},
    {"lanczos3", ResampleFilter::Lanczos3},
};

// count elements of T in owner; null when the size does not fit or memory is short.
template <class T> T* Allocate(StorageOwner& owner, int64_t count) {
    if (count < 0 ||
        static_cast<uint64_t>(count) > std::numeric_limits<std::size_t>::max() / (2 * sizeof(T)))
        return nullptr;
    owner.reset(AllocateStorage(static_cast<std::size_t>(count) * sizeof(T)));
    return owner.as<T>();
}

// What one axis needs: which target pixels are drawn, and the weights of each.
struct AxisPlan {
    int64_t first = 0; // the drawn pixels [first, first + count) of the unmirrored extent
    int64_t count = 0;
    int64_t origin = 0; // the source pixels [origin, end) the taps reach
    int64_t end = 0;
    int64_t block = 1;  // source pixels averaged into one before filtering
    int64_t width = 0;  // the pixels [origin, end) make after the block average
    int64_t stride = 0; // weights kept per target pixel
    int64_t taps = 0;   // the most any target pixel uses
    bool groupsOfFour = false;
    StorageOwner startsOwner, lengthsOwner, weightsOwner, pairedOwner;
    int32_t* starts = nullptr; // the first block-averaged pixel of each target pixel
    int32_t* lengths = nullptr;
    int16_t* weights = nullptr; // taps per target pixel, summing to kOne
    int16_t* paired = nullptr;  // the same for the SSE2 filter across, with groupsOfFour

    AxisWeights Weights() const {
        return {count, starts, lengths, weights, stride, groupsOfFour, paired};
    }
};

// The source position of target pixel i's centre.
double Centre(const ResampleAxis& axis, int64_t i) {
    return axis.sourceStart +
           (static_cast<double>(i) + 0.5) * axis.sourceExtent / static_cast<double>(axis.extent);
}

// The first pixel of [0, extent] whose centre is at or past `position` (centres rise).
int64_t FirstCentreFrom(const ResampleAxis& axis, double position) {
    const double guess = std::ceil(
        (position - axis.sourceStart) * static_cast<double>(axis.extent) / axis.sourceExtent - 0.5);
    int64_t i = static_cast<int64_t>(std::clamp(guess, 0.0, static_cast<double>(axis.extent)));
    while (i < axis.extent && Centre(axis, i) < position)
        ++i;
    while (i > 0 && Centre(axis, i - 1) >= position)
        --i;
    return i;
}

// The target pixels inside the target whose centres map inside the source; false for none.
bool PlanDrawn(const ResampleAxis& axis, int32_t sourceSize, int32_t targetSize, AxisPlan* plan) {
    if (axis.extent <= 0 || !(axis.sourceExtent > 0.0) || sourceSize <= 0 || targetSize <= 0)
        return false;
    int64_t low = axis.mirrored ? axis.start + axis.extent - targetSize : -axis.start;
    int64_t high = axis.mirrored ? axis.start + axis.extent : targetSize - axis.start;
    low = std::max<int64_t>({low, 0, FirstCentreFrom(axis, 0.0)});
    high = std::min<int64_t>({high, axis.extent, FirstCentreFrom(axis, sourceSize)});
    if (low >= high)
        return false;
    plan->first = low;
    plan->count = high - low;
    // The taps stay within the source rectangle, clipped to the picture.
    plan->origin = std::max<int64_t>(0, static_cast<int64_t>(std::floor(axis.sourceStart)));
    const int64_t end = std::min<int64_t>(
        sourceSize, static_cast<int64_t>(std::ceil(axis.sourceStart + axis.sourceExtent)));
    if (end <= plan->origin)
        return false;
    plan->end = end;
    // A reduction of 4 or more is block-averaged first, leaving 2 to 4 for the filter (as
    // vips leaves its Lanczos a factor of about 2).
    const double factor = axis.sourceExtent / static_cast<double>(axis.extent);
    int64_t block = factor >= 4.0 ? static_cast<int64_t>(factor / 2.0) : 1;
    block = std::clamp<int64_t>(block, 1, std::min(kLargestBlock, end - plan->origin));
    plan->block = block;
    plan->width = (end - plan->origin + block - 1) / block;
    return true;
}

// The weights of every drawn target pixel; false when memory is short. With `inFours` (the
// axis across), each target pixel's taps are made a multiple of four, the extra ones
// weighing nothing and moved left where they would pass the last pixel, for the SSE2 filter.
bool PlanWeights(const ResampleAxis& axis, const Kernel& kernel, bool inFours, AxisPlan* plan) {
    const double factor = axis.sourceExtent / static_cast<double>(axis.extent);
    const double scale = std::max(1.0, factor / static_cast<double>(plan->block));
    const double support = kernel.support * scale;
    const int64_t most = std::min<int64_t>(plan->width, static_cast<int64_t>(2.0 * support) + 3);
    const int64_t stride = (most + 3) / 4 * 4;
    plan->starts = Allocate<int32_t>(plan->startsOwner, plan->count);
    plan->lengths = Allocate<int32_t>(plan->lengthsOwner, plan->count);
    plan->weights = Allocate<int16_t>(plan->weightsOwner, plan->count * stride);
    plan->stride = stride;
    StorageOwner sumsOwner;
    StorageOwner roundedOwner;
    double* sums = Allocate<double>(sumsOwner, most);
    int32_t* rounded = Allocate<int32_t>(roundedOwner, most);
    if (plan->starts == nullptr || plan->lengths == nullptr || plan->weights == nullptr ||
        sums == nullptr || rounded == nullptr)
        return false;
    const int64_t last = plan->width - 1;
    plan->taps = 1;
    plan->groupsOfFour = inFours && stride <= plan->width;
    for (int64_t k = 0; k < plan->count; ++k) {
        // The centre on the block-averaged pixels, whose own centres lie at m + 0.5.
        const double centre = (Centre(axis, plan->first + k) - static_cast<double>(plan->origin)) /
                              static_cast<double>(plan->block);
        const int64_t low = static_cast<int64_t>(std::floor(centre - support - 0.5));
        const int64_t high = static_cast<int64_t>(std::ceil(centre + support - 0.5));
        int64_t start = std::clamp<int64_t>(low, 0, last);
        const int64_t length = std::clamp<int64_t>(high, 0, last) - start + 1;
        std::fill(sums, sums + length, 0.0);
        double total = 0.0;
        for (int64_t m = std::max(low, -kFoldReach); m <= std::min(high, last + kFoldReach); ++m) {
            const double w = kernel.weight((static_cast<double>(m) + 0.5 - centre) / scale);
            sums[std::clamp<int64_t>(m, 0, last) - start] += w;
            total += w;
        }
        int64_t sum = 0;
        int64_t magnitude = 0;
        int64_t largest = 0;
        for (int64_t t = 0; t < length; ++t) {
            rounded[t] =
                total > 1e-9 ? static_cast<int32_t>(std::lround(sums[t] / total * kOne)) : 0;
            sum += rounded[t];
            magnitude += std::llabs(rounded[t]);
            if (std::llabs(rounded[t]) > std::llabs(rounded[largest]))
                largest = t;
        }
        // The rounding goes where it shows least; every weight must fit 16 bits.
        rounded[largest] += static_cast<int32_t>(kOne - sum);
        if (!(total > 1e-9 && magnitude <= 4 * kOne &&
              std::llabs(rounded[largest]) <= std::numeric_limits<int16_t>::max())) {
            // No weight to speak of (or sums that could overflow): the nearest pixel.
            std::fill(rounded, rounded + length, 0);
            const int64_t nearest = std::clamp<int64_t>(static_cast<int64_t>(centre), 0, last);
            rounded[std::clamp<int64_t>(nearest - start, 0, length - 1)] = kOne;
        }
        // Across, the taps that weigh nothing at either end are dropped: a reduction by 2
        // keeps 12 of 14, three groups of four instead of four. (Down, a first tap that moved
        // back would break the ring's order.)
        int64_t first = 0;
        int64_t used = length;
        if (inFours) {
            while (used > 1 && rounded[first] == 0) {
                ++first;
                --used;
            }
            while (used > 1 && rounded[first + used - 1] == 0)
                --used;
        }
        start += first;
        int16_t* weights = plan->weights + k * stride;
        int64_t kept = used;
        int64_t before = 0; // zero weights in front of the first real one
        if (plan->groupsOfFour) {
            kept = (used + 3) / 4 * 4;
            before = std::max<int64_t>(0, start + kept - plan->width);
            start -= before;
        }
        std::fill(weights, weights + kept, int16_t{0});
        for (int64_t t = 0; t < used; ++t)
            weights[before + t] = static_cast<int16_t>(rounded[first + t]);
        plan->starts[k] = static_cast<int32_t>(start);
        plan->lengths[k] = static_cast<int32_t>(kept);
        plan->taps = std::max(plan->taps, kept);
    }
    // Down, each target pixel's first and last taps rise with it (floor and ceil of a
    // rising centre, clamped), so the rows in use move down in order.
    if (plan->groupsOfFour) {
        plan->paired = Allocate<int16_t>(plan->pairedOwner, plan->count * stride * kPairedSpread);
        if (plan->paired == nullptr)
            return false;
        PairWeights(plan->Weights(), plan->paired);
    }
    return true;
}

// The block-averaged source row of the rectangle whose first source row starts at `row`
// (at the rectangle's first column), the next `stride` bytes on: the row itself when nothing
// is averaged, else written into `averaged` (plan x's width pixels), summing into `sums`.
const uint8_t* AveragedRow(const uint8_t* row, std::ptrdiff_t stride, int64_t rows,
                           const AxisPlan& x, const AxisPlan& y, uint32_t* sums,
                           uint8_t* averaged) {
    if (x.block == 1 && y.block == 1)
        return row;
    const int64_t columns = x.end - x.origin;
    SumRows(row, stride, rows, columns * 4, sums);
    for (int64_t m = 0; m < x.width; ++m) {
        const int64_t from = m * x.block;
        const int64_t to = std::min(columns, from + x.block);
        const uint64_t count = static_cast<uint64_t>((to - from) * rows);
        for (int channel = 0; channel < 4; ++channel) {
            uint64_t sum = 0;
            for (int64_t c = from; c < to; ++c)
                sum += sums[c * 4 + channel];
            averaged[m * 4 + channel] = static_cast<uint8_t>((sum + count / 2) / count);
        }
    }
    return averaged;
}

} // namespace

// One draw under way: its plans, the rows filtered across that the target rows in progress
// need, and how far it has gone. The source is either the whole picture (`picture`) or rows
// arriving one by one, of which only those the filter still needs are kept.
struct ResampleStream {
    PixelRows target;
    ResampleAxis x, y;
    AxisPlan across, down;
    bool drawsNothing = false;
    StorageOwner sumsOwner, averagedOwner, ringOwner, rowsOwner, pixelsOwner, keptOwner;
    uint32_t* sums = nullptr;
    uint8_t* averaged = nullptr;
    int16_t* ring = nullptr; // rows filtered across, each in slot row % down.taps
    const int16_t** rows = nullptr;
    uint8_t* pixels = nullptr;
    PixelRows picture;       // the whole source, when it is at hand
    uint8_t* kept = nullptr; // else the source rows still needed, columns origin to end:
    int64_t keptRows = 0;    // row r in slot (r - origin) % keptRows, a multiple of the block
    int64_t received = 0;    // source rows [0, received) have arrived
    int64_t next = 0;        // the next block-averaged row to filter across
    int64_t done = 0;        // target rows written
};

namespace {

// The draw of a sourceWidth x sourceHeight source onto target, planned into s.
bool PlanStream(ResampleStream* s, int32_t sourceWidth, int32_t sourceHeight,
                const PixelRows& target, const ResampleAxis& x, const ResampleAxis& y,
                bool streamed, ResampleFilter filter) {
    s->target = target;
    s->x = x;
    s->y = y;
    if (!PlanDrawn(s->x, sourceWidth, s->target.width, &s->across) ||
        !PlanDrawn(s->y, sourceHeight, s->target.height, &s->down)) {
        s->drawsNothing = true;
        return true;
    }
    const Kernel kernel = KernelOf(filter);
    if (!PlanWeights(s->x, kernel, true, &s->across) || !PlanWeights(s->y, kernel, false, &s->down))
        return false;
    const AxisPlan& across = s->across;
    const AxisPlan& down = s->down;
    if (across.block > 1 || down.block > 1) {
        s->sums = Allocate<uint32_t>(s->sumsOwner, (across.end - across.origin) * 4);
        s->averaged = Allocate<uint8_t>(s->averagedOwner, across.width * 4);
        if (s->sums == nullptr || s->averaged == nullptr)
            return false;
    }
    s->ring = Allocate<int16_t>(s->ringOwner, down.taps * across.count * 4);
    s->rows = Allocate<const int16_t*>(s->rowsOwner, down.taps);
    s->pixels = Allocate<uint8_t>(s->pixelsOwner, across.count * 4);
    if (s->ring == nullptr || s->rows == nullptr || s->pixels == nullptr)
        return false;
    if (streamed) {
        // A target row's taps span at most taps blocks of rows.
        const int64_t span = (down.end - down.origin + down.block - 1) / down.block * down.block;
        s->keptRows = std::min(span, down.taps * down.block);
        s->kept = Allocate<uint8_t>(s->keptOwner, s->keptRows * (across.end - across.origin) * 4);
        if (s->kept == nullptr)
            return false;
    }
    return true;
}

// Writes every target row whose source rows have all arrived.
void Advance(ResampleStream* s) {
    const AxisPlan& across = s->across;
    const AxisPlan& down = s->down;
    const ResampleAxis& x = s->x;
    const ResampleAxis& y = s->y;
    const int64_t columns = across.count;
    const int64_t capacity = down.taps;
    const AxisWeights weightsAcross = across.Weights();
    for (; s->done < down.count; ++s->done) {
        const int64_t k = s->done;
        const int64_t start = down.starts[k];
        const int64_t end = start + down.lengths[k];
        if (std::min(down.end, down.origin + end * down.block) > s->received)
            return; // its last rows are still to come
        // Rows [start, next) are in the ring still: start rose no less than end did.
        s->next = std::max(s->next, start);
        for (; s->next < end; ++s->next) {
            const int64_t firstRow = down.origin + s->next * down.block;
            const int64_t rows = std::min<int64_t>(down.end - firstRow, down.block);
            const uint8_t* row = nullptr;
            std::ptrdiff_t stride = 0;
            if (s->kept == nullptr) {
                row = s->picture.top + firstRow * s->picture.stride + across.origin * 4;
                stride = s->picture.stride;
            } else {
                stride = static_cast<std::ptrdiff_t>((across.end - across.origin) * 4);
                row = s->kept + (firstRow - down.origin) % s->keptRows * stride;
            }
            FilterRowAcross(AveragedRow(row, stride, rows, across, down, s->sums, s->averaged),
                            weightsAcross, s->ring + (s->next % capacity) * columns * 4);
        }
        for (int64_t t = 0; t < down.lengths[k]; ++t)
            s->rows[t] = s->ring + ((start + t) % capacity) * columns * 4;
        FilterRowsDown(s->rows, down.weights + k * down.stride, down.lengths[k], columns * 4,
                       s->pixels);
        const int64_t drawn = down.first + k;
        const int64_t row = y.mirrored ? y.start + y.extent - 1 - drawn : y.start + drawn;
        uint8_t* out = s->target.top + row * s->target.stride;
        if (!x.mirrored) {
            std::memcpy(out + (x.start + across.first) * 4, s->pixels,
                        static_cast<std::size_t>(columns * 4));
        } else {
            for (int64_t i = 0; i < columns; ++i)
                std::memcpy(out + (x.start + x.extent - 1 - across.first - i) * 4,
                            s->pixels + i * 4, 4);
        }
    }
}

} // namespace

bool FindResampleFilter(const char* name, ResampleFilter* filter) {
    for (const NamedFilter& named : kFilters) {
        if (std::strcmp(named.name, name) == 0) {
            *filter = named.filter;
            return true;
        }
    }
    return false;
}

bool NormaliseExtent(int64_t start, int64_t extent, int64_t* first, int64_t* size) {
    if (extent == 0)
        return false;
    *first = extent > 0 ? start : start + extent + 1;
    *size = extent > 0 ? extent : -extent;
    return true;
}

bool Resample(const PixelRows& source, const PixelRows& target, const ResampleAxis& x,
              const ResampleAxis& y, ResampleFilter filter) {
    ResampleStream s;
    if (!PlanStream(&s, source.width, source.height, target, x, y, false, filter))
        return false;
    if (s.drawsNothing)
        return true; // nothing of the destination is drawn
    s.picture = source;
    s.received = source.height;
    Advance(&s);
    return true;
}

ResampleStream* StartResampleStream(int32_t sourceWidth, int32_t sourceHeight,
                                    const PixelRows& target, const ResampleAxis& x,
                                    const ResampleAxis& y, ResampleFilter filter) {
    auto* s = new (std::nothrow) ResampleStream;
    if (s == nullptr)
        return nullptr;
    if (!PlanStream(s, sourceWidth, sourceHeight, target, x, y, true, filter)) {
        delete s;
        return nullptr;
    }
    return s;
}

bool TakeSourceRow(ResampleStream* s, int64_t y, const uint8_t* row) {
    if (y != s->received)
        return false;
    s->received = y + 1;
    if (s->drawsNothing)
        return true;
    const AxisPlan& down = s->down;
    if (y >= down.origin && y < down.end) {
        const auto bytes = static_cast<std::ptrdiff_t>((s->across.end - s->across.origin) * 4);
        std::memcpy(s->kept + (y - down.origin) % s->keptRows * bytes, row + s->across.origin * 4,
                    static_cast<std::size_t>(bytes));
    }
    Advance(s);
    return true;
}

bool ResampleStreamDone(const ResampleStream* s) {
    return s->drawsNothing || s->done == s->down.count;
}

bool ResampleStreamCoversTarget(const ResampleStream* s) {
    const auto covers = [](const ResampleAxis& axis, const AxisPlan& plan, int32_t size) {
        return !axis.mirrored && axis.start == 0 && plan.first == 0 && plan.count == size;
    };
    return !s->drawsNothing && covers(s->x, s->across, s->target.width) &&
           covers(s->y, s->down, s->target.height);
}

void EndResampleStream(ResampleStream* s) {
    delete s;
}
