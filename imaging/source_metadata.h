// The metadata of the picture the SourceCanvas holds, read from its file's bytes: the
// segments a JPEG output carries (SetKeepMetadata) and the ICC profile its pixels are
// converted from (SetConvertToSrgb).
#pragma once

#include "common/allocator.h"
#include "imaging/canvas.h"
#include "imaging/jpeg_metadata.h"

// The most Exif data asked of a plug-in: as much as a JPEG's APP1 segment holds.
constexpr size_t kLargestPluginExif = 65536;

// Collects the metadata of the canvas's picture that a JPEG output carries into metadata:
// a JPEG's segments, from the bytes the canvas keeps, else from the file's first 2 MiB;
// for a picture our plug-in decoded from another format, the Exif the plug-in reads (as an
// Exif segment, without profile). *read then owns the bytes metadata points into. False
// when the picture holds none of it.
bool ReadSourceMetadata(const Canvas& canvas, StorageOwner* read, JpegMetadata* metadata);

// The Exif orientation our plug-in reads of the source's file (1 to 8; 1 when there is none,
// the decoder turns the picture itself, the plug-in has no such export, or the file is a
// JPEG, whose segments the caller reads itself; kDamagedExif).
int PluginExifOrientation(const PictureSource& source);

// Converts the canvas's pixels to sRGB when its picture carries an RGB ICC profile that is
// not sRGB (a JPEG's APP2 parts, or what our plug-in that decoded it reads from the file),
// and marks the source so that every decode again at another scale is converted the same
// (see ConvertAgainToSrgb). A profile that is damaged or cannot be applied leaves the
// pixels as they are and sets *reason.
void ConvertSourceToSrgb(Canvas* canvas, const char** reason);

// For a decode again of a source ConvertSourceToSrgb converted: the same conversion.
void ConvertAgainToSrgb(Canvas* canvas);
