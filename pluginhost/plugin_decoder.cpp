#include "pluginhost/plugin_decoder.h"

#include "common/allocator.h"
#include "common/dib_stride.h"
#include "common/failure_note.h"
#include "common/pixel_limit.h"
#include "common/owners.h"
#include "pluginhost/plugin_set.h"
#include "plugins/include/susie_plugin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// A plug-in's image and pixel buffers are handed over with 32-bit lengths on every target.
constexpr uint64_t kLargestPicture = 0x7FFFFFFF;

// Copies the header and its colour table out of a plug-in's info block, never reading past
// the block or past the table the header describes.
int32_t CopyPictureInfo(HLOCAL block, PluginPictureInfo* info) {
    std::memset(info, 0, sizeof *info);
    const SIZE_T blockSize = LocalSize(block);
    const auto* bytes = static_cast<const unsigned char*>(LocalLock(block));
    if (bytes == nullptr)
        return SUSIE_MEMORY_ERROR;
    if (blockSize < sizeof(BITMAPINFOHEADER)) {
        LocalUnlock(block);
        return SUSIE_BROKEN_DATA;
    }
    std::memcpy(&info->header, bytes, sizeof info->header);
    BITMAPINFOHEADER& header = info->header;
    if (header.biSize < sizeof(BITMAPINFOHEADER)) { // an OS/2 core header has another layout
        LocalUnlock(block);
        return SUSIE_BROKEN_DATA;
    }
    // A longer header (V4, V5) carries its colour masks inside and its palette after it;
    // the copy is a plain 40-byte header followed by the table.
    const SIZE_T tableOffset = header.biCompression == BI_BITFIELDS ? sizeof header : header.biSize;
    header.biSize = sizeof header;
    const uint32_t tableBytes = PluginColorTableBytes(header);
    if (header.biBitCount <= 8 || header.biClrUsed != 0) {
        // GDI reads biClrUsed entries: it must not name more than the record holds.
        header.biClrUsed = tableBytes / sizeof(RGBQUAD);
        header.biClrImportant = std::min<DWORD>(header.biClrImportant, header.biClrUsed);
    }
    if (blockSize > tableOffset)
        std::memcpy(info->colors, bytes + tableOffset,
                    std::min<SIZE_T>(tableBytes, blockSize - tableOffset));
    LocalUnlock(block);
    return SUSIE_SUCCESS;
}

// Copies the pixel rows out of a plug-in's pixel block into a new buffer of the size the
// header describes; a block shorter than that leaves the rest zero.
int32_t CopyPixels(HLOCAL block, uint32_t pixelBytes, unsigned char** pixelsOut) {
    StorageOwner copy(AllocateStorage(pixelBytes));
    if (copy.block == nullptr)
        return SUSIE_NO_MEMORY;
    const SIZE_T blockSize = LocalSize(block);
    const void* bytes = LocalLock(block);
    if (bytes == nullptr)
        return SUSIE_MEMORY_ERROR;
    const SIZE_T copied = std::min<SIZE_T>(pixelBytes, blockSize);
    std::memcpy(copy.block, bytes, copied);
    std::memset(copy.as<unsigned char>() + copied, 0, pixelBytes - copied);
    LocalUnlock(block);
    *pixelsOut = static_cast<unsigned char*>(copy.release());
    return SUSIE_SUCCESS;
}

bool ReadExactly(HANDLE file, void* buffer, DWORD length) {
    DWORD read = 0;
    return ReadFile(file, buffer, length, &read, nullptr) && read == length;
}

} // namespace

const char* DescribeSusieError(int32_t result) {
    switch (result) {
    case SUSIE_NOT_IMPLEMENTED:
        return "not implemented";
    case SUSIE_ABORTED:
        return "cancelled";
    case SUSIE_UNKNOWN_FORMAT:
        return "unknown format";
    case SUSIE_BROKEN_DATA:
        return "broken data";
    case SUSIE_NO_MEMORY:
        return "out of memory, or above the pixel limit";
    case SUSIE_MEMORY_ERROR:
        return "memory error";
    case SUSIE_FILE_READ_ERROR:
        return "file read error";
    default:
        return "internal error";
    }
}

uint32_t PluginColorTableBytes(const BITMAPINFOHEADER& header) {
    uint32_t entries = 0;
    if (header.biBitCount >= 1 && header.biBitCount <= 8) {
        const uint32_t full = 1u << header.biBitCount;
        entries = header.biClrUsed != 0 ? std::min<uint32_t>(header.biClrUsed, full) : full;
    } else if (header.biCompression == BI_BITFIELDS &&
               (header.biBitCount == 16 || header.biBitCount == 32)) {
        entries = 3; // the red, green and blue masks
    } else {
        entries = std::min<uint32_t>(header.biClrUsed, 256);
    }
    return entries * sizeof(RGBQUAD);
}

bool PluginPixelBytes(const BITMAPINFOHEADER& header, uint32_t* bytes) {
    switch (header.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (header.biWidth <= 0 || header.biHeight == 0)
        return false;
    // 64-bit arithmetic: a header claiming a huge size is refused, never wrapped around.
    const uint64_t rowBytes =
        DibStride(static_cast<uint64_t>(header.biWidth), static_cast<uint64_t>(header.biBitCount));
    const uint64_t rows = static_cast<uint64_t>(std::abs(static_cast<int64_t>(header.biHeight)));
    if (rows > kLargestPicture || rowBytes * rows > kLargestPicture)
        return false;
    *bytes = static_cast<uint32_t>(rowBytes * rows);
    return true;
}

namespace {

// A Susie plug-in may keep state between calls: unless it says otherwise, it is called by
// one thread at a time (decodes run ahead on workers).
SRWLOCK g_pluginCalls = SRWLOCK_INIT;

struct PluginCallGuard {
    bool held;
    explicit PluginCallGuard(bool needed) : held(needed) {
        if (held)
            AcquireSRWLockExclusive(&g_pluginCalls);
    }
    PluginCallGuard(const PluginCallGuard&) = delete;
    PluginCallGuard& operator=(const PluginCallGuard&) = delete;
    ~PluginCallGuard() {
        if (held)
            ReleaseSRWLockExclusive(&g_pluginCalls);
    }
};

int AskIsSupported(const PluginExports& exports, const unsigned char* head) {
    PluginCallGuard guard(!exports.reentrant);
    return exports.isSupported(nullptr, reinterpret_cast<ULONG_PTR>(head));
}

// The plug-in's GetPluginUnavailableReason into reason (empty when it has none to give).
void ReadUnavailableReason(const PluginExports& plugin, char (&reason)[160]) {
    reason[0] = '\0';
    if (plugin.unavailableReason != nullptr) {
        PluginCallGuard guard(!plugin.reentrant);
        if (plugin.unavailableReason(reason, sizeof reason) <= 0)
            reason[0] = '\0';
    }
    reason[sizeof reason - 1] = '\0';
}

} // namespace

bool PluginIsUnavailable(const PluginExports& plugin) {
    char reason[160];
    ReadUnavailableReason(plugin, reason);
    return reason[0] != '\0';
}

void NotePluginFailure(const PluginExports& plugin, int32_t result) {
    char reason[160] = {};
    ReadUnavailableReason(plugin, reason);
    for (char& c : reason) { // a plug-in's text goes to the console as one line
        const auto byte = static_cast<unsigned char>(c);
        if ((byte != 0 && byte < 0x20) || byte == 0x7F)
            c = ' ';
    }
    NoteFailure("the plug-in that takes it cannot decode it (%s)",
                reason[0] != '\0' ? reason : DescribeSusieError(result));
}

const PluginExports* FindPluginFor(const unsigned char* head) {
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        const PluginExports& exports = PluginSet.exports[i];
        if (exports.isSupported != nullptr && exports.getPicture != nullptr &&
            AskIsSupported(exports, head) != 0)
            return &exports;
    }
    return nullptr;
}

int32_t GetPluginPicture(const PluginExports& plugin, const unsigned char* image, uint32_t size,
                         PluginPictureInfo* info, unsigned char** pixelsOut) {
    const GetPictureFunction getPicture = plugin.getPicture;

    HLOCAL infoHandle = nullptr;
    HLOCAL pixelHandle = nullptr;
    int result = SUSIE_SUCCESS;
    {
        PluginCallGuard guard(!plugin.reentrant);
        result = getPicture(reinterpret_cast<LPCSTR>(image), static_cast<LONG_PTR>(size),
                            SUSIE_INPUT_MEMORY, &infoHandle, &pixelHandle, nullptr, 0);
    }
    if (result != SUSIE_SUCCESS)
        return result; // the plug-in failed: its handles mean nothing
    LocalOwner infoBlock(infoHandle);
    LocalOwner pixelBlock(pixelHandle);
    if (!infoBlock || !pixelBlock)
        return SUSIE_MEMORY_ERROR;

    int32_t status = CopyPictureInfo(infoBlock.get(), info);
    uint32_t pixelBytes = 0;
    if (status == SUSIE_SUCCESS && !PluginPixelBytes(info->header, &pixelBytes))
        status = SUSIE_BROKEN_DATA;
    if (status == SUSIE_SUCCESS &&
        !PictureWithinPixelLimit(info->header.biWidth, info->header.biHeight)) {
        NoteFailure(
            "the plug-in's picture of %ld x %ld pixels exceeds the limit of %llu pixels (%s)",
            static_cast<long>(info->header.biWidth), static_cast<long>(info->header.biHeight),
            static_cast<unsigned long long>(PixelLimit()), kPixelLimitVariable);
        status = SUSIE_NO_MEMORY;
    }
    if (status == SUSIE_SUCCESS)
        status = CopyPixels(pixelBlock.get(), pixelBytes, pixelsOut);
    infoBlock.reset();
    pixelBlock.reset();
    return status;
}

bool ReadFileForPlugins(HANDLE file, FileImage* image, const PluginExports** plugin) {
    ReleaseFileImage(image);
    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(file, &sizeHigh);
    // A plug-in takes the length as a 32-bit signed number on 32-bit Windows; a file that
    // large (or one whose size can't be had) is none of theirs.
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || sizeHigh != 0 ||
        size > kLargestPicture)
        return false;

    unsigned char head[SUSIE_HEAD_SIZE] = {};
    if (!ReadExactly(file, head, std::min<DWORD>(size, SUSIE_HEAD_SIZE)))
        return false;
    *plugin = FindPluginFor(head);
    if (*plugin == nullptr)
        return false;
    // IsSupported is asked about the image too, and may read 2048 bytes of it.
    return HoldFileImage(file, size, head, image);
}
