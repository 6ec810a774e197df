// Helpers shared by the plug-in tests: probe plug-ins and probe files, the order of a
// directory search, a decoded bitmap read back as 32-bit top-down pixels, the shipped
// plug-ins loaded on their own and input bytes that end at an inaccessible page.
#pragma once

#include "imaging/canvas.h"
#include "plugins/include/susie_plugin.h"
#include "plugins/probe_plugin.h"
#include "support/temp_dir.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

inline std::string ProbeModulePath(const std::string& variant) {
    return TestProgramDirectory() + "\\susie\\probe_" + variant + ".sph";
}

// Copies a probe plug-in into dir under the given file name.
inline bool InstallProbe(const TempDir& dir, const std::string& variant, const std::string& name) {
    return CopyFileA(ProbeModulePath(variant).c_str(), (dir / name).c_str(), FALSE) != 0;
}

// The probe record of a loaded module, or null.
inline ProbeRecord* ProbeOf(HMODULE module) {
    if (module == nullptr)
        return nullptr;
    auto state = reinterpret_cast<ProbeRecordFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "ProbeState")));
    return state != nullptr ? state() : nullptr;
}

struct ProbeFile {
    uint32_t acceptMask = 1;
    int32_t result = 0;
    std::string info;           // bytes of the info block
    std::string pixels;         // bytes of the pixel block
    uint32_t infoBlockSize = 0; // 0: exactly the bytes given
    uint32_t pixelBlockSize = 0;
};

inline std::string ProbeFileBytes(const ProbeFile& file) {
    ProbeFileHeader header;
    std::memcpy(header.magic, "TSPI", 4);
    header.acceptMask = file.acceptMask;
    header.result = file.result;
    header.infoLength = static_cast<uint32_t>(file.info.size());
    header.pixelLength = static_cast<uint32_t>(file.pixels.size());
    header.infoBlockSize = file.infoBlockSize != 0 ? file.infoBlockSize : header.infoLength;
    header.pixelBlockSize = file.pixelBlockSize != 0 ? file.pixelBlockSize : header.pixelLength;
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + file.info +
           file.pixels;
}

template <class T> std::string BytesOf(const T& value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

inline BITMAPINFOHEADER MakeHeader(int32_t width, int32_t height, int bitCount,
                                   DWORD compression = BI_RGB, DWORD sizeImage = 0) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = compression;
    header.biSizeImage = sizeImage;
    return header;
}

// The file names a search for pattern in dir returns, in the order it returns them.
inline std::vector<std::string> SearchOrder(const TempDir& dir, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir / pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The bitmap's pixels converted by GDI to 32-bit BGRA rows, top row first; empty on failure.
inline std::vector<uint32_t> PixelsOf(HBITMAP bitmap, int32_t* width = nullptr,
                                      int32_t* height = nullptr) {
    BITMAP info;
    if (GetObjectA(bitmap, sizeof info, &info) == 0)
        return {};
    BITMAPINFO request = {};
    request.bmiHeader = MakeHeader(info.bmWidth, -info.bmHeight, 32);
    std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(),
                               &request, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (rows != info.bmHeight)
        return {};
    if (width != nullptr)
        *width = info.bmWidth;
    if (height != nullptr)
        *height = info.bmHeight;
    return pixels;
}

inline uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

inline std::string ProgramBinDirectory() {
    return TestProgramDirectory() + "\\..\\bin";
}

// A module of ours, loaded on its own for calls to its entry points.
struct ShippedPlugin {
    HMODULE module;
    GetPictureFunction getPicture;
    GetPictureInfoFunction getPictureInfo;
    IsSupportedFunction isSupported;
    GetPluginInfoFunction getPluginInfo;
    explicit ShippedPlugin(const std::string& name)
        : module(LoadLibraryA((ProgramBinDirectory() + "\\" + name).c_str())) {
        getPicture = Find<GetPictureFunction>("GetPicture");
        getPictureInfo = Find<GetPictureInfoFunction>("GetPictureInfo");
        isSupported = Find<IsSupportedFunction>("IsSupported");
        getPluginInfo = Find<GetPluginInfoFunction>("GetPluginInfo");
    }
    ~ShippedPlugin() { FreeLibrary(module); }
    template <class F> F Find(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
};

// Bytes placed so that their end is the end of a readable page, with an inaccessible page
// right after it: a read past the end faults.
struct GuardedBytes {
    unsigned char* base = nullptr;
    size_t pages = 0;
    const unsigned char* data = nullptr;
    explicit GuardedBytes(const std::string& bytes) {
        const size_t page = 4096;
        pages = (bytes.size() + page - 1) / page + 1;
        base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, pages * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        unsigned char* start = base + (pages - 1) * page - bytes.size();
        std::memcpy(start, bytes.data(), bytes.size());
        data = start;
    }
    ~GuardedBytes() { VirtualFree(base, 0, MEM_RELEASE); }
};

// A file decoded as tesrun decodes it (Canvas::LoadFile: the plug-ins, then GDI+, which
// reads none of the test files), its 32-bit bottom-up picture handed over as the Canvas's
// DIB section, which the caller deletes; null when nothing decodes it.
inline HBITMAP LoadThroughHost(const std::string& path) {
    Canvas canvas;
    if (!canvas.LoadFile(path.c_str()))
        return nullptr;
    HBITMAP bitmap = canvas.bitmap;
    DeleteDC(canvas.dc); // deselects the section
    canvas.dc = nullptr;
    canvas.bitmap = nullptr;
    return bitmap;
}
