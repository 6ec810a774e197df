// Any bytes as a JPEG, PNG or TIFF whose Exif orientation and ICC profile are read, as GDI+'s
// pictures are: the orientation is always 1 to 8 or kDamagedExif, a profile fits its room,
// and no read leaves the bytes.
#include "imaging/embedded_profile.h"
#include "imaging/exif_orientation.h"

#include <cstdlib>
#include <cstring>

namespace {
struct Bytes {
    const uint8_t* data;
    size_t size;
};

size_t ReadBytes(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const auto* bytes = static_cast<const Bytes*>(context);
    if (offset >= bytes->size)
        return 0;
    const uint64_t left = bytes->size - offset;
    const size_t n = left < length ? static_cast<size_t>(left) : length;
    std::memcpy(buffer, bytes->data + offset, n);
    return n;
}

unsigned char profile[65536]; // smaller than tesrun's room, so the refusal runs too
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int orientation = ReadExifOrientationInMemory(data, size);
    if ((orientation < 1 || orientation > 8) && orientation != kDamagedExif)
        std::abort();
    Bytes bytes{data, size};
    const char* reason = "";
    if (ReadEmbeddedProfile(ReadBytes, &bytes, profile, sizeof profile, &reason) > sizeof profile)
        std::abort();
    return 0;
}
