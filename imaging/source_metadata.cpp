#include "imaging/source_metadata.h"

#include "common/owners.h"
#include "imaging/srgb_conversion.h"

#include <windows.h>

namespace {

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
    return ReadJpegMetadata(bytes, size, source.turned, metadata);
}

namespace {

// The profile of the canvas's picture into profile (kLargestIccProfile bytes): a JPEG's
// APP2 parts, else what the plug-in that decoded it reads. Its size; 0 when there is none,
// or it is damaged, which sets *reason.
size_t ReadSourceProfile(const Canvas& canvas, unsigned char* profile, const char** reason) {
    static JpegMetadata metadata; // 64 KiB: not on the stack
    StorageOwner read;
    if (ReadSourceMetadata(canvas, &read, &metadata)) {
        if (metadata.iccDropped[0] != '\0') {
            *reason = metadata.iccDropped;
            return 0;
        }
        return JoinJpegIccProfile(metadata, profile, reason);
    }
    const PictureSource& source = canvas.source;
    if (source.iccProfile == nullptr || source.imageSize == 0)
        return 0;
    ULONG_PTR size = 0;
    if (source.iccProfile(source.image.block, source.imageSize, profile, kLargestIccProfile,
                          &size) != SUSIE_SUCCESS) {
        *reason = "its ICC profile cannot be read";
        return 0;
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
