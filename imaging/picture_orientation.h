// Turning the decoded picture upright by its Exif orientation (metadata/exif_orientation.h), when
// the script asks for it (SetAutoOrient): Main then sees the upright size and pixels.
#pragma once

#include "imaging/canvas.h"

// Run-wide, set by the script: every picture is turned upright before Main.
extern bool AutoOrient;

// The Exif orientation (1 to 8) of the canvas's picture, from its metadata.
int PictureOrientation(Canvas* canvas);

// Whether the orientation exchanges width and height (5 to 8: the quarter turns).
inline bool TurnSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Turns the canvas's pixels as the orientation says (the picture's full size follows). 0
// when there is no memory for the turn: the Canvas is then empty.
int TurnUpright(Canvas* canvas);

// Turns the pixels alone, for a decode again of a picture already turned.
int TurnPixels(Canvas* canvas, int orientation);
