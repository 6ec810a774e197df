// Saving a DIB section through GDI+, in the format the path's extension selects.
#pragma once

#include <windows.h>

#include <cstdint>

// 1 when the file was written, 0 otherwise. Every save carries EncoderQuality = quality.
int SaveBitmapWithQuality(HBITMAP bitmap, const char* path, int32_t quality);
