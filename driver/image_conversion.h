// Converting one accepted file: decode, let the script's Main draw, save, add the header.
#pragma once

#include "imaging/canvas.h"

#include <cstdint>

// Nonzero when the file was converted and saved (with its header when the script named
// one). A composed path that does not fit 259 bytes, and an output or header name that
// leaves its folder, fail the image. On failure the reason is noted (common/failure_note.h).
int ConvertImage(const char* sourceDirectory, const char* destinationDirectory,
                 const char* scriptDirectory, const char* fileName, int32_t index);

// The decoding step alone: sourceDirectory\fileName into canvas (Canvas::LoadFile).
int DecodeListedFile(Canvas* canvas, const char* sourceDirectory, const char* fileName);

// The steps after decoding, with the SourceCanvas holding the file: settings reset, Main,
// save, header.
int ConvertDecodedImage(const char* destinationDirectory, const char* scriptDirectory,
                        const char* fileName, int32_t index);
