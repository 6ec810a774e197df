#include "plugins/ifheif/heif_encode.h"

#include "plugins/ifheif/heif_library.h"

#include <cstdint>

namespace {

struct ContextOwner {
    const HeifEncodingLibrary& heif;
    heif_context* context;
    explicit ContextOwner(const HeifEncodingLibrary& library)
        : heif(library), context(library.heif_context_alloc()) {}
    ~ContextOwner() {
        if (context != nullptr)
            heif.heif_context_free(context);
    }
};

struct EncoderOwner {
    const HeifEncodingLibrary& heif;
    heif_encoder* encoder = nullptr;
    ~EncoderOwner() {
        if (encoder != nullptr)
            heif.heif_encoder_release(encoder);
    }
};

struct ImageOwner {
    const HeifEncodingLibrary& heif;
    heif_image* image = nullptr;
    ~ImageOwner() {
        if (image != nullptr)
            heif.heif_image_release(image);
    }
};

struct HandleOwner {
    const HeifEncodingLibrary& heif;
    heif_image_handle* handle = nullptr;
    ~HandleOwner() {
        if (handle != nullptr)
            heif.heif_image_handle_release(handle);
    }
};

struct OptionsOwner {
    const HeifEncodingLibrary& heif;
    heif_encoding_options* options;
    heif_color_profile_nclx* nclx;
    explicit OptionsOwner(const HeifEncodingLibrary& library)
        : heif(library), options(library.heif_encoding_options_alloc()),
          nclx(library.heif_nclx_color_profile_alloc()) {}
    ~OptionsOwner() {
        if (options != nullptr)
            heif.heif_encoding_options_free(options);
        if (nclx != nullptr)
            heif.heif_nclx_color_profile_free(nclx);
    }
};

heif_error WriteToSink(heif_context*, const void* data, size_t size, void* userdata) {
    const auto* sink = static_cast<const EncodeSink*>(userdata);
    if (sink->write(sink->context, static_cast<const unsigned char*>(data), size))
        return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
    return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "not written"};
}

bool Failed(const heif_error& error) {
    return error.code != heif_error_Ok;
}

EncodeStatus FailedWith(const EncodeReason& reason, const heif_error& error, const char* what) {
    if (error.code == heif_error_Memory_allocation_error)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    return Refuse(reason, EncodeStatus::kFailed, what);
}

} // namespace

EncodeStatus EncodeAvif(const EncodeSource& source, const EncodeOptions& options,
                        const EncodeSink& sink, const EncodeReason& reason) {
    const HeifEncodingLibrary* library = HeifEncoding();
    if (library == nullptr)
        return Refuse(reason, EncodeStatus::kFailed,
                      "libheif.dll is missing beside the plug-in or cannot write AVIF");
    const HeifEncodingLibrary& heif = *library;
    // AV1 codes at most 65536 pixels a side.
    if (source.width > 65536 || source.height > 65536)
        return Refuse(reason, EncodeStatus::kRefused, "AVIF is at most 65536 pixels wide or high");

    ContextOwner context(heif);
    if (context.context == nullptr)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    EncoderOwner encoder{heif};
    heif_error error = heif.heif_context_get_encoder_for_format(
        context.context, heif_compression_AV1, &encoder.encoder);
    if (Failed(error))
        return Refuse(reason, EncodeStatus::kFailed, "libheif.dll has no AV1 encoder");
    error = options.lossless
                ? heif.heif_encoder_set_lossless(encoder.encoder, 1)
                : heif.heif_encoder_set_lossy_quality(encoder.encoder, options.quality);
    if (!Failed(error) && options.lossless)
        error = heif.heif_encoder_set_parameter_string(encoder.encoder, "chroma", "444");
    // libheif's aom speed: 6 by default, 9 the fastest; effort 9 is speed 4.
    if (!Failed(error) && options.effort != kDefaultEffort)
        error = heif.heif_encoder_set_parameter_integer(
            encoder.encoder, "speed", EncoderStepOfEffort(options.effort, 6, -1, 0, 9));
    if (Failed(error))
        return Refuse(reason, EncodeStatus::kFailed, "the AV1 encoder refused the settings");

    ImageOwner image{heif};
    error = heif.heif_image_create(source.width, source.height, heif_colorspace_RGB,
                                   heif_chroma_interleaved_RGB, &image.image);
    if (!Failed(error))
        error = heif.heif_image_add_plane(image.image, heif_channel_interleaved, source.width,
                                          source.height, 8);
    if (Failed(error))
        return FailedWith(reason, error, "libheif could not take the picture");
    int stride = 0;
    uint8_t* plane = heif.heif_image_get_plane(image.image, heif_channel_interleaved, &stride);
    if (plane == nullptr || stride < source.width * 3)
        return Refuse(reason, EncodeStatus::kFailed, "libheif could not take the picture");
    CopyRowsAsRgb(source, 3, plane, static_cast<size_t>(stride));
    if (options.iccSize > 0) {
        error = heif.heif_image_set_raw_color_profile(image.image, "prof", options.icc,
                                                      options.iccSize);
        if (Failed(error))
            return FailedWith(reason, error, "libheif refused the ICC profile");
    }

    OptionsOwner encoding(heif);
    if (encoding.options == nullptr || encoding.nclx == nullptr)
        return Refuse(reason, EncodeStatus::kNoMemory, "out of memory");
    // sRGB's primaries and transfer; the matrix BT.601 (libavif's default) for lossy, the
    // identity (the pixels as green, blue, red planes) for lossless; full range. libheif
    // 1.15 converts by the picture's own nclx profile and writes it.
    encoding.nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    encoding.nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    encoding.nclx->matrix_coefficients = options.lossless ? heif_matrix_coefficients_RGB_GBR
                                                          : heif_matrix_coefficients_ITU_R_BT_601_6;
    encoding.nclx->full_range_flag = 1;
    error = heif.heif_image_set_nclx_color_profile(image.image, encoding.nclx);
    if (Failed(error))
        return FailedWith(reason, error, "libheif refused the colour description");
    // A reader needs the nclx box for the matrix even when the profile is there.
    encoding.options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;

    HandleOwner handle{heif};
    error = heif.heif_context_encode_image(context.context, image.image, encoder.encoder,
                                           encoding.options, &handle.handle);
    if (Failed(error))
        return FailedWith(reason, error, "the AV1 encoder could not encode the picture");
    if (options.exifSize > 0) {
        if (options.exifSize > INT32_MAX - 4)
            return Refuse(reason, EncodeStatus::kRefused, "the Exif data is too large");
        error = heif.heif_context_add_exif_metadata(context.context, handle.handle, options.exif,
                                                    static_cast<int>(options.exifSize));
        if (Failed(error))
            return FailedWith(reason, error, "libheif refused the Exif data");
    }
    heif_writer writer;
    writer.writer_api_version = 1;
    writer.write = WriteToSink;
    error = heif.heif_context_write(context.context, &writer, const_cast<EncodeSink*>(&sink));
    if (error.subcode == heif_suberror_Cannot_write_output_data)
        return Refuse(reason, EncodeStatus::kWriteFailed, "the file could not be written");
    if (Failed(error))
        return FailedWith(reason, error, "libheif could not write the file");
    return EncodeStatus::kOk;
}
