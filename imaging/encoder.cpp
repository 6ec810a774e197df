#include "imaging/encoder.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/temporary_file.h"
#include "common/paths.h"
#include "imaging/gdiplus_owners.h"

#include <shlwapi.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <utility>

using namespace Gdiplus::DllExports;

namespace {
#if defined(TESSAVEL_TEST_SEAMS)
SaveImageFunction g_saveImage = GdipSaveImageToFile;
#endif

Gdiplus::GpStatus SaveImage(Gdiplus::GpImage* image, const WCHAR* path, const CLSID* encoder,
                            const Gdiplus::EncoderParameters* parameters) {
#if defined(TESSAVEL_TEST_SEAMS)
    return g_saveImage(image, path, encoder, parameters);
#else
    return GdipSaveImageToFile(image, path, encoder, parameters);
#endif
}

// {1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}, GDI+'s EncoderQuality.
constexpr GUID kEncoderQuality = {
    0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

// Whole-string comparison that folds only the letters A-Z.
bool SameExtension(const WCHAR* a, const WCHAR* b) {
    auto fold = [](WCHAR c) -> WCHAR {
        return (c >= L'A' && c <= L'Z') ? static_cast<WCHAR>(c - L'A' + L'a') : c;
    };
    for (; fold(*a) == fold(*b); ++a, ++b) {
        if (*a == L'\0')
            return true;
    }
    return false;
}

// True when one of the ';'-separated patterns (such as *.BMP;*.DIB) ends in wanted. Works on
// a scratch copy; an empty pattern ends the walk.
bool PatternsContain(WCHAR* patterns, const WCHAR* wanted) {
    WCHAR* position = patterns;
    while (*position != L'\0') {
        WCHAR* separator = std::wcschr(position, L';');
        if (separator != nullptr)
            *separator = L'\0';
        if (SameExtension(PathFindExtensionW(position), wanted))
            return true;
        if (separator == nullptr)
            break;
        position = separator + 1;
    }
    return false;
}

bool IsZeroClsid(const CLSID& clsid) {
    static const CLSID zero{};
    return std::memcmp(&clsid, &zero, sizeof zero) == 0;
}
} // namespace

#if defined(TESSAVEL_TEST_SEAMS)
void SetSaveImageFunction(SaveImageFunction function) {
    g_saveImage = function != nullptr ? function : GdipSaveImageToFile;
}
#endif

namespace {

// GDI+'s list of encoders, fetched on the first save and kept for the process: it does not
// change while GDI+ is loaded, and fetching it for every save was an allocation and a copy
// of the whole list per output file. Its strings lie in the block itself (Windows) or in
// gdiplus.dll (Wine), so they live as long as the block. A fetch that fails is tried again
// on the next save.
struct EncoderList {
    INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    StorageOwner block;
    UINT count = 0;
};
EncoderList g_encoders;

BOOL CALLBACK FetchEncoderList(INIT_ONCE*, void*, void**) {
    UINT count = 0;
    UINT size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok)
        return FALSE;
    StorageOwner list(AllocateStorage(size));
    if (list.block == nullptr ||
        GdipGetImageEncoders(count, size, list.as<Gdiplus::ImageCodecInfo>()) != Gdiplus::Ok)
        return FALSE;
    g_encoders.block = std::move(list);
    g_encoders.count = count;
    return TRUE;
}

} // namespace

int FindEncoderClsid(const char* extension, CLSID* clsidOut) {
    if (!InitOnceExecuteOnce(&g_encoders.once, FetchEncoderList, nullptr, nullptr))
        return 0;
    const UINT count = g_encoders.count;
    const auto* encoders = g_encoders.block.as<Gdiplus::ImageCodecInfo>();

    WCHAR wanted[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, extension, -1, wanted, static_cast<int>(kPathSize)) == 0)
        return 0;

    for (UINT i = 0; i < count; ++i) {
        const WCHAR* patterns = encoders[i].FilenameExtension;
        if (patterns == nullptr)
            continue;
        const size_t units = std::wcslen(patterns) + 1;
        StorageOwner scratch(AllocateZeroedStorage(units, sizeof(WCHAR)));
        if (scratch.block == nullptr)
            return 0;
        std::memcpy(scratch.block, patterns, units * sizeof(WCHAR));
        if (PatternsContain(scratch.as<WCHAR>(), wanted)) {
            *clsidOut = encoders[i].Clsid;
            return 1;
        }
    }
    std::memset(clsidOut, 0, sizeof *clsidOut);
    return 1;
}

int SaveDib(const BITMAPINFO* info, void* bits, const char* path,
            const Gdiplus::EncoderParameters* parameters) {
    ImageRecordOwner image(NewImageRecord());
    if (!image) {
        NoteFailure("out of memory");
        return 0;
    }
    Gdiplus::GpBitmap* over = nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biBitCount == 32 && header.biCompression == BI_RGB && header.biWidth > 0 &&
        header.biHeight != 0 && header.biHeight != INT32_MIN && header.biWidth <= INT32_MAX / 4) {
        // A Canvas's rows, read in place: GdipCreateBitmapFromGdiDib copies them under Wine,
        // a second picture in memory for every save under way. Bottom-up rows start at the
        // last row in memory and step backwards; the format is the one GDI+ gives a 32-bit
        // DIB, so the encoders see the same pixels.
        const INT stride = header.biWidth * 4;
        const int64_t rows =
            header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
        BYTE* first = static_cast<BYTE*>(bits);
        if (header.biHeight > 0)
            first += static_cast<size_t>(rows - 1) * static_cast<size_t>(stride);
        image.get()->status = GdipCreateBitmapFromScan0(header.biWidth, static_cast<INT>(rows),
                                                        header.biHeight > 0 ? -stride : stride,
                                                        PixelFormat32bppRGB, first, &over);
    } else {
        image.get()->status = GdipCreateBitmapFromGdiDib(info, bits, &over);
    }
    image.get()->image = over;

    const char* extension = PathFindExtensionA(path);
    CLSID encoder{};
    const int searched = FindEncoderClsid(extension, &encoder);

    // Without an encoder the save is sure to fail, and GDI+ would first create (or empty) the
    // file at path: nothing is written then.
    if (image.get()->status != Gdiplus::Ok || searched == 0) {
        NoteFailure("GDI+ cannot take the picture (status %d)", image.get()->status);
        return 0;
    }
    if (IsZeroClsid(encoder)) {
        NoteFailure("no encoder writes the extension \"%s\"", extension);
        return 0;
    }

    // GDI+ writes over a file in place, so a save that fails half-way (a full disk) would
    // destroy what was there: the encoder writes a temporary file beside it instead, which
    // takes the file's place only once GDI+ reports success.
    TemporaryFile temporary;
    if (!temporary.CreateBeside(path)) {
        NoteFailure("cannot create a temporary file in the destination folder: %s",
                    DescribeWindowsError(GetLastError()));
        return 0;
    }
    WCHAR widePath[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, temporary.path, -1, widePath, static_cast<int>(kPathSize)) ==
        0) {
        NoteFailure("the output path cannot be converted to UTF-16");
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    image.get()->status = SaveImage(over, widePath, &encoder, parameters);
    if (image.get()->status != Gdiplus::Ok) {
        const DWORD error = GetLastError();
        if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
            NoteFailure("the encoder could not write the file: %s", DescribeWindowsError(error));
        else
            NoteFailure("the encoder could not write the file (GDI+ status %d)",
                        image.get()->status);
        return 0;
    }
    if (!temporary.MoveOnto(path)) {
        NoteFailure("cannot replace the output file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    return 1;
}

int SaveBitmap(HBITMAP bitmap, const char* path, const Gdiplus::EncoderParameters* parameters) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    DIBSECTION section;
    // Anything but a DIB section fills less than a whole DIBSECTION.
    if (GetObjectA(bitmap, sizeof section, &section) != sizeof section) {
        NoteFailure("there is no picture to save");
        return 0;
    }
    info.bmiHeader = section.dsBmih;
    return SaveDib(&info, section.dsBm.bmBits, path, parameters);
}

int SaveBitmapWithQuality(HBITMAP bitmap, const char* path, int32_t quality) {
    LONG value = quality;
    Gdiplus::EncoderParameters parameters;
    parameters.Count = 1;
    parameters.Parameter[0].Guid = kEncoderQuality;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].Value = &value;
    return SaveBitmap(bitmap, path, &parameters);
}
