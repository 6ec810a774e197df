// Decoding a file into a Canvas (Canvas::LoadFile, declared in canvas.h) and decoding its
// picture again at another scale for a Draw (source_draw.h).
#pragma once

#include "imaging/canvas.h"

// Decodes the canvas's picture again at 1/denominator from the bytes it keeps (its plug-in
// must be one that scales), turned and converted as the first decode was. A Susie result;
// after a failure past the size query the Canvas is empty.
int DecodeSourceAtScale(Canvas* canvas, int denominator);
