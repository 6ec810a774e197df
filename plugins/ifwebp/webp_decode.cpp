#include "plugins/ifwebp/webp_decode.h"

#include "common/pixel_limit.h"

#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

bool IsDenominator(int denominator) {
    return denominator == 1 || denominator == 2 || denominator == 4 || denominator == 8;
}

int32_t Scaled(int32_t length, int denominator) {
    return (length + denominator - 1) / denominator;
}

DecodeStatus StatusOf(VP8StatusCode code) {
    switch (code) {
    case VP8_STATUS_OK:
        return DecodeStatus::kOk;
    case VP8_STATUS_OUT_OF_MEMORY:
        return DecodeStatus::kNoMemory;
    default:
        return DecodeStatus::kBroken;
    }
}

// One pixel of libwebp's blue-green-red-alpha over black, rounded to nearest.
inline unsigned char OverBlack(unsigned value, unsigned alpha) {
    return static_cast<unsigned char>((value * alpha + 127) / 255);
}

// Rows of 4-byte BGRA (stride bytes apart) into the target's format, over black.
void Deliver(const unsigned char* rows, size_t stride, const DecodeTarget& target) {
    for (int32_t y = 0; y < target.height; ++y) {
        const unsigned char* in = rows + static_cast<size_t>(y) * stride;
        unsigned char* out = target.top + y * target.stride;
        const int step = target.format == DecodePixels::kBgr24 ? 3 : 4;
        for (int32_t x = 0; x < target.width; ++x, in += 4, out += step) {
            out[0] = OverBlack(in[0], in[3]);
            out[1] = OverBlack(in[1], in[3]);
            out[2] = OverBlack(in[2], in[3]);
            if (step == 4)
                out[3] = 0;
        }
    }
}

struct DemuxCloser {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimationCloser {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The first frame of an animation, composed on the animation's canvas the way a viewer
// shows it.
DecodeStatus DecodeFirstFrame(const unsigned char* data, size_t size, const DecodeTarget& target) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return DecodeStatus::kBroken;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData bytes = {data, size};
    const std::unique_ptr<WebPAnimDecoder, AnimationCloser> decoder(
        WebPAnimDecoderNew(&bytes, &options));
    WebPAnimInfo info;
    if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        return DecodeStatus::kBroken;
    if (static_cast<int64_t>(info.canvas_width) != target.width ||
        static_cast<int64_t>(info.canvas_height) != target.height)
        return DecodeStatus::kBadRequest;
    uint8_t* rows = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &rows, &timestamp))
        return DecodeStatus::kBroken;
    Deliver(rows, static_cast<size_t>(target.width) * 4, target);
    return DecodeStatus::kOk;
}

} // namespace

bool IsWebpHead(const unsigned char* head, size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

DecodeStatus ReadWebpSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height) {
    if (!IsWebpHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    WebPBitstreamFeatures features;
    const DecodeStatus status = StatusOf(WebPGetFeatures(data, size, &features));
    if (status != DecodeStatus::kOk)
        return status;
    int32_t w = features.width;
    int32_t h = features.height;
    if (features.has_animation) {
        // The canvas, not the first frame's own rectangle.
        const WebPData bytes = {data, size};
        const std::unique_ptr<WebPDemuxer, DemuxCloser> demuxer(WebPDemux(&bytes));
        if (demuxer == nullptr)
            return DecodeStatus::kBroken;
        w = static_cast<int32_t>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
        h = static_cast<int32_t>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
        if (denominator != 1)
            return DecodeStatus::kNotAtThisScale;
    }
    if (w <= 0 || h <= 0)
        return DecodeStatus::kBroken;
    if (!PictureWithinPixelLimit(w, h))
        return DecodeStatus::kAboveLimit;
    *width = Scaled(w, denominator);
    *height = Scaled(h, denominator);
    return DecodeStatus::kOk;
}

DecodeStatus DecodeWebp(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target) {
    int32_t width = 0;
    int32_t height = 0;
    const DecodeStatus status = ReadWebpSize(data, size, denominator, &width, &height);
    if (status != DecodeStatus::kOk)
        return status;
    if (width != target.width || height != target.height || target.top == nullptr)
        return DecodeStatus::kBadRequest;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return DecodeStatus::kBroken;
    if (WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK)
        return DecodeStatus::kBroken;
    if (config.input.has_animation)
        return DecodeFirstFrame(data, size, target);
    if (denominator != 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    // libwebp allocates the rows (a picture of at most the pixel limit) and frees them below.
    config.output.colorspace = MODE_BGRA;
    const DecodeStatus decoded = StatusOf(WebPDecode(data, size, &config));
    if (decoded == DecodeStatus::kOk) {
        const WebPRGBABuffer& rows = config.output.u.RGBA;
        if (config.output.width != width || config.output.height != height)
            return WebPFreeDecBuffer(&config.output), DecodeStatus::kBroken;
        Deliver(rows.rgba, static_cast<size_t>(rows.stride), target);
    }
    WebPFreeDecBuffer(&config.output);
    return decoded;
}
