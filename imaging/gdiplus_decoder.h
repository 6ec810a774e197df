// Decoding any image file that the installed GDI+ codecs read.
#pragma once

#include "imaging/canvas.h"

#include <windows.h>

// A new bottom-up 32-bit DIB section of the image's own size (caller owns it), or null.
// Transparent pixels come out composited over black; of several frames only the one GDI+
// makes active on loading (the first) is drawn. GDI+ must be started.
HBITMAP DecodeWithGdiplus(const char* path);

// The same picture drawn into the Canvas, whose memory is reused when the size allows.
// 0 with the Canvas untouched when GDI+ cannot open the file; a failure after that leaves
// the Canvas empty.
int LoadWithGdiplus(const char* path, Canvas* canvas);
