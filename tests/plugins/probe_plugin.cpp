// A Susie plug-in for the host tests: it accepts probe files by its id, hands over the
// blocks the file describes (of any size, well-formed or not) and records every call.
#include "plugins/include/susie_plugin.h"
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

} // extern "C"
