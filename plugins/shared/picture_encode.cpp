#include "plugins/shared/picture_encode.h"

#include "plugins/shared/text_copy.h"

#include <cstring>
#include <limits>

EncodeStatus Refuse(const EncodeReason& reason, EncodeStatus status, const char* message) {
    CopyTextCut(reason.text, reason.size, message);
    return status;
}

bool CheckEncodeSource(const EncodeSource& source) {
    constexpr int32_t kLargestSide = 1 << 30;
    if (source.top == nullptr || source.width < 1 || source.height < 1 ||
        source.width > kLargestSide || source.height > kLargestSide)
        return false;
    const size_t row = static_cast<size_t>(source.width) * 4;
    // |stride| without overflow: PTRDIFF_MIN has no positive counterpart.
    if (source.stride == std::numeric_limits<ptrdiff_t>::min())
        return false;
    const size_t step = static_cast<size_t>(source.stride < 0 ? -source.stride : source.stride);
    if (step < row)
        return false;
    // The rows span (height - 1) * step + row bytes, which must fit a pointer difference.
    const size_t rows = static_cast<size_t>(source.height) - 1;
    const size_t most = static_cast<size_t>(std::numeric_limits<ptrdiff_t>::max());
    return rows == 0 || (step <= (most - row) / rows);
}

int EncoderStepOfEffort(int effort, int atDefault, int direction, int lowest, int highest) {
    const int step = atDefault + (effort - kDefaultEffort) * direction;
    return step < lowest ? lowest : step > highest ? highest : step;
}

void CopyRowsAsRgb(const EncodeSource& source, int channels, unsigned char* out, size_t outStride) {
    for (int32_t y = 0; y < source.height; ++y) {
        const unsigned char* in = source.top + static_cast<ptrdiff_t>(y) * source.stride;
        unsigned char* to = out + static_cast<size_t>(y) * outStride;
        for (int32_t x = 0; x < source.width; ++x, in += 4, to += channels) {
            to[0] = in[2];
            to[1] = in[1];
            to[2] = in[0];
            if (channels == 4)
                to[3] = 255;
        }
    }
}
