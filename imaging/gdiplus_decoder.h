// Decoding any image file that the installed GDI+ codecs read.
#pragma once

#include "imaging/canvas.h"
#include "metadata/file_reader.h"

#include <windows.h>

// The picture GDI+ decodes from the file at path, drawn into the Canvas, whose memory is
// reused when the size allows: 32-bit rows, bottom-up; transparent pixels composited over
// black; of several frames only the one GDI+ makes active on loading (the first). The size
// the file's header declares (read through file, the same file open) is checked against
// the pixel limit first. 0 with the Canvas untouched when GDI+ cannot open the file; a
// failure after that leaves the Canvas empty. GDI+ must be started.
int LoadWithGdiplus(const char* path, const FileReader& file, Canvas* canvas);
