// The Susie set delivers a 24-bit DIB of the full picture; our own exports decode at 1/1 to
// 1/8 straight into the host's 32-bit rows.
#include "plugins/shared/scaled_plugin.h"

#include "common/pixel_limit.h"
#include "plugins/include/tessavel_plugin.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/text_copy.h"

#include <cstring>

namespace {

int SusieResultOf(DecodeStatus status) {
    switch (status) {
    case DecodeStatus::kOk:
        return SUSIE_SUCCESS;
    case DecodeStatus::kNotThisFormat:
    case DecodeStatus::kUnsupported:
        return SUSIE_UNKNOWN_FORMAT;
    case DecodeStatus::kNotAtThisScale:
        return SUSIE_NOT_IMPLEMENTED; // the host decodes at full scale instead
    case DecodeStatus::kBroken:
        return SUSIE_BROKEN_DATA;
    case DecodeStatus::kAboveLimit: // as CreateDibPicture answers a picture above the limit
    case DecodeStatus::kNoMemory:
        return SUSIE_NO_MEMORY;
    case DecodeStatus::kStopped:
        return SUSIE_ABORTED;
    default:
        return SUSIE_INTERNAL_ERROR;
    }
}

// A metadata export over the decoder's reading of it; none when the decoder has none.
int HandOverMetadata(ReadMetadataFunction read, const void* data, ULONG_PTR size, void* block,
                     ULONG_PTR capacity, ULONG_PTR* blockSize) {
    if (data == nullptr || blockSize == nullptr || (block == nullptr && capacity != 0))
        return SUSIE_INTERNAL_ERROR;
    *blockSize = 0;
    if (read == nullptr)
        return SUSIE_SUCCESS;
    size_t bytes = 0;
    const int result = SusieResultOf(read(static_cast<const unsigned char*>(data), size,
                                          static_cast<unsigned char*>(block), capacity, &bytes));
    if (result == SUSIE_SUCCESS)
        *blockSize = bytes;
    return result;
}

// The host's callback behind a target's rowsDone.
struct HostRows {
    PictureRowsFunction rows;
    void* context;
};

bool HandRowsToHost(void* context, int32_t first, int32_t count) {
    const auto* host = static_cast<const HostRows*>(context);
    return host->rows(host->context, first, count) != 0;
}

// GetPictureScaled, and with rows GetPictureScaledRows: the picture at 1/denominator into
// the host's 32-bit rows, all of them or a band.
int DecodeIntoHostRows(const void* data, ULONG_PTR size, int denominator, void* top,
                       LONG_PTR stride, LONG width, LONG height, LONG band,
                       PictureRowsFunction rows, void* context) {
    if (data == nullptr || top == nullptr)
        return SUSIE_INTERNAL_ERROR;
    if (!IsDenominator(denominator))
        return SUSIE_NOT_IMPLEMENTED;
    // A stride shorter than a row would make rows overlap: the host got the width wrong.
    if ((stride < 0 ? -stride : stride) < static_cast<LONG_PTR>(width) * 4)
        return SUSIE_INTERNAL_ERROR;
    DecodeTarget target;
    target.top = static_cast<unsigned char*>(top);
    target.stride = stride;
    target.width = width;
    target.height = height;
    target.format = DecodePixels::kBgrx32;
    HostRows host{rows, context};
    if (rows != nullptr) {
        target.band = band;
        target.rowsDone = HandRowsToHost;
        target.context = &host;
    }
    return SusieResultOf(
        kScaledDecoder.decode(static_cast<const unsigned char*>(data), size, denominator, target));
}

const unsigned char* Rest(const ByteReader& reader) {
    return reader.data + reader.position;
}

} // namespace

bool IsFormatHead(const unsigned char* head, size_t size) {
    return kScaledDecoder.isHead(head, size);
}

int ReadFormatGeometry(ByteReader reader, PictureGeometry* geometry) {
    const DecodeStatus status = kScaledDecoder.readSize(Rest(reader), Remaining(reader), 1,
                                                        &geometry->width, &geometry->height);
    geometry->bitCount = 24;
    return SusieResultOf(status);
}

int DecodeFormat(ByteReader reader, DibPicture* picture) {
    int32_t width = 0;
    int32_t height = 0;
    int result =
        SusieResultOf(kScaledDecoder.readSize(Rest(reader), Remaining(reader), 1, &width, &height));
    // Before CreateDibPicture, which calls a picture too large for a DIB broken: the same
    // answer as the scaled decode gives at every scale.
    if (result == SUSIE_SUCCESS && !PictureWithinPixelLimit(width, height))
        result = SUSIE_NO_MEMORY;
    if (result == SUSIE_SUCCESS)
        result = CreateDibPicture(picture, width, height, 24);
    if (result != SUSIE_SUCCESS)
        return result;
    DecodeTarget target;
    target.top = DibRowFromTop(*picture, 0);
    target.stride = -static_cast<ptrdiff_t>(picture->stride); // the DIB is bottom-up
    target.width = width;
    target.height = height;
    target.format = DecodePixels::kBgr24;
    result = SusieResultOf(kScaledDecoder.decode(Rest(reader), Remaining(reader), 1, target));
    if (result != SUSIE_SUCCESS)
        DiscardDibPicture(picture);
    return result;
}

extern "C" {

int SUSIEAPI GetPictureScaledSize(const void* data, ULONG_PTR size, int denominator, LONG* width,
                                  LONG* height) {
    if (data == nullptr || width == nullptr || height == nullptr)
        return SUSIE_INTERNAL_ERROR;
    if (!IsDenominator(denominator))
        return SUSIE_NOT_IMPLEMENTED;
    int32_t w = 0;
    int32_t h = 0;
    const int result = SusieResultOf(kScaledDecoder.readSize(
        static_cast<const unsigned char*>(data), size, denominator, &w, &h));
    if (result == SUSIE_SUCCESS) {
        *width = w;
        *height = h;
    }
    return result;
}

int SUSIEAPI GetPictureScaled(const void* data, ULONG_PTR size, int denominator, void* top,
                              LONG_PTR stride, LONG width, LONG height) {
    return DecodeIntoHostRows(data, size, denominator, top, stride, width, height, 0, nullptr,
                              nullptr);
}

int SUSIEAPI GetPictureScaledRows(const void* data, ULONG_PTR size, int denominator, void* top,
                                  LONG_PTR stride, LONG width, LONG height, LONG band,
                                  PictureRowsFunction rows, void* context) {
    if (!kScaledDecoder.deliversRows)
        return SUSIE_NOT_IMPLEMENTED; // before any argument is looked at: the host's question
    if (rows == nullptr || band < 16)
        return SUSIE_INTERNAL_ERROR;
    return DecodeIntoHostRows(data, size, denominator, top, stride, width, height, band, rows,
                              context);
}

int SUSIEAPI GetPictureIccProfile(const void* data, ULONG_PTR size, void* block, ULONG_PTR capacity,
                                  ULONG_PTR* blockSize) {
    return HandOverMetadata(kScaledDecoder.readProfile, data, size, block, capacity, blockSize);
}

int SUSIEAPI GetPictureExif(const void* data, ULONG_PTR size, void* block, ULONG_PTR capacity,
                            ULONG_PTR* blockSize) {
    return HandOverMetadata(kScaledDecoder.readExif, data, size, block, capacity, blockSize);
}

int SUSIEAPI GetPluginUnavailableReason(LPSTR text, int capacity) {
    const char* reason =
        kScaledDecoder.unavailableReason != nullptr ? kScaledDecoder.unavailableReason() : "";
    if (capacity > 0)
        CopyTextCut(text, static_cast<size_t>(capacity), reason);
    return static_cast<int>(std::strlen(reason));
}

// PluginIsReentrant comes with the shared Susie exports: a decoder of this kind keeps its
// state in each call, so the answer is yes here too.

} // extern "C"
