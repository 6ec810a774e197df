#include "imaging/source_metadata.h"

#include "common/owners.h"
#include "imaging/draw_ahead.h"
#include "imaging/file_read_at.h"
#include "metadata/photo_metadata.h"
#include "metadata/srgb_conversion.h"

bool SourceMetadataWanted = false;

namespace {

// What the plug-in that decoded the source reads of its file through one of its metadata
// exports (a profile, Exif), taken into block at its own size; false when the plug-in
// could not read it. An empty block when there is none.
bool ReadPluginBlock(const PictureSource& source, GetPictureMetadataFunction read, size_t capacity,
                     MetadataBlock* block) {
    block->Clear();
    if (read == nullptr || source.file.size == 0)
        return true;
    MetadataBlock room;
    if (!room.Allocate(capacity))
        return false;
    ULONG_PTR got = 0;
    if (read(source.file.data(), source.file.size, room.bytes.get(), capacity, &got) !=
            SUSIE_SUCCESS ||
        got > capacity)
        return false;
    return got == 0 || block->Assign(room.data(), got);
}

void ConvertPixels(Canvas* canvas) {
    const BITMAPINFOHEADER& header = canvas->info.bmiHeader;
    ConvertRowsToSrgb(static_cast<unsigned char*>(canvas->bits), header.biWidth, header.biHeight,
                      static_cast<size_t>(header.biWidth) * 4);
}

} // namespace

void ReadPluginSourceMetadata(PictureSource* source) {
    PhotoMetadata& m = source->metadata;
    m = PhotoMetadata{};
    source->metadataRead = true;
    const MemoryFile image{source->file.data(), source->file.size};
    if (ReadPhotoMetadata(MemoryReader(&image), &m))
        return; // a JPEG's segments: its plug-in is not asked
    MetadataBlock exif;
    if (!ReadPluginBlock(*source, source->exif, kLargestExif, &exif))
        m.exifDropped = "its Exif data cannot be read";
    else if (!exif.Empty())
        TakeExif(exif.data(), exif.size, &m);
    if (!ReadPluginBlock(*source, source->iccProfile, kLargestIccProfile, &m.profile))
        m.profileDropped = kUnreadableProfile;
}

void ReadFileSourceMetadata(PictureSource* source, const FileReader& file) {
    source->metadata = PhotoMetadata{};
    source->metadataRead = true;
    ReadPhotoMetadata(file, &source->metadata);
}

const PhotoMetadata& SourceMetadata(PictureSource* source) {
    if (!source->metadataRead) {
        if (source->file.size > 0) {
            ReadPluginSourceMetadata(source);
        } else if (source->path[0] != '\0') {
            FileOwner file(OpenForReading(source->path));
            if (file)
                ReadFileSourceMetadata(source, HandleReader(file.get()));
        }
        source->metadataRead = true;
    }
    return source->metadata;
}

void ConvertSourceToSrgb(Canvas* canvas, const char** reason) {
    if (canvas->bits == nullptr)
        return;
    const PhotoMetadata& m = SourceMetadata(&canvas->source);
    if (m.profileDropped[0] != '\0') {
        *reason = m.profileDropped;
        return;
    }
    if (m.profile.Empty())
        return;
    switch (PrepareSrgbTransform(m.profile.data(), m.profile.size)) {
    case SrgbTransform::kReady:
        if (!HoldPictureInsteadOfDraw(canvas)) {
            *reason = "it cannot be decoded again to convert its colours";
            return;
        }
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
