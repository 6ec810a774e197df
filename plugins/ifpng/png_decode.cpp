#include "plugins/ifpng/png_decode.h"

#include "common/pixel_limit.h"
#include "metadata/byte_order.h"

#include <cstring>
#include <memory>
#include <new>

#include <spng.h>

namespace {

// gAMA's 1/2.2 (the value sRGB files carry): a display gamma of 2.2 makes its correction
// the identity, so whether a decoder applies it changes no pixel.
constexpr uint32_t kNeutralGamma = 45455;

// Ancillary chunks libspng keeps (texts, the profile, inflated): a bound on what a small
// file can make it allocate. A file beyond it goes to GDI+.
constexpr size_t kChunkLimit = 16u << 20;
constexpr size_t kChunkCacheLimit = 64u << 20;

// A damaged ancillary chunk is dropped, as libpng does by default; a damaged critical chunk
// is an error. The fuzz target ignores CRCs, or every mutated input would stop at one.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr int kCriticalCrc = SPNG_CRC_USE;
constexpr int kAncillaryCrc = SPNG_CRC_USE;
#else
constexpr int kCriticalCrc = SPNG_CRC_ERROR;
constexpr int kAncillaryCrc = SPNG_CRC_DISCARD;
#endif

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct ContextFreer {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFreer>;

DecodeStatus StatusOf(int error) {
    switch (error) {
    case 0:
        return DecodeStatus::kOk;
    case SPNG_EMEM:
        return DecodeStatus::kNoMemory;
    default:
        return DecodeStatus::kBroken;
    }
}

// Whether GDI+ would give these pixels as we do: see png_decode.h.
DecodeStatus CheckKind(spng_ctx* ctx, const spng_ihdr& ihdr) {
    if (ihdr.bit_depth > 8)
        return DecodeStatus::kUnsupported;
    uint32_t gamma = 0;
    int error = spng_get_gama_int(ctx, &gamma);
    if (error == 0 && gamma != kNeutralGamma)
        return DecodeStatus::kUnsupported;
    if (error != 0 && error != SPNG_ECHUNKAVAIL)
        return StatusOf(error);
    spng_trns trns;
    error = spng_get_trns(ctx, &trns);
    if (error != 0 && error != SPNG_ECHUNKAVAIL)
        return StatusOf(error);
    if (error == 0 && ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) {
        for (uint32_t i = 0; i < trns.n_type3_entries && i < 256; ++i) {
            if (trns.type3_alpha[i] != 0 && trns.type3_alpha[i] != 255)
                return DecodeStatus::kUnsupported;
        }
    }
    return DecodeStatus::kOk;
}

// A context over the file with its header read and checked; the picture's size in *width
// and *height.
DecodeStatus OpenPicture(const unsigned char* data, size_t size, int denominator, Context* ctx,
                         spng_ihdr* ihdr, int32_t* width, int32_t* height) {
    if (!IsPngHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    ctx->reset(spng_ctx_new(0));
    if (*ctx == nullptr)
        return DecodeStatus::kNoMemory;
    if (spng_set_png_buffer(ctx->get(), data, size) != 0 ||
        spng_set_chunk_limits(ctx->get(), kChunkLimit, kChunkCacheLimit) != 0 ||
        spng_set_crc_action(ctx->get(), kCriticalCrc, kAncillaryCrc) != 0)
        return DecodeStatus::kNoMemory;
    const int error = spng_get_ihdr(ctx->get(), ihdr);
    if (error != 0)
        return StatusOf(error);
    // libspng allows sides up to 2^31 - 1; the pixel limit is tighter.
    if (!PictureWithinPixelLimit(ihdr->width, ihdr->height))
        return DecodeStatus::kAboveLimit;
    const DecodeStatus kind = CheckKind(ctx->get(), *ihdr);
    if (kind != DecodeStatus::kOk)
        return kind;
    if (denominator != 1)
        return DecodeStatus::kNotAtThisScale;
    *width = static_cast<int32_t>(ihdr->width);
    *height = static_cast<int32_t>(ihdr->height);
    return DecodeStatus::kOk;
}

// RGBA rows into the target, a transparent pixel black; kUnsupported at the first pixel
// neither opaque nor transparent.
DecodeStatus Deliver(const unsigned char* rows, const DecodeTarget& target) {
    const int step = target.format == DecodePixels::kBgr24 ? 3 : 4;
    const size_t stride = static_cast<size_t>(target.width) * 4;
    for (int32_t y = 0; y < target.height; ++y) {
        const unsigned char* in = rows + static_cast<size_t>(y) * stride;
        unsigned char* out = target.top + y * target.stride;
        for (int32_t x = 0; x < target.width; ++x, in += 4, out += step) {
            if (in[3] == 255) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            } else if (in[3] == 0) {
                out[0] = out[1] = out[2] = 0;
            } else {
                return DecodeStatus::kUnsupported;
            }
            if (step == 4)
                out[3] = 0;
        }
    }
    return DecodeStatus::kOk;
}

} // namespace

bool IsPngHead(const unsigned char* head, size_t size) {
    // The signature, then IHDR's length (13) and type, width, height and bit depth. A
    // picture above the pixel limit is left to the host, whose refusal names the size.
    return size >= 33 && std::memcmp(head, kSignature, 8) == 0 &&
           std::memcmp(head + 8, "\0\0\0\x0dIHDR", 8) == 0 && head[24] <= 8 &&
           PictureWithinPixelLimit(Big32(head + 16), Big32(head + 20));
}

DecodeStatus ReadPngSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                         int32_t* height) {
    Context ctx;
    spng_ihdr ihdr;
    return OpenPicture(data, size, denominator, &ctx, &ihdr, width, height);
}

DecodeStatus DecodePng(const unsigned char* data, size_t size, int denominator,
                       const DecodeTarget& target) {
    Context ctx;
    spng_ihdr ihdr;
    int32_t width = 0;
    int32_t height = 0;
    const DecodeStatus status = OpenPicture(data, size, denominator, &ctx, &ihdr, &width, &height);
    if (status != DecodeStatus::kOk)
        return status;
    if (width != target.width || height != target.height || target.top == nullptr)
        return DecodeStatus::kBadRequest;
    size_t length = 0;
    int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &length);
    if (error != 0)
        return StatusOf(error);
    if (length != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        return DecodeStatus::kBroken;
    const std::unique_ptr<unsigned char[]> rows(new (std::nothrow) unsigned char[length]);
    if (rows == nullptr)
        return DecodeStatus::kNoMemory;
    // SPNG_DECODE_TRNS: a palette's or a colour key's transparency as alpha.
    error = spng_decode_image(ctx.get(), rows.get(), length, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    // The chunks after the pixel data up to IEND too: a file cut short after its last IDAT
    // is broken, as GDI+ finds (Wine's reads on to IEND and fails).
    if (error == 0)
        error = spng_decode_chunks(ctx.get());
    if (error != 0)
        return StatusOf(error);
    return Deliver(rows.get(), target);
}
