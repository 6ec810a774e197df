#include "plugins/ifjxl/jxl_encode.h"

#include <jxl/encode.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct EncoderOwner {
    JxlEncoder* encoder = JxlEncoderCreate(nullptr);
    ~EncoderOwner() { JxlEncoderDestroy(encoder); }
};

struct BufferOwner {
    unsigned char* bytes = nullptr;
    explicit BufferOwner(size_t size) : bytes(static_cast<unsigned char*>(std::malloc(size))) {}
    ~BufferOwner() { std::free(bytes); }
};

constexpr size_t kChunk = 1 << 16;

} // namespace

double JxlDistanceOfQuality(int quality) {
    if (quality >= 100)
        return 0.0;
    if (quality >= 30)
        return 0.1 + (100 - quality) * 0.09;
    return 6.4 + std::pow(2.5, (30 - quality) / 5.0) / 6.25;
}

EncodeStatus EncodeJxl(const EncodeSource& source, const EncodeOptions& options,
                       const EncodeSink& sink, const EncodeReason& reason) {
    const double distance = options.lossless ? 0.0 : JxlDistanceOfQuality(options.quality);
    const bool lossless = distance == 0.0;
    // libjxl reads packed red-green-blue rows: one copy of the picture in that order.
    const size_t rowBytes = static_cast<size_t>(source.width) * 3;
    if (static_cast<size_t>(source.height) > static_cast<size_t>(-1) / rowBytes)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    const size_t pixelBytes = rowBytes * static_cast<size_t>(source.height);
    BufferOwner pixels(pixelBytes);
    BufferOwner chunk(kChunk);
    EncoderOwner owner;
    if (pixels.bytes == nullptr || chunk.bytes == nullptr || owner.encoder == nullptr)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    CopyRowsAsRgb(source, 3, pixels.bytes, rowBytes);
    JxlEncoder* encoder = owner.encoder;

    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = static_cast<uint32_t>(source.width);
    info.ysize = static_cast<uint32_t>(source.height);
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
    const bool withExif = options.exifSize > 0;
    if ((withExif && JxlEncoderUseBoxes(encoder) != JXL_ENC_SUCCESS) ||
        JxlEncoderSetBasicInfo(encoder, &info) != JXL_ENC_SUCCESS)
        return Refuse(reason, EncodeStatus::kRefused, "libjxl refused the picture's size");
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    const JxlEncoderStatus colour =
        options.iccSize > 0 ? JxlEncoderSetICCProfile(encoder, options.icc, options.iccSize)
                            : JxlEncoderSetColorEncoding(encoder, &srgb);
    if (colour != JXL_ENC_SUCCESS)
        return Refuse(reason, EncodeStatus::kRefused, "libjxl refused the ICC profile");

    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    if (settings == nullptr ||
        JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT,
                                         EncoderStepOfEffort(options.effort, 7, 1, 1, 9)) !=
            JXL_ENC_SUCCESS ||
        (lossless ? JxlEncoderSetFrameLossless(settings, JXL_TRUE)
                  : JxlEncoderSetFrameDistance(settings, static_cast<float>(distance))) !=
            JXL_ENC_SUCCESS)
        return Refuse(reason, EncodeStatus::kFailed, "libjxl refused the settings");

    if (withExif) {
        // An Exif box starts with the offset of the TIFF header within the rest: 0.
        BufferOwner box(4 + options.exifSize);
        if (box.bytes == nullptr)
            return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
        std::memset(box.bytes, 0, 4);
        std::memcpy(box.bytes + 4, options.exif, options.exifSize);
        if (JxlEncoderAddBox(encoder, "Exif", box.bytes, 4 + options.exifSize, JXL_FALSE) !=
            JXL_ENC_SUCCESS)
            return Refuse(reason, EncodeStatus::kFailed, "libjxl refused the Exif data");
        JxlEncoderCloseBoxes(encoder);
    }
    const JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(settings, &format, pixels.bytes, pixelBytes) != JXL_ENC_SUCCESS)
        return Refuse(reason, EncodeStatus::kFailed, "libjxl could not encode the picture");
    JxlEncoderCloseInput(encoder);

    for (;;) {
        uint8_t* next = chunk.bytes;
        size_t available = kChunk;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &available);
        const size_t produced = kChunk - available;
        if (produced > 0 && !sink.write(sink.context, chunk.bytes, produced))
            return Refuse(reason, EncodeStatus::kWriteFailed, "the file could not be written");
        if (status == JXL_ENC_SUCCESS)
            return EncodeStatus::kOk;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return Refuse(reason, EncodeStatus::kFailed, "libjxl could not encode the picture");
    }
}
