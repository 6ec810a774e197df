// The largest picture anything in the program agrees to hold. A small file can declare an
// enormous picture (a 389 KB PNG of 20000 x 20000 pixels takes 5 GB to decode), so every
// decoder and every canvas size asks here before it allocates. Header-only and free of
// Windows headers: the plug-ins are separate modules and their decoders also build natively.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>

// 178956970 pixels (a 32-bit picture of 2^31/3 bytes): the common line that image
// libraries draw against decompression bombs; about 13400 x 13400.
constexpr uint64_t kDefaultPixelLimit = 178956970;

// The name of the environment variable that sets another limit: a decimal count of pixels;
// 0, an empty value or anything not a number keeps the default.
constexpr const char* kPixelLimitVariable = "TESSAVEL_MAX_PIXELS";

inline uint64_t PixelLimit() {
    const char* text = std::getenv(kPixelLimitVariable);
    if (text == nullptr || *text < '0' || *text > '9')
        return kDefaultPixelLimit;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0)
        return kDefaultPixelLimit;
    return value;
}

// True when a picture of width x height (either may be negative: top-down) is within the
// limit. A zero side is within it; the caller refuses empty pictures on its own terms.
inline bool PictureWithinPixelLimit(int64_t width, int64_t height) {
    const uint64_t w = static_cast<uint64_t>(width < 0 ? -width : width);
    const uint64_t h = static_cast<uint64_t>(height < 0 ? -height : height);
    if (w == 0 || h == 0)
        return true;
    const uint64_t limit = PixelLimit();
    return w <= limit && h <= limit / w;
}
