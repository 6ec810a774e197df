// Our writing exports (plugins/include/tessavel_plugin.h) over the plug-in's encoder
// (picture_encode.h): the request checked, then handed over as portable records.
#include "plugins/include/tessavel_plugin.h"
#include "plugins/shared/picture_encode.h"

#include <cstddef>
#include <cstring>

namespace {

struct HostSink {
    EncodedBytesFunction write;
    void* context;
};

bool WriteToHost(void* context, const unsigned char* bytes, size_t size) {
    const auto* host = static_cast<const HostSink*>(context);
    return host->write(host->context, bytes, size) != 0;
}

int SusieResultOf(EncodeStatus status) {
    switch (status) {
    case EncodeStatus::kOk:
        return SUSIE_SUCCESS;
    case EncodeStatus::kNoMemory:
        return SUSIE_NO_MEMORY;
    case EncodeStatus::kWriteFailed:
        return SUSIE_FILE_WRITE_ERROR;
    case EncodeStatus::kRefused:
        return SUSIE_NOT_IMPLEMENTED;
    default:
        return SUSIE_INTERNAL_ERROR;
    }
}

// The host's record as this plug-in knows it: fields past the host's size are 0.
TessavelEncodeRequest Known(const TessavelEncodeRequest* request) {
    TessavelEncodeRequest known;
    std::memset(&known, 0, sizeof known);
    std::memcpy(&known, request, request->size < sizeof known ? request->size : sizeof known);
    return known;
}

} // namespace

extern "C" {

const char* SUSIEAPI GetEncodedExtensions(void) {
    return kPictureEncoder.extensions;
}

int SUSIEAPI EncodePicture(const TessavelEncodeRequest* request, EncodedBytesFunction write,
                           void* context, char* reason, int reasonSize) {
    const EncodeReason why{reason, reasonSize > 0 ? static_cast<size_t>(reasonSize) : 0};
    if (why.size > 0)
        reason[0] = '\0';
    if (request == nullptr || write == nullptr || request->size < sizeof(ULONG_PTR))
        return SUSIE_INTERNAL_ERROR;
    const TessavelEncodeRequest known = Known(request);
    EncodeSource source;
    source.top = static_cast<const unsigned char*>(known.top);
    source.stride = known.stride;
    source.width = known.width;
    source.height = known.height;
    if (!CheckEncodeSource(source)) {
        Refuse(why, EncodeStatus::kBadRequest, "the picture handed over has no usable rows");
        return SUSIE_INTERNAL_ERROR;
    }
    EncodeOptions options;
    options.quality = known.quality >= 0 && known.quality <= 100 ? known.quality : 75;
    options.lossless = known.lossless != 0;
    options.exif = static_cast<const unsigned char*>(known.exif);
    options.exifSize = options.exif != nullptr ? known.exifSize : 0;
    options.icc = static_cast<const unsigned char*>(known.icc);
    options.iccSize = options.icc != nullptr ? known.iccSize : 0;
    options.effort = known.effort >= kFastestEffort && known.effort <= kSlowestEffort
                         ? known.effort
                         : kDefaultEffort;
    options.compression =
        known.compression >= kFastestCompression && known.compression <= kSmallestCompression
            ? known.compression
            : kDefaultCompression;
    HostSink host{write, context};
    const EncodeSink sink{WriteToHost, &host};
    try {
        return SusieResultOf(kPictureEncoder.encode(source, options, sink, why));
    } catch (...) { // a library's C++ allocation failed
        Refuse(why, EncodeStatus::kNoMemory, "out of memory");
        return SUSIE_NO_MEMORY;
    }
}

} // extern "C"
