// A Canvas: a DIB section selected into a memory DC. tesrun keeps two for the whole process
// and reuses their memory from image to image: a fresh image-sized block costs more to touch
// than a whole JPEG decode.
#pragma once

#include "common/owners.h"
#include "imaging/picture_source.h"

#include <windows.h>

#include <cstdint>

// A DIB section and what describes it, without a DC.
struct DibSection {
    HBITMAP bitmap = nullptr;
    BITMAPINFO info{}; // header and one colour entry
    void* bits = nullptr;
};

struct Canvas {
    HBITMAP bitmap = nullptr; // the DIB section; none when empty
    BITMAPINFO info{};        // header and one colour entry, cleared as a whole before filling
    void* bits = nullptr;     // the DIB section's pixels
    int32_t imageSize = 0;    // copy of info.bmiHeader.biSizeImage
    HDC dc = nullptr;         // memory DC with bitmap selected; none when empty
    // The picture LoadFile decoded, for a Canvas that holds one: its full size, and what a
    // decode at another scale needs (picture_source.h).
    PictureSource source;
    // With keepsSpare, the section last given up for one of another size stays, to be taken
    // back when that size is asked for again (the output's 1 x 1 default between images).
    bool keepsSpare = false;
    DibSection spare;
    bool blank = false; // the section was just created, so it is still black

    Canvas() = default;
    explicit Canvas(bool keepSpare) : keepsSpare(keepSpare) {}
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    // The process-wide Canvases give their DC and bitmap back when the process ends.
    ~Canvas() { Release(); }

    // A blank (black) DIB section of that size with a new DC (default drawing modes), reusing
    // the Canvas's memory when a section of that size is at hand. Sizes that are not
    // positive, or whose pixel data would exceed 2 GiB or the pixel limit, are refused (see
    // ComputeImageSize). On failure the Canvas is empty. The source becomes the blank
    // picture itself.
    int Create(int32_t width, int32_t height, uint16_t bitCount);
    // Like Create, for a decoder that writes every pixel: the contents are undefined.
    int Obtain(int32_t width, int32_t height, uint16_t bitCount);
    // Decodes the file into a 32-bit DIB section: a Susie plug-in first (through our own
    // exports when it has them, possibly at a reduced scale, see picture_source.h), GDI+
    // second. When no decoder takes the file the Canvas keeps what it held; a decode that
    // fails part-way leaves it empty. The loaded image is always bottom-up (positive height).
    int LoadFile(const char* path);
    // Deletes the DC, then the bitmaps, and zeroes every field but keepsSpare.
    void Release();
    // Takes a new DIB section (described by info) and selects it into a new memory DC;
    // on any failure the Canvas ends up empty.
    int AdoptSection(GdiObjectOwner& section);
};

// Exchanges what two Canvases hold (sections, DCs, pictures and their byte buffers); each
// keeps its own keepsSpare and spare section. How a picture decoded ahead becomes the SourceCanvas,
// and its old memory goes back to the decoder.
void SwapCanvases(Canvas* a, Canvas* b);

// Exchanges the two Canvases' sections (of the same layout), each keeping its picture's
// description, and into its DC and drawing modes: how a draw made ahead becomes the output
// without a copy, the output's memory going to the next decode.
void ExchangeSections(Canvas* into, Canvas* from);

// Leaves from empty, its section kept as into's spare (replacing the one into had, and
// reused by into's next Create of that size): how a saved output's memory goes back to the
// TargetCanvas instead of waiting, idle, in its save's slot.
void TakeAsSpare(Canvas* into, Canvas* from);

extern Canvas SourceCanvas; // the decoded input image
extern Canvas TargetCanvas; // the output the script draws
