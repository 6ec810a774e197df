// Any bytes as a JPEG, PNG or TIFF whose Exif orientation is read: the answer is always
// 1 to 8 or kDamagedExif, and no read leaves the bytes.
#include "imaging/exif_orientation.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int orientation = ReadExifOrientationInMemory(data, size);
    if ((orientation < 1 || orientation > 8) && orientation != kDamagedExif)
        std::abort();
    return 0;
}
