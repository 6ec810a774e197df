// Netpbm pictures: PBM, PGM and PPM, plain (P1, P2, P3) and raw (P4, P5, P6), maxval up to
// 65535. PBM becomes a 1-bit DIB, PGM an 8-bit DIB with a grey palette, PPM a 24-bit DIB;
// samples are scaled to 0..255.
#include "plugins/include/susie_plugin.h"
#include "plugins/shared/plugin_format.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel Netpbm plug-in 1.1",
    "*.pbm;*.pgm;*.ppm;*.pnm",
    "Netpbm images (PBM, PGM, PPM)",
};
const int kPluginInfoCount = 4;

namespace {

enum Kind { kPlainBitmap = 1, kPlainGrey, kPlainColor, kRawBitmap, kRawGrey, kRawColor };

struct NetpbmHeader {
    int kind = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t maxValue = 1;
};

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Whitespace and comments (from '#' to the end of the line) separate the numbers.
void SkipSpaceAndComments(ByteReader& r) {
    for (int c = Peek8(r); c >= 0; c = Peek8(r)) {
        if (c == '#') {
            while ((c = Peek8(r)) >= 0 && c != '\n' && c != '\r')
                ++r.position;
        } else if (IsSpace(c)) {
            ++r.position;
        } else {
            return;
        }
    }
}

// A decimal number from 0 to limit; false when there is none or it is larger.
bool ReadNumber(ByteReader& r, uint32_t limit, uint32_t* value) {
    SkipSpaceAndComments(r);
    int c = Peek8(r);
    if (c < '0' || c > '9')
        return false;
    uint64_t number = 0;
    while ((c = Peek8(r)) >= '0' && c <= '9') {
        number = number * 10 + static_cast<uint64_t>(c - '0');
        if (number > limit)
            return false;
        ++r.position;
    }
    *value = static_cast<uint32_t>(number);
    return true;
}

int BitCountOf(int kind) {
    switch (kind) {
    case kPlainBitmap:
    case kRawBitmap:
        return 1;
    case kPlainGrey:
    case kRawGrey:
        return 8;
    default:
        return 24;
    }
}

int ReadHeader(ByteReader& r, NetpbmHeader* header) {
    if (Get8(r) != 'P')
        return SUSIE_UNKNOWN_FORMAT;
    header->kind = Get8(r) - '0';
    if (header->kind < kPlainBitmap || header->kind > kRawColor)
        return SUSIE_UNKNOWN_FORMAT;
    const int next = Peek8(r);
    if (!IsSpace(next) && next != '#')
        return SUSIE_UNKNOWN_FORMAT;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!ReadNumber(r, 0x7FFFFFFF, &width) || !ReadNumber(r, 0x7FFFFFFF, &height) || width == 0 ||
        height == 0)
        return SUSIE_BROKEN_DATA;
    header->width = static_cast<int32_t>(width);
    header->height = static_cast<int32_t>(height);
    header->maxValue = 1;
    if (header->kind != kPlainBitmap && header->kind != kRawBitmap &&
        (!ReadNumber(r, 65535, &header->maxValue) || header->maxValue == 0))
        return SUSIE_BROKEN_DATA;
    // Raw samples start after exactly one whitespace character.
    if (header->kind >= kRawBitmap && !IsSpace(Get8(r)))
        return SUSIE_BROKEN_DATA;
    const uint64_t rowBytes = DibRowBytes(header->width, BitCountOf(header->kind));
    if (rowBytes == 0 || rowBytes * height > kLargestPixelBlock)
        return SUSIE_BROKEN_DATA;
    return SUSIE_SUCCESS;
}

// One sample of the raster: a raw byte or big-endian pair, or a plain decimal number.
uint8_t ReadSample(ByteReader& r, const NetpbmHeader& header) {
    uint32_t value = 0;
    if (header.kind >= kRawBitmap)
        value = header.maxValue < 256 ? Get8(r) : Get16BE(r);
    else if (!ReadNumber(r, 65535, &value))
        r.failed = true;
    return ScaleSample(value, header.maxValue);
}

void DecodePlainBitmap(ByteReader& r, DibPicture* picture) {
    for (int32_t y = 0; y < picture->height && !r.failed; ++y) {
        unsigned char* row = DibRowFromTop(*picture, y);
        for (int32_t x = 0; x < picture->width; ++x) {
            SkipSpaceAndComments(r);
            const uint8_t digit = Get8(r);
            if (digit == '1')
                row[x >> 3] = static_cast<unsigned char>(row[x >> 3] | (0x80 >> (x & 7)));
            else if (digit != '0')
                r.failed = true;
        }
    }
}

void DecodeRawBitmap(ByteReader& r, DibPicture* picture) {
    const uint32_t rowBytes = (static_cast<uint32_t>(picture->width) + 7) / 8;
    for (int32_t y = 0; y < picture->height; ++y) {
        unsigned char* row = DibRowFromTop(*picture, y);
        for (uint32_t i = 0; i < rowBytes; ++i)
            row[i] = Get8(r);
    }
}

void DecodeSamples(ByteReader& r, const NetpbmHeader& header, DibPicture* picture) {
    const bool color = header.kind == kPlainColor || header.kind == kRawColor;
    for (int32_t y = 0; y < picture->height && !r.failed; ++y) {
        unsigned char* row = DibRowFromTop(*picture, y);
        for (int32_t x = 0; x < picture->width; ++x) {
            if (color) {
                row[3 * x + 2] = ReadSample(r, header);
                row[3 * x + 1] = ReadSample(r, header);
                row[3 * x] = ReadSample(r, header);
            } else {
                row[x] = ReadSample(r, header);
            }
        }
    }
}

} // namespace

bool IsFormatHead(const unsigned char* head, size_t size) {
    ByteReader reader;
    reader.data = head;
    reader.size = size;
    NetpbmHeader header;
    const int result = ReadHeader(reader, &header);
    if (result == SUSIE_SUCCESS)
        return !reader.failed;
    // Comments may run past the head: when the magic is right and the header was cut off by
    // the head's end rather than contradicted, the whole file decides.
    return result == SUSIE_BROKEN_DATA && reader.position >= reader.size;
}

int ReadFormatGeometry(ByteReader reader, PictureGeometry* geometry) {
    NetpbmHeader header;
    const int result = ReadHeader(reader, &header);
    if (result != SUSIE_SUCCESS)
        return result;
    if (reader.failed)
        return SUSIE_BROKEN_DATA;
    geometry->width = header.width;
    geometry->height = header.height;
    geometry->bitCount = BitCountOf(header.kind);
    return SUSIE_SUCCESS;
}

int DecodeFormat(ByteReader reader, DibPicture* picture) {
    NetpbmHeader header;
    int result = ReadHeader(reader, &header);
    if (result != SUSIE_SUCCESS)
        return result;
    if (reader.failed)
        return SUSIE_BROKEN_DATA;

    // A file far too short for its size is refused before anything is allocated: a raw
    // raster has a known length, a plain one at least one byte per sample.
    const uint64_t pixels =
        static_cast<uint64_t>(header.width) * static_cast<uint64_t>(header.height);
    const uint64_t channels = header.kind == kPlainColor || header.kind == kRawColor ? 3 : 1;
    uint64_t needed = pixels * channels;
    if (header.kind == kRawBitmap)
        needed =
            (static_cast<uint64_t>(header.width) + 7) / 8 * static_cast<uint64_t>(header.height);
    else if (header.kind >= kRawBitmap && header.maxValue >= 256)
        needed *= 2;
    if (Remaining(reader) < needed)
        return SUSIE_BROKEN_DATA;

    result = CreateDibPicture(picture, header.width, header.height, BitCountOf(header.kind));
    if (result != SUSIE_SUCCESS)
        return result;
    if (header.kind == kPlainBitmap || header.kind == kRawBitmap) {
        SetPaletteEntry(picture, 0, 255, 255, 255); // PBM: 1 is black
        SetPaletteEntry(picture, 1, 0, 0, 0);
    } else if (header.kind == kPlainGrey || header.kind == kRawGrey) {
        for (int i = 0; i < 256; ++i)
            SetPaletteEntry(picture, i, static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                            static_cast<uint8_t>(i));
    }
    switch (header.kind) {
    case kPlainBitmap:
        DecodePlainBitmap(reader, picture);
        break;
    case kRawBitmap:
        DecodeRawBitmap(reader, picture);
        break;
    default:
        DecodeSamples(reader, header, picture);
        break;
    }
    if (reader.failed) {
        DiscardDibPicture(picture);
        return SUSIE_BROKEN_DATA;
    }
    return SUSIE_SUCCESS;
}
