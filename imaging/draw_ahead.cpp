#include "imaging/draw_ahead.h"

#include "common/allocator.h"
#include "common/environment_switch.h"
#include "imaging/picture_loading.h"
#include "imaging/picture_orientation.h"
#include "imaging/source_draw.h"
#include "imaging/source_metadata.h"

#include <windows.h>

#include <cstring>

namespace {

bool DrawAheadEnabled() {
    static const bool enabled = SwitchedOnByEnvironment("TESSAVEL_DRAW_AHEAD");
    return enabled;
}

// The draw the next pictures of one size are foreseen to get: written by the main thread,
// read by the decoding threads, under the lock.
struct ForeseenDraw {
    bool valid = false;
    int32_t width = 0; // the pictures' full size
    int32_t height = 0;
    DrawnAhead draw;
};

SRWLOCK g_lock = SRWLOCK_INIT;
ForeseenDraw g_foreseen;

void Foresee(const ForeseenDraw& draw) {
    AcquireSRWLockExclusive(&g_lock);
    g_foreseen = draw;
    ReleaseSRWLockExclusive(&g_lock);
}

ForeseenDraw Foreseen() {
    AcquireSRWLockShared(&g_lock);
    const ForeseenDraw draw = g_foreseen;
    ReleaseSRWLockShared(&g_lock);
    return draw;
}

// A draw that can be made ahead: from a rectangle inside a picture its plug-in can scale,
// as stored and in its own colours, onto the whole of a 32-bit target of its size.
bool CanDrawAhead(const PictureSource& source, const int32_t v[8], ResampleFilter filter) {
    const int64_t right = static_cast<int64_t>(v[0]) + v[2];
    const int64_t bottom = static_cast<int64_t>(v[1]) + v[3];
    const BITMAPINFOHEADER& target = TargetCanvas.info.bmiHeader;
    return filter != ResampleFilter::None && source.scaledRows != nullptr && source.turned == 1 &&
           !source.inSrgb && v[0] >= 0 && v[1] >= 0 && v[2] > 0 && v[3] > 0 &&
           right <= source.width && bottom <= source.height && v[4] == 0 && v[5] == 0 &&
           TargetCanvas.bits != nullptr && target.biBitCount == 32 && v[6] == target.biWidth &&
           v[7] == target.biHeight;
}

// Pixels the run turns upright or may convert to sRGB cannot be drawn before that is done.
bool StaysAsDecoded(PictureSource* source) {
    if (!SourceMetadataWanted)
        return true; // neither is asked for
    if (!source->metadataRead)
        ReadPluginSourceMetadata(source);
    return (!AutoOrient || source->metadata.orientation == 1) && source->metadata.profile.Empty();
}

constexpr LONG kBandRows = 16;

// The rows a plug-in hands over, taken into the draw as they come.
struct RowsIntoDraw {
    ResampleStream* stream;
    const uint8_t* band;
    LONG_PTR stride;
};

int SUSIEAPI TakeRows(void* context, LONG first, LONG count) {
    const auto* into = static_cast<const RowsIntoDraw*>(context);
    for (LONG y = first; y < first + count; ++y) {
        if (!TakeSourceRow(into->stream, y, into->band + (y % kBandRows) * into->stride))
            return 0;
    }
    return 1;
}

} // namespace

void NoteDrawForNextPictures(PictureSource* source, const int32_t v[8], ResampleFilter filter) {
    ++source->draws;
    ForeseenDraw next;
    if (DrawAheadEnabled() && source->draws == 1 && CanDrawAhead(*source, v, filter)) {
        next.valid = true;
        next.width = source->width;
        next.height = source->height;
        std::memcpy(next.draw.v, v, sizeof next.draw.v);
        next.draw.filter = filter;
        next.draw.denominator =
            HoldsDrawMadeAhead(*source) ? source->drawnAhead.denominator : source->denominator;
    }
    if (next.valid || Foreseen().valid)
        Foresee(next);
}

void ForgetDrawsForeseen() {
    Foresee(ForeseenDraw{});
}

int DecodeDrawingAhead(Canvas* canvas, const PluginExports& plugin) {
    PictureSource& source = canvas->source;
    if (!DrawAheadEnabled() || plugin.scaledRows == nullptr)
        return SUSIE_NOT_IMPLEMENTED;
    const ForeseenDraw foreseen = Foreseen();
    const DrawnAhead& draw = foreseen.draw;
    if (!foreseen.valid || foreseen.width != source.width || foreseen.height != source.height ||
        source.turned != 1 || !StaysAsDecoded(&source))
        return SUSIE_NOT_IMPLEMENTED;
    LONG width = 0;
    LONG height = 0;
    if (source.scaledSize(source.file.data(), source.file.size, draw.denominator, &width,
                          &height) != SUSIE_SUCCESS ||
        width <= 0 || height <= 0)
        return SUSIE_NOT_IMPLEMENTED;
    ResampleAxis horizontal;
    ResampleAxis vertical;
    if (!FilteredDrawAxes(source, width, height, draw.v, &horizontal, &vertical))
        return SUSIE_NOT_IMPLEMENTED;
    // A Canvas that cannot be had has let its picture go (Canvas::Release): no decode may
    // follow, so this is the picture's failure.
    if (!canvas->Obtain(draw.v[6], draw.v[7], 32))
        return SUSIE_NO_MEMORY;
    ResampleStreamOwner stream(
        StartResampleStream(width, height, RowsOf(*canvas), horizontal, vertical, draw.filter));
    const LONG_PTR stride = static_cast<LONG_PTR>(width) * 4;
    StorageOwner band(AllocateStorage(static_cast<size_t>(stride) * kBandRows));
    if (stream.stream == nullptr || !ResampleStreamCoversTarget(stream.stream) ||
        band.block == nullptr)
        return SUSIE_NOT_IMPLEMENTED;
    RowsIntoDraw into{stream.stream, band.as<uint8_t>(), stride};
    const int result =
        plugin.scaledRows(source.file.data(), source.file.size, draw.denominator, band.block,
                          stride, width, height, kBandRows, TakeRows, &into);
    // A plug-in that cannot hand rows over says so (the rows export is every scaled
    // plug-in's), and a decode that left rows missing is made again: the usual way, from a
    // Canvas that still knows its picture.
    if (result == SUSIE_NOT_IMPLEMENTED ||
        (result == SUSIE_SUCCESS && !ResampleStreamDone(stream.stream)))
        return SUSIE_NOT_IMPLEMENTED;
    if (result != SUSIE_SUCCESS) {
        canvas->Release();
        return result;
    }
    source.denominator = 0;
    source.drawnAhead = draw;
    return SUSIE_SUCCESS;
}

bool TakeDrawnAhead(const int32_t v[8], ResampleFilter filter, int wanted) {
    const PictureSource& source = SourceCanvas.source;
    const DrawnAhead& draw = source.drawnAhead;
    const BITMAPINFOHEADER& held = SourceCanvas.info.bmiHeader;
    const BITMAPINFOHEADER& target = TargetCanvas.info.bmiHeader;
    if (!HoldsDrawMadeAhead(source) || draw.filter != filter || draw.denominator != wanted ||
        std::memcmp(draw.v, v, sizeof draw.v) != 0 || SourceCanvas.bits == nullptr ||
        TargetCanvas.bits == nullptr || target.biBitCount != 32 || held.biBitCount != 32 ||
        target.biWidth != held.biWidth || target.biHeight != held.biHeight)
        return false;
    // The draw covers the whole target: its section becomes the target's, and a later draw
    // that needs the picture decodes it again.
    GdiFlush(); // what GDI has still to draw on the target lands before its section goes
    ExchangeSections(&TargetCanvas, &SourceCanvas);
    SourceCanvas.source.drawnAhead.filter = ResampleFilter::None; // it holds the draw no more
    if (ShrinkOnLoadEnabled())
        SpeculativeDenominator = wanted;
    return true;
}

bool HoldPictureInsteadOfDraw(Canvas* canvas) {
    PictureSource& source = canvas->source;
    if (!HoldsDrawMadeAhead(source))
        return true;
    return DecodeSourceAtScale(canvas, source.drawnAhead.denominator) == SUSIE_SUCCESS;
}
