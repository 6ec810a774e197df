#include "imaging/source_draw.h"

#include "common/failure_note.h"
#include "imaging/picture_loading.h"
#include "imaging/picture_orientation.h"
#include "pluginhost/plugin_decoder.h"
#include "imaging/draw_ahead.h"
#include "imaging/resample.h"

#include <cstdlib>
#include <utility>

namespace {

int64_t Magnitude(int32_t value) {
    return std::llabs(static_cast<int64_t>(value));
}

bool InsidePicture(const PictureSource& source, const int32_t v[8]) {
    const int64_t sx = v[0], sy = v[1], sw = v[2], sh = v[3];
    return sw > 0 && sh > 0 && sx >= 0 && sy >= 0 && sx + sw <= source.width &&
           sy + sh <= source.height && v[6] != 0 && v[7] != 0;
}

// A coordinate of the full picture on a decode of scaledSize pixels along fullSize,
// rounded to nearest.
int32_t ScaleCoordinate(int64_t coordinate, int64_t scaledSize, int64_t fullSize) {
    return static_cast<int32_t>((coordinate * scaledSize * 2 + fullSize) / (fullSize * 2));
}

// The coarsest denominator at which the rectangle sx, sy, sw, sh of the full picture (inside
// it) still has at least width x height pixels; 1 when none has.
int CoarsestDenominator(const PictureSource& source, int64_t sw, int64_t sh, int64_t width,
                        int64_t height) {
    for (int denominator = 8; denominator >= 2; denominator /= 2) {
        LONG scaledWidth = 0;
        LONG scaledHeight = 0;
        if (source.scaledSize(source.file.data(), source.file.size, denominator, &scaledWidth,
                              &scaledHeight) != SUSIE_SUCCESS)
            continue;
        if (TurnSwapsSides(source.turned))
            std::swap(scaledWidth, scaledHeight);
        // The source rectangle's share of the reduced picture, rounded down.
        if (sw * scaledWidth / source.width >= width && sh * scaledHeight / source.height >= height)
            return denominator;
    }
    return 1;
}

} // namespace

int ShrinkDenominator(const PictureSource& source, const int32_t v[8]) {
    if (source.scaledSize == nullptr || !InsidePicture(source, v))
        return 1;
    return CoarsestDenominator(source, v[2], v[3], Magnitude(v[6]), Magnitude(v[7]));
}

namespace {

// Has the SourceCanvas hold its picture at 1/wanted, decoding it again when it holds another
// scale. false when that decode failed, which marks the source lost.
bool HoldAtScale(int wanted) {
    PictureSource& source = SourceCanvas.source;
    if (wanted != source.denominator) {
        int result = DecodeSourceAtScale(&SourceCanvas, wanted);
        // A picture its plug-in decodes at fewer scales (an animation's first frame) is
        // drawn from the decode at hand; nothing was released. A Canvas that holds a draw
        // made ahead holds no decode: the picture is decoded whole.
        if (result == SUSIE_NOT_IMPLEMENTED && wanted != 1 && HoldsDrawMadeAhead(source)) {
            wanted = 1;
            result = DecodeSourceAtScale(&SourceCanvas, wanted);
        }
        if (result == SUSIE_NOT_IMPLEMENTED && wanted != 1)
            wanted = source.denominator;
        else if (result != SUSIE_SUCCESS) {
            if (wanted == 1)
                NoteFailure("decoding it again at full size failed (%s)",
                            DescribeSusieError(result));
            else
                NoteFailure("decoding it again at 1/%d failed (%s)", wanted,
                            DescribeSusieError(result));
            source.lost = true;
            return false;
        }
    }
    if (ShrinkOnLoadEnabled())
        SpeculativeDenominator = wanted;
    return true;
}

bool HoldsPixels(const Canvas& canvas) {
    return canvas.bits != nullptr && canvas.info.bmiHeader.biBitCount == 32 &&
           canvas.info.bmiHeader.biWidth > 0 && canvas.info.bmiHeader.biHeight > 0;
}

} // namespace

PixelRows RowsOf(const Canvas& canvas) {
    const int32_t width = canvas.info.bmiHeader.biWidth;
    const int32_t height = canvas.info.bmiHeader.biHeight;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 4;
    return {static_cast<uint8_t*>(canvas.bits) + (height - 1) * stride, -stride, width, height};
}

int DrawSource(const int32_t v[8]) {
    Canvas& from = SourceCanvas;
    PictureSource& source = from.source;
    const auto drawWhole = [&] {
        return StretchBlt(TargetCanvas.dc, v[4], v[5], v[6], v[7], from.dc, v[0], v[1], v[2], v[3],
                          SRCCOPY);
    };
    if (source.scaled == nullptr)
        return drawWhole(); // held at full size, and no other size to be had
    int wanted = 1;
    if (ShrinkOnLoadEnabled() && GetStretchBltMode(TargetCanvas.dc) == HALFTONE)
        wanted = ShrinkDenominator(source, v);
    if (!HoldAtScale(wanted))
        return 0;
    if (source.denominator == 1)
        return drawWhole();
    // The source rectangle on the reduced decode: both edges scaled, at least one pixel.
    const int64_t width = from.info.bmiHeader.biWidth;
    const int64_t height = from.info.bmiHeader.biHeight;
    const int32_t left = ScaleCoordinate(v[0], width, source.width);
    const int32_t top = ScaleCoordinate(v[1], height, source.height);
    const int32_t right = ScaleCoordinate(static_cast<int64_t>(v[0]) + v[2], width, source.width);
    const int32_t bottom =
        ScaleCoordinate(static_cast<int64_t>(v[1]) + v[3], height, source.height);
    return StretchBlt(TargetCanvas.dc, v[4], v[5], v[6], v[7], from.dc, left, top,
                      right > left ? right - left : 1, bottom > top ? bottom - top : 1, SRCCOPY);
}

namespace {

// v's two rectangles with positive extents; false when either is empty.
struct DrawRectangles {
    int64_t left = 0, width = 0, top = 0, height = 0; // on the picture's full size
    int64_t x = 0, w = 0, y = 0, h = 0;               // on the target
};

bool Normalise(const int32_t v[8], DrawRectangles* r) {
    return NormaliseExtent(v[0], v[2], &r->left, &r->width) &&
           NormaliseExtent(v[1], v[3], &r->top, &r->height) &&
           NormaliseExtent(v[4], v[6], &r->x, &r->w) && NormaliseExtent(v[5], v[7], &r->y, &r->h);
}

} // namespace

bool FilteredDrawAxes(const PictureSource& source, int32_t heldWidth, int32_t heldHeight,
                      const int32_t v[8], ResampleAxis* horizontal, ResampleAxis* vertical) {
    DrawRectangles r;
    if (!Normalise(v, &r) || source.width <= 0 || source.height <= 0)
        return false;
    // The rectangle on the picture as held, in fractions of its pixels.
    const double across = static_cast<double>(heldWidth) / source.width;
    const double down = static_cast<double>(heldHeight) / source.height;
    const auto real = [](int64_t value) { return static_cast<double>(value); }; // below 2^28
    *horizontal = {real(r.left) * across, real(r.width) * across, r.x, r.w,
                   (v[2] < 0) != (v[6] < 0)};
    *vertical = {real(r.top) * down, real(r.height) * down, r.y, r.h, (v[3] < 0) != (v[7] < 0)};
    return true;
}

int FilteredDrawDenominator(const PictureSource& source, const int32_t v[8]) {
    DrawRectangles r;
    if (source.scaledSize == nullptr || !ShrinkOnLoadEnabled() || !Normalise(v, &r) || r.left < 0 ||
        r.top < 0 || r.left + r.width > source.width || r.top + r.height > source.height)
        return 1;
    // The filter is left about twice the destination's pixels, as vips leaves its Lanczos.
    return CoarsestDenominator(source, r.width, r.height, 2 * r.w, 2 * r.h);
}

int DrawSourceFiltered(const int32_t v[8], ResampleFilter filter) {
    Canvas& from = SourceCanvas;
    PictureSource& source = from.source;
    ResampleAxis horizontal;
    ResampleAxis vertical;
    if (v[2] == 0 || v[3] == 0 || v[6] == 0 || v[7] == 0)
        return StretchBlt(TargetCanvas.dc, v[4], v[5], v[6], v[7], from.dc, v[0], v[1], v[2], v[3],
                          SRCCOPY); // nothing to draw: the platform's answer
    if (source.scaled != nullptr) {
        const int wanted = FilteredDrawDenominator(source, v);
        if (TakeDrawnAhead(v, filter, wanted))
            return 1;
        if (!HoldAtScale(wanted))
            return 0;
    }
    if (!HoldsPixels(from) || !HoldsPixels(TargetCanvas) || source.width <= 0 || source.height <= 0)
        return 0;
    const PixelRows rows = RowsOf(from);
    FilteredDrawAxes(source, rows.width, rows.height, v, &horizontal, &vertical);
    GdiFlush(); // what GDI has still to draw on either section lands before we read or write it
    if (!Resample(rows, RowsOf(TargetCanvas), horizontal, vertical, filter)) {
        NoteFailure("no memory to resample the picture");
        return 0;
    }
    return 1;
}
