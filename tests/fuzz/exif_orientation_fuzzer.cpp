// Any bytes as a JPEG, PNG or TIFF whose metadata is read once, as GDI+'s pictures' are: the
// orientation is always 1 to 8, the Exif and profile fit their limits, and the Exif written
// anew for an upright output, at either level, is TIFF data whose orientation reads 1 again
// (or as damaged as the source's was).
#include "metadata/exif_orientation.h"
#include "metadata/exif_rebuild.h"
#include "metadata/photo_metadata.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file{data, size};
    PhotoMetadata metadata;
    ReadPhotoMetadata(MemoryReader(&file), &metadata);
    if (metadata.orientation < 1 || metadata.orientation > 8 || metadata.exif.size > kLargestExif ||
        metadata.profile.size > kLargestIccProfile)
        std::abort();
    if (metadata.exif.Empty())
        return 0;
    for (ExifKeep keep : {ExifKeep::kDescribing, ExifKeep::kWithLocation}) {
        MetadataBlock rebuilt;
        if (!RebuildExif(metadata.exif.data(), metadata.exif.size, keep, true, &rebuilt))
            continue;
        const int orientation = ExifOrientation(rebuilt.data(), rebuilt.size);
        if (metadata.exifDamaged ? orientation != kDamagedExif && orientation != 1
                                 : orientation != 1)
            std::abort();
    }
    return 0;
}
