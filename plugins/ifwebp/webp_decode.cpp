#include "plugins/ifwebp/webp_decode.h"

#include "common/pixel_limit.h"
#include "plugins/shared/over_black.h"

#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

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

struct DemuxCloser {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimationCloser {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct OutputFreer {
    void operator()(WebPDecBuffer* output) const { WebPFreeDecBuffer(output); }
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
    DeliverOverBlack(rows, static_cast<size_t>(target.width) * 4, ColourOrder::kBgra, false,
                     target);
    return DecodeStatus::kOk;
}

// The features and the size at 1/denominator of a still picture or of an animation's canvas.
DecodeStatus ReadPicture(const unsigned char* data, size_t size, int denominator,
                         WebPBitstreamFeatures* features, int32_t* width, int32_t* height) {
    if (!IsWebpHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    const DecodeStatus status = StatusOf(WebPGetFeatures(data, size, features));
    if (status != DecodeStatus::kOk)
        return status;
    int32_t w = features->width;
    int32_t h = features->height;
    if (features->has_animation) {
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

} // namespace

bool IsWebpHead(const unsigned char* head, size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

DecodeStatus ReadWebpSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height) {
    WebPBitstreamFeatures features;
    return ReadPicture(data, size, denominator, &features, width, height);
}

DecodeStatus DecodeWebp(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return DecodeStatus::kBroken;
    int32_t width = 0;
    int32_t height = 0;
    const DecodeStatus status =
        ReadPicture(data, size, denominator, &config.input, &width, &height);
    if (status != DecodeStatus::kOk)
        return status;
    if (width != target.width || height != target.height || target.top == nullptr)
        return DecodeStatus::kBadRequest;
    if (config.input.has_animation)
        return DecodeFirstFrame(data, size, target);
    if (denominator != 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    // libwebp allocates the rows (a picture of at most the pixel limit); the owner frees them.
    config.output.colorspace = MODE_BGRA;
    const DecodeStatus decoded = StatusOf(WebPDecode(data, size, &config));
    const std::unique_ptr<WebPDecBuffer, OutputFreer> output(&config.output);
    if (decoded != DecodeStatus::kOk)
        return decoded;
    if (config.output.width != width || config.output.height != height)
        return DecodeStatus::kBroken;
    DeliverOverBlack(config.output.u.RGBA.rgba, static_cast<size_t>(config.output.u.RGBA.stride),
                     ColourOrder::kBgra, false, target);
    return DecodeStatus::kOk;
}

namespace {

// The first chunk of the kind the format flag announces, handed to the host's buffer;
// none when the file has none.
DecodeStatus HandOverChunk(const unsigned char* data, size_t size, const char* kind, uint32_t flag,
                           unsigned char* block, size_t capacity, size_t* blockSize) {
    *blockSize = 0;
    if (!IsWebpHead(data, size))
        return DecodeStatus::kNotThisFormat;
    const WebPData bytes = {data, size};
    const std::unique_ptr<WebPDemuxer, DemuxCloser> demuxer(WebPDemux(&bytes));
    if (demuxer == nullptr)
        return DecodeStatus::kBroken;
    if ((WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & flag) == 0)
        return DecodeStatus::kOk;
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer.get(), kind, 1, &chunk))
        return DecodeStatus::kOk; // flagged, yet no chunk: nothing to hand over
    const unsigned char* content = chunk.chunk.bytes;
    size_t length = chunk.chunk.size;
    // Some writers keep the APP1 segment's "Exif\0\0" in front of the TIFF data.
    if (flag == EXIF_FLAG && length >= 6 && std::memcmp(content, "Exif\0\0", 6) == 0)
        content += 6, length -= 6;
    const DecodeStatus status = HandOverBlock(content, length, block, capacity, blockSize);
    WebPDemuxReleaseChunkIterator(&chunk);
    return status;
}

} // namespace

DecodeStatus ReadWebpProfile(const unsigned char* data, size_t size, unsigned char* profile,
                             size_t capacity, size_t* profileSize) {
    return HandOverChunk(data, size, "ICCP", ICCP_FLAG, profile, capacity, profileSize);
}

DecodeStatus ReadWebpExif(const unsigned char* data, size_t size, unsigned char* exif,
                          size_t capacity, size_t* exifSize) {
    return HandOverChunk(data, size, "EXIF", EXIF_FLAG, exif, capacity, exifSize);
}
