// Any bytes as a source JPEG whose Exif and profile are read for a JPEG output: the
// profile is applied to a few pixels, as for SetConvertToSrgb, and cut into the output's
// segments; read back from those segments, the same profile and Exif come out.
#include "metadata/byte_order.h"
#include "metadata/jpeg_metadata.h"
#include "metadata/photo_metadata.h"
#include "metadata/srgb_conversion.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file{data, size};
    PhotoMetadata metadata;
    if (!ReadPhotoMetadata(MemoryReader(&file), &metadata))
        return 0;
    const MetadataBlock& profile = metadata.profile;
    if (!profile.Empty() &&
        PrepareSrgbTransform(profile.data(), profile.size) == SrgbTransform::kReady) {
        unsigned char pixels[3 * 2 * 4 + 4] = {1, 2, 3, 4, 250, 128, 7, 0}; // rows 12 + 2 apart
        ConvertRowsToSrgb(pixels, 3, 2, 14);
    }
    MetadataBlock segments;
    const char* dropped = "";
    if (!MakeJpegMetadataSegments(metadata.exif.data(), metadata.exif.size, profile.data(),
                                  profile.size, &segments, &dropped) ||
        segments.Empty())
        return 0;
    // Start of image, the segments, a scan: as a JPEG output carries them.
    MetadataBlock jpeg;
    if (!jpeg.Allocate(segments.size + 4))
        return 0;
    unsigned char* at = jpeg.bytes.get();
    at[0] = 0xFF, at[1] = 0xD8;
    std::memcpy(at + 2, segments.data(), segments.size);
    at[2 + segments.size] = 0xFF, at[3 + segments.size] = 0xDA;
    const MemoryFile again{jpeg.data(), jpeg.size};
    PhotoMetadata read;
    ReadPhotoMetadata(MemoryReader(&again), &read);
    // A profile goes out when it is RGB; it comes back when its header gives its own size.
    const bool rgb = profile.size >= 20 && std::memcmp(profile.data() + 16, "RGB ", 4) == 0;
    const bool sized = profile.size >= 4 && Big32(profile.data()) == profile.size;
    if (rgb && sized &&
        (read.profile.size != profile.size ||
         std::memcmp(read.profile.data(), profile.data(), profile.size) != 0))
        std::abort();
    if (dropped[0] == '\0' && !metadata.exif.Empty() &&
        (read.exif.size != metadata.exif.size ||
         std::memcmp(read.exif.data(), metadata.exif.data(), metadata.exif.size) != 0))
        std::abort();
    return 0;
}
