// Any bytes as a WebP for the ifwebp plug-in's decoder: the size from the header, then the
// decode at the scale and into the pixel format the first byte picks.
#include "plugins/ifwebp/webp_decode.h"

#include <cstdlib>
#include <vector>

namespace {
// Kept small so a declared size costs little memory: larger pictures take the refusal path.
constexpr const char* kFuzzPixelLimit = "1048576";
constexpr int kDenominators[] = {1, 2, 4, 8};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TESSAVEL_MAX_PIXELS", kFuzzPixelLimit, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int denominator = kDenominators[data[0] & 3];
    const WebpPixels format = (data[0] & 4) != 0 ? WebpPixels::kBgr24 : WebpPixels::kBgrx32;
    const bool bottomUp = (data[0] & 8) != 0;
    ++data;
    --size;

    int32_t width = 0;
    int32_t height = 0;
    if (ReadWebpSize(data, size, denominator, &width, &height) != WebpStatus::kOk)
        width = height = 1;
    if (width <= 0 || height <= 0)
        __builtin_trap(); // a size that succeeds is never empty
    WebpTarget target;
    target.format = format;
    target.width = width;
    target.height = height;
    const size_t rowBytes = static_cast<size_t>(width) * (format == WebpPixels::kBgr24 ? 3 : 4);
    const bool fits = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= 1048576;
    // A picture above the fuzz limit gets room for one row: it must be refused unwritten.
    std::vector<unsigned char> rows(rowBytes * (fits ? static_cast<size_t>(height) : 1));
    target.stride = static_cast<ptrdiff_t>(rowBytes);
    target.top = rows.data();
    if (bottomUp && fits) {
        target.top = rows.data() + rowBytes * static_cast<size_t>(height - 1);
        target.stride = -target.stride;
    }
    const WebpStatus status = DecodeWebp(data, size, denominator, target);
    if (!fits && status == WebpStatus::kOk)
        __builtin_trap();
    return 0;
}
