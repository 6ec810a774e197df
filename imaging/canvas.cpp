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

HBITMAP CopyToDibSection(BITMAPINFO* info, void** bitsOut, HBITMAP source) {
    *bitsOut = nullptr;
    BITMAP sourceBitmap;
    if (GetObjectA(source, sizeof sourceBitmap, &sourceBitmap) != sizeof sourceBitmap)
        return nullptr;
    DcOwner sourceDc(CreateCompatibleDC(nullptr));
    if (!sourceDc)
        return nullptr;
    DcOwner destinationDc(CreateCompatibleDC(nullptr));
    if (!destinationDc)
        return nullptr;

    BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biWidth == 0)
        header.biWidth = sourceBitmap.bmWidth;
    if (header.biHeight == 0)
        header.biHeight = sourceBitmap.bmHeight;
    int32_t size = 0;
    if (!ComputeImageSize(header.biWidth, header.biHeight, header.biBitCount, &size))
        return nullptr;
    header.biSizeImage = static_cast<DWORD>(size);

    void* bits = nullptr;
    GdiObjectOwner section(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section)
        return nullptr;
    bool copied = false;
    {
        Selection fromSource(sourceDc.get(), source);
        Selection intoSection(destinationDc.get(), section.get());
        // A bitmap selected into another DC cannot be selected here; blitting anyway would
        // copy the DC's empty default bitmap and report success.
        copied = fromSource && intoSection &&
                 BitBlt(destinationDc.get(), 0, 0, sourceBitmap.bmWidth, sourceBitmap.bmHeight,
                        sourceDc.get(), 0, 0, SRCCOPY);
    }
    if (!copied)
        return nullptr;
    *bitsOut = bits;
    return static_cast<HBITMAP>(section.release());
}

void SwapCanvases(Canvas* a, Canvas* b) {
    std::swap(a->bitmap, b->bitmap);
    std::swap(a->info, b->info);
    std::swap(a->bits, b->bits);
    std::swap(a->imageSize, b->imageSize);
    std::swap(a->dc, b->dc);
    std::swap(a->spare, b->spare);
    std::swap(a->blank, b->blank);
    PictureSource& x = a->source;
    PictureSource& y = b->source;
    std::swap(x.width, y.width);
    std::swap(x.height, y.height);
    std::swap(x.denominator, y.denominator);
    std::swap(x.scaledSize, y.scaledSize);
    std::swap(x.scaled, y.scaled);
    std::swap(x.iccProfile, y.iccProfile);
    std::swap(x.exif, y.exif);
    std::swap(x.image.block, y.image.block);
    std::swap(x.imageSize, y.imageSize);
    std::swap(x.imageCapacity, y.imageCapacity);
    std::swap(x.lost, y.lost);
    std::swap(x.orientation, y.orientation);
    std::swap(x.turned, y.turned);
    std::swap(x.exifDamaged, y.exifDamaged);
    std::swap(x.inSrgb, y.inSrgb);
    std::swap(x.path, y.path);
}
