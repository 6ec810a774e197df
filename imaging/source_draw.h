// Draw: a rectangle of the SourceCanvas stretched onto the TargetCanvas, served from a decode
// at reduced scale where a HALFTONE reduction allows (shrink-on-load).
#pragma once

#include "imaging/canvas.h"
#include "imaging/resample.h"

#include <cstdint>

// The coarsest denominator (8, 4, 2, else 1) at which the source rectangle sx, sy, sw, sh
// (v[0..3]) still has at least |dw| x |dh| (v[6], v[7]) pixels; 1 for a rectangle that is
// empty, mirrored or not inside the picture, or when the picture cannot be scaled.
int ShrinkDenominator(const PictureSource& source, const int32_t v[8]);

// StretchBlt of sx, sy, sw, sh (v[0..3], in the picture's full size) of the SourceCanvas to
// dx, dy, dw, dh (v[4..7]) of the TargetCanvas, in the target's stretch mode. A HALFTONE
// draw that shrinks the picture at least twofold is drawn from the coarsest decode that
// keeps at least as many pixels as the destination (see ShrinkDenominator); every other draw
// from the full picture. The result is StretchBlt's; 0 when a decode at another scale
// failed, which also marks the source lost.
int DrawSource(const int32_t v[8]);

// Draw with SetDrawFilter's filter (not None): StretchBlt's geometry for sx, sy, sw, sh
// (v[0..3]) and dx, dy, dw, dh (v[4..7]), resampled by our own code (resample.h) whatever the
// stretch mode. A draw of a rectangle inside the picture is served from the coarsest decode
// that keeps at least twice the destination's pixels across and down. 1 when drawn (or nothing
// of it lies on either Canvas), StretchBlt's result for an empty rectangle, 0 when a decode
// again failed (the source is then lost), memory was short or either Canvas holds no pixels.
int DrawSourceFiltered(const int32_t v[8], ResampleFilter filter);

// The axes of a filtered draw of v on a picture held at heldWidth x heldHeight (the
// source's full size scaled); false when a rectangle is empty.
bool FilteredDrawAxes(const PictureSource& source, int32_t heldWidth, int32_t heldHeight,
                      const int32_t v[8], ResampleAxis* horizontal, ResampleAxis* vertical);

// The denominator a filtered draw of v is served from: the coarsest that keeps about twice
// the destination's pixels, for a rectangle inside a picture that can be scaled; else 1.
int FilteredDrawDenominator(const PictureSource& source, const int32_t v[8]);

// A Canvas's 32-bit pixels, top row first (its section is bottom-up).
PixelRows RowsOf(const Canvas& canvas);
