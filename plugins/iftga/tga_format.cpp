// Truevision TGA pictures: colour-mapped (types 1, 9), true-colour (2, 10) and grey (3, 11),
// uncompressed or run-length encoded, with any of the four origins. An 8-bit index or grey
// picture becomes an 8-bit DIB with its palette, 32-bit true colour a 32-bit DIB (alpha in
// the fourth byte), everything else a 24-bit DIB.
#include "plugins/include/susie_plugin.h"
#include "plugins/shared/plugin_format.h"

#include <cstring>

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel TGA plug-in 1.1",
    "*.tga;*.tpic",
    "Truevision TGA images",
};
const int kPluginInfoCount = 4;

namespace {

constexpr size_t kHeaderBytes = 18;

struct TgaHeader {
    uint8_t idLength;
    uint8_t mapType;
    uint8_t imageType;
    uint16_t mapFirst;
    uint16_t mapLength;
    uint8_t mapEntryBits;
    uint16_t width;
    uint16_t height;
    uint8_t pixelBits;
    uint8_t descriptor;
};

bool IsMapped(const TgaHeader& h) {
    return (h.imageType & 7) == 1;
}
bool IsGrey(const TgaHeader& h) {
    return (h.imageType & 7) == 3;
}
bool IsRle(const TgaHeader& h) {
    return (h.imageType & 8) != 0;
}
bool IsValidEntryBits(uint8_t bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

TgaHeader ReadHeaderBytes(ByteReader& r) {
    TgaHeader h;
    h.idLength = Get8(r);
    h.mapType = Get8(r);
    h.imageType = Get8(r);
    h.mapFirst = Get16LE(r);
    h.mapLength = Get16LE(r);
    h.mapEntryBits = Get8(r);
    Skip(r, 4); // x and y origin
    h.width = Get16LE(r);
    h.height = Get16LE(r);
    h.pixelBits = Get8(r);
    h.descriptor = Get8(r);
    return h;
}

// TGA has no signature: the header's fields must all make sense together.
bool IsPlausible(const TgaHeader& h) {
    if (h.mapType > 1 || h.width == 0 || h.height == 0 || (h.descriptor & 0xC0) != 0)
        return false;
    if (h.mapType == 1 && (!IsValidEntryBits(h.mapEntryBits) || h.mapLength == 0))
        return false;
    switch (h.imageType) {
    case 1:
    case 9:
        return h.mapType == 1 && (h.pixelBits == 8 || h.pixelBits == 16);
    case 2:
    case 10:
        return IsValidEntryBits(h.pixelBits);
    case 3:
    case 11:
        return h.pixelBits == 8;
    default:
        return false;
    }
}

int OutputBitCount(const TgaHeader& h) {
    if (IsGrey(h) || (IsMapped(h) && h.pixelBits == 8))
        return 8;
    return !IsMapped(h) && h.pixelBits == 32 ? 32 : 24;
}

// A 15/16-bit colour (five bits each, red highest) as BGRA.
void Expand16(uint16_t value, uint8_t bgra[4]) {
    bgra[0] = ScaleSample(value & 0x1F, 31);
    bgra[1] = ScaleSample((value >> 5) & 0x1F, 31);
    bgra[2] = ScaleSample((value >> 10) & 0x1F, 31);
    bgra[3] = 255;
}

// One colour of `bits` bits as BGRA.
void ReadColor(ByteReader& r, int bits, uint8_t bgra[4]) {
    if (bits <= 16) {
        Expand16(Get16LE(r), bgra);
        return;
    }
    bgra[0] = Get8(r);
    bgra[1] = Get8(r);
    bgra[2] = Get8(r);
    bgra[3] = bits == 32 ? Get8(r) : 255;
}

struct Decoder {
    TgaHeader header;
    DibPicture* picture;
    uint8_t map[65536][4]; // the colour map, by index, for 16-bit indices
};

// Reads one pixel value of the file as the bytes the DIB stores for it.
void ReadPixel(ByteReader& r, const Decoder& d, uint8_t out[4]) {
    if (IsGrey(d.header) || (IsMapped(d.header) && d.header.pixelBits == 8)) {
        out[0] = Get8(r);
    } else if (IsMapped(d.header)) {
        std::memcpy(out, d.map[Get16LE(r)], 4);
    } else {
        ReadColor(r, d.header.pixelBits, out);
    }
}

void StorePixel(const Decoder& d, uint64_t index, const uint8_t value[4]) {
    const DibPicture& p = *d.picture;
    const int32_t fileRow = static_cast<int32_t>(index / static_cast<uint32_t>(p.width));
    int32_t x = static_cast<int32_t>(index % static_cast<uint32_t>(p.width));
    const int32_t y = (d.header.descriptor & 0x20) != 0 ? fileRow : p.height - 1 - fileRow;
    if ((d.header.descriptor & 0x10) != 0)
        x = p.width - 1 - x;
    const int outBytes = p.info->bmiHeader.biBitCount / 8;
    std::memcpy(DibRowFromTop(p, y) + static_cast<size_t>(x) * outBytes, value, outBytes);
}

void DecodePixels(ByteReader& r, const Decoder& d) {
    const uint64_t total =
        static_cast<uint64_t>(d.picture->width) * static_cast<uint64_t>(d.picture->height);
    uint8_t value[4] = {};
    for (uint64_t i = 0; i < total && !r.failed;) {
        if (!IsRle(d.header)) {
            ReadPixel(r, d, value);
            StorePixel(d, i++, value);
            continue;
        }
        const uint8_t packet = Get8(r);
        const uint32_t count = (packet & 0x7Fu) + 1;
        if ((packet & 0x80) != 0)
            ReadPixel(r, d, value);
        // A run may cross rows; it may not run past the picture.
        for (uint32_t k = 0; k < count && i < total && !r.failed; ++k) {
            if ((packet & 0x80) == 0)
                ReadPixel(r, d, value);
            StorePixel(d, i++, value);
        }
    }
}

int ReadHeader(ByteReader& r, TgaHeader* header) {
    if (Remaining(r) < kHeaderBytes)
        return SUSIE_UNKNOWN_FORMAT;
    *header = ReadHeaderBytes(r);
    return IsPlausible(*header) ? SUSIE_SUCCESS : SUSIE_UNKNOWN_FORMAT;
}

} // namespace

bool IsFormatHead(const unsigned char* head, size_t size) {
    ByteReader reader;
    reader.data = head;
    reader.size = size;
    TgaHeader header;
    return ReadHeader(reader, &header) == SUSIE_SUCCESS;
}

int ReadFormatGeometry(ByteReader reader, PictureGeometry* geometry) {
    TgaHeader header;
    const int result = ReadHeader(reader, &header);
    if (result != SUSIE_SUCCESS)
        return result;
    geometry->width = header.width;
    geometry->height = header.height;
    geometry->bitCount = OutputBitCount(header);
    return SUSIE_SUCCESS;
}

int DecodeFormat(ByteReader reader, DibPicture* picture) {
    // The decoder holds the largest colour map TGA allows; keep it off the stack.
    auto* d = static_cast<Decoder*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(Decoder)));
    if (d == nullptr)
        return SUSIE_NO_MEMORY;
    int result = ReadHeader(reader, &d->header);
    const TgaHeader& h = d->header;
    if (result == SUSIE_SUCCESS) {
        Skip(reader, h.idLength);
        if (h.mapType == 1) {
            for (uint32_t i = 0; i < h.mapLength; ++i) {
                uint8_t color[4];
                ReadColor(reader, h.mapEntryBits, color);
                if (h.mapFirst + i < 65536)
                    std::memcpy(d->map[h.mapFirst + i], color, 4);
            }
        }
        const int pixelBytes = (h.pixelBits + 7) / 8;
        const uint64_t pixels = static_cast<uint64_t>(h.width) * h.height;
        // Refuse a file far too short for its size before allocating: each pixel takes
        // its bytes, or a run packet of at most 128 pixels takes one more.
        const uint64_t needed =
            IsRle(h) ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
        if (reader.failed || Remaining(reader) < needed)
            result = SUSIE_BROKEN_DATA;
    }
    if (result == SUSIE_SUCCESS)
        result = CreateDibPicture(picture, h.width, h.height, OutputBitCount(h));
    if (result == SUSIE_SUCCESS) {
        d->picture = picture;
        if (picture->info->bmiHeader.biBitCount == 8) {
            for (int i = 0; i < 256; ++i) {
                if (IsGrey(h))
                    SetPaletteEntry(picture, i, static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                                    static_cast<uint8_t>(i));
                else
                    SetPaletteEntry(picture, i, d->map[i][2], d->map[i][1], d->map[i][0]);
            }
        }
        DecodePixels(reader, *d);
        if (reader.failed) {
            DiscardDibPicture(picture);
            result = SUSIE_BROKEN_DATA;
        }
    }
    LocalFree(d);
    return result;
}
