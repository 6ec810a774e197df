// Any bytes as a source JPEG whose Exif and ICC segments are collected for a JPEG output,
// turned or not: every segment handed back lies inside the bytes (or the Exif copy).
#include "imaging/jpeg_metadata.h"

#include <cstdlib>
#include <initializer_list>

namespace {
JpegMetadata metadata;

void Inside(const unsigned char* p, size_t n, const uint8_t* data, size_t size) {
    const bool inData = p >= data && p + n <= data + size;
    const bool inCopy =
        p >= metadata.exifCopy && p + n <= metadata.exifCopy + sizeof metadata.exifCopy;
    if (!inData && !inCopy)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int turned : {1, 6}) {
        ReadJpegMetadata(data, size, turned, &metadata);
        if (metadata.exif != nullptr)
            Inside(metadata.exif, metadata.exifSize, data, size);
        for (int i = 0; i < metadata.iccCount; ++i)
            Inside(metadata.icc[i], metadata.iccSize[i], data, size);
    }
    return 0;
}
