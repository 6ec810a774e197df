// Painting while the picture waits (SetSkipExisting). Whether an image is skipped depends on
// the output name, which Main may set last; so Main runs before the picture is decoded, told
// the size its header declares. Meanwhile the painting user functions are written down in
// order, each with the result Main is told; once Main is done they are either forgotten (the
// output is up to date) or done, in order, on the decoded picture.
#pragma once

#include <cstdint>

enum PaintKind : int32_t {
    kPaintSize,       // SetSize(width, height)
    kPaintBackground, // SetBackGround(red, green, blue)
    kPaintDrawMode,   // SetDrawMode(mode)
    kPaintDraw,       // Draw(sx, sy, sw, sh, dx, dy, dw, dh), with the draw filter set then
};

// Paints on the TargetCanvas now, or writes the step down while painting is deferred; the
// result for the script either way. values holds the step's integers, checked by the caller.
int32_t Paint(PaintKind kind, const int32_t* values);

// From now until ReplayDeferredPainting or ForgetDeferredPainting, steps are written down.
// The TargetCanvas must be the 1 x 1 blank it is before Main.
void DeferPainting();
bool PaintingDeferred();

// Paints the steps written down, in order. False when one of them gave another result than
// Main was told, or a step could not be written down for memory: the output is not what
// Main meant, and the image fails.
bool ReplayDeferredPainting();
// Drops the steps written down.
void ForgetDeferredPainting();
