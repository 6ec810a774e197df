// Resampling with a real filter (the script's SetDrawFilter): a rectangle of one picture
// drawn onto a rectangle of another with StretchBlt's geometry, through separable, precomputed
// weights and, for large reductions, a block average first. Portable: no Windows header, so
// the result is the same on Windows and under Wine, whose HALFTONE point-samples.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ResampleFilter { None, Box, Bicubic, Lanczos2, Lanczos3 };

// The filter a script names: "box", "bicubic" (Catmull-Rom), "lanczos2", "lanczos3"; ""
// is None (GDI's StretchBlt in the stretch mode). False for any other name.
bool FindResampleFilter(const char* name, ResampleFilter* filter);

// Rows of 32-bit BGRX pixels: `top` is the first byte of the top row, `stride` the distance
// in bytes to the row below it (negative for a bottom-up DIB section).
struct PixelRows {
    uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// One axis of a draw, each rectangle normalised to a positive extent: source pixels
// [sourceStart, sourceStart + sourceExtent) (fractions allowed: a picture held at reduced
// scale) onto target pixels [start, start + extent), in reverse order when mirrored.
struct ResampleAxis {
    double sourceStart = 0;
    double sourceExtent = 0;
    int64_t start = 0;
    int64_t extent = 0;
    bool mirrored = false;
};

// StretchBlt's rectangle with a negative extent: extent < 0 covers the |extent| pixels that
// end at start, inclusive. Gives the first pixel and the positive extent; false for 0.
bool NormaliseExtent(int64_t start, int64_t extent, int64_t* first, int64_t* size);

// Draws as StretchBlt does, filtered: each target pixel of the destination rectangle whose
// centre maps inside the source picture is written; the rest of the target, and what lies
// outside it, is left. The filter's taps reach no further than the source rectangle (clipped
// to the picture), whose edge pixels extend beyond it. false when memory for the weights
// and rows could not be had (nothing was written).
bool Resample(const PixelRows& source, const PixelRows& target, const ResampleAxis& x,
              const ResampleAxis& y, ResampleFilter filter);

// The same draw with the source's rows arriving one by one from the top, as a decoder
// delivers them: only the rows the filter still needs are kept, never the whole picture.
// The pixels are those Resample gives. Null when memory is short.
struct ResampleStream;
ResampleStream* StartResampleStream(int32_t sourceWidth, int32_t sourceHeight,
                                    const PixelRows& target, const ResampleAxis& x,
                                    const ResampleAxis& y, ResampleFilter filter);
// Source row y (sourceWidth pixels); the rows must come in order, 0 first: false otherwise.
bool TakeSourceRow(ResampleStream* stream, int64_t y, const uint8_t* row);
// Whether every target row has been written: every source row it needs has arrived.
bool ResampleStreamDone(const ResampleStream* stream);
// Whether the draw writes every pixel of the target, unmirrored.
bool ResampleStreamCoversTarget(const ResampleStream* stream);
void EndResampleStream(ResampleStream* stream);

struct ResampleStreamOwner {
    ResampleStream* stream = nullptr;
    explicit ResampleStreamOwner(ResampleStream* s) : stream(s) {}
    ResampleStreamOwner(const ResampleStreamOwner&) = delete;
    ResampleStreamOwner& operator=(const ResampleStreamOwner&) = delete;
    ~ResampleStreamOwner() { EndResampleStream(stream); }
};
