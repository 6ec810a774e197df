// bare_loop: the floor under tesrun. The same platform calls tesrun's pipeline makes
// (GDI+ decode drawn into a 32-bit DIB section, GDI StretchBlt under HALFTONE, GDI+ encode
// straight from the DIB section) with no script, no plug-ins and no checks beyond the
// results of those calls. It times each phase with QueryPerformanceCounter.
//
//   bare_loop source destination extension size output-extension [decode]
//     extension         the input extension without its dot (one only, any letter case)
//     size              fitN: fit into N x N, never enlarge; half: half the width and
//                       height; same: no stretch at all, the decoded DIB is encoded as it is
//     output-extension  jpg, png, bmp, ... without the dot; selects the GDI+ encoder
//     decode            how the decoded picture reaches the DIB section: scan0 (the
//                       default, as tesrun does it), dc, lockbits or scan0copy (see
//                       DecodeMode)
//
// Output: one file per input, named like the input with the output extension, and one
// summary line: "files N failed F decode D stretch S encode E total T" (seconds).
// Exit code 0 when every file was written.
#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out what GDI+'s headers need (PROPID, IStream).
#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace gp = Gdiplus::DllExports;

namespace {

struct Phases {
    double decode = 0;
    double stretch = 0;
    double encode = 0;
};

struct Size {
    int width;
    int height;
};

// How the decoded picture gets into the DIB section.
enum class DecodeMode {
    Scan0,     // draw on a GDI+ bitmap over the DIB's memory (GdipCreateBitmapFromScan0)
    Dc,        // draw through a memory DC that holds the DIB section (GdipCreateFromHDC)
    LockBits,  // no drawing: GdipBitmapLockBits converts straight into the DIB's memory
    Scan0Copy, // Scan0, then BitBlt into a second DIB section, as tesrun's Canvas loading does
};
// (Under Wine 8, GdipCreateBitmapFromGdiDib copies the pixels, so drawing on such a surface
// never reaches the DIB section; GdipCreateBitmapFromScan0 uses the memory in place.)

struct Request {
    const char* source;
    const char* destination;
    const char* extension;
    const char* size;
    const char* outputExtension;
    DecodeMode decodeMode;
};

double Now() {
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Widen(const char* text, wchar_t* out, int capacity) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, capacity) != 0;
}

BITMAPINFO DibHeader(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, like a Canvas
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    return info;
}

// A DIB section with its header and pixels; deleted when the record goes.
struct Dib {
    BITMAPINFO info{};
    void* bits = nullptr;
    HBITMAP bitmap = nullptr;
    Dib() = default;
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    ~Dib() { Reset(); }
    void Reset() {
        if (bitmap)
            DeleteObject(bitmap);
        bitmap = nullptr;
        bits = nullptr;
    }
    bool Create(int width, int height) {
        info = DibHeader(width, height);
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        return bitmap != nullptr;
    }
};

bool FindEncoder(const char* outputExtension, CLSID* clsid) {
    UINT count = 0;
    UINT bytes = 0;
    if (gp::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<unsigned char> storage(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    if (gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    wchar_t wanted[32];
    char pattern[40];
    std::snprintf(pattern, sizeof pattern, "*.%s", outputExtension);
    if (!Widen(pattern, wanted, 32))
        return false;
    for (UINT i = 0; i < count; ++i) {
        const wchar_t* list = codecs[i].FilenameExtension;
        const size_t wantedLength = wcslen(wanted);
        for (const wchar_t* p = list; p && *p;) {
            const wchar_t* end = wcschr(p, L';');
            const size_t length = end ? static_cast<size_t>(end - p) : wcslen(p);
            if (length == wantedLength && _wcsnicmp(p, wanted, length) == 0) {
                *clsid = codecs[i].Clsid;
                return true;
            }
            p = end ? end + 1 : nullptr;
        }
    }
    return false;
}

bool DrawInto(Gdiplus::GpGraphics* graphics, Gdiplus::GpBitmap* image, UINT width, UINT height) {
    const bool drawn = gp::GdipDrawImageRectI(graphics, image, 0, 0, static_cast<INT>(width),
                                              static_cast<INT>(height)) == Gdiplus::Ok;
    gp::GdipDeleteGraphics(graphics);
    return drawn;
}

// GDI+ decodes the file into a fresh 32-bit DIB section of its own size.
bool Decode(const wchar_t* path, Dib& dib, DecodeMode mode) {
    Gdiplus::GpBitmap* image = nullptr;
    if (gp::GdipCreateBitmapFromFile(path, &image) != Gdiplus::Ok)
        return false;
    UINT width = 0;
    UINT height = 0;
    gp::GdipGetImageWidth(image, &width);
    gp::GdipGetImageHeight(image, &height);
    bool drawn = false;
    if (dib.Create(static_cast<int>(width), static_cast<int>(height))) {
        // Bottom-up rows: the top row is the last one in memory, the scan steps backwards.
        const INT stride = static_cast<INT>(width) * 4;
        BYTE* topRow = static_cast<BYTE*>(dib.bits) +
                       static_cast<size_t>(height - 1) * static_cast<size_t>(stride);
        if (mode == DecodeMode::LockBits) {
            Gdiplus::BitmapData data{};
            data.Width = width;
            data.Height = height;
            data.Stride = -stride;
            data.PixelFormat = PixelFormat32bppRGB;
            data.Scan0 = topRow;
            Gdiplus::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
            const UINT lock = Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf;
            if (gp::GdipBitmapLockBits(image, &all, lock, PixelFormat32bppRGB, &data) ==
                Gdiplus::Ok)
                drawn = gp::GdipBitmapUnlockBits(image, &data) == Gdiplus::Ok;
        } else if (mode == DecodeMode::Scan0 || mode == DecodeMode::Scan0Copy) {
            Gdiplus::GpBitmap* surface = nullptr;
            if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height),
                                              -stride, PixelFormat32bppRGB, topRow,
                                              &surface) == Gdiplus::Ok) {
                Gdiplus::GpGraphics* graphics = nullptr;
                if (gp::GdipGetImageGraphicsContext(surface, &graphics) == Gdiplus::Ok)
                    drawn = DrawInto(graphics, image, width, height);
                gp::GdipDisposeImage(surface);
            }
        } else if (HDC dc = CreateCompatibleDC(nullptr)) {
            HGDIOBJ old = SelectObject(dc, dib.bitmap);
            Gdiplus::GpGraphics* graphics = nullptr;
            if (gp::GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok)
                drawn = DrawInto(graphics, image, width, height);
            SelectObject(dc, old);
            DeleteDC(dc);
        }
    }
    gp::GdipDisposeImage(image);
    return drawn;
}

Size OutputSize(const char* size, int width, int height) {
    if (std::strcmp(size, "half") == 0)
        return {std::max(1, static_cast<int>(std::lround(width * 0.5))),
                std::max(1, static_cast<int>(std::lround(height * 0.5)))};
    if (std::strncmp(size, "fit", 3) == 0) {
        const double box = std::atof(size + 3);
        double scale = std::min(box / width, box / height);
        if (scale > 1.0)
            scale = 1.0;
        return {std::max(1, static_cast<int>(std::lround(width * scale))),
                std::max(1, static_cast<int>(std::lround(height * scale)))};
    }
    return {width, height};
}

// Draws source into a new DIB section of width x height: StretchBlt under HALFTONE, or a
// plain BitBlt when the sizes agree.
bool CopyDib(const Dib& source, Dib& target, int width, int height) {
    if (!target.Create(width, height))
        return false;
    HDC sourceDc = CreateCompatibleDC(nullptr);
    HDC targetDc = CreateCompatibleDC(nullptr);
    bool done = false;
    if (sourceDc && targetDc) {
        HGDIOBJ oldSource = SelectObject(sourceDc, source.bitmap);
        HGDIOBJ oldTarget = SelectObject(targetDc, target.bitmap);
        const int sourceWidth = source.info.bmiHeader.biWidth;
        const int sourceHeight = source.info.bmiHeader.biHeight;
        if (width == sourceWidth && height == sourceHeight) {
            done = BitBlt(targetDc, 0, 0, width, height, sourceDc, 0, 0, SRCCOPY) != FALSE;
        } else {
            SetStretchBltMode(targetDc, HALFTONE);
            SetBrushOrgEx(targetDc, 0, 0, nullptr);
            done = StretchBlt(targetDc, 0, 0, width, height, sourceDc, 0, 0, sourceWidth,
                              sourceHeight, SRCCOPY) != FALSE;
        }
        SelectObject(sourceDc, oldSource);
        SelectObject(targetDc, oldTarget);
    }
    if (sourceDc)
        DeleteDC(sourceDc);
    if (targetDc)
        DeleteDC(targetDc);
    return done;
}

bool Stretch(const Dib& source, Dib& target, Size size) {
    return CopyDib(source, target, size.width, size.height);
}

bool Encode(const Dib& dib, const wchar_t* path, const CLSID& encoder) {
    Gdiplus::GpBitmap* image = nullptr;
    if (gp::GdipCreateBitmapFromGdiDib(&dib.info, dib.bits, &image) != Gdiplus::Ok)
        return false;
    LONG quality = 75; // what tesrun passes by default
    Gdiplus::EncoderParameters parameters{};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].Value = &quality;
    const bool saved = gp::GdipSaveImageToFile(image, path, &encoder, &parameters) == Gdiplus::Ok;
    gp::GdipDisposeImage(image);
    return saved;
}

bool HasExtension(const char* name, const char* extension) {
    const char* dot = std::strrchr(name, '.');
    return dot && lstrcmpiA(dot + 1, extension) == 0;
}

bool ConvertOne(const Request& request, const char* name, const CLSID& encoder, Phases& phases) {
    char path[MAX_PATH];
    char output[MAX_PATH];
    const char* dot = std::strrchr(name, '.');
    const int baseLength = static_cast<int>(dot - name);
    const int pathLength = std::snprintf(path, sizeof path, "%s\\%s", request.source, name);
    const int outputLength =
        std::snprintf(output, sizeof output, "%s\\%.*s.%s", request.destination, baseLength, name,
                      request.outputExtension);
    if (pathLength < 0 || pathLength >= MAX_PATH || outputLength < 0 || outputLength >= MAX_PATH)
        return false;
    wchar_t widePath[MAX_PATH];
    wchar_t wideOutput[MAX_PATH];
    if (!Widen(path, widePath, MAX_PATH) || !Widen(output, wideOutput, MAX_PATH))
        return false;

    double start = Now();
    Dib decoded;
    if (!Decode(widePath, decoded, request.decodeMode))
        return false;
    Dib copied;
    if (request.decodeMode == DecodeMode::Scan0Copy &&
        !CopyDib(decoded, copied, decoded.info.bmiHeader.biWidth, decoded.info.bmiHeader.biHeight))
        return false;
    if (request.decodeMode == DecodeMode::Scan0Copy)
        decoded.Reset(); // tesrun frees the decoder's bitmap right after the copy
    const Dib& source = request.decodeMode == DecodeMode::Scan0Copy ? copied : decoded;
    double now = Now();
    phases.decode += now - start;
    start = now;

    const Size size =
        OutputSize(request.size, source.info.bmiHeader.biWidth, source.info.bmiHeader.biHeight);
    Dib stretched;
    const bool stretch = std::strcmp(request.size, "same") != 0;
    if (stretch && !Stretch(source, stretched, size))
        return false;
    now = Now();
    phases.stretch += now - start;
    start = now;

    const bool saved = Encode(stretch ? stretched : source, wideOutput, encoder);
    phases.encode += Now() - start;
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::printf("Usage: bare_loop source destination extension fitN|half|same output-extension "
                    "[scan0|dc|lockbits|scan0copy]\n");
        return 2;
    }
    DecodeMode mode = DecodeMode::Scan0;
    if (argc > 6 && std::strcmp(argv[6], "dc") == 0)
        mode = DecodeMode::Dc;
    else if (argc > 6 && std::strcmp(argv[6], "lockbits") == 0)
        mode = DecodeMode::LockBits;
    else if (argc > 6 && std::strcmp(argv[6], "scan0copy") == 0)
        mode = DecodeMode::Scan0Copy;
    const Request request{argv[1], argv[2], argv[3], argv[4], argv[5], mode};
    const double start = Now();

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    CLSID encoder{};
    if (!FindEncoder(request.outputExtension, &encoder)) {
        std::printf("No encoder for .%s\n", request.outputExtension);
        Gdiplus::GdiplusShutdown(token);
        return 1;
    }

    char pattern[MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%s\\*.*", request.source);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    unsigned files = 0;
    unsigned failed = 0;
    Phases phases;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                !HasExtension(entry.cFileName, request.extension))
                continue;
            ++files;
            if (!ConvertOne(request, entry.cFileName, encoder, phases)) {
                ++failed;
                std::printf("Failed\t%s\n", entry.cFileName);
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    Gdiplus::GdiplusShutdown(token);
    std::printf("files %u failed %u decode %.4f stretch %.4f encode %.4f total %.4f\n", files,
                failed, phases.decode, phases.stretch, phases.encode, Now() - start);
    return failed == 0 ? 0 : 1;
}
