// Converting one accepted file: decode, let the script's Main draw, save, add the header.
#pragma once

#include "common/paths.h"
#include "imaging/canvas.h"
#include "metadata/metadata_block.h"

#include <cstdint>

// How a file's conversion went.
enum ConversionOutcome : int {
    kConversionFailed = 0, // the reason is noted (common/failure_note.h)
    kConverted = 1,        // saved, with its header or metadata when asked for
    kSavingBehind = 2,     // Main has run; the save goes on behind (driver/save_behind.h)
    kSkipped = 3,          // the output is up to date (SetSkipExisting): nothing written
};

// One output file's save: what the main thread set up for it, and how it went. Filled
// only on the main thread, in the record NextOutputSave gives (driver/save_behind.h); run
// by whichever thread saves (RunOutputSave).
struct OutputSave {
    char fileName[kPathSize] = {};   // the source's name, for its reason lines
    char path[kPathSize] = {};       // the output
    char headerPath[kPathSize] = {}; // the Exif header put first; empty when none
    bool headerFits = true;          // false: its path was too long, and the save fails
    int32_t quality = 0;
    bool lossless = false;      // SetLossless, for the formats our plug-ins write
    int32_t encodeEffort = 0;   // SetEncodeEffort, for them too; 0: each encoder's default
    int32_t pngCompression = 0; // SetPngCompression: our PNG writer's 1 to 9; 0: GDI+'s
    // The source's metadata the saved JPEG carries (SetKeepMetadata): its Exif written anew
    // for the output, and its profile; why either is left out, for the reason line.
    bool carryMetadata = false;
    MetadataBlock exif;
    MetadataBlock profile;
    const char* metadataDropped = "";
    // How it went.
    bool written = false; // the image file was written
    bool saved = false;   // and its header or metadata added
    char note[512] = {};  // why not, when not: the image's first note
};

// Nonzero when the file was converted and saved (with its header when the script named
// one), kSkipped when its output was up to date. A composed path that does not fit 259
// bytes, and an output or header name that leaves its folder, fail the image. On failure
// the reason is noted (common/failure_note.h).
//
// With SkipExisting, a picture whose header declares its size is decoded only after Main:
// Main is told that size, its painting waits (scripthost/deferred_painting.h), and the
// picture is decoded and painted only when its output is not up to date.
int ConvertImage(const char* sourceDirectory, const char* destinationDirectory,
                 const char* scriptDirectory, const char* fileName, int32_t index);

// How a waiting picture (SkipExisting) is decoded into the SourceCanvas once its output is
// to be made; false, with the reason noted, when it cannot be.
using DecodeWaitingFunction = bool (*)(const char* path);
// Lets the SourceCanvas wait for the picture at path through the next ConvertDecodedImage:
// true when the file's header declares its size, which Main is then told, and decode is
// called only when the output is to be made. False: the picture is to be decoded first.
bool LetPictureWait(const char* path, DecodeWaitingFunction decode);

// The decoding step alone: sourceDirectory\fileName into canvas (Canvas::LoadFile).
int DecodeListedFile(Canvas* canvas, const char* sourceDirectory, const char* fileName);

// The steps after decoding, with the SourceCanvas holding the file (or, with SkipExisting,
// waiting for it: PictureWaits): settings reset, Main, save, header. With mayGoBehind the
// save may be handed to save_behind.h.
ConversionOutcome ConvertDecodedImage(const char* destinationDirectory, const char* scriptDirectory,
                                      const char* fileName, int32_t index, bool mayGoBehind);

// Whether the output at outputPath is up to date for the source at sourcePath: it exists, is
// a file and was last written no earlier than the source. Each output of an image asks.
bool OutputIsUpToDate(const char* sourcePath, const char* outputPath);

// Writes canvas as save asks, with its header or metadata, on any thread; the outcome goes
// into save. A plug-in that writes the output's extension (imaging/plugin_encoder.h) takes
// it, the metadata embedded; otherwise GDI+ does.
void RunOutputSave(OutputSave* save, const Canvas& canvas);
// On the main thread, once the save has run: the line about metadata left out, if any, and
// the metadata's bytes freed. True when the file was saved; else the reason is in save.note.
bool ReportOutputSave(OutputSave* save);
