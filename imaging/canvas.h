// A Canvas: a DIB section selected into a memory DC. tesrun keeps two for the whole process.
#pragma once

#include "common/owners.h"

#include <windows.h>

#include <cstdint>

struct Canvas {
    HBITMAP bitmap = nullptr; // the DIB section; none when empty
    BITMAPINFO info{};        // header and one colour entry, cleared as a whole before filling
    void* bits = nullptr;     // the DIB section's pixels
    int32_t imageSize = 0;    // copy of info.bmiHeader.biSizeImage
    HDC dc = nullptr;         // memory DC with bitmap selected; none when empty

    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    // The process-wide Canvases give their DC and bitmap back when the process ends.
    ~Canvas() { Release(); }

    // Releases what the Canvas holds and creates a blank (black) DIB section with its DC.
    // Sizes that are not positive, or whose pixel data would exceed 2 GiB, are refused (see
    // ComputeImageSize). On failure the Canvas is empty.
    int Create(int32_t width, int32_t height, uint16_t bitCount);
    // Decodes the file (Susie plug-ins first, GDI+ second) into a DIB section of bitCount.
    // When no decoder accepts the file the Canvas keeps what it held; a failure after that
    // leaves it empty. The loaded image is always bottom-up (positive height).
    int LoadFile(const char* path, uint16_t bitCount);
    // Deletes the DC, then the bitmap, and zeroes every field.
    void Release();
    // Takes a new DIB section (described by info) and selects it into a new memory DC;
    // on any failure the Canvas ends up empty.
    int AdoptSection(GdiObjectOwner& section);
};

extern Canvas SourceCanvas; // the decoded input image
extern Canvas TargetCanvas; // the output the script draws

// Copies any GDI bitmap into a new DIB section described by info (a zero width or height
// takes the source's); only the source's own size is copied, the rest stays black. Does not
// take ownership of source. None when the size is refused (see FillDibHeader), when source
// cannot be selected (it is selected into another DC) or when any GDI call fails.
HBITMAP CopyToDibSection(BITMAPINFO* info, void** bitsOut, HBITMAP source);
