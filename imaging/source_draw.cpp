#include "imaging/source_draw.h"

#include "common/failure_note.h"
#include "imaging/picture_loading.h"
#include "imaging/picture_orientation.h"
#include "pluginhost/plugin_decoder.h"

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

} // namespace

int ShrinkDenominator(const PictureSource& source, const int32_t v[8]) {
    if (source.scaledSize == nullptr || !InsidePicture(source, v))
        return 1;
    for (int denominator = 8; denominator >= 2; denominator /= 2) {
        LONG width = 0;
        LONG height = 0;
        if (source.scaledSize(source.file.bytes.block, source.file.size, denominator, &width,
                              &height) != SUSIE_SUCCESS)
            continue;
        if (TurnSwapsSides(source.turned))
            std::swap(width, height);
        // The source rectangle's share of the reduced picture, rounded down.
        const int64_t scaledWidth = static_cast<int64_t>(v[2]) * width / source.width;
        const int64_t scaledHeight = static_cast<int64_t>(v[3]) * height / source.height;
        if (scaledWidth >= Magnitude(v[6]) && scaledHeight >= Magnitude(v[7]))
            return denominator;
    }
    return 1;
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
    if (wanted != source.denominator) {
        const int result = DecodeSourceAtScale(&from, wanted);
        // A picture its plug-in decodes at fewer scales (an animation's first frame) is
        // drawn from the decode at hand; nothing was released.
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
            return 0;
        }
    }
    if (ShrinkOnLoadEnabled())
        SpeculativeDenominator = wanted;
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
