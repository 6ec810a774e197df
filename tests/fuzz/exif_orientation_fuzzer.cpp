// Any bytes as a JPEG, PNG or TIFF whose Exif orientation and ICC profile are read, as GDI+'s
// pictures are: the orientation is always 1 to 8 or kDamagedExif, a profile fits its room,
// and no read leaves the bytes.
#include "imaging/byte_order.h"
#include "imaging/embedded_profile.h"
#include "imaging/exif_orientation.h"

#include <cstdlib>

namespace {
unsigned char profile[65536]; // smaller than tesrun's room, so the refusal runs too
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int orientation = ReadExifOrientationInMemory(data, size);
    if ((orientation < 1 || orientation > 8) && orientation != kDamagedExif)
        std::abort();
    MemoryFile file{data, size};
    const char* reason = "";
    if (ReadEmbeddedProfile(ReadFromMemory, &file, profile, sizeof profile, &reason) >
        sizeof profile)
        std::abort();
    return 0;
}
