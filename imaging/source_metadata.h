// The metadata of the picture a Canvas decoded (metadata/photo_metadata.h), read once while
// its file is open for decoding: the orientation, the colour conversion and the save all
// take it from there.
#pragma once

#include "imaging/canvas.h"
#include "metadata/file_reader.h"

// Run-wide, set by the run before any picture is decoded: whether a script's switches need
// the metadata of every picture (SetAutoOrient, SetKeepMetadata, SetConvertToSrgb). A
// picture decoded without it reads its metadata when first asked (GetOrientation).
extern bool SourceMetadataWanted;

// Reads the metadata of the picture a plug-in decoded from its file image: a JPEG's,
// PNG's or TIFF's own, else what the plug-in's exports read (Exif, a profile).
void ReadPluginSourceMetadata(PictureSource* source);

// Reads the metadata of a file GDI+ is about to decode, through the open file.
void ReadFileSourceMetadata(PictureSource* source, const FileReader& file);

// The source's metadata, read now when it was not at load (opening its file once more for
// a picture GDI+ decoded).
const PhotoMetadata& SourceMetadata(PictureSource* source);

// Converts the canvas's pixels to sRGB when its picture carries an RGB ICC profile that is
// not sRGB, and marks the source so that every decode again at another scale is converted
// the same (see ConvertAgainToSrgb). A profile that is damaged or cannot be applied leaves
// the pixels as they are and sets *reason.
void ConvertSourceToSrgb(Canvas* canvas, const char** reason);

// For a decode again of a source ConvertSourceToSrgb converted: the same conversion.
void ConvertAgainToSrgb(Canvas* canvas);
