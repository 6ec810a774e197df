#include "plugins/ifjpeg/jpeg_decode.h"

#include "common/pixel_limit.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg reports an error by calling error_exit, which must not return: ours jumps back to
// RunLibjpeg. Everything between the setjmp and the jump is plain C data, so nothing with a
// destructor is skipped; the session lives in the caller's frame, so what the callbacks
// write survives the jump.
struct ErrorManager {
    jpeg_error_mgr base; // first: libjpeg hands back &base as cinfo->err
    std::jmp_buf escape;
    DecodeStatus status;
};

struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    jpeg_progress_mgr progress;
};

// A progressive JPEG may repeat scans without end, each a pass over every coefficient: a
// 64 KB file could keep the decoder busy for minutes. Real encoders write at most a few
// dozen scans; libjpeg-turbo's own fuzzers draw the line at 500.
constexpr int kMostScans = 500;

[[noreturn]] void Escape(j_common_ptr cinfo, DecodeStatus status) {
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    error->status = status;
    std::longjmp(error->escape, 1);
}

[[noreturn]] void ExitOnError(j_common_ptr cinfo) {
    switch (cinfo->err->msg_code) {
    case JERR_OUT_OF_MEMORY:
        Escape(cinfo, DecodeStatus::kNoMemory);
    case JERR_IMAGE_TOO_BIG: // above 65500 pixels a side: far above the pixel limit too
        Escape(cinfo, DecodeStatus::kAboveLimit);
    case JERR_BAD_PRECISION: // 12-bit
    case JERR_NOTIMPL:
    case JERR_SOF_UNSUPPORTED: // lossless, hierarchical
    case JERR_COMPONENT_COUNT:
    case JERR_CONVERSION_NOTIMPL:
        Escape(cinfo, DecodeStatus::kUnsupported);
    default:
        Escape(cinfo, DecodeStatus::kBroken);
    }
}

// Warnings are libjpeg's word for damage it papers over (a premature end becomes grey
// rows, a bad Huffman code a smear): refused, so a broken file fails the same way at every
// scale and in every host. Only the harmless ones pass.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_JFIF_MAJOR:  // a JFIF revision from the future
    case JWRN_ADOBE_XFORM: // an unknown Adobe transform: libjpeg keeps the usual one
        return;
    default:
        Escape(cinfo, DecodeStatus::kBroken);
    }
}

void OutputNothing(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMostScans)
        Escape(cinfo, DecodeStatus::kBroken);
}

bool IsReadableColorSpace(J_COLOR_SPACE space) {
    switch (space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
    case JCS_CMYK:
    case JCS_YCCK:
        return true;
    default:
        return false;
    }
}

bool IsFourChannel(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// Adobe writes CMYK inverted (0 is full ink), as libjpeg delivers it; djpeg turns it into
// RGB the same way, rounding c * k / 255 to nearest.
inline unsigned char InkToLight(unsigned int ink, unsigned int black) {
    return static_cast<unsigned char>((2 * ink * black + 255) / 510);
}

void CmykRowToBgr(const unsigned char* cmyk, unsigned char* out, int32_t width, int outBytes) {
    for (int32_t x = 0; x < width; ++x, cmyk += 4, out += outBytes) {
        out[0] = InkToLight(cmyk[2], cmyk[3]);
        out[1] = InkToLight(cmyk[1], cmyk[3]);
        out[2] = InkToLight(cmyk[0], cmyk[3]);
        if (outBytes == 4)
            out[3] = 0;
    }
}

// libjpeg-turbo fills the X of BGRX with 255; the host's rows want 0 there.
void ClearFourthBytes(unsigned char* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        row[4 * static_cast<size_t>(x) + 3] = 0;
}

// The largest number of rows libjpeg returns in one call (rec_outbuf_height is 1 to 4).
constexpr int kRowsPerCall = 8;

// Tells the target's consumer that rows [first, first + count) are written.
void HandOver(j_decompress_ptr cinfo, const DecodeTarget& target, JDIMENSION first,
              JDIMENSION count) {
    if (target.rowsDone != nullptr &&
        !target.rowsDone(target.context, static_cast<int32_t>(first), static_cast<int32_t>(count)))
        Escape(reinterpret_cast<j_common_ptr>(cinfo), DecodeStatus::kStopped);
}

void ReadRows(j_decompress_ptr cinfo, const DecodeTarget& target, bool fourChannel) {
    const int outBytes = target.format == DecodePixels::kBgrx32 ? 4 : 3;
    JSAMPARRAY inkRow = nullptr;
    if (fourChannel)
        inkRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                             cinfo->output_width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        if (fourChannel) {
            if (jpeg_read_scanlines(cinfo, inkRow, 1) != 1)
                Escape(reinterpret_cast<j_common_ptr>(cinfo), DecodeStatus::kBroken);
            CmykRowToBgr(inkRow[0], target.Row(static_cast<int32_t>(y)), target.width, outBytes);
            HandOver(cinfo, target, y, 1);
            continue;
        }
        JSAMPROW rows[kRowsPerCall];
        JDIMENSION wanted = cinfo->output_height - y;
        if (wanted > kRowsPerCall)
            wanted = kRowsPerCall;
        for (JDIMENSION i = 0; i < wanted; ++i)
            rows[i] = target.Row(static_cast<int32_t>(y + i));
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, wanted);
        if (got == 0)
            Escape(reinterpret_cast<j_common_ptr>(cinfo), DecodeStatus::kBroken);
        if (outBytes == 4)
            for (JDIMENSION i = 0; i < got; ++i)
                ClearFourthBytes(rows[i], target.width);
        HandOver(cinfo, target, y, got);
    }
}

// Reads the header and, with a target, decodes into it. The only function that calls setjmp.
DecodeStatus RunLibjpeg(Session* s, const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget* target, int32_t* width, int32_t* height) {
    std::memset(s, 0, sizeof *s);
    s->cinfo.err = jpeg_std_error(&s->error.base);
    s->error.base.error_exit = ExitOnError;
    s->error.base.emit_message = OnMessage;
    s->error.base.output_message = OutputNothing;
    s->error.status = DecodeStatus::kBroken;
    if (setjmp(s->error.escape) != 0) {
        jpeg_destroy_decompress(&s->cinfo);
        return s->error.status;
    }
    jpeg_CreateDecompress(&s->cinfo, JPEG_LIB_VERSION, sizeof s->cinfo);
    s->progress.progress_monitor = LimitScans;
    s->cinfo.progress = &s->progress;
    jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s->cinfo, TRUE);
    jpeg_decompress_struct& c = s->cinfo;
    if (!IsReadableColorSpace(c.jpeg_color_space))
        Escape(reinterpret_cast<j_common_ptr>(&c), DecodeStatus::kUnsupported);
    const bool fourChannel = IsFourChannel(c.jpeg_color_space);
    c.scale_num = 1;
    c.scale_denom = static_cast<unsigned int>(denominator);
    c.dct_method = JDCT_ISLOW;
    if (fourChannel)
        c.out_color_space = JCS_CMYK;
    else
        c.out_color_space = target != nullptr && target->format == DecodePixels::kBgr24
                                ? JCS_EXT_BGR
                                : JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&c);
    *width = static_cast<int32_t>(c.output_width);
    *height = static_cast<int32_t>(c.output_height);
    if (target != nullptr) {
        // The limit is on the picture, not on the decode: a picture too large to hold is
        // refused at every scale alike.
        if (!PictureWithinPixelLimit(c.image_width, c.image_height))
            Escape(reinterpret_cast<j_common_ptr>(&c), DecodeStatus::kAboveLimit);
        if (target->width != *width || target->height != *height || target->top == nullptr ||
            (target->rowsDone != nullptr && target->band < kRowsPerCall))
            Escape(reinterpret_cast<j_common_ptr>(&c), DecodeStatus::kBadRequest);
        jpeg_start_decompress(&c);
        ReadRows(&c, *target, fourChannel);
        jpeg_finish_decompress(&c); // reads on to the end marker: a missing one is damage
    }
    jpeg_destroy_decompress(&c);
    return DecodeStatus::kOk;
}

// libjpeg takes the length as an unsigned long, 32 bits on Windows.
constexpr size_t kLargestInput = 0x7FFFFFFF;

} // namespace

bool IsJpegHead(const unsigned char* head, size_t size) {
    return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

namespace {

// What both entry points refuse before libjpeg sees the bytes.
DecodeStatus CheckRequest(const unsigned char* data, size_t size, int denominator) {
    if (!IsDenominator(denominator))
        return DecodeStatus::kBadRequest;
    if (data == nullptr || !IsJpegHead(data, size))
        return DecodeStatus::kNotThisFormat;
    if (size > kLargestInput)
        return DecodeStatus::kNoMemory;
    return DecodeStatus::kOk;
}

} // namespace

DecodeStatus ReadJpegSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                          int32_t* height) {
    const DecodeStatus checked = CheckRequest(data, size, denominator);
    if (checked != DecodeStatus::kOk)
        return checked;
    Session session;
    return RunLibjpeg(&session, data, size, denominator, nullptr, width, height);
}

DecodeStatus DecodeJpeg(const unsigned char* data, size_t size, int denominator,
                        const DecodeTarget& target) {
    const DecodeStatus checked = CheckRequest(data, size, denominator);
    if (checked != DecodeStatus::kOk)
        return checked;
    Session session;
    int32_t width = 0;
    int32_t height = 0;
    return RunLibjpeg(&session, data, size, denominator, &target, &width, &height);
}
