#include "imaging/gdiplus_decoder.h"

#include "common/owners.h"
#include "common/failure_note.h"
#include "common/paths.h"
#include "common/pixel_limit.h"
#include "imaging/dib_header.h"
#include "imaging/gdiplus_owners.h"
#include "metadata/declared_size.h"

#include <cstring>

using namespace Gdiplus::DllExports;

namespace {

bool WithinLimit(uint64_t width, uint64_t height) {
    if (width <= INT32_MAX && height <= INT32_MAX &&
        PictureWithinPixelLimit(static_cast<int64_t>(width), static_cast<int64_t>(height)))
        return true;
    NoteFailure("the picture's %llu x %llu pixels exceed the limit of %llu pixels (%s)",
                static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                static_cast<unsigned long long>(PixelLimit()), kPixelLimitVariable);
    return false;
}

// False when the file's header declares a picture above the pixel limit; GDI+ would decode
// all of it before telling its size.
bool DeclaredSizeWithinLimit(const FileReader& file) {
    DeclaredSize size;
    if (!ReadDeclaredSize(file.Fresh(), &size))
        return true; // GDI+ decides
    return WithinLimit(size.width, size.height);
}

// Opens the file with GDI+; the picture's size within the pixel limit. None on failure,
// with the reason noted.
GdiplusImageRecord* OpenWithGdiplus(const char* path, const FileReader& file, int32_t* width,
                                    int32_t* height) {
    // A path longer than the buffer makes the conversion fail: a failure, never a cut-off
    // name that could open another file.
    WCHAR widePath[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, static_cast<int>(kPathSize)) == 0)
        return nullptr;
    if (!DeclaredSizeWithinLimit(file))
        return nullptr;

    ImageRecordOwner image(NewImageRecord());
    if (!image)
        return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    image.get()->status = GdipCreateBitmapFromFile(widePath, &decoded);
    image.get()->image = decoded;
    if (image.get()->status != Gdiplus::Ok) {
        NoteFailure("GDI+ cannot read it (status %d)", image.get()->status);
        return nullptr;
    }
    UINT w = 0;
    UINT h = 0;
    if (GdipGetImageWidth(decoded, &w) != Gdiplus::Ok)
        w = 0;
    if (GdipGetImageHeight(decoded, &h) != Gdiplus::Ok)
        h = 0;
    if (!WithinLimit(w, h))
        return nullptr;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return image.release();
}

// Draws the opened picture over 32-bit bottom-up rows of its own size.
bool DrawGdiplusPicture(Gdiplus::GpImage* decoded, void* bits, int32_t width, int32_t height) {
    ImageRecordOwner surface(NewImageRecord());
    if (!surface)
        return false;
    // The surface uses the rows in place: GdipCreateBitmapFromScan0 is documented to, while
    // GdipCreateBitmapFromGdiDib copies the pixels under Wine, where the drawing would then
    // never reach them. Bottom-up rows: the scan starts at the last row in memory and steps
    // backwards.
    const INT stride = width * 4;
    BYTE* topRow = static_cast<BYTE*>(bits) + static_cast<size_t>(height - 1) * stride;
    Gdiplus::GpBitmap* surfaceBitmap = nullptr;
    surface.get()->status = GdipCreateBitmapFromScan0(width, height, -stride, PixelFormat32bppRGB,
                                                      topRow, &surfaceBitmap);
    surface.get()->image = surfaceBitmap;
    if (surface.get()->status != Gdiplus::Ok)
        return false;

    GraphicsRecordOwner graphics(NewGraphicsRecord());
    if (!graphics)
        return false;
    Gdiplus::GpGraphics* context = nullptr;
    graphics.get()->status = GdipGetImageGraphicsContext(surfaceBitmap, &context);
    graphics.get()->graphics = context;
    if (graphics.get()->status != Gdiplus::Ok)
        return false;
    graphics.get()->status = GdipDrawImageRectI(context, decoded, 0, 0, width, height);
    // The owners release graphics and surface before the rows are used elsewhere.
    return graphics.get()->status == Gdiplus::Ok;
}

} // namespace

int LoadWithGdiplus(const char* path, const FileReader& file, Canvas* canvas) {
    int32_t width = 0;
    int32_t height = 0;
    ImageRecordOwner image(OpenWithGdiplus(path, file, &width, &height));
    if (!image)
        return 0; // the Canvas keeps what it held
    if (!canvas->Obtain(width, height, 32))
        return 0;
    // Transparent pixels end up black: the draw composites over cleared rows.
    std::memset(canvas->bits, 0, static_cast<size_t>(canvas->imageSize));
    if (!DrawGdiplusPicture(image.get()->image, canvas->bits, width, height)) {
        canvas->Release();
        return 0;
    }
    return 1;
}
