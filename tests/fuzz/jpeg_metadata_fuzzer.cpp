// Any bytes as a source JPEG whose Exif and ICC segments are collected for a JPEG output,
// turned or not: every segment handed back lies inside the bytes (or the Exif copy). The
// profile is then joined and applied to a few pixels, as for SetConvertToSrgb, and cut into
// segments again as for a plug-in's profile: joined, they give the same bytes.
#include "imaging/jpeg_metadata.h"
#include "imaging/srgb_conversion.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {
JpegMetadata metadata;
unsigned char profile[kLargestIccProfile];
unsigned char again[kLargestIccProfile];
unsigned char segments[IccSegmentBytes(kLargestIccProfile)];
JpegMetadata cut;

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
    const char* reason = "";
    const size_t profileSize = JoinJpegIccProfile(metadata, profile, &reason);
    if (profileSize > 0 && PrepareSrgbTransform(profile, profileSize) == SrgbTransform::kReady) {
        unsigned char pixels[3 * 2 * 4 + 4] = {1,   2,   3, 4,
                                               250, 128, 7, 0}; // rows 12 + 2 bytes apart
        ConvertRowsToSrgb(pixels, 3, 2, 14);
    }
    if (profileSize > 0 && IccSegmentsFromProfile(profile, profileSize, segments, &cut) &&
        (JoinJpegIccProfile(cut, again, &reason) != profileSize ||
         std::memcmp(again, profile, profileSize) != 0))
        std::abort();
    return 0;
}
