// A Susie plug-in for the host tests: it accepts probe files by its id, hands over the
// blocks the file describes (of any size, well-formed or not) and records every call.
#include "plugins/include/susie_plugin.h"
#include "plugins/include/tessavel_plugin.h"
#include "probe_plugin.h"

#include <algorithm>
#include <cstring>

namespace {
ProbeRecord g_record;

bool IsProbeFile(const unsigned char* bytes) {
    return std::memcmp(bytes, "TSPI", 4) == 0;
}

[[maybe_unused]] HLOCAL MakeBlock(uint32_t size, const unsigned char* bytes, uint32_t length) {
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    auto* memory = static_cast<unsigned char*>(LocalLock(block));
    std::memset(memory, 0xEE, size);
    std::memcpy(memory, bytes, std::min(size, length));
    LocalUnlock(block);
    return block;
}
} // namespace

extern "C" {

ProbeRecord* ProbeState() {
    return &g_record;
}

#if !defined(PROBE_WITHOUT_IS_SUPPORTED)
int SUSIEAPI IsSupported(LPCSTR filename, ULONG_PTR dw) {
    const auto* head = reinterpret_cast<const unsigned char*>(dw);
    if (g_record.isSupportedCalls < 2)
        std::memcpy(g_record.heads[g_record.isSupportedCalls], head, 2048);
    ++g_record.isSupportedCalls;
    if (filename != nullptr)
        g_record.nonNullFileName = 1;
    if (g_record.acceptAll)
        return 1;
    ProbeFileHeader header;
    std::memcpy(&header, head, sizeof header);
    return IsProbeFile(head) && (header.acceptMask & PROBE_ID) != 0 ? 1 : 0;
}
#endif

#if !defined(PROBE_WITHOUT_GET_PICTURE)
int SUSIEAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                        SusieProgress, LONG_PTR) {
    const auto* image = reinterpret_cast<const unsigned char*>(buf);
    ++g_record.getPictureCalls;
    g_record.length = len;
    g_record.flag = flag;
    // The host promises at least 2048 readable bytes, more when the file is longer.
    std::memcpy(g_record.image, image,
                std::max<size_t>(2048, std::min<size_t>(len, kProbeRecordBytes)));
    if (len < static_cast<LONG_PTR>(sizeof(ProbeFileHeader)) || !IsProbeFile(image))
        return SUSIE_UNKNOWN_FORMAT;
    ProbeFileHeader header;
    std::memcpy(&header, image, sizeof header);
    if (header.result != 0)
        return header.result;
    const unsigned char* info = image + sizeof header;
    *pHBInfo = MakeBlock(header.infoBlockSize, info, header.infoLength);
    *pHBm = MakeBlock(header.pixelBlockSize, info + header.infoLength, header.pixelLength);
    g_record.infoBlock = *pHBInfo;
    g_record.pixelBlock = *pHBm;
    return 0;
}
#endif

#if defined(PROBE_SCALED)
// The scaled decode of a probe file whose info is a BITMAPINFOHEADER: the picture at
// 1/denominator (sizes rounded up), every pixel's blue byte the denominator, green and red
// its column and row. A nonzero result in the file is the denominator whose decode fails.
namespace {
bool ScaledSize(const void* data, ULONG_PTR size, int denominator, LONG* width, LONG* height,
                int32_t* failsAt) {
    ProbeFileHeader header;
    BITMAPINFOHEADER info;
    if (size < sizeof header + sizeof info || !IsProbeFile(static_cast<const unsigned char*>(data)))
        return false;
    std::memcpy(&header, data, sizeof header);
    std::memcpy(&info, static_cast<const unsigned char*>(data) + sizeof header, sizeof info);
    *width = (info.biWidth + denominator - 1) / denominator;
    *height = (info.biHeight + denominator - 1) / denominator;
    *failsAt = header.result;
    return true;
}
} // namespace

int SUSIEAPI GetPictureScaledSize(const void* data, ULONG_PTR size, int denominator, LONG* width,
                                  LONG* height) {
    if (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8)
        return SUSIE_NOT_IMPLEMENTED;
    int32_t failsAt = 0;
    return ScaledSize(data, size, denominator, width, height, &failsAt) ? SUSIE_SUCCESS
                                                                        : SUSIE_UNKNOWN_FORMAT;
}

int SUSIEAPI GetPictureScaled(const void* data, ULONG_PTR size, int denominator, void* top,
                              LONG_PTR stride, LONG width, LONG height) {
    LONG expectedWidth = 0;
    LONG expectedHeight = 0;
    int32_t failsAt = 0;
    if (!ScaledSize(data, size, denominator, &expectedWidth, &expectedHeight, &failsAt))
        return SUSIE_UNKNOWN_FORMAT;
    if (width != expectedWidth || height != expectedHeight)
        return SUSIE_INTERNAL_ERROR;
    if (failsAt == denominator)
        return SUSIE_NO_MEMORY;
    for (LONG y = 0; y < height; ++y) {
        auto* row = static_cast<unsigned char*>(top) + y * stride;
        for (LONG x = 0; x < width; ++x) {
            const unsigned char pixel[4] = {static_cast<unsigned char>(denominator),
                                            static_cast<unsigned char>(x),
                                            static_cast<unsigned char>(y), 0};
            std::memcpy(row + x * 4, pixel, 4);
        }
    }
    return SUSIE_SUCCESS;
}

int SUSIEAPI PluginIsReentrant() {
    return 1;
}
#endif

} // extern "C"
