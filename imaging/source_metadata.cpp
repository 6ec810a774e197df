#include "imaging/source_metadata.h"

#include "common/owners.h"
#include "imaging/embedded_profile.h"
#include "imaging/exif_orientation.h"
#include "imaging/file_read_at.h"
#include "imaging/srgb_conversion.h"

#include <windows.h>

namespace {

// What the plug-in that decoded the source reads of its file through one of its metadata
// exports (a profile, Exif) into block (capacity bytes): its size, 0 when there is none;
// false when the plug-in could not read it.
bool ReadPluginBlock(const PictureSource& source, GetPictureMetadataFunction read,
                     unsigned char* block, size_t capacity, size_t* size) {
    *size = 0;
    if (read == nullptr || source.imageSize == 0)
        return true;
    ULONG_PTR got = 0;
    if (read(source.image.block, source.imageSize, block, capacity, &got) != SUSIE_SUCCESS)
        return false;
    *size = got;
    return true;
}

void ConvertPixels(Canvas* canvas) {
    const BITMAPINFOHEADER& header = canvas->info.bmiHeader;
    ConvertRowsToSrgb(static_cast<unsigned char*>(canvas->bits), header.biWidth, header.biHeight,
                      static_cast<size_t>(header.biWidth) * 4);
}

} // namespace

bool ReadSourceMetadata(const Canvas& canvas, StorageOwner* read, JpegMetadata* metadata) {
    const PictureSource& source = canvas.source;
    const unsigned char* bytes = source.image.as<unsigned char>();
    size_t size = source.imageSize;
    if (size == 0) { // decoded by GDI+: the segments lie in the file's first 2 MiB at most
        constexpr DWORD kMostBytes = 2u << 20;
        FileOwner file(CreateFileA(source.path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        read->reset(file ? AllocateStorage(kMostBytes) : nullptr);
        DWORD got = 0;
        if (read->block == nullptr || !ReadFile(file.get(), read->block, kMostBytes, &got, nullptr))
            return false;
        bytes = read->as<unsigned char>();
        size = got;
    }
    if (ReadJpegMetadata(bytes, size, source.turned, metadata))
        return true;
    // Not a JPEG's segments: the Exif our plug-in reads of a WebP or HEIF file.
    if (source.exif == nullptr || (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8))
        return false;
    read->reset(AllocateStorage(kLargestPluginExif));
    size_t got = 0;
    if (read->block == nullptr)
        return false;
    if (!ReadPluginBlock(source, source.exif, read->as<unsigned char>(), kLargestPluginExif,
                         &got)) {
        metadata->exif = nullptr;
        metadata->iccCount = 0;
        metadata->iccDropped = "";
        metadata->exifDropped = "its Exif data cannot be read";
        return true;
    }
    if (got == 0)
        return false;
    ExifSegmentFromTiff(read->as<unsigned char>(), got, source.turned, metadata);
    return true;
}

int PluginExifOrientation(const PictureSource& source) {
    StorageOwner exif(AllocateStorage(kLargestPluginExif));
    size_t got = 0;
    if (exif.block == nullptr ||
        !ReadPluginBlock(source, source.exif, exif.as<unsigned char>(), kLargestPluginExif, &got) ||
        got == 0)
        return 1;
    return ReadExifOrientationInMemory(exif.as<unsigned char>(), got);
}

namespace {

// The profile of the canvas's picture into profile (kLargestIccProfile bytes): a JPEG's
// APP2 parts; a PNG's or TIFF's own, for what GDI+ decoded; else what the plug-in that
// decoded it reads. Its size; 0 when there is none, or it is damaged, which sets *reason.
size_t ReadSourceProfile(const Canvas& canvas, unsigned char* profile, const char** reason) {
    static JpegMetadata metadata; // 64 KiB: not on the stack
    StorageOwner read;
    if (ReadSourceMetadata(canvas, &read, &metadata) &&
        (metadata.iccCount > 0 || metadata.iccDropped[0] != '\0')) {
        if (metadata.iccDropped[0] != '\0') {
            *reason = metadata.iccDropped;
            return 0;
        }
        return JoinJpegIccProfile(metadata, profile, reason);
    }
    const PictureSource& source = canvas.source;
    size_t size = 0;
    if (source.imageSize == 0 && source.path[0] != '\0') {
        // Decoded by GDI+: a PNG's or TIFF's own profile.
        FileOwner file(CreateFileA(source.path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            size = ReadEmbeddedProfile(ReadFileAt, file.get(), profile, kLargestIccProfile, reason);
    } else if (!ReadPluginBlock(source, source.iccProfile, profile, kLargestIccProfile, &size)) {
        *reason = "its ICC profile cannot be read";
    }
    return size;
}

} // namespace

void ConvertSourceToSrgb(Canvas* canvas, const char** reason) {
    static unsigned char profile[kLargestIccProfile]; // 1 MiB: not on the stack
    if (canvas->bits == nullptr)
        return;
    const size_t size = ReadSourceProfile(*canvas, profile, reason);
    if (size == 0)
        return;
    switch (PrepareSrgbTransform(profile, size)) {
    case SrgbTransform::kReady:
        ConvertPixels(canvas);
        canvas->source.inSrgb = true;
        break;
    case SrgbTransform::kNotNeeded:
        break;
    case SrgbTransform::kUnusable:
        *reason = "its ICC profile cannot be applied";
        break;
    }
}

void ConvertAgainToSrgb(Canvas* canvas) {
    if (canvas->source.inSrgb && canvas->bits != nullptr)
        ConvertPixels(canvas);
}
