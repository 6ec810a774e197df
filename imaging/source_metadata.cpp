#include "imaging/source_metadata.h"

#include "common/owners.h"
#include "imaging/byte_order.h"
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

// The profile of a PNG or TIFF that GDI+ decoded, read from its file (see
// ReadEmbeddedProfile).
size_t ReadFileProfile(const PictureSource& source, unsigned char* profile, const char** reason) {
    FileOwner file(OpenForReading(source.path));
    return file ? ReadEmbeddedProfile(ReadFileAt, file.get(), profile, kLargestIccProfile, reason)
                : 0;
}

// The Exif TIFF data of a PNG that GDI+ decoded: its eXIf chunk, into exif (capacity bytes).
// True with *size 0 when there is none (or the file is no PNG); false when the chunk is
// larger than capacity or cut short.
bool ReadFilePngExif(const PictureSource& source, unsigned char* exif, size_t capacity,
                     size_t* size) {
    *size = 0;
    FileOwner file(OpenForReading(source.path));
    const ReadAtSource r{ReadFileAt, file.get()};
    unsigned char head[8];
    uint64_t at = 0;
    uint32_t length = 0;
    if (!file || !r.Read(0, head, sizeof head) || !IsPngSignature(head) ||
        !FindPngChunk(r, "eXIf", &at, &length))
        return true;
    if (length > capacity || !r.Read(at, exif, length))
        return false;
    *size = length;
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
        FileOwner file(OpenForReading(source.path));
        read->reset(file ? AllocateStorage(kMostBytes) : nullptr);
        DWORD got = 0;
        if (read->block == nullptr || !ReadFile(file.get(), read->block, kMostBytes, &got, nullptr))
            return false;
        bytes = read->as<unsigned char>();
        size = got;
    }
    if (ReadJpegMetadata(bytes, size, source.turned, metadata))
        return true;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
        return false; // a JPEG without any of it
    // Another format's: the Exif and the profile our plug-in reads, or those of a PNG or
    // TIFF that GDI+ decoded (a PNG's eXIf chunk; a TIFF's Exif is not read).
    const bool byPlugin = source.imageSize > 0;
    if (byPlugin && source.exif == nullptr && source.iccProfile == nullptr)
        return false;
    // One block: the Exif, then the profile, then its segments.
    read->reset(AllocateStorage(kLargestPluginExif + kLargestIccProfile +
                                IccSegmentBytes(kLargestIccProfile)));
    if (read->block == nullptr)
        return false;
    unsigned char* exif = read->as<unsigned char>();
    unsigned char* profile = exif + kLargestPluginExif;
    size_t exifSize = 0;
    size_t profileSize = 0;
    bool exifRead = true;
    const char* ignored = ""; // told when the colours are converted, if they are
    if (byPlugin) {
        exifRead = ReadPluginBlock(source, source.exif, exif, kLargestPluginExif, &exifSize);
        if (!ReadPluginBlock(source, source.iccProfile, profile, kLargestIccProfile, &profileSize))
            profileSize = 0;
    } else {
        exifRead = ReadFilePngExif(source, exif, kLargestPluginExif, &exifSize);
        profileSize = ReadFileProfile(source, profile, &ignored);
    }
    metadata->exif = nullptr;
    metadata->exifSize = 0;
    metadata->exifDropped = exifRead ? "" : "its Exif data cannot be read";
    if (exifSize > 0)
        ExifSegmentFromTiff(exif, exifSize, source.turned, metadata);
    metadata->iccCount = 0;
    metadata->iccDropped = "";
    if (profileSize > 0)
        IccSegmentsFromProfile(profile, profileSize, profile + kLargestIccProfile, metadata);
    return metadata->exif != nullptr || metadata->iccCount > 0 || metadata->exifDropped[0] != '\0';
}

int PluginExifOrientation(const PictureSource& source) {
    const unsigned char* bytes = source.image.as<unsigned char>();
    const bool jpeg = source.imageSize >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
    if (source.exif == nullptr || jpeg)
        return 1; // no such export, or a JPEG, whose own segments the caller has read
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
    if (source.imageSize == 0)
        size = ReadFileProfile(source, profile, reason); // decoded by GDI+
    else if (!ReadPluginBlock(source, source.iccProfile, profile, kLargestIccProfile, &size)) {
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
