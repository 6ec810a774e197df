#include "plugins/ifpng/png_encode.h"

#include <spng.h>
#include <zlib.h>

#include <memory>
#include <new>

namespace {

struct ContextOwner {
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    ~ContextOwner() { spng_ctx_free(context); }
};

struct Output {
    const EncodeSink* sink;
    bool refused; // the host did not take the bytes
};

int WriteToSink(spng_ctx*, void* user, void* bytes, size_t length) {
    auto* output = static_cast<Output*>(user);
    if (output->sink->write(output->sink->context, static_cast<const unsigned char*>(bytes),
                            length))
        return 0;
    output->refused = true;
    return SPNG_IO_ERROR;
}

// GDI+'s resolution for a picture made in memory: 96 dpi, in pixels a metre.
constexpr uint32_t kPixelsPerMetre = 3780;

EncodeStatus Failed(const EncodeReason& reason, const Output& output, int error) {
    if (output.refused)
        return Refuse(reason, EncodeStatus::kWriteFailed, "the file could not be written");
    if (error == SPNG_EMEM)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    return Refuse(reason, EncodeStatus::kFailed, spng_strerror(error));
}

} // namespace

EncodeStatus EncodePng(const EncodeSource& source, const EncodeOptions& options,
                       const EncodeSink& sink, const EncodeReason& reason) {
    const size_t rowBytes = static_cast<size_t>(source.width) * 3;
    std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[rowBytes]);
    ContextOwner owner;
    if (row == nullptr || owner.context == nullptr)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    spng_ctx* context = owner.context;

    Output output{&sink, false};
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(source.width);
    header.height = static_cast<uint32_t>(source.height);
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_phys resolution{kPixelsPerMetre, kPixelsPerMetre, 1};
    const int level = options.compression; // held to its scale by the writing glue
    const bool fastest = level == kFastestCompression;
    int error = spng_set_png_stream(context, WriteToSink, &output);
    if (error == 0)
        error = spng_set_ihdr(context, &header);
    if (error == 0)
        error = spng_set_phys(context, &resolution);
    if (error == 0)
        error = spng_set_option(context, SPNG_IMG_COMPRESSION_LEVEL, level);
    if (error == 0)
        error = spng_set_option(context, SPNG_IMG_COMPRESSION_STRATEGY,
                                fastest ? Z_RLE : Z_DEFAULT_STRATEGY);
    if (error == 0)
        error = spng_set_option(context, SPNG_FILTER_CHOICE,
                                fastest ? SPNG_FILTER_CHOICE_UP : SPNG_FILTER_CHOICE_ALL);
    if (error == 0)
        error = spng_encode_image(context, nullptr, 0, SPNG_FMT_PNG,
                                  SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    if (error != 0)
        return Failed(reason, output, error);

    EncodeSource line = source;
    line.height = 1;
    for (int32_t y = 0; y < source.height; ++y) {
        line.top = source.top + static_cast<ptrdiff_t>(y) * source.stride;
        CopyRowsAsRgb(line, 3, row.get(), rowBytes);
        error = spng_encode_row(context, row.get(), rowBytes);
        // The last row answers SPNG_EOI once the file is finished.
        if (error == SPNG_EOI && y == source.height - 1)
            return EncodeStatus::kOk;
        if (error != 0)
            return Failed(reason, output, error);
    }
    return Refuse(reason, EncodeStatus::kFailed, "libspng did not finish the file");
}
