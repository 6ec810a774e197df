#include "imaging/embedded_profile.h"

#include "imaging/byte_order.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kMostCompressed = 4u << 20; // an iCCP chunk larger than this is no profile
constexpr uint16_t kIccProfileTag = 34675;
constexpr const char* kDamaged = "its ICC profile cannot be read";

// Reads length bytes at offset in pieces (a reader may give fewer at a time).
bool ReadAll(const ReadAtSource& r, uint64_t offset, unsigned char* buffer, size_t length) {
    constexpr size_t kPiece = 32768;
    for (size_t done = 0; done < length;) {
        const size_t n = length - done < kPiece ? length - done : kPiece;
        if (!r.Read(offset + done, buffer + done, n))
            return false;
        done += n;
    }
    return true;
}

// The zlib stream of an iCCP chunk's data (name, 0, method 0, stream) inflated into
// profile; 0 with *reason when it is damaged or does not fit.
size_t InflateIccp(const unsigned char* data, size_t size, unsigned char* profile, size_t capacity,
                   const char** reason) {
    const void* end = std::memchr(data, '\0', size < 80 ? size : 80);
    const size_t name =
        end != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(end) - data) : size;
    if (name == 0 || name + 2 > size || data[name + 1] != 0) {
        *reason = kDamaged;
        return 0;
    }
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) {
        *reason = kDamaged;
        return 0;
    }
    stream.next_in = const_cast<unsigned char*>(data + name + 2);
    stream.avail_in = static_cast<uInt>(size - name - 2);
    stream.next_out = profile;
    stream.avail_out = static_cast<uInt>(capacity);
    const int result = inflate(&stream, Z_FINISH);
    const size_t out = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        *reason = kDamaged; // cut short, corrupt, or more than capacity
        return 0;
    }
    return out;
}

size_t PngProfile(const ReadAtSource& r, unsigned char* profile, size_t capacity,
                  const char** reason) {
    uint64_t at = 0;
    uint32_t length = 0;
    if (!FindPngChunk(r, "iCCP", &at, &length))
        return 0;
    if (length > kMostCompressed) {
        *reason = kDamaged;
        return 0;
    }
    const std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[length + 1]);
    if (data == nullptr || !ReadAll(r, at, data.get(), length)) {
        *reason = kDamaged;
        return 0;
    }
    return InflateIccp(data.get(), length, profile, capacity, reason);
}

size_t TiffProfile(const ReadAtSource& r, const unsigned char* header, unsigned char* profile,
                   size_t capacity, const char** reason) {
    const bool little = header[0] == 'I';
    auto u16 = [little](const unsigned char* p) { return little ? Little16(p) : Big16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Little32(p) : Big32(p); };
    if (u16(header + 2) != 42)
        return 0;
    const uint32_t directory = u32(header + 4);
    unsigned char countBytes[2];
    if (directory < 8 || !r.Read(directory, countBytes, 2))
        return 0;
    const uint32_t count = u16(countBytes);
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char entry[12];
        if (!r.Read(directory + 2 + 12ull * i, entry, sizeof entry))
            return 0;
        if (u16(entry) != kIccProfileTag)
            continue;
        // UNDEFINED or BYTE, more than 4 of them: the entry holds their offset.
        const uint32_t type = u16(entry + 2);
        const uint32_t length = u32(entry + 4);
        if ((type != 7 && type != 1) || length <= 4 || length > capacity ||
            !ReadAll(r, u32(entry + 8), profile, length)) {
            *reason = kDamaged;
            return 0;
        }
        return length;
    }
    return 0;
}

} // namespace

size_t ReadEmbeddedProfile(ReadAtFunction read, void* context, unsigned char* profile,
                           size_t capacity, const char** reason) {
    const ReadAtSource r{read, context};
    unsigned char head[8];
    if (!r.Read(0, head, sizeof head))
        return 0;
    if (IsPngSignature(head))
        return PngProfile(r, profile, capacity, reason);
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'))
        return TiffProfile(r, head, profile, capacity, reason);
    return 0;
}
