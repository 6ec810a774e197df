#include "plugins/ifheif/heif_claims.h"

#include "common/pixel_limit.h"
#include "plugins/ifheif/coded_size.h"
#include "plugins/shared/byte_reader.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t FourCc(const char (&name)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(name[0])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[2])) << 8 |
           static_cast<unsigned char>(name[3]);
}

// A coded picture may exceed its ispe by the rounding up to whole coding blocks (64 samples
// at most in HEVC).
constexpr uint64_t kCodingMargin = 64;

bool Exceeds(uint64_t claimed, uint64_t declared) {
    return claimed > kCodingMargin && claimed - kCodingMargin > declared;
}

uint64_t GetBig(ByteReader& r, unsigned bytes) {
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i)
        value = value << 8 | Get8(r);
    return value;
}

uint32_t Get32BE(ByteReader& r) {
    return static_cast<uint32_t>(GetBig(r, 4));
}

// The next box of r: its type and its contents. False at the end of r, or when the box
// runs past it.
bool NextBox(ByteReader& r, uint32_t* type, ByteReader* contents) {
    uint64_t size = Get32BE(r);
    *type = Get32BE(r);
    uint64_t header = 8;
    if (size == 1) {
        size = GetBig(r, 8);
        header = 16;
    } else if (size == 0) { // to the end
        size = header + Remaining(r);
    }
    if (r.failed || size < header || size - header > Remaining(r))
        return false;
    *contents = ByteReader{r.data + r.position, static_cast<size_t>(size - header)};
    Skip(r, contents->size);
    return true;
}

struct Property {
    uint32_t type;
    ByteReader contents;
};

struct Association {
    uint32_t item;
    uint32_t property; // from 1, in ipco's order
};

// An item's entry in iloc: where its extents start there.
struct Location {
    uint32_t item;
    uint32_t method; // construction_method: 0 in the file, 1 in idat
    uint64_t base;
    size_t extents;
    uint32_t count;
};

// What the checks read: the file, the boxes of its meta box, the properties in order, and
// the associations and locations sorted by item.
struct Boxes {
    ByteReader file, iinf, iloc, idat;
    std::vector<Property> properties;
    std::vector<Association> associations;
    unsigned offsetBytes = 0, lengthBytes = 0, indexBytes = 0;
    std::vector<Location> locations;
};

template <class Entry> bool ByItem(const Entry& a, const Entry& b) {
    return a.item < b.item;
}

// The entries of the item in a vector sorted by item.
template <class Entry> auto EntriesOf(const std::vector<Entry>& entries, uint32_t item) {
    Entry key{};
    key.item = item;
    return std::equal_range(entries.begin(), entries.end(), key, ByItem<Entry>);
}

void ReadAssociations(ByteReader r, std::vector<Association>* associations) {
    const uint8_t version = Get8(r);
    Skip(r, 2);
    const bool wide = (Get8(r) & 1) != 0; // 15-bit property indices, not 7
    const uint32_t entries = Get32BE(r);
    for (uint32_t i = 0; i < entries && !r.failed; ++i) {
        const uint32_t item = version < 1 ? Get16BE(r) : Get32BE(r);
        const int count = Get8(r);
        for (int j = 0; j < count && !r.failed; ++j) {
            const uint32_t index = wide ? Get16BE(r) & 0x7fffu : Get8(r) & 0x7fu;
            if (!r.failed)
                associations->push_back({item, index});
        }
    }
}

bool ReadLocations(Boxes* boxes) {
    ByteReader r = boxes->iloc;
    const uint8_t version = Get8(r);
    Skip(r, 3);
    const uint8_t sizes = Get8(r);
    const uint8_t more = Get8(r);
    boxes->offsetBytes = sizes >> 4;
    boxes->lengthBytes = sizes & 15;
    const unsigned baseBytes = more >> 4;
    boxes->indexBytes = version >= 1 ? more & 15 : 0;
    if (boxes->offsetBytes > 8 || boxes->lengthBytes > 8 || baseBytes > 8 || boxes->indexBytes > 8)
        return false;
    const size_t extentBytes = boxes->indexBytes + boxes->offsetBytes + boxes->lengthBytes;
    const uint32_t items = version < 2 ? Get16BE(r) : Get32BE(r);
    for (uint32_t i = 0; i < items && !r.failed; ++i) {
        Location location{};
        location.item = version < 2 ? Get16BE(r) : Get32BE(r);
        location.method = version >= 1 ? Get16BE(r) & 15u : 0;
        Skip(r, 2); // data_reference_index
        location.base = GetBig(r, baseBytes);
        location.count = Get16BE(r);
        location.extents = r.position;
        Skip(r, extentBytes * location.count);
        if (!r.failed)
            boxes->locations.push_back(location);
    }
    return !r.failed;
}

// The item's data, its extents joined, into bytes; at most the file's size.
bool ReadItem(const Boxes& boxes, uint32_t item, std::vector<unsigned char>* bytes) {
    bytes->clear();
    const auto [first, last] = EntriesOf(boxes.locations, item);
    for (auto location = first; location != last; ++location) {
        if (location->method > 1)
            return false; // taken from other items: libheif 1.15.1 reads no such item
        const ByteReader& source = location->method == 0 ? boxes.file : boxes.idat;
        ByteReader r = boxes.iloc;
        r.position = location->extents;
        for (uint32_t i = 0; i < location->count; ++i) {
            GetBig(r, boxes.indexBytes);
            const uint64_t offset = GetBig(r, boxes.offsetBytes);
            uint64_t length = GetBig(r, boxes.lengthBytes);
            if (r.failed || offset > source.size || location->base > source.size - offset)
                return false;
            const size_t start = static_cast<size_t>(location->base + offset);
            if (length == 0) // the rest
                length = source.size - start;
            if (length > source.size - start || length > boxes.file.size - bytes->size())
                return false;
            bytes->insert(bytes->end(), source.data + start, source.data + start + length);
        }
    }
    return true;
}

// The canvas of a grid (version, flags, rows and columns less one, then its size) or of an
// overlay (version, flags, four fill values, then its size): sizes of 4 bytes when bit 0 of
// the flags is set, else 2.
void AddCanvasSize(const std::vector<unsigned char>& bytes, bool grid, CodedSize* claimed) {
    ByteReader r{bytes.data(), bytes.size()};
    Get8(r);
    const unsigned fieldBytes = (Get8(r) & 1) != 0 ? 4 : 2;
    Skip(r, grid ? 2 : 8);
    claimed->width = GetBig(r, fieldBytes);
    claimed->height = GetBig(r, fieldBytes);
    claimed->unreadable = r.failed;
}

DecodeStatus CheckItem(const Boxes& boxes, uint32_t item, uint32_t type,
                       std::vector<unsigned char>* bytes) {
    const bool hevc = type == FourCc("hvc1");
    const bool av1 = type == FourCc("av01");
    const bool grid = type == FourCc("grid");
    if (!hevc && !av1 && !grid && type != FourCc("iovl"))
        return DecodeStatus::kOk;
    CodedSize claimed;
    uint64_t width = UINT64_MAX; // the smallest ispe, should there be several; none, no bound
    uint64_t height = UINT64_MAX;
    const auto [first, last] = EntriesOf(boxes.associations, item);
    for (auto association = first; association != last; ++association) {
        if (association->property < 1 || association->property > boxes.properties.size())
            continue;
        const Property& property = boxes.properties[association->property - 1];
        const ByteReader& contents = property.contents;
        if (property.type == FourCc("ispe")) {
            ByteReader r = contents;
            Skip(r, 4); // version, flags
            const uint64_t ispeWidth = Get32BE(r);
            const uint64_t ispeHeight = Get32BE(r);
            if (!r.failed) {
                width = std::min(width, ispeWidth);
                height = std::min(height, ispeHeight);
            }
        } else if (hevc && property.type == FourCc("hvcC")) {
            AddHevcConfigSizes(contents.data, contents.size, &claimed);
        } else if (av1 && property.type == FourCc("av1C")) {
            AddAv1ConfigSizes(contents.data, contents.size, &claimed);
        }
    }
    if (!ReadItem(boxes, item, bytes))
        return DecodeStatus::kBroken;
    if (hevc)
        AddHevcStreamSizes(bytes->data(), bytes->size(), &claimed);
    else if (av1)
        AddAv1StreamSizes(bytes->data(), bytes->size(), &claimed);
    else
        AddCanvasSize(*bytes, grid, &claimed);
    if (claimed.unreadable)
        return DecodeStatus::kBroken;
    if (!PictureWithinPixelLimit(static_cast<int64_t>(claimed.width),
                                 static_cast<int64_t>(claimed.height)))
        return DecodeStatus::kAboveLimit;
    if (Exceeds(claimed.width, width) || Exceeds(claimed.height, height))
        return DecodeStatus::kBroken;
    return DecodeStatus::kOk;
}

// iprp: the properties of the first ipco, and the associations of every ipma.
void ReadProperties(ByteReader iprp, Boxes* boxes) {
    ByteReader box;
    uint32_t type = 0;
    bool haveIpco = false;
    while (NextBox(iprp, &type, &box)) {
        if (type == FourCc("ipma")) {
            ReadAssociations(box, &boxes->associations);
        } else if (type == FourCc("ipco") && !haveIpco) {
            haveIpco = true;
            Property property{};
            while (NextBox(box, &property.type, &property.contents))
                boxes->properties.push_back(property);
        }
    }
}

// The first meta box and, in it, the first of each box that libheif reads.
bool FindBoxes(const unsigned char* data, size_t size, Boxes* boxes) {
    boxes->file = ByteReader{data, size};
    ByteReader r = boxes->file;
    ByteReader meta;
    uint32_t type = 0;
    do {
        if (!NextBox(r, &type, &meta))
            return false;
    } while (type != FourCc("meta"));
    Skip(meta, 4); // version, flags
    ByteReader box;
    bool haveIprp = false;
    while (NextBox(meta, &type, &box)) {
        if (type == FourCc("iinf") && boxes->iinf.data == nullptr)
            boxes->iinf = box;
        else if (type == FourCc("iloc") && boxes->iloc.data == nullptr)
            boxes->iloc = box;
        else if (type == FourCc("idat") && boxes->idat.data == nullptr)
            boxes->idat = box;
        else if (type == FourCc("iprp") && !haveIprp) {
            haveIprp = true;
            ReadProperties(box, boxes);
        }
    }
    std::sort(boxes->associations.begin(), boxes->associations.end(), ByItem<Association>);
    if (boxes->iloc.data != nullptr && !ReadLocations(boxes))
        return false;
    std::sort(boxes->locations.begin(), boxes->locations.end(), ByItem<Location>);
    return true;
}

} // namespace

DecodeStatus CheckHeifClaims(const unsigned char* data, size_t size) {
    Boxes boxes;
    if (!FindBoxes(data, size, &boxes))
        return DecodeStatus::kBroken;
    // iinf: its entry count (2 bytes in version 0, else 4), then an infe box for each item;
    // those of version 2 and up give the item's type.
    ByteReader r = boxes.iinf;
    Skip(r, Get8(r) == 0 ? 5 : 7);
    ByteReader infe;
    uint32_t type = 0;
    std::vector<unsigned char> bytes;
    while (NextBox(r, &type, &infe)) {
        const uint8_t version = Get8(infe);
        Skip(infe, 3);
        if (type != FourCc("infe") || version < 2)
            continue;
        const uint32_t item = version == 2 ? Get16BE(infe) : Get32BE(infe);
        Skip(infe, 2); // item_protection_index
        const uint32_t itemType = Get32BE(infe);
        if (infe.failed)
            return DecodeStatus::kBroken;
        const DecodeStatus status = CheckItem(boxes, item, itemType, &bytes);
        if (status != DecodeStatus::kOk)
            return status;
    }
    return DecodeStatus::kOk;
}
