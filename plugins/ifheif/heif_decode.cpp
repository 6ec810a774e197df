#include "plugins/ifheif/heif_decode.h"

#include "metadata/byte_order.h"
#include "metadata/exif_orientation.h"
#include "common/pixel_limit.h"
#include "plugins/ifheif/heif_claims.h"
#include "plugins/ifheif/heif_library.h"
#include "plugins/shared/over_black.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// The brands of HEIF pictures: HEVC stills and sequences, the generic image brands, AV1.
constexpr const char kBrands[][5] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                     "hevm", "hevs", "mif1", "msf1", "avif", "avis"};

bool IsHeifBrand(const unsigned char* brand) {
    for (const char* known : kBrands)
        if (std::memcmp(brand, known, 4) == 0)
            return true;
    return false;
}

DecodeStatus StatusOf(const heif_error& error) {
    switch (error.code) {
    case heif_error_Ok:
        return DecodeStatus::kOk;
    case heif_error_Memory_allocation_error:
        return DecodeStatus::kNoMemory;
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
    case heif_error_Plugin_loading_error:
        return DecodeStatus::kUnsupported;
    default:
        return DecodeStatus::kBroken;
    }
}

// Owners of what libheif allocates; each holds the table it was allocated through.
struct ContextFreer {
    const HeifLibrary* heif;
    void operator()(heif_context* context) const { heif->heif_context_free(context); }
};
struct HandleReleaser {
    const HeifLibrary* heif;
    void operator()(heif_image_handle* handle) const { heif->heif_image_handle_release(handle); }
};
struct OptionsFreer {
    const HeifLibrary* heif;
    void operator()(heif_decoding_options* options) const {
        heif->heif_decoding_options_free(options);
    }
};
struct ImageReleaser {
    const HeifLibrary* heif;
    void operator()(heif_image* image) const { heif->heif_image_release(image); }
};
using Context = std::unique_ptr<heif_context, ContextFreer>;
using Handle = std::unique_ptr<heif_image_handle, HandleReleaser>;

// The file parsed (boxes only; nothing is decoded) and its primary picture's handle.
struct Primary {
    Context context;
    Handle handle;
    int32_t width = 0;
    int32_t height = 0;
};

DecodeStatus OpenPrimary(const HeifLibrary* heif, const unsigned char* data, size_t size,
                         Primary* primary) {
    primary->context = Context(heif->heif_context_alloc(), ContextFreer{heif});
    if (primary->context == nullptr)
        return DecodeStatus::kNoMemory;
    DecodeStatus status = StatusOf(heif->heif_context_read_from_memory_without_copy(
        primary->context.get(), data, size, nullptr));
    if (status != DecodeStatus::kOk)
        return status;
    heif_image_handle* handle = nullptr;
    status = StatusOf(heif->heif_context_get_primary_image_handle(primary->context.get(), &handle));
    primary->handle = Handle(handle, HandleReleaser{heif});
    if (status != DecodeStatus::kOk)
        return status;
    primary->width = heif->heif_image_handle_get_width(handle);
    primary->height = heif->heif_image_handle_get_height(handle);
    if (primary->width <= 0 || primary->height <= 0)
        return DecodeStatus::kBroken;
    if (!PictureWithinPixelLimit(primary->width, primary->height))
        return DecodeStatus::kAboveLimit;
    // What libheif and its decoders allocate for is claimed further inside the file.
    return CheckHeifClaims(data, size);
}

DecodeStatus Open(const unsigned char* data, size_t size, int denominator, Primary* primary) {
    if (!IsHeifHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    const HeifLibrary* heif = Heif();
    if (heif == nullptr)
        return DecodeStatus::kUnsupported;
    const DecodeStatus status = OpenPrimary(heif, data, size, primary);
    if (status == DecodeStatus::kOk && denominator != 1)
        return DecodeStatus::kNotAtThisScale;
    return status;
}

DecodeStatus DecodePrimary(const HeifLibrary* heif, const Primary& primary,
                           const DecodeTarget& target) {
    const std::unique_ptr<heif_decoding_options, OptionsFreer> options(
        heif->heif_decoding_options_alloc(), OptionsFreer{heif});
    if (options == nullptr)
        return DecodeStatus::kNoMemory;
    options->convert_hdr_to_8bit = 1;
    // An opaque picture is asked for without the alpha libheif would fill in: 3 MB less
    // memory written for every 3 megapixels, and the same colours.
    const bool alpha = heif->heif_image_handle_has_alpha_channel(primary.handle.get()) != 0;
    heif_image* decoded = nullptr;
    const DecodeStatus status = StatusOf(heif->heif_decode_image(
        primary.handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    const std::unique_ptr<heif_image, ImageReleaser> image(decoded, ImageReleaser{heif});
    if (status != DecodeStatus::kOk)
        return status;
    if (image == nullptr ||
        heif->heif_image_get_width(decoded, heif_channel_interleaved) != target.width ||
        heif->heif_image_get_height(decoded, heif_channel_interleaved) != target.height)
        return DecodeStatus::kBroken;
    int stride = 0;
    const uint8_t* rows =
        heif->heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (rows == nullptr || stride < target.width * (alpha ? 4 : 3))
        return DecodeStatus::kBroken;
    const bool premultiplied = heif->heif_image_handle_is_premultiplied_alpha(primary.handle.get());
    DeliverOverBlack(rows, static_cast<size_t>(stride),
                     alpha ? ColourOrder::kRgba : ColourOrder::kRgb, premultiplied, target);
    return DecodeStatus::kOk;
}

// Opens the file's primary picture for a request at 1/denominator and hands it to use;
// running out of memory anywhere is kNoMemory.
template <class Use>
DecodeStatus WithPrimary(const unsigned char* data, size_t size, int denominator, Use use) {
    try {
        Primary primary;
        const DecodeStatus status = Open(data, size, denominator, &primary);
        if (status != DecodeStatus::kOk)
            return status;
        return use(*Heif(), primary);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kNoMemory;
    }
}

} // namespace

bool IsHeifHead(const unsigned char* head, size_t size) {
    if (size < 16 || std::memcmp(head + 4, "ftyp", 4) != 0)
        return false;
    // The major brand, then the compatible brands that follow the minor version, within the
    // box and the bytes at hand.
    const size_t box = Big32(head);
    const size_t end = box < size ? box : size;
    if (IsHeifBrand(head + 8))
        return true;
    for (size_t at = 16; at + 4 <= end; at += 4)
        if (IsHeifBrand(head + at))
            return true;
    return false;
}

DecodeStatus ReadHeifSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height) {
    return WithPrimary(data, size, denominator, [&](const HeifLibrary&, const Primary& primary) {
        *width = primary.width;
        *height = primary.height;
        return DecodeStatus::kOk;
    });
}

DecodeStatus DecodeHeif(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target) {
    return WithPrimary(data, size, denominator,
                       [&](const HeifLibrary& heif, const Primary& primary) {
                           if (primary.width != target.width || primary.height != target.height ||
                               target.top == nullptr)
                               return DecodeStatus::kBadRequest;
                           return DecodePrimary(&heif, primary, target);
                       });
}

DecodeStatus ReadHeifProfile(const unsigned char* data, size_t size, unsigned char* profile,
                             size_t capacity, size_t* profileSize) {
    *profileSize = 0;
    return WithPrimary(data, size, 1, [&](const HeifLibrary& heif, const Primary& primary) {
        const size_t bytes =
            heif.heif_image_handle_get_raw_color_profile_size(primary.handle.get());
        if (bytes == 0)
            return DecodeStatus::kOk;
        if (bytes > capacity)
            return DecodeStatus::kNoMemory;
        const DecodeStatus read =
            StatusOf(heif.heif_image_handle_get_raw_color_profile(primary.handle.get(), profile));
        if (read == DecodeStatus::kOk)
            *profileSize = bytes;
        return read;
    });
}

DecodeStatus ReadHeifExif(const unsigned char* data, size_t size, unsigned char* exif,
                          size_t capacity, size_t* exifSize) {
    *exifSize = 0;
    return WithPrimary(data, size, 1, [&](const HeifLibrary& heif, const Primary& primary) {
        heif_item_id id = 0;
        if (heif.heif_image_handle_get_list_of_metadata_block_IDs(primary.handle.get(), "Exif", &id,
                                                                  1) < 1)
            return DecodeStatus::kOk;
        // The item: the TIFF header's offset after these 4 bytes, then the TIFF data.
        const size_t bytes = heif.heif_image_handle_get_metadata_size(primary.handle.get(), id);
        if (bytes < 4)
            return DecodeStatus::kBroken;
        std::vector<unsigned char> item(bytes);
        const DecodeStatus read =
            StatusOf(heif.heif_image_handle_get_metadata(primary.handle.get(), id, item.data()));
        if (read != DecodeStatus::kOk)
            return read;
        const uint64_t start = 4ull + Big32(item.data());
        if (start >= bytes)
            return DecodeStatus::kBroken;
        const size_t tiffSize = bytes - static_cast<size_t>(start);
        if (tiffSize > capacity)
            return DecodeStatus::kNoMemory;
        std::memcpy(exif, item.data() + start, tiffSize);
        SetExifUpright(exif, tiffSize);
        *exifSize = tiffSize;
        return DecodeStatus::kOk;
    });
}
