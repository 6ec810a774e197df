#include "driver/image_conversion.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "driver/console.h"
#include "driver/decode_ahead.h"
#include "driver/header_prepend.h"
#include "driver/written_files.h"
#include "imaging/canvas.h"
#include "imaging/encoder.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/picture_orientation.h"
#include "imaging/source_metadata.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/script_runner.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// The source's metadata into the saved JPEG (KeepMetadata). Metadata that is damaged
// is left out with one line on standard error; the image still converts. Pixels converted
// to sRGB (ConvertToSrgb) no longer match the source's profile: it stays behind, and
// what is wrong with it was said when they were converted.
int CarryMetadata(const char* savedPath, const char* fileName) {
    static JpegMetadata metadata; // 64 KiB: not on the stack
    StorageOwner read;
    if (!ReadSourceMetadata(SourceCanvas, &read, &metadata))
        return 1; // nothing to carry
    if (ConvertToSrgb) {
        metadata.iccCount = 0;
        metadata.iccDropped = "";
    }
    const char* dropped =
        metadata.exifDropped[0] != '\0' ? metadata.exifDropped : metadata.iccDropped;
    if (dropped[0] != '\0') {
        char reason[128];
        std::snprintf(reason, sizeof reason, "%s; saved without it", dropped);
        ReportFailure(fileName, reason);
    }
    return InsertJpegMetadata(savedPath, metadata);
}

} // namespace

int DecodeListedFile(Canvas* canvas, const char* sourceDirectory, const char* fileName) {
    char path[kPathSize];
    if (!JoinPath(path, sizeof path, sourceDirectory, fileName)) {
        NoteFailure("the path of the image is longer than %u bytes",
                    static_cast<unsigned>(kPathSize - 1));
        return 0;
    }
    return canvas->LoadFile(path);
}

int ConvertImage(const char* sourceDirectory, const char* destinationDirectory,
                 const char* scriptDirectory, const char* fileName, int32_t index) {
    if (!DecodeListedFile(&SourceCanvas, sourceDirectory, fileName))
        return 0;
    return ConvertDecodedImage(destinationDirectory, scriptDirectory, fileName, index);
}

int ConvertDecodedImage(const char* destinationDirectory, const char* scriptDirectory,
                        const char* fileName, int32_t index) {
    ResetConversionSettings(fileName);
    if (AutoOrient && !TurnUpright(&SourceCanvas)) {
        NoteFailure("no memory to turn the picture upright");
        return 0;
    }
    // With the metadata kept, the damage is told once, when the Exif is left out.
    if (AutoOrient && SourceCanvas.source.exifDamaged && !KeepMetadata)
        ReportFailure(fileName, "its Exif data is damaged; not turned upright");
    const char* colourReason = "";
    if (ConvertToSrgb)
        ConvertSourceToSrgb(&SourceCanvas, &colourReason);
    if (colourReason[0] != '\0') {
        char reason[128];
        std::snprintf(reason, sizeof reason, "%s; colours left as they are", colourReason);
        ReportFailure(fileName, reason);
    }
    // A script that never sets a size gets a 1 x 1 output.
    TargetCanvas.Create(1, 1, 32);

    ScriptElement arguments[4] = {};
    arguments[0].value.integer = SourceCanvas.source.width;
    arguments[0].type = SCRIPT_INTEGER;
    arguments[1].value.integer = SourceCanvas.source.height;
    arguments[1].type = SCRIPT_INTEGER;
    arguments[2].value.text = fileName;
    arguments[2].type = SCRIPT_STRING;
    arguments[3].value.integer = index;
    arguments[3].type = SCRIPT_INTEGER;
    if (!CallScriptFunction("Main", arguments, 4)) {
        NoteFailure("the script's Main failed");
        return 0;
    }
    // A Draw could not decode the picture at the scale it needed: what was drawn is not the
    // picture, and nothing is saved.
    if (SourceCanvas.source.lost)
        return 0;

    char path[kPathSize];
    const bool outputFits =
        JoinPath(path, sizeof path, destinationDirectory, ConversionSettings.outputName);
    Print("Save as\t%s\t\n", ConversionSettings.outputName);
    // A script someone shared must not overwrite or read files elsewhere: both names stay
    // inside their folders, and nothing is written when either does not.
    const bool withHeader = ConversionSettings.exifHeaderFile[0] != '\0';
    if (!StaysInsideFolder(ConversionSettings.outputName)) {
        NoteFailure("the output name leaves the destination folder");
        return 0;
    }
    if (withHeader && !StaysInsideFolder(ConversionSettings.exifHeaderFile)) {
        NoteFailure("the Exif header name \"%s\" leaves the script folder",
                    ConversionSettings.exifHeaderFile);
        return 0;
    }
    if (!outputFits) {
        NoteFailure("the output path is longer than %u bytes",
                    static_cast<unsigned>(kPathSize - 1));
        return 0;
    }
    NoteWrittenFile(path); // a decode that ran ahead may have read it before
    WritingScope writing(path);
    if (!SaveBitmapWithQuality(TargetCanvas.bitmap, path, ConversionSettings.quality))
        return 0;

    if (withHeader) {
        char headerPath[kPathSize];
        if (!JoinPath(headerPath, sizeof headerPath, scriptDirectory,
                      ConversionSettings.exifHeaderFile)) {
            NoteFailure("the Exif header path is longer than %u bytes",
                        static_cast<unsigned>(kPathSize - 1));
            return 0;
        }
        if (!PrependHeaderFile(path, headerPath))
            return 0;
    } else if (KeepMetadata && !CarryMetadata(path, fileName)) {
        return 0;
    }
    return 1;
}
