// The values of tesrun for the image being converted: written by the user functions while
// Main runs, reset by the per-image conversion before each image.
#pragma once

#include "common/paths.h"
#include "imaging/resample.h"

#include <cstdint>

struct ConversionSettingsRecord {
    char outputName[kPathSize];     // relative to the destination directory
    int32_t quality;                // 0 to 100
    char exifHeaderFile[kPathSize]; // relative to the script directory; empty: no header
    ResampleFilter drawFilter;      // SetDrawFilter's; None: Draw is StretchBlt
    bool lossless;                  // SetLossless: WebP, AVIF and JPEG XL keep every pixel
    int32_t encodeEffort;           // SetEncodeEffort's 1 to 9; 0: each encoder's default
    int32_t pngCompression;         // SetPngCompression's 1 to 9; 0: GDI+ writes PNG
};

constexpr int32_t kDefaultQuality = 75;
constexpr int32_t kFastestEncodeEffort = 1;
constexpr int32_t kSlowestEncodeEffort = 9;
constexpr int32_t kSmallestPngCompression = 9;

extern ConversionSettingsRecord ConversionSettings;

// Run-wide: set by the script (SetKeepMetadata), left by the per-image reset. A JPEG
// output then carries the source's Exif and ICC profile: with kKeepDescribing what
// describes the picture, with kKeepWithLocation its GPS position and serial numbers too.
enum KeepMetadataLevel : int32_t {
    kKeepNothing = 0,
    kKeepDescribing = 1,
    kKeepWithLocation = 2,
};
extern KeepMetadataLevel KeepMetadata;

// Run-wide, like KeepMetadata (SetConvertToSrgb): a picture whose JPEG carries an RGB ICC
// profile other than sRGB has its pixels converted to sRGB before Main sees it.
extern bool ConvertToSrgb;

// The run's draw filter: what the script's top-level lines left in ConversionSettings
// (SetDrawFilter there), taken by the conversion run before the first image.
extern ResampleFilter RunDrawFilter;
// The run's encoder effort, taken the same way (SetEncodeEffort on a top-level line).
extern int32_t RunEncodeEffort;
// The run's PNG writer and level, taken the same way (SetPngCompression).
extern int32_t RunPngCompression;

// Run-wide, like KeepMetadata (SetSkipExisting): an image whose output exists and is not
// older than its source is neither encoded nor written again.
extern bool SkipExisting;

// Run-wide, like KeepMetadata (SetIncludeSubfolders): the source's subfolders are converted
// too, and an output name's folders are created under the destination.
extern bool IncludeSubfolders;

// SaveCopy(name) hands the name to this function, which saves the TargetCanvas as it stands
// under that name beside the output and answers whether it did; tesrun sets it for its run.
// Null (as while tesfront reads a description): SaveCopy fails.
using SaveCopyFunction = bool (*)(const char* name);
extern SaveCopyFunction SaveCopyHandler;

// Resets the settings for an image: output name = the file's name, quality 75, no Exif
// header file, the run's draw filter, encoder effort and PNG compression, lossy.
void ResetConversionSettings(const char* fileName);
