#include "metadata/embedded_profile.h"

#include "metadata/png_chunks.h"
#include "metadata/photo_metadata.h"
#include "metadata/signatures.h"
#include "metadata/tiff_directory.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr uint32_t kMostCompressed = 4u << 20; // an iCCP chunk larger than this is no profile
constexpr uint16_t kIccProfileTag = 34675;

// Reads length bytes at offset in pieces (a reader may give fewer at a time).
bool ReadAll(const FileReader& r, uint64_t offset, unsigned char* buffer, size_t length) {
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
        *reason = kUnreadableProfile;
        return 0;
    }
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) {
        *reason = kUnreadableProfile;
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
        *reason = kUnreadableProfile; // cut short, corrupt, or more than capacity
        return 0;
    }
    return out;
}

// The room for the inflated profile is had only once there is an iCCP chunk: most PNGs
// have none.
bool PngProfile(const FileReader& r, size_t capacity, MetadataBlock* profile, const char** reason) {
    uint64_t at = 0;
    uint32_t length = 0;
    if (!FindPngChunk(r, "iCCP", &at, &length))
        return false;
    if (length > kMostCompressed) {
        *reason = kUnreadableProfile;
        return false;
    }
    MetadataBlock data;
    MetadataBlock room;
    if (!data.Allocate(length + 1) || !ReadAll(r, at, data.bytes.get(), length) ||
        !room.Allocate(capacity)) {
        *reason = kUnreadableProfile;
        return false;
    }
    const size_t size = InflateIccp(data.data(), length, room.bytes.get(), capacity, reason);
    if (size > 0 && !profile->Assign(room.data(), size))
        *reason = kUnreadableProfile;
    return size > 0 && !profile->Empty();
}

bool TiffProfile(const FileReader& r, size_t capacity, MetadataBlock* profile,
                 const char** reason) {
    TiffData tiff;
    uint32_t directory = 0;
    TiffEntry entry;
    if (!OpenTiffData(r, 0, 0, &tiff) || !FirstTiffDirectory(tiff, &directory) ||
        FindTiffEntry(tiff, directory, kIccProfileTag, &entry) != TiffLookup::kFound)
        return false;
    // UNDEFINED or BYTE, more than 4 of them: the entry holds their offset.
    const uint32_t length = entry.count;
    if ((entry.type != 7 && entry.type != 1) || length <= 4 || length > capacity ||
        !profile->Allocate(length) ||
        !ReadAll(r, tiff.order.U32(entry.value), profile->bytes.get(), length)) {
        profile->Clear();
        *reason = kUnreadableProfile;
        return false;
    }
    return true;
}

} // namespace

bool ReadEmbeddedProfile(const FileReader& file, size_t capacity, MetadataBlock* profile,
                         const char** reason) {
    unsigned char head[8];
    if (!file.Fresh().Read(0, head, sizeof head))
        return false;
    if (IsPngSignature(head, sizeof head))
        return PngProfile(file.Fresh(), capacity, profile, reason);
    if (IsTiffByteOrder(head, sizeof head))
        return TiffProfile(file.Fresh(), capacity, profile, reason);
    return false;
}
