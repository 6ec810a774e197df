// What a Canvas keeps of the picture it decoded: the full size the script is told, and for
// a picture a plug-in decoded, the file's bytes (pluginhost/file_image.h), so that a
// HALFTONE Draw that shrinks the picture can be served from a decode at 1/2, 1/4 or 1/8
// (tessavel_plugin.h).
#pragma once

#include "common/paths.h"
#include "imaging/resample.h"
#include "metadata/photo_metadata.h"
#include "pluginhost/file_image.h"
#include "plugins/include/tessavel_plugin.h"

#include <atomic>
#include <cstdint>

// A draw made while the picture decoded (draw_ahead.h): with the source's denominator 0
// the Canvas holds that draw's output, not the picture (HoldsDrawMadeAhead).
struct DrawnAhead {
    int32_t v[8] = {}; // Draw's arguments
    ResampleFilter filter = ResampleFilter::None;
    int denominator = 1; // of the decode it was drawn from
};

struct PictureSource {
    int32_t width = 0; // the picture's full size: what Main receives
    int32_t height = 0;
    int denominator = 1; // the Canvas holds the picture at 1/denominator; 0: a draw made ahead
    DrawnAhead drawnAhead;
    int draws = 0; // the Draws made from this picture
    // Set only for a picture whose plug-in decodes at reduced scale.
    GetPictureScaledSizeFunction scaledSize = nullptr;
    GetPictureScaledFunction scaled = nullptr;
    GetPictureScaledRowsFunction scaledRows = nullptr; // when it hands rows over as they come
    GetPictureMetadataFunction iccProfile = nullptr;   // when the plug-in reads profiles
    GetPictureMetadataFunction exif = nullptr;         // when it reads Exif
    // The file's bytes as its plug-in reads them, mapped until the image is done (moved
    // with the record); none for a picture GDI+ decoded.
    FileImage file;
    // A decode at another scale failed during the script's Main: the image fails.
    bool lost = false;
    // The file's metadata, read once (source_metadata.h).
    PhotoMetadata metadata;
    bool metadataRead = false;
    // The Exif orientation the Canvas's pixels were turned by (1: as stored); every decode
    // again turns the same.
    int turned = 1;
    // The pixels were converted to sRGB from the file's profile (source_metadata.h); every
    // decode again converts the same.
    bool inSrgb = false;
    char path[kPathSize] = {}; // the file, for reading its orientation when asked
};

// The Canvas holds a draw made ahead (draw_ahead.h), not the picture.
inline bool HoldsDrawMadeAhead(const PictureSource& source) {
    return source.denominator == 0;
}

// Whether shrink-on-load is on (TESSAVEL_SHRINK_ON_LOAD=0 turns it off), read once.
bool ShrinkOnLoadEnabled();

// Forgets the picture (every field back to its start) and lets its file go.
void ResetPictureSource(PictureSource* source);

// The denominator a picture is decoded at before the script has drawn it: the one the last
// shrinking Draw used. A guess only: a Draw that needs another scale decodes again, so the
// output never depends on the images before.
extern std::atomic<int> SpeculativeDenominator;
