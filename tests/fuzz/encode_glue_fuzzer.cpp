// The writing glue of our plug-ins (plugins/shared/picture_encode.h) and the WebP and PNG
// encoders over it: sizes and strides from the input, odd and extreme alike. A request the
// check accepts is read within its rows only (AddressSanitizer sees the buffer's exact end);
// the smaller ones are encoded through libwebp, with metadata from the input's tail, and
// through libspng at a level from the input, whose file must decode to the same pixels.
#include "plugins/ifpng/png_encode.h"
#include "plugins/ifwebp/webp_encode.h"
#include "plugins/shared/picture_encode.h"

#include <spng.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int32_t Side(uint8_t a, uint8_t b) {
    // Mostly small sides, sometimes the edges of what the check allows.
    switch (a >> 6) {
    case 0:
        return (b & 63) + 1;
    case 1:
        return static_cast<int32_t>(b) - 4; // 0 and negative sides too
    case 2:
        return (1 << 30) - 2 + (b & 3);
    default:
        return INT32_MAX - b;
    }
}

bool Discard(void*, const unsigned char*, size_t) {
    return true;
}

bool Keep(void* context, const unsigned char* bytes, size_t size) {
    auto* file = static_cast<std::vector<unsigned char>*>(context);
    file->insert(file->end(), bytes, bytes + size);
    return true;
}

// The PNG written at level, read back by libspng: it must hold rgb exactly.
void RoundTripPng(const EncodeSource& source, int level, const std::vector<unsigned char>& rgb) {
    EncodeOptions options;
    options.compression = level;
    std::vector<unsigned char> file;
    char text[64];
    if (EncodePng(source, options, EncodeSink{Keep, &file}, EncodeReason{text, sizeof text}) !=
        EncodeStatus::kOk)
        std::abort();
    spng_ctx* context = spng_ctx_new(0);
    std::vector<unsigned char> back(rgb.size());
    const bool read = context != nullptr &&
                      spng_set_png_buffer(context, file.data(), file.size()) == 0 &&
                      spng_decode_image(context, back.data(), back.size(), SPNG_FMT_RGB8, 0) == 0;
    spng_ctx_free(context);
    if (!read || back != rgb)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6)
        return 0;
    EncodeSource source;
    source.width = Side(data[0], data[1]);
    source.height = Side(data[2], data[3]);
    const bool bottomUp = (data[4] & 1) != 0;
    const ptrdiff_t padding = (data[4] >> 1) & 7; // bytes past 4 * width, some too few
    const ptrdiff_t row = static_cast<ptrdiff_t>(source.width) * 4;
    const ptrdiff_t step = (data[4] & 0x80) != 0 ? row - padding : row + padding;
    source.stride = bottomUp ? -step : step;
    const unsigned char dummy[4] = {};
    source.top = dummy;
    if (source.width > 64 || source.height > 64 || source.width < 1 || source.height < 1) {
        // Nothing is read for these: only the check runs, and nothing it accepts may claim
        // a span that overflows.
        CheckEncodeSource(source);
        return 0;
    }
    const size_t span =
        static_cast<size_t>(source.height - 1) * static_cast<size_t>(step < 0 ? -step : step) +
        static_cast<size_t>(row);
    std::vector<unsigned char> rows(span);
    for (size_t i = 0; i < span; ++i)
        rows[i] = data[5 + i % (size - 5)];
    source.top = bottomUp ? rows.data() + span - static_cast<size_t>(row) : rows.data();
    if (!CheckEncodeSource(source))
        return 0;
    std::vector<unsigned char> rgb(static_cast<size_t>(source.width) * source.height * 3);
    CopyRowsAsRgb(source, 3, rgb.data(), static_cast<size_t>(source.width) * 3);

    EncodeOptions options;
    options.quality = data[5] % 101;
    options.lossless = (data[4] & 0x40) != 0;
    if ((data[5] & 1) != 0) {
        options.exif = data;
        options.exifSize = size;
    }
    if ((data[5] & 2) != 0) {
        options.icc = data;
        options.iccSize = size / 2;
    }
    char text[64];
    const EncodeReason reason{text, sizeof text};
    const EncodeSink sink{Discard, nullptr};
    EncodeWebp(source, options, sink, reason);
    RoundTripPng(source, 1 + data[5] % 9, rgb);
    return 0;
}
