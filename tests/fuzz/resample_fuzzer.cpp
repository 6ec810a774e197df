// Any bytes as a filtered Draw: the picture's and the output's sizes, both rectangles as a
// script gives them (negative extents mirror, anything within GDI's coordinates), the scale
// the picture is held at and the filter. Every read and write stays inside the two pixel
// buffers (AddressSanitizer), no pixel outside the destination rectangle changes, and the
// plain C++ loops, SSE2 alone and the best the processor has draw the same pixels, as does
// the draw fed one source row at a time.
#include "imaging/resample.h"
#include "imaging/resample_rows.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    uint32_t Take(int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = value << 8 | (size > 0 ? *data : 0u);
            if (size > 0) {
                ++data;
                --size;
            }
        }
        return value;
    }
    // A coordinate as Draw accepts it: within +-(2^27 - 1).
    int64_t Coordinate() {
        const int64_t value = static_cast<int32_t>(Take(4));
        return value % (int64_t{1} << 27);
    }
};

struct Axis {
    int64_t source, sourceExtent, start, extent;
};

constexpr uint8_t kUntouched = 0xA5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    // Sizes up to 20000 along one side, a million pixels in all.
    const int32_t sourceWidth = static_cast<int32_t>(in.Take(2) % 20000 + 1);
    const int32_t sourceHeight = static_cast<int32_t>(in.Take(2) % 20000 + 1);
    const int32_t targetWidth = static_cast<int32_t>(in.Take(2) % 4096 + 1);
    const int32_t targetHeight = static_cast<int32_t>(in.Take(2) % 4096 + 1);
    if (int64_t{sourceWidth} * sourceHeight > (1 << 20) ||
        int64_t{targetWidth} * targetHeight > (1 << 16))
        return 0;
    Axis axes[2];
    for (Axis& axis : axes)
        axis = {in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
    // The picture held at 1/1 to 1/8 of the full size the rectangles are given in.
    const int denominator = static_cast<int>(in.Take(1) % 8 + 1);
    const ResampleFilter filters[] = {ResampleFilter::Box, ResampleFilter::Bicubic,
                                      ResampleFilter::Lanczos2, ResampleFilter::Lanczos3};
    const ResampleFilter filter = filters[in.Take(1) % 4];

    ResampleAxis resampled[2];
    for (int k = 0; k < 2; ++k) {
        int64_t first = 0, extent = 0, start = 0, count = 0;
        if (!NormaliseExtent(axes[k].source, axes[k].sourceExtent, &first, &extent) ||
            !NormaliseExtent(axes[k].start, axes[k].extent, &start, &count))
            return 0;
        resampled[k] = {static_cast<double>(first) / denominator,
                        static_cast<double>(extent) / denominator, start, count,
                        (axes[k].sourceExtent < 0) != (axes[k].extent < 0)};
    }

    // Exactly the pixels each side holds, bottom-up as a DIB section is.
    std::vector<uint8_t> source(static_cast<size_t>(sourceWidth) * sourceHeight * 4);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(in.size > 0 ? in.data[i % in.size] : i * 37);
    std::vector<uint8_t> target(static_cast<size_t>(targetWidth) * targetHeight * 4, kUntouched);
    const std::ptrdiff_t sourceStride = std::ptrdiff_t{sourceWidth} * 4;
    const std::ptrdiff_t targetStride = std::ptrdiff_t{targetWidth} * 4;
    const PixelRows from{source.data() + (sourceHeight - 1) * sourceStride, -sourceStride,
                         sourceWidth, sourceHeight};
    const PixelRows to{target.data() + (targetHeight - 1) * targetStride, -targetStride,
                       targetWidth, targetHeight};
    UseRowLoops(RowLoops::Best);
    if (!Resample(from, to, resampled[0], resampled[1], filter))
        return 0;
    for (const RowLoops loops : {RowLoops::Plain, RowLoops::Sse2}) {
        std::vector<uint8_t> again(target.size(), kUntouched);
        UseRowLoops(loops);
        const bool drawn = Resample(
            from, {again.data() + (to.top - target.data()), to.stride, targetWidth, targetHeight},
            resampled[0], resampled[1], filter);
        UseRowLoops(RowLoops::Best);
        if (!drawn || again != target)
            std::abort();
    }

    // Fed row by row from the top, as a decoder hands them over: the same pixels.
    {
        std::vector<uint8_t> again(target.size(), kUntouched);
        const PixelRows into{again.data() + (to.top - target.data()), to.stride, targetWidth,
                             targetHeight};
        ResampleStreamOwner stream(StartResampleStream(sourceWidth, sourceHeight, into,
                                                       resampled[0], resampled[1], filter));
        if (stream.stream == nullptr)
            return 0; // memory short for the rows kept
        for (int32_t y = 0; y < sourceHeight; ++y) {
            if (!TakeSourceRow(stream.stream, y, from.top + y * from.stride))
                std::abort();
        }
        if (!ResampleStreamDone(stream.stream) || again != target ||
            TakeSourceRow(stream.stream, 0, from.top))
            std::abort();
    }

    // Outside the destination rectangle nothing was written.
    for (int32_t row = 0; row < targetHeight; ++row) {
        for (int32_t column = 0; column < targetWidth; ++column) {
            const bool inside =
                column >= resampled[0].start && column < resampled[0].start + resampled[0].extent &&
                row >= resampled[1].start && row < resampled[1].start + resampled[1].extent;
            const uint8_t* pixel = to.top + row * to.stride + column * 4;
            if (!inside && std::memcmp(pixel, "\xA5\xA5\xA5\xA5", 4) != 0)
                std::abort();
        }
    }
    return 0;
}
