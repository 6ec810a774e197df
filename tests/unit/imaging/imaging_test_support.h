// What the imaging tests share: GDI+ started per test, the generated input images, pixel
// reads that know the row order, and a count of the process's GDI objects.
#pragma once

#include "imaging/canvas.h"
#include "imaging/gdiplus_api.h"
#include "imaging/gdiplus_owners.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <string>

class GdiplusTest : public ::testing::Test {
  protected:
    ULONG_PTR token = 0;
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override {
        EXPECT_EQ(LiveGdiplusRecords(), 0);
        Gdiplus::GdiplusShutdown(token);
    }
};

// Images made by tests/unit/imaging/make_fixtures.sh at build time.
inline std::string Fixture(const std::string& name) {
    return TestProgramDirectory() + "\\fixtures\\imaging\\" + name;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// The pixel at image column x, row y (row 0 at the top) of a 32-bit DIB, whichever way its
// rows lie in memory.
inline Rgb PixelOf(const BITMAPINFOHEADER& header, const void* bits, int x, int y) {
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const int row = header.biHeight < 0 ? y : height - 1 - y;
    const auto* p =
        static_cast<const uint8_t*>(bits) + (static_cast<size_t>(row) * header.biWidth + x) * 4;
    return {p[2], p[1], p[0]};
}

inline Rgb PixelOf(const Canvas& canvas, int x, int y) {
    return PixelOf(canvas.info.bmiHeader, canvas.bits, x, y);
}

// The first 4 bytes of memory of a 32-bit DIB: the bottom row's first pixel when bottom-up.
inline Rgb FirstInMemory(const Canvas& canvas) {
    const auto* p = static_cast<const uint8_t*>(canvas.bits);
    return {p[2], p[1], p[0]};
}

inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    auto close = [tolerance](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
    return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b);
}

// GDI objects this process holds. Windows answers GetGuiResources; Wine's is a stub that
// gives 0 (error 120), so there the live entries of the process's own GDI handle table
// (the PEB's GdiSharedHandleTable, 24-byte entries whose type byte is 0 when free) are
// counted instead. Either count includes stock objects: compare counts, not values.
inline long GdiObjectCount() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0)
        return static_cast<long>(reported);
#if defined(_WIN64)
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(Entry) == 24);
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0xF8);
    if (table == nullptr)
        return -1;
    long count = 0;
    for (int i = 0; i < 0x10000; ++i)
        count += table[i].type != 0 ? 1 : 0;
    return count;
#else
    return -1;
#endif
}

// Bytes of private memory the process has committed (heap included): GDI+ objects that are
// never disposed of keep their pixels there. Wine reports PrivateUsage as 0 and counts the
// same memory in PagefileUsage.
inline long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return -1;
    const SIZE_T bytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<long long>(bytes);
}

// Makes GDI create what it creates lazily on first use (the screen DC and its stock objects),
// so that later counts move only with our own objects.
inline void WarmUpGdi() {
    Canvas warm;
    warm.Create(1, 1, 32);
    warm.Release();
}

// The directory name 表ソ in code page 932: both trail bytes are 0x5C, a backslash's byte.
inline const char kJapaneseDirectory[] = "\x95\x5C\x83\x5C";

// A bottom-up 32-bit DIB section, selected into no DC, filled with one colour.
inline HBITMAP MakeFilledDib(int width, int height, Rgb colour) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr)
        return nullptr;
    auto* p = static_cast<uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        p[4 * i] = static_cast<uint8_t>(colour.b);
        p[4 * i + 1] = static_cast<uint8_t>(colour.g);
        p[4 * i + 2] = static_cast<uint8_t>(colour.r);
        p[4 * i + 3] = 0;
    }
    return dib;
}
