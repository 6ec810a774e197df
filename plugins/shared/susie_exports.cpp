// The four Susie entry points of our plug-ins, over the format functions each plug-in
// supplies (plugin_format.h).
#include "plugin_format.h"

#include "plugins/include/susie_plugin.h"
#include "plugins/shared/text_copy.h"

#include <cstring>

// The layout other hosts expect: packed, and hInfo 8-aligned in 64-bit modules.
#if defined(_WIN64)
static_assert(sizeof(SusiePictureInfo) == 32, "64-bit PictureInfo layout");
#else
static_assert(sizeof(SusiePictureInfo) == 26, "32-bit PictureInfo layout");
#endif

namespace {

// The picture's bytes: the host's memory image, or what this plug-in read from a file.
struct InputBytes {
    const unsigned char* data = nullptr;
    size_t size = 0;
    HLOCAL owned = nullptr;
};

void CloseInput(InputBytes* input) {
    if (input->owned != nullptr)
        LocalFree(input->owned);
    *input = InputBytes{};
}

// Reads the file from offset to its end into a block of our own.
int ReadInputFile(LPCSTR path, LONG_PTR offset, InputBytes* input) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return SUSIE_FILE_READ_ERROR;
    int result = SUSIE_FILE_READ_ERROR;
    LARGE_INTEGER size;
    LARGE_INTEGER start;
    start.QuadPart = offset;
    if (GetFileSizeEx(file, &size) && offset >= 0 && offset <= size.QuadPart &&
        SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        const uint64_t length = static_cast<uint64_t>(size.QuadPart - offset);
        if (length > kLargestPixelBlock) {
            result = SUSIE_NO_MEMORY;
        } else {
            const DWORD bytes = static_cast<DWORD>(length);
            input->owned = LocalAlloc(LMEM_FIXED, bytes == 0 ? 1 : bytes);
            DWORD read = 0;
            if (input->owned == nullptr) {
                result = SUSIE_NO_MEMORY;
            } else if (ReadFile(file, input->owned, bytes, &read, nullptr) && read == bytes) {
                input->data = static_cast<const unsigned char*>(input->owned);
                input->size = bytes;
                result = SUSIE_SUCCESS;
            } else {
                CloseInput(input);
            }
        }
    }
    CloseHandle(file);
    return result;
}

int OpenInput(LPCSTR buf, LONG_PTR len, unsigned int flag, InputBytes* input) {
    *input = InputBytes{};
    if (buf == nullptr || len < 0)
        return SUSIE_BROKEN_DATA;
    switch (flag & SUSIE_INPUT_MASK) {
    case SUSIE_INPUT_MEMORY:
        input->data = reinterpret_cast<const unsigned char*>(buf);
        input->size = static_cast<size_t>(len);
        return SUSIE_SUCCESS;
    case SUSIE_INPUT_FILE:
        return ReadInputFile(buf, len, input);
    default:
        return SUSIE_NOT_IMPLEMENTED;
    }
}

ByteReader ReaderOf(const InputBytes& input) {
    ByteReader reader;
    reader.data = input.data;
    reader.size = input.size;
    return reader;
}

} // namespace

extern "C" {

int SUSIEAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    if (infono < 0 || infono >= kPluginInfoCount || buf == nullptr || buflen <= 0)
        return 0;
    // The caller's buffer takes as much of the text as fits, always terminated.
    return static_cast<int>(
        CopyTextCut(buf, static_cast<size_t>(buflen), kPluginInfoTexts[infono]));
}

int SUSIEAPI IsSupported(LPCSTR, ULONG_PTR dw) {
    if ((dw & ~static_cast<ULONG_PTR>(0xFFFF)) != 0)
        return IsFormatHead(reinterpret_cast<const unsigned char*>(dw), SUSIE_HEAD_SIZE) ? 1 : 0;
    // An older host's file handle: read the head ourselves.
    unsigned char head[SUSIE_HEAD_SIZE] = {};
    DWORD read = 0;
    if (dw == 0 || !ReadFile(reinterpret_cast<HANDLE>(dw), head, sizeof head, &read, nullptr))
        return 0;
    return IsFormatHead(head, read) ? 1 : 0;
}

int SUSIEAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, SusiePictureInfo* lpInfo) {
    if (lpInfo == nullptr)
        return SUSIE_INTERNAL_ERROR;
    InputBytes input;
    int result = OpenInput(buf, len, flag, &input);
    if (result != SUSIE_SUCCESS)
        return result;
    PictureGeometry geometry;
    result = ReadFormatGeometry(ReaderOf(input), &geometry);
    CloseInput(&input);
    if (result != SUSIE_SUCCESS)
        return result;
    std::memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->width = geometry.width;
    lpInfo->height = geometry.height;
    lpInfo->colorDepth = static_cast<short>(geometry.bitCount);
    return SUSIE_SUCCESS;
}

int SUSIEAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                        SusieProgress lpPrgressCallback, LONG_PTR lData) {
    if (pHBInfo == nullptr || pHBm == nullptr)
        return SUSIE_INTERNAL_ERROR;
    if (lpPrgressCallback != nullptr && lpPrgressCallback(0, 1, lData) != 0)
        return SUSIE_ABORTED;
    InputBytes input;
    int result = OpenInput(buf, len, flag, &input);
    if (result != SUSIE_SUCCESS)
        return result;
    DibPicture picture;
    result = DecodeFormat(ReaderOf(input), &picture);
    CloseInput(&input);
    if (result != SUSIE_SUCCESS)
        return result;
    if (lpPrgressCallback != nullptr && lpPrgressCallback(1, 1, lData) != 0) {
        DiscardDibPicture(&picture);
        return SUSIE_ABORTED;
    }
    HandOverDibPicture(&picture, pHBInfo, pHBm);
    return SUSIE_SUCCESS;
}

// Every call works on its own input and picture: nothing is kept between calls.
int SUSIEAPI PluginIsReentrant() {
    return 1;
}

} // extern "C"
