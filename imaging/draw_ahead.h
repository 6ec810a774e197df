// Drawing ahead: a filtered Draw made while its picture decodes, so that a large picture is
// never held whole. When the last picture was drawn once, filtered, onto the whole of a
// target of the destination's size, the next picture of the same size whose plug-in hands
// its rows over as they come (GetPictureScaledRows) is decoded straight into that draw, on
// whichever thread decodes it; its Canvas then holds the draw's output (the size of the
// target) instead of the picture. Main's Draw takes it when it asks for exactly that draw on
// such a target; any other use of the picture decodes it again. A guess only: every output
// is the one the draw gives without it (TESSAVEL_DRAW_AHEAD=0 turns it off).
#pragma once

#include "imaging/canvas.h"
#include "imaging/resample.h"
#include "pluginhost/plugin_set.h"

#include <cstdint>

// Main thread, after every Draw from the SourceCanvas (filter None for a StretchBlt or a
// draw that failed): the draw is foreseen for the next pictures of the same size when it was
// this picture's first and can be made ahead, else nothing is.
void NoteDrawForNextPictures(PictureSource* source, const int32_t v[8], ResampleFilter filter);

// A run starts foreseeing nothing.
void ForgetDrawsForeseen();

// For a picture a scaled plug-in is about to decode, its size known: decodes it into the
// draw foreseen for pictures of its size. SUSIE_NOT_IMPLEMENTED when none is foreseen or it
// cannot be made ahead (the picture is then decoded as usual); otherwise the decode's
// result, failures included.
int DecodeDrawingAhead(Canvas* canvas, const PluginExports& plugin);

// Main's filtered Draw of v, served from a decode at 1/wanted: true when the SourceCanvas
// holds that very draw, made ahead, and it has been copied onto the TargetCanvas.
bool TakeDrawnAhead(const int32_t v[8], ResampleFilter filter, int wanted);

// For what needs the picture itself (turning it, converting its colours): a Canvas that
// holds a draw made ahead decodes its picture; false when that decode failed.
bool HoldPictureInsteadOfDraw(Canvas* canvas);
