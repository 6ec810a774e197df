// What an encoder of our plug-ins is handed and answers: portable (no Windows header),
// shared by the plug-ins' EncodePicture export (encode_exports.cpp) and the native tests.
#pragma once

#include <cstddef>
#include <cstdint>

enum class EncodeStatus {
    kOk,
    kBadRequest, // a picture the request does not describe (checked by CheckEncodeSource)
    kRefused,    // the format or its encoder cannot take the picture: the reason says why
    kNoMemory,
    kFailed,      // the encoder failed: the reason says why
    kWriteFailed, // the host did not take the bytes
};

// The picture as the host hands it over: 32-bit rows, blue, green, red and one byte the
// encoder ignores; the row y rows from the top starts at top + y * stride.
struct EncodeSource {
    const unsigned char* top = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The effort scale common to our encoders (SetEncodeEffort): 1 is the fastest, 9 gives the
// smallest files, 7 is each encoder's own default (cwebp's method 4, libheif's aom speed 6,
// cjxl's effort 7). One step on it is one step of the encoder's own scale, as far as that
// scale goes.
constexpr int kFastestEffort = 1;
constexpr int kDefaultEffort = 7;
constexpr int kSlowestEffort = 9;

// The compression scale of our PNG writer (SetPngCompression): 1 is the fastest, 9 gives
// the smallest files; a request without one is written at 6, zlib's own default.
constexpr int kFastestCompression = 1;
constexpr int kDefaultCompression = 6;
constexpr int kSmallestCompression = 9;

struct EncodeOptions {
    int quality = 75; // 0 to 100
    bool lossless = false;
    const unsigned char* exif = nullptr; // TIFF structure; exifSize 0: none
    size_t exifSize = 0;
    const unsigned char* icc = nullptr; // ICC profile; iccSize 0: none (sRGB)
    size_t iccSize = 0;
    int effort = kDefaultEffort;           // kFastestEffort to kSlowestEffort
    int compression = kDefaultCompression; // kFastestCompression to kSmallestCompression
};

// The encoder's own setting for effort: atDefault at kDefaultEffort, direction (+1 or -1)
// per step, held within lowest to highest.
int EncoderStepOfEffort(int effort, int atDefault, int direction, int lowest, int highest);

// Where the encoded bytes go: write answers false when the host did not take them.
struct EncodeSink {
    bool (*write)(void* context, const unsigned char* bytes, size_t size) = nullptr;
    void* context = nullptr;
};

// The reason an encoder gives, reasonSize bytes, always terminated.
struct EncodeReason {
    char* text = nullptr;
    size_t size = 0;
};
// Copies message into the reason (cut to fit) and answers status.
EncodeStatus Refuse(const EncodeReason& reason, EncodeStatus status, const char* message);

// True when the source describes rows that can be read: a top row, a width and height of
// 1 to 2^30, |stride| at least 4 * width, and the rows' span representable in memory.
bool CheckEncodeSource(const EncodeSource& source);

// The rows copied as packed red-green-blue (channels 3) or red-green-blue-255 (channels 4)
// into out, whose rows are outStride bytes apart (at least width * channels). The source
// must have passed CheckEncodeSource.
void CopyRowsAsRgb(const EncodeSource& source, int channels, unsigned char* out, size_t outStride);

// The encoder a plug-in hands its EncodePicture export.
struct PictureEncoder {
    const char* extensions; // GetEncodedExtensions' text
    EncodeStatus (*encode)(const EncodeSource& source, const EncodeOptions& options,
                           const EncodeSink& sink, const EncodeReason& reason);
};

// Defined by each plug-in that writes.
extern const PictureEncoder kPictureEncoder;
