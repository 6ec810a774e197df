// Decoding any image file that the installed GDI+ codecs read.
#pragma once

#include <windows.h>

// A new bottom-up 32-bit DIB section of the image's own size (caller owns it), or null.
// Transparent pixels come out composited over black; of several frames only the one GDI+
// makes active on loading (the first) is drawn. GDI+ must be started.
HBITMAP DecodeWithGdiplus(const char* path);
