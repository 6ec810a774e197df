#include "imaging/gdiplus_decoder.h"

#include "common/owners.h"
#include "common/failure_note.h"
#include "common/paths.h"
#include "common/pixel_limit.h"
#include "imaging/declared_size.h"
#include "imaging/dib_header.h"
#include "imaging/gdiplus_owners.h"

using namespace Gdiplus::DllExports;

namespace {

size_t ReadFileAt(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const HANDLE file = static_cast<HANDLE>(context);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (offset > INT64_MAX || length > 0xFFFF ||
        !SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
        !ReadFile(file, buffer, static_cast<DWORD>(length), &read, nullptr))
        return 0;
    return read;
}

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
bool DeclaredSizeWithinLimit(const char* path) {
    FileOwner file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    DeclaredSize size;
    if (!file || !ReadDeclaredSize(ReadFileAt, file.get(), &size))
        return true; // GDI+ decides
    return WithinLimit(size.width, size.height);
}

} // namespace

HBITMAP DecodeWithGdiplus(const char* path) {
    // A path longer than the buffer makes the conversion fail: a failure, never a cut-off
    // name that could open another file.
    WCHAR widePath[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, static_cast<int>(kPathSize)) == 0)
        return nullptr;

    if (!DeclaredSizeWithinLimit(path))
        return nullptr;

    // Declared first so that it goes last: the surface and the graphics context draw into
    // the DIB section's memory and must be gone before it is deleted.
    GdiObjectOwner section;

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

    UINT width = 0;
    UINT height = 0;
    if (GdipGetImageWidth(decoded, &width) != Gdiplus::Ok)
        width = 0;
    if (GdipGetImageHeight(decoded, &height) != Gdiplus::Ok)
        height = 0;
    if (!WithinLimit(width, height))
        return nullptr;
    const auto signedWidth = static_cast<int32_t>(width);
    const auto signedHeight = static_cast<int32_t>(height);

    // Positive height: the rows lie bottom-up like every Canvas's.
    BITMAPINFO header;
    if (!FillDibHeader(&header, signedWidth, signedHeight, 32))
        return nullptr;
    void* bits = nullptr;
    section.reset(CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section)
        return nullptr;

    ImageRecordOwner surface(NewImageRecord());
    if (!surface)
        return nullptr;
    // The surface uses the DIB section's memory in place: GdipCreateBitmapFromScan0 is
    // documented to, while GdipCreateBitmapFromGdiDib copies the pixels under Wine, where
    // the drawing would then never reach the DIB section. Bottom-up rows: the scan starts at
    // the last row in memory and steps backwards.
    const INT stride = signedWidth * 4;
    BYTE* topRow = static_cast<BYTE*>(bits) + static_cast<size_t>(signedHeight - 1) * stride;
    Gdiplus::GpBitmap* surfaceBitmap = nullptr;
    surface.get()->status = GdipCreateBitmapFromScan0(signedWidth, signedHeight, -stride,
                                                      PixelFormat32bppRGB, topRow, &surfaceBitmap);
    surface.get()->image = surfaceBitmap;
    if (surface.get()->status != Gdiplus::Ok)
        return nullptr;

    GraphicsRecordOwner graphics(NewGraphicsRecord());
    if (!graphics)
        return nullptr;
    Gdiplus::GpGraphics* context = nullptr;
    graphics.get()->status = GdipGetImageGraphicsContext(surfaceBitmap, &context);
    graphics.get()->graphics = context;
    if (graphics.get()->status != Gdiplus::Ok)
        return nullptr;

    // The DIB section starts black, so transparent pixels end up black.
    graphics.get()->status = GdipDrawImageRectI(context, decoded, 0, 0, signedWidth, signedHeight);
    if (graphics.get()->status != Gdiplus::Ok)
        return nullptr;

    // The owners release graphics, surface and image here, before the section is handed out.
    graphics.reset();
    surface.reset();
    image.reset();
    return static_cast<HBITMAP>(section.release());
}
