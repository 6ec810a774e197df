// Saving a DIB section through GDI+, in the format the path's extension selects.
#pragma once

#include "imaging/gdiplus_api.h"

#include <cstdint>

// 1 when the file was written, 0 otherwise. Every save carries EncoderQuality = quality.
int SaveBitmapWithQuality(HBITMAP bitmap, const char* path, int32_t quality);
// Reads the DIB section's header and pixel pointer (nothing is copied) and saves it; 0 when
// bitmap is not a DIB section.
int SaveBitmap(HBITMAP bitmap, const char* path, const Gdiplus::EncoderParameters* parameters);
// Saves the pixels through a GDI+ bitmap over them. The encoder writes a temporary file in
// the same folder, which replaces the file at path only when GDI+ reports success: a failed
// save (a full disk, no encoder for the extension, a folder that refuses new files) leaves
// an existing file at path untouched, and the result is 0 with the reason noted
// (common/failure_note.h).
int SaveDib(const BITMAPINFO* info, void* bits, const char* path,
            const Gdiplus::EncoderParameters* parameters);
// Looks up the first encoder whose file-name patterns contain extension (".jpg", dot
// included; letters A-Z compare without case). 1 when the list was searched: clsidOut is the
// encoder's identifier, or all zero when none matched. 0 when the list could not be had.
int FindEncoderClsid(const char* extension, CLSID* clsidOut);

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: every save goes through this function; null puts GdipSaveImageToFile back.
using SaveImageFunction = Gdiplus::GpStatus(WINGDIPAPI*)(Gdiplus::GpImage*, const WCHAR*,
                                                         const CLSID*,
                                                         const Gdiplus::EncoderParameters*);
void SetSaveImageFunction(SaveImageFunction function);
#endif
