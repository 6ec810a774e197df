#include "plugins/ifjxl/jxl_decode.h"

#include "common/pixel_limit.h"
#include "plugins/shared/over_black.h"

#include <memory>
#include <new>
#include <vector>

#include <jxl/decode.h>

namespace {

struct DecoderDestroyer {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderDestroyer>;

// Eight bits a channel, red-green-blue-alpha (alpha 255 where the picture has none).
constexpr JxlPixelFormat kRgba8 = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};

// A decoder over the whole file, single-threaded, telling what the events ask for.
Decoder Open(const unsigned char* data, size_t size, int events) {
    Decoder decoder(JxlDecoderCreate(nullptr));
    if (decoder == nullptr || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), data, size) != JXL_DEC_SUCCESS)
        return nullptr;
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

// The size as shown: orientations 5 to 8 turn the picture a quarter.
DecodeStatus ShownSize(const JxlBasicInfo& info, int32_t* width, int32_t* height) {
    const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
    const uint64_t w = turned ? info.ysize : info.xsize;
    const uint64_t h = turned ? info.xsize : info.ysize;
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX)
        return DecodeStatus::kBroken;
    if (!PictureWithinPixelLimit(static_cast<int64_t>(w), static_cast<int64_t>(h)))
        return DecodeStatus::kAboveLimit;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return DecodeStatus::kOk;
}

// Runs the decoder on to the event; false when it fails, or the file (its input closed)
// ends before it.
bool RunTo(JxlDecoder* decoder, JxlDecoderStatus event) {
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == event)
            return true;
        if (status == JXL_DEC_ERROR || status == JXL_DEC_NEED_MORE_INPUT ||
            status == JXL_DEC_SUCCESS)
            return false;
    }
}

// Runs the decoder to its basic information: the size as shown.
DecodeStatus ReadBasicInfo(JxlDecoder* decoder, JxlBasicInfo* info, int32_t* width,
                           int32_t* height) {
    if (!RunTo(decoder, JXL_DEC_BASIC_INFO) ||
        JxlDecoderGetBasicInfo(decoder, info) != JXL_DEC_SUCCESS)
        return DecodeStatus::kBroken;
    return ShownSize(*info, width, height);
}

// A decoder run to the basic information of a request's picture: its size as shown. Any
// denominator but 1 answers kNotAtThisScale once the size is known.
DecodeStatus OpenToSize(const unsigned char* data, size_t size, int denominator, int events,
                        Decoder* decoder, int32_t* width, int32_t* height) {
    if (!IsJxlHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    *decoder = Open(data, size, events);
    if (*decoder == nullptr)
        return DecodeStatus::kNoMemory;
    JxlBasicInfo info;
    const DecodeStatus status = ReadBasicInfo(decoder->get(), &info, width, height);
    if (status == DecodeStatus::kOk && denominator != 1)
        return DecodeStatus::kNotAtThisScale;
    return status;
}

DecodeStatus DecodeFirstFrame(JxlDecoder* decoder, const DecodeTarget& target) {
    std::vector<unsigned char> rows;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t bytes = 0;
            if (JxlDecoderImageOutBufferSize(decoder, &kRgba8, &bytes) != JXL_DEC_SUCCESS ||
                bytes != static_cast<size_t>(target.width) * target.height * 4)
                return DecodeStatus::kBroken;
            rows.resize(bytes);
            if (JxlDecoderSetImageOutBuffer(decoder, &kRgba8, rows.data(), rows.size()) !=
                JXL_DEC_SUCCESS)
                return DecodeStatus::kBroken;
            break;
        }
        case JXL_DEC_FULL_IMAGE: // the first frame, composed as it shows; the rest is not read
            if (rows.empty())
                return DecodeStatus::kBroken;
            DeliverOverBlack(rows.data(), static_cast<size_t>(target.width) * 4, ColourOrder::kRgba,
                             false, target);
            return DecodeStatus::kOk;
        case JXL_DEC_ERROR:
        case JXL_DEC_NEED_MORE_INPUT:
        case JXL_DEC_SUCCESS:
            return DecodeStatus::kBroken;
        default:
            break;
        }
    }
}

bool IsSrgb(const JxlColorEncoding& encoding) {
    return encoding.color_space == JXL_COLOR_SPACE_RGB &&
           encoding.white_point == JXL_WHITE_POINT_D65 &&
           encoding.primaries == JXL_PRIMARIES_SRGB &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

} // namespace

bool IsJxlHead(const unsigned char* head, size_t size) {
    const JxlSignature signature = JxlSignatureCheck(head, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

DecodeStatus ReadJxlSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                         int32_t* height) {
    Decoder decoder;
    int32_t w = 0;
    int32_t h = 0;
    const DecodeStatus status =
        OpenToSize(data, size, denominator, JXL_DEC_BASIC_INFO, &decoder, &w, &h);
    if (status == DecodeStatus::kOk) {
        *width = w;
        *height = h;
    }
    return status;
}

DecodeStatus DecodeJxl(const unsigned char* data, size_t size, int denominator,
                       const DecodeTarget& target) {
    try {
        Decoder decoder;
        int32_t width = 0;
        int32_t height = 0;
        const DecodeStatus status =
            OpenToSize(data, size, denominator, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE, &decoder,
                       &width, &height);
        if (status != DecodeStatus::kOk)
            return status;
        if (width != target.width || height != target.height || target.top == nullptr)
            return DecodeStatus::kBadRequest;
        return DecodeFirstFrame(decoder.get(), target);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kNoMemory;
    }
}

DecodeStatus ReadJxlProfile(const unsigned char* data, size_t size, unsigned char* profile,
                            size_t capacity, size_t* profileSize) {
    *profileSize = 0;
    Decoder decoder;
    int32_t width = 0;
    int32_t height = 0;
    const DecodeStatus status = OpenToSize(
        data, size, 1, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING, &decoder, &width, &height);
    if (status != DecodeStatus::kOk)
        return status;
    if (!RunTo(decoder.get(), JXL_DEC_COLOR_ENCODING)) // it follows the basic information
        return DecodeStatus::kBroken;
    // The pixels' own space: for a lossy (XYB) picture, the one libjxl decodes into.
    constexpr JxlColorProfileTarget kPixels = JXL_COLOR_PROFILE_TARGET_DATA;
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder.get(), nullptr, kPixels, &encoding) ==
            JXL_DEC_SUCCESS &&
        IsSrgb(encoding))
        return DecodeStatus::kOk;
    size_t bytes = 0;
    if (JxlDecoderGetICCProfileSize(decoder.get(), nullptr, kPixels, &bytes) != JXL_DEC_SUCCESS)
        return DecodeStatus::kBroken;
    if (bytes > capacity)
        return DecodeStatus::kNoMemory;
    if (JxlDecoderGetColorAsICCProfile(decoder.get(), nullptr, kPixels, profile, bytes) !=
        JXL_DEC_SUCCESS)
        return DecodeStatus::kBroken;
    *profileSize = bytes;
    return DecodeStatus::kOk;
}
