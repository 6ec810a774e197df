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
// one). A composed path that does not fit 259 bytes, and an output or header name that
// leaves its folder, fail the image. On failure the reason is noted (common/failure_note.h).
int ConvertImage(const char* sourceDirectory, const char* destinationDirectory,
                 const char* scriptDirectory, const char* fileName, int32_t index);

// The decoding step alone: sourceDirectory\fileName into canvas (Canvas::LoadFile).
int DecodeListedFile(Canvas* canvas, const char* sourceDirectory, const char* fileName);

// The steps after decoding, with the SourceCanvas holding the file: settings reset, Main,
// save, header. With mayGoBehind the save may be handed to save_behind.h.
ConversionOutcome ConvertDecodedImage(const char* destinationDirectory, const char* scriptDirectory,
                                      const char* fileName, int32_t index, bool mayGoBehind);

// Writes canvas as save asks, with its header or metadata, on any thread; the outcome goes
// into save.
void RunOutputSave(OutputSave* save, const Canvas& canvas);
// On the main thread, once the save has run: the line about metadata left out, if any, and
// the metadata's bytes freed. True when the file was saved; else the reason is in save.note.
bool ReportOutputSave(OutputSave* save);
