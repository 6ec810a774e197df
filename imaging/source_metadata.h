// The metadata of the picture the SourceCanvas holds, read from its file's bytes: the
// segments a JPEG output carries (SetKeepMetadata) and the ICC profile its pixels are
// converted from (SetConvertToSrgb).
#pragma once

#include "common/allocator.h"
#include "imaging/canvas.h"
#include "imaging/jpeg_metadata.h"

// Collects the JPEG metadata of the canvas's picture into metadata: from the bytes the
// canvas keeps, else from the file's first 2 MiB, which *read then owns (metadata points
// into them). False when the picture is no JPEG or holds none of it.
bool ReadSourceMetadata(const Canvas& canvas, StorageOwner* read, JpegMetadata* metadata);

// Converts the canvas's pixels to sRGB when its picture carries an RGB ICC profile that is
// not sRGB (a JPEG's APP2 parts, or what our plug-in that decoded it reads from the file),
// and marks the source so that every decode again at another scale is converted the same
// (see ConvertAgainToSrgb). A profile that is damaged or cannot be applied leaves the
// pixels as they are and sets *reason.
void ConvertSourceToSrgb(Canvas* canvas, const char** reason);

// For a decode again of a source ConvertSourceToSrgb converted: the same conversion.
void ConvertAgainToSrgb(Canvas* canvas);
