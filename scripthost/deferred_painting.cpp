#include "scripthost/deferred_painting.h"

#include "common/allocator.h"
#include "imaging/canvas.h"
#include "imaging/dib_header.h"
#include "imaging/draw_ahead.h"
#include "imaging/resample.h"
#include "imaging/source_draw.h"
#include "scripthost/conversion_settings.h"

#include <windows.h>

#include <cstring>

namespace {

struct PaintStep {
    PaintKind kind;
    int32_t values[8];
    ResampleFilter filter; // a Draw's: the one set when Main called it
    int32_t told;          // the result Main was told
};

// The steps of the image at hand: written by the main thread alone, during Main.
struct DeferredPainting {
    bool deferred = false;
    bool lost = false;       // a step could not be written down
    bool targetHasDc = true; // what the TargetCanvas will be when the steps are done
    StorageOwner steps;
    uint32_t count = 0;
    uint32_t capacity = 0;
};

DeferredPainting g_painting;

int ValueCount(PaintKind kind) {
    switch (kind) {
    case kPaintSize:
        return 2;
    case kPaintBackground:
        return 3;
    case kPaintDrawMode:
        return 1;
    case kPaintDraw:
        return 8;
    }
    return 0;
}

int32_t PaintNow(PaintKind kind, const int32_t* v, ResampleFilter filter) {
    switch (kind) {
    case kPaintSize:
        return TargetCanvas.Create(v[0], v[1], 32) ? 1 : 0;
    case kPaintBackground: {
        // Only the low 8 bits of each count: 256, 0, 511 is blue.
        const COLORREF colour = RGB(v[0] & 0xFF, v[1] & 0xFF, v[2] & 0xFF);
        HDC dc = TargetCanvas.dc;
        SetBkColor(dc, colour);
        SetBkMode(dc, OPAQUE);
        const RECT area{0, 0, TargetCanvas.info.bmiHeader.biWidth,
                        TargetCanvas.info.bmiHeader.biHeight};
        return ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
    case kPaintDrawMode:
        if (v[0] != 0 && v[0] != 1)
            return 0;
        SetStretchBltMode(TargetCanvas.dc, v[0] == 0 ? COLORONCOLOR : HALFTONE);
        return 1;
    case kPaintDraw: {
        // sx, sy, sw, sh from the SourceCanvas to dx, dy, dw, dh of the TargetCanvas.
        const int32_t drawn =
            filter == ResampleFilter::None ? DrawSource(v) : DrawSourceFiltered(v, filter);
        NoteDrawForNextPictures(&SourceCanvas.source, v,
                                drawn != 0 ? filter : ResampleFilter::None);
        return drawn;
    }
    }
    return 0;
}

// The result the step will give once done, told to Main now: what GDI gives on a canvas
// that exists. A step that then gives another fails the image (ReplayDeferredPainting).
int32_t ForeseenResult(PaintKind kind, const int32_t* v) {
    DeferredPainting& p = g_painting;
    switch (kind) {
    case kPaintSize: {
        int32_t bytes = 0;
        p.targetHasDc = ComputeImageSize(v[0], v[1], 32, &bytes);
        return p.targetHasDc ? 1 : 0;
    }
    case kPaintBackground:
        return p.targetHasDc ? 1 : 0;
    case kPaintDrawMode:
        return v[0] == 0 || v[0] == 1 ? 1 : 0;
    case kPaintDraw:
        return p.targetHasDc ? 1 : 0;
    }
    return 0;
}

bool WriteDown(const PaintStep& step) {
    DeferredPainting& p = g_painting;
    if (p.count == p.capacity) {
        const uint32_t grown = p.capacity < 16 ? 16 : p.capacity * 2;
        StorageOwner larger(AllocateStorage(static_cast<size_t>(grown) * sizeof(PaintStep)));
        if (larger.block == nullptr || grown < p.capacity)
            return false;
        if (p.count > 0)
            std::memcpy(larger.block, p.steps.block, p.count * sizeof(PaintStep));
        p.steps.reset(larger.release());
        p.capacity = grown;
    }
    p.steps.as<PaintStep>()[p.count++] = step;
    return true;
}

} // namespace

int32_t Paint(PaintKind kind, const int32_t* values) {
    DeferredPainting& p = g_painting;
    const ResampleFilter filter = ConversionSettings.drawFilter;
    if (!p.deferred)
        return PaintNow(kind, values, filter);
    PaintStep step{};
    step.kind = kind;
    step.filter = filter;
    std::memcpy(step.values, values, static_cast<size_t>(ValueCount(kind)) * sizeof(int32_t));
    step.told = ForeseenResult(kind, values);
    if (!p.lost && !WriteDown(step))
        p.lost = true;
    return step.told;
}

void DeferPainting() {
    DeferredPainting& p = g_painting;
    p.deferred = true;
    p.lost = false;
    p.targetHasDc = TargetCanvas.dc != nullptr;
    p.count = 0;
}

bool PaintingDeferred() {
    return g_painting.deferred;
}

bool ReplayDeferredPainting() {
    DeferredPainting& p = g_painting;
    p.deferred = false;
    bool asTold = !p.lost;
    for (uint32_t i = 0; asTold && i < p.count; ++i) {
        const PaintStep& step = p.steps.as<PaintStep>()[i];
        asTold = (PaintNow(step.kind, step.values, step.filter) != 0) == (step.told != 0);
    }
    p.count = 0;
    return asTold;
}

void ForgetDeferredPainting() {
    DeferredPainting& p = g_painting;
    p.deferred = false;
    p.count = 0;
}
