#include "plugins/ifwebp/webp_encode.h"

#include <webp/encode.h>
#include <webp/mux.h>

namespace {

struct PictureOwner {
    WebPPicture picture;
    bool made = false;
    ~PictureOwner() {
        if (made)
            WebPPictureFree(&picture);
    }
};

struct MemoryOwner {
    WebPMemoryWriter writer;
    MemoryOwner() { WebPMemoryWriterInit(&writer); }
    ~MemoryOwner() { WebPMemoryWriterClear(&writer); }
};

struct MuxOwner {
    WebPMux* mux = WebPMuxNew();
    WebPData assembled = {nullptr, 0};
    ~MuxOwner() {
        WebPDataClear(&assembled);
        WebPMuxDelete(mux);
    }
};

// Straight to the host when nothing is added to the bitstream.
int WriteToSink(const uint8_t* data, size_t size, const WebPPicture* picture) {
    const auto* sink = static_cast<const EncodeSink*>(picture->custom_ptr);
    return sink->write(sink->context, data, size) ? 1 : 0;
}

EncodeStatus Failed(const EncodeReason& reason, WebPEncodingError error) {
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    case VP8_ENC_ERROR_BAD_WRITE:
        return Refuse(reason, EncodeStatus::kWriteFailed, "the file could not be written");
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
    case VP8_ENC_ERROR_FILE_TOO_BIG:
        return Refuse(reason, EncodeStatus::kRefused, "the picture is too large for WebP");
    default:
        return Refuse(reason, EncodeStatus::kFailed, "libwebp could not encode the picture");
    }
}

} // namespace

EncodeStatus EncodeWebp(const EncodeSource& source, const EncodeOptions& options,
                        const EncodeSink& sink, const EncodeReason& reason) {
    if (source.width > WEBP_MAX_DIMENSION || source.height > WEBP_MAX_DIMENSION)
        return Refuse(reason, EncodeStatus::kRefused, "WebP is at most 16383 pixels wide or high");
    // cwebp's own defaults: WebPConfigInit's method 4, then its -q, -lossless and -m.
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return Refuse(reason, EncodeStatus::kFailed, "libwebp is not the version built for");
    config.quality = static_cast<float>(options.quality);
    config.lossless = options.lossless ? 1 : 0;
    config.method = EncoderStepOfEffort(options.effort, 4, 1, 0, 6);
    if (!WebPValidateConfig(&config))
        return Refuse(reason, EncodeStatus::kFailed, "libwebp refused the settings");

    PictureOwner owner;
    WebPPicture& picture = owner.picture;
    if (!WebPPictureInit(&picture))
        return Refuse(reason, EncodeStatus::kFailed, "libwebp is not the version built for");
    picture.use_argb = config.lossless;
    picture.width = source.width;
    picture.height = source.height;
    // libwebp steps through the rows by the stride, so a bottom-up DIB is read in place.
    owner.made = true;
    if (!WebPPictureImportBGRX(&picture, source.top, static_cast<int>(source.stride)))
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");

    const bool withMetadata = options.exifSize > 0 || options.iccSize > 0;
    MemoryOwner memory;
    if (withMetadata) {
        picture.writer = WebPMemoryWrite;
        picture.custom_ptr = &memory.writer;
    } else {
        picture.writer = WriteToSink;
        picture.custom_ptr = const_cast<EncodeSink*>(&sink);
    }
    if (!WebPEncode(&config, &picture))
        return Failed(reason, picture.error_code);
    if (!withMetadata)
        return EncodeStatus::kOk;

    MuxOwner mux;
    if (mux.mux == nullptr)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    const WebPData bitstream = {memory.writer.mem, memory.writer.size};
    const WebPData exif = {options.exif, options.exifSize};
    const WebPData icc = {options.icc, options.iccSize};
    if (WebPMuxSetImage(mux.mux, &bitstream, 0) != WEBP_MUX_OK ||
        (options.exifSize > 0 && WebPMuxSetChunk(mux.mux, "EXIF", &exif, 0) != WEBP_MUX_OK) ||
        (options.iccSize > 0 && WebPMuxSetChunk(mux.mux, "ICCP", &icc, 0) != WEBP_MUX_OK) ||
        WebPMuxAssemble(mux.mux, &mux.assembled) != WEBP_MUX_OK)
        return Refuse(reason, EncodeStatus::kNoMemory, "the metadata could not be added");
    if (!sink.write(sink.context, mux.assembled.bytes, mux.assembled.size))
        return Refuse(reason, EncodeStatus::kWriteFailed, "the file could not be written");
    return EncodeStatus::kOk;
}
