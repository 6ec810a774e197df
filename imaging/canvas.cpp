#include "imaging/canvas.h"

#include "common/failure_note.h"
#include "common/owners.h"
#include "common/pixel_limit.h"
#include "imaging/dib_header.h"

#include <cstring>
#include <utility>

Canvas SourceCanvas;
Canvas TargetCanvas(true);

namespace {

void DeleteSection(DibSection* section) {
    if (section->bitmap != nullptr)
        DeleteObject(section->bitmap);
    *section = DibSection{};
}

bool SameLayout(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight && a.biBitCount == b.biBitCount;
}

} // namespace

void Canvas::Release() {
    // GDI refuses to delete a bitmap still selected into a DC: the DC goes first.
    if (dc != nullptr) {
        DeleteDC(dc);
        dc = nullptr;
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    DeleteSection(&spare);
    std::memset(&info, 0, sizeof info);
    bits = nullptr;
    imageSize = 0;
    blank = false;
    ResetPictureSource(&source);
}

int Canvas::Obtain(int32_t width, int32_t height, uint16_t bitCount) {
    if (!PictureWithinPixelLimit(width, height)) {
        Release();
        NoteFailure("a canvas of %d x %d pixels exceeds the limit of %llu pixels (%s)", width,
                    height, static_cast<unsigned long long>(PixelLimit()), kPixelLimitVariable);
        return 0;
    }
    BITMAPINFO wanted;
    if (!FillDibHeader(&wanted, width, height, bitCount)) {
        Release();
        return 0;
    }
    // A new DC each time: the drawing modes a script set for the last image do not carry over.
    if (dc != nullptr) {
        DeleteDC(dc);
        dc = nullptr;
    }
    DibSection current{bitmap, info, bits};
    blank = false;
    if (bitmap == nullptr || !SameLayout(info.bmiHeader, wanted.bmiHeader)) {
        if (spare.bitmap != nullptr && SameLayout(spare.info.bmiHeader, wanted.bmiHeader)) {
            std::swap(current, spare);
        } else {
            if (keepsSpare && current.bitmap != nullptr) {
                DeleteSection(&spare);
                spare = current;
            } else {
                DeleteSection(&current);
            }
            current = DibSection{nullptr, wanted, nullptr};
            current.bitmap =
                CreateDIBSection(nullptr, &current.info, DIB_RGB_COLORS, &current.bits, nullptr, 0);
            blank = true;
        }
    }
    bitmap = nullptr;
    info = current.info;
    bits = current.bits;
    GdiObjectOwner section(current.bitmap);
    return AdoptSection(section);
}

int Canvas::Create(int32_t width, int32_t height, uint16_t bitCount) {
    if (!Obtain(width, height, bitCount))
        return 0;
    if (!blank)
        std::memset(bits, 0, static_cast<size_t>(imageSize));
    ResetPictureSource(&source);
    source.width = width;
    source.height = height;
    return 1;
}

int Canvas::AdoptSection(GdiObjectOwner& section) {
    DcOwner memory(section ? CreateCompatibleDC(nullptr) : nullptr);
    if (!section || !memory || SelectObject(memory.get(), section.get()) == nullptr) {
        // Nothing half-made stays behind: a Canvas either holds both or neither.
        memory.reset();
        section.reset();
        Release();
        return 0;
    }
    bitmap = static_cast<HBITMAP>(section.release());
    dc = memory.release();
    imageSize = static_cast<int32_t>(info.bmiHeader.biSizeImage);
    return 1;
}

namespace {
// Puts a DC's original object back before the DC is deleted.
struct Selection {
    HDC dc;
    HGDIOBJ previous;
    Selection(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous != nullptr)
            SelectObject(dc, previous);
    }
    explicit operator bool() const { return previous != nullptr; }
};
} // namespace

void ExchangeSections(Canvas* into, Canvas* from) {
    DeleteDC(from->dc); // a section is selected into one DC at a time
    from->dc = nullptr;
    const DibSection had{into->bitmap, into->info, into->bits};
    DibSection gets{from->bitmap, from->info, from->bits};
    if (SelectObject(into->dc, from->bitmap) != nullptr) {
        into->bitmap = from->bitmap;
        into->info = from->info;
        into->bits = from->bits;
        into->imageSize = from->imageSize;
        into->blank = false;
        gets = had;
    } else { // GDI would not: the pixels are copied instead
        std::memcpy(into->bits, from->bits, static_cast<size_t>(from->imageSize));
    }
    DcOwner memory(CreateCompatibleDC(nullptr));
    if (!memory || SelectObject(memory.get(), gets.bitmap) == nullptr) {
        DeleteSection(&gets); // from holds no section, a draw from it decodes again
        from->bitmap = nullptr;
        from->bits = nullptr;
        std::memset(&from->info, 0, sizeof from->info);
        from->imageSize = 0;
        return;
    }
    from->dc = memory.release();
    from->bitmap = gets.bitmap;
    from->info = gets.info;
    from->bits = gets.bits;
    from->imageSize = static_cast<int32_t>(gets.info.bmiHeader.biSizeImage);
    from->blank = false;
}

void TakeAsSpare(Canvas* into, Canvas* from) {
    if (from->bitmap != nullptr) { // its DC goes with Release, the section selected or not
        DeleteSection(&into->spare);
        into->spare = DibSection{from->bitmap, from->info, from->bits};
        from->bitmap = nullptr;
    }
    from->Release();
}

void SwapCanvases(Canvas* a, Canvas* b) {
    std::swap(a->bitmap, b->bitmap);
    std::swap(a->info, b->info);
    std::swap(a->bits, b->bits);
    std::swap(a->imageSize, b->imageSize);
    std::swap(a->dc, b->dc);
    std::swap(a->blank, b->blank);
    std::swap(a->source, b->source);
}
