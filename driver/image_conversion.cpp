#include "driver/image_conversion.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "driver/console.h"
#include "driver/decode_ahead.h"
#include "driver/header_prepend.h"
#include "driver/output_folders.h"
#include "driver/save_behind.h"
#include "driver/written_files.h"
#include "imaging/canvas.h"
#include "imaging/encoder.h"
#include "imaging/file_read_at.h"
#include "imaging/picture_orientation.h"
#include "imaging/plugin_encoder.h"
#include "imaging/source_metadata.h"
#include "metadata/declared_size.h"
#include "metadata/exif_rebuild.h"
#include "metadata/jpeg_metadata.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/deferred_painting.h"
#include "scripthost/script_runner.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// The source's metadata for the saved JPEG (KeepMetadata), taken before the save, since
// the output may replace the source and the SourceCanvas goes on to the next picture: its
// Exif written anew for the output as it stands (without the owner's location unless the
// script asked for it), and its profile. Pixels converted to sRGB (ConvertToSrgb) no longer
// match the source's profile: it stays behind, and what is wrong with it was said when they
// were converted.
// A copy (SaveCopy) takes a copy of the profile: the image's later saves carry it too.
void TakeMetadataToCarry(OutputSave* save, bool forCopy) {
    PictureSource& source = SourceCanvas.source;
    PhotoMetadata& m = source.metadata;
    save->carryMetadata = true;
    save->metadataDropped = m.exifDropped;
    save->exif.Clear();
    save->profile.Clear();
    const ExifKeep keep =
        KeepMetadata == kKeepWithLocation ? ExifKeep::kWithLocation : ExifKeep::kDescribing;
    if (!m.exif.Empty() &&
        !RebuildExif(m.exif.data(), m.exif.size, keep, source.turned != 1, &save->exif))
        save->metadataDropped = "its Exif data is damaged";
    if (!ConvertToSrgb) {
        if (!forCopy)
            save->profile = std::move(m.profile);
        else if (!m.profile.Empty() && !save->profile.Assign(m.profile.data(), m.profile.size))
            save->metadataDropped = "no memory for its ICC profile";
        if (save->metadataDropped[0] == '\0')
            save->metadataDropped = m.profileDropped;
    }
}

// With SkipExisting, the SourceCanvas may wait for its picture through Main: the size Main
// was told is kept here, and the decode comes only when the output is made. Main thread.
struct WaitingPicture {
    bool waits = false;
    int32_t width = 0;
    int32_t height = 0;
    DecodeWaitingFunction decode = nullptr;
};
WaitingPicture g_waiting;

// Ends a picture's wait on every way out of its conversion.
struct WaitScope {
    WaitScope() = default;
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;
    ~WaitScope() {
        g_waiting.waits = false;
        ForgetDeferredPainting();
    }
};

// The waiting picture decoded on the main thread.
bool LoadWaitingPicture(const char* path) {
    return SourceCanvas.LoadFile(path) != 0;
}

} // namespace

bool LetPictureWait(const char* path, DecodeWaitingFunction decode) {
    if (MayHaveBeenWritten(path))
        SettleSavesBehind(); // an earlier image's save may be writing it now
    FileOwner file(OpenForReading(path));
    DeclaredSize size;
    if (!file || !ReadDeclaredSize(HandleReader(file.get()), &size) || size.width == 0 ||
        size.height == 0 || size.width > INT32_MAX || size.height > INT32_MAX)
        return false;
    PictureSource& source = SourceCanvas.source;
    ResetPictureSource(&source);
    if (!CopyBounded(source.path, sizeof source.path, path))
        return false;
    source.width = static_cast<int32_t>(size.width);
    source.height = static_cast<int32_t>(size.height);
    g_waiting.waits = true;
    g_waiting.decode = decode;
    return true;
}

bool OutputIsUpToDate(const char* sourcePath, const char* outputPath) {
    WIN32_FILE_ATTRIBUTE_DATA output{};
    WIN32_FILE_ATTRIBUTE_DATA source{};
    if (sourcePath[0] == '\0' ||
        !GetFileAttributesExA(outputPath, GetFileExInfoStandard, &output) ||
        (output.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !GetFileAttributesExA(sourcePath, GetFileExInfoStandard, &source))
        return false;
    return CompareFileTime(&output.ftLastWriteTime, &source.ftLastWriteTime) >= 0;
}

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
    char path[kPathSize];
    const bool waits = SkipExisting && JoinPath(path, sizeof path, sourceDirectory, fileName) &&
                       LetPictureWait(path, LoadWaitingPicture);
    if (!waits && !DecodeListedFile(&SourceCanvas, sourceDirectory, fileName))
        return 0;
    return ConvertDecodedImage(destinationDirectory, scriptDirectory, fileName, index, false);
}

namespace {

// Stage 2: the picture as Main sees it: turned upright, its colours converted to sRGB, as
// the run's switches ask. False when there is no memory to turn it. A picture that waited
// (SkipExisting) comes here after Main, its damaged Exif told before it.
bool PreparePicture(const char* fileName, bool tellDamage) {
    if (AutoOrient && !TurnUpright(&SourceCanvas)) {
        NoteFailure("no memory to turn the picture upright");
        return false;
    }
    // With the metadata kept, the damage is told once, when the Exif is left out.
    if (tellDamage && AutoOrient && SourceCanvas.source.metadata.exifDamaged &&
        KeepMetadata == kKeepNothing)
        ReportFailure(fileName, "its Exif data is damaged; not turned upright");
    const char* colourReason = "";
    if (ConvertToSrgb)
        ConvertSourceToSrgb(&SourceCanvas, &colourReason);
    if (colourReason[0] != '\0') {
        char reason[128];
        std::snprintf(reason, sizeof reason, "%s; colours left as they are", colourReason);
        ReportFailure(fileName, reason);
    }
    return true;
}

// The waiting picture, before Main: the size Main is told, upright when AutoOrient turns it.
void TellWaitingSize(const char* fileName) {
    PictureSource& source = SourceCanvas.source;
    if (AutoOrient && TurnSwapsSides(PictureOrientation(&SourceCanvas))) {
        const int32_t width = source.width;
        source.width = source.height;
        source.height = width;
    }
    if (AutoOrient && source.metadata.exifDamaged && KeepMetadata == kKeepNothing)
        ReportFailure(fileName, "its Exif data is damaged; not turned upright");
    g_waiting.width = source.width;
    g_waiting.height = source.height;
}

// The waiting picture decoded, once Main is done and the output is to be made, and what Main
// painted done on it. False, with the reason noted, when the decode fails, gives another
// size than Main was told, or the painting does not go as Main was told.
bool DecodeWaitingPicture(const char* fileName) {
    g_waiting.waits = false;
    char path[kPathSize];
    std::memcpy(path, SourceCanvas.source.path, sizeof path);
    if (!g_waiting.decode(path) || !PreparePicture(fileName, false))
        return false;
    const PictureSource& source = SourceCanvas.source;
    if (source.width != g_waiting.width || source.height != g_waiting.height) {
        NoteFailure("the picture is %ld x %ld pixels, not the %ld x %ld its header declares",
                    static_cast<long>(source.width), static_cast<long>(source.height),
                    static_cast<long>(g_waiting.width), static_cast<long>(g_waiting.height));
        return false;
    }
    if (!ReplayDeferredPainting()) {
        NoteFailure("its drawing could not be done as Main was told");
        return false;
    }
    return !SourceCanvas.source.lost;
}

// SaveCopy's: where the image being converted saves, while its Main runs.
struct CopyPlace {
    const char* destinationDirectory = nullptr;
    const char* scriptDirectory = nullptr;
    const char* fileName = nullptr;
};
CopyPlace g_copyPlace;
OutputSave g_copy; // the main thread's alone, too large for its stack

bool OutputPath(const char* destinationDirectory, const char* name, char (&path)[kPathSize]);
void FillOutputSave(OutputSave* save, const char* scriptDirectory, const char* fileName,
                    const char (&path)[kPathSize], bool forCopy);

// Saves the TargetCanvas under name now, on the main thread, after every save behind: so
// no two saves of one file run at once, and files and lines keep their order.
bool SaveTargetCopy(const char* name) {
    SettleSavesBehind();
    const CopyPlace& place = g_copyPlace;
    // The image's own note stays its first one, for its own save.
    char before[sizeof g_copy.note];
    std::snprintf(before, sizeof before, "%s", FailureNote());
    ClearFailureNote();
    char path[kPathSize];
    const bool named = OutputPath(place.destinationDirectory, name, path);
    bool saved = false;
    if (named && SkipExisting && OutputIsUpToDate(SourceCanvas.source.path, path)) {
        Print("Up to date\t%s\t\n", name); // a copy kept, like an output (SetSkipExisting)
        saved = true;
    } else {
        // A copy to make needs the pixels: a picture still waiting (SetSkipExisting) is
        // decoded now, and what Main painted so far is done on it.
        const bool ready = !named || !g_waiting.waits || DecodeWaitingPicture(place.fileName);
        Print("Save as\t%s\t\n", name);
        const bool placed =
            named && ready &&
            (!IncludeSubfolders || CreateOutputFolders(place.destinationDirectory, name));
        if (placed) {
            FillOutputSave(&g_copy, place.scriptDirectory, place.fileName, path, true);
            RunOutputSave(&g_copy, TargetCanvas);
            saved = ReportOutputSave(&g_copy);
            if (!saved) {
                ClearFailureNote();
                NoteFailure("%s", g_copy.note);
            }
        }
        if (!saved)
            ReportFailedFile(place.fileName, FailureNote());
    }
    ClearFailureNote();
    if (before[0] != '\0')
        NoteFailure("%s", before);
    return saved;
}

// SaveCopy reaches the image's destination while its Main runs, and fails outside it.
struct CopyScope {
    CopyScope(const char* destinationDirectory, const char* scriptDirectory, const char* fileName) {
        g_copyPlace = {destinationDirectory, scriptDirectory, fileName};
        SaveCopyHandler = SaveTargetCopy;
    }
    CopyScope(const CopyScope&) = delete;
    CopyScope& operator=(const CopyScope&) = delete;
    ~CopyScope() {
        SaveCopyHandler = nullptr;
        g_copyPlace = {};
    }
};

// Stage 3: the script's Main draws the TargetCanvas, a 1 x 1 one to start with; SaveCopy
// may save it on the way.
bool RunMain(const char* destinationDirectory, const char* scriptDirectory, const char* fileName,
             int32_t index) {
    TargetCanvas.Create(1, 1, 32);
    if (g_waiting.waits)
        DeferPainting();
    ScriptElement arguments[4] = {};
    arguments[0].value.integer = SourceCanvas.source.width;
    arguments[0].type = SCRIPT_INTEGER;
    arguments[1].value.integer = SourceCanvas.source.height;
    arguments[1].type = SCRIPT_INTEGER;
    arguments[2].value.text = fileName;
    arguments[2].type = SCRIPT_STRING;
    arguments[3].value.integer = index;
    arguments[3].type = SCRIPT_INTEGER;
    CopyScope copies(destinationDirectory, scriptDirectory, fileName);
    if (!CallScriptFunction("Main", arguments, 4)) {
        NoteFailure("the script's Main failed");
        return false;
    }
    // A Draw could not decode the picture at the scale it needed: what was drawn is not the
    // picture, and nothing is saved.
    return !SourceCanvas.source.lost;
}

// The output's path from the name the script chose. A script someone shared must not
// overwrite or read files elsewhere: the output and header names stay inside their
// folders, and nothing is written when either does not.
bool OutputPath(const char* destinationDirectory, const char* name, char (&path)[kPathSize]) {
    const bool fits = JoinPath(path, sizeof path, destinationDirectory, name);
    if (!StaysInsideFolder(name)) {
        NoteFailure("the output name leaves the destination folder");
        return false;
    }
    if (ConversionSettings.exifHeaderFile[0] != '\0' &&
        !StaysInsideFolder(ConversionSettings.exifHeaderFile)) {
        NoteFailure("the Exif header name \"%s\" leaves the script folder",
                    ConversionSettings.exifHeaderFile);
        return false;
    }
    if (!fits) {
        NoteFailure("the output path is longer than %u bytes",
                    static_cast<unsigned>(kPathSize - 1));
        return false;
    }
    return true;
}

// Everything the save of the TargetCanvas to path needs, taken now: the settings and the
// SourceCanvas belong to the next image while it runs behind.
void FillOutputSave(OutputSave* save, const char* scriptDirectory, const char* fileName,
                    const char (&path)[kPathSize], bool forCopy) {
    const bool withHeader = ConversionSettings.exifHeaderFile[0] != '\0';
    std::snprintf(save->fileName, sizeof save->fileName, "%s", fileName);
    std::memcpy(save->path, path, sizeof path);
    save->quality = ConversionSettings.quality;
    save->lossless = ConversionSettings.lossless;
    save->encodeEffort = ConversionSettings.encodeEffort;
    save->pngCompression = ConversionSettings.pngCompression;
    save->headerPath[0] = '\0';
    save->headerFits = true;
    if (withHeader)
        save->headerFits = JoinPath(save->headerPath, sizeof save->headerPath, scriptDirectory,
                                    ConversionSettings.exifHeaderFile);
    save->carryMetadata = false;
    if (!withHeader && KeepMetadata != kKeepNothing)
        TakeMetadataToCarry(save, forCopy);
    // A note made before the save, though nothing failed then, is still the first one.
    std::snprintf(save->note, sizeof save->note, "%s", FailureNote());
    NoteWrittenFile(path); // a decode that ran ahead may have read it before
}

// Stage 4: the TargetCanvas saved at path, with its header or the source's metadata, here
// or, with mayGoBehind, on a saving thread.
ConversionOutcome SaveOutput(const char* scriptDirectory, const char* fileName,
                             const char (&path)[kPathSize], bool mayGoBehind) {
    const BITMAPINFOHEADER& output = TargetCanvas.info.bmiHeader;
    mayGoBehind = mayGoBehind && WorthSavingBehind(output.biWidth, output.biHeight);
    OutputSave& save = *NextOutputSave(mayGoBehind);
    FillOutputSave(&save, scriptDirectory, fileName, path, false);
    // Nothing reads the source's file after this, and the output may replace it, which
    // Windows refuses while the file is mapped.
    ReleaseFileImage(&SourceCanvas.source.file);
    if (mayGoBehind && SaveBehind(&save))
        return kSavingBehind;
    RunOutputSave(&save, TargetCanvas);
    if (!ReportOutputSave(&save)) {
        ClearFailureNote();
        NoteFailure("%s", save.note);
        return kConversionFailed;
    }
    return kConverted;
}

} // namespace

// One image in one pass, the stages in their order: 1. the listed file decoded (before
// this, by DecodeListedFile here or ahead), its metadata read with it; 2. turned upright
// and its colours converted; 3. Main; 4. saved with its metadata.
ConversionOutcome ConvertDecodedImage(const char* destinationDirectory, const char* scriptDirectory,
                                      const char* fileName, int32_t index, bool mayGoBehind) {
    WaitScope waitScope;
    ResetConversionSettings(fileName);
    if (g_waiting.waits)
        TellWaitingSize(fileName);
    else if (!PreparePicture(fileName, true))
        return kConversionFailed;
    // A save that ended while this picture was awaited gives its output's memory to the
    // TargetCanvas now, for Main's SetSize, rather than one more being made.
    SettleEndedSavesBehind();
    if (!RunMain(destinationDirectory, scriptDirectory, fileName, index))
        return kConversionFailed;
    char path[kPathSize];
    const bool named = OutputPath(destinationDirectory, ConversionSettings.outputName, path);
    // The one place an output is let be (a further output of the image would ask the same).
    // A save behind may be writing it: its time is read once that save has ended.
    if (named && SkipExisting && MayHaveBeenWritten(path))
        SettleSavesBehind();
    if (named && SkipExisting && OutputIsUpToDate(SourceCanvas.source.path, path)) {
        ReportSkippedFile(ConversionSettings.outputName);
        return kSkipped;
    }
    if (named && g_waiting.waits && !DecodeWaitingPicture(fileName))
        return kConversionFailed;
    // The line comes before any reason the name gives, as it always has.
    Print("Save as\t%s\t\n", ConversionSettings.outputName);
    if (!named)
        return kConversionFailed;
    if (IncludeSubfolders &&
        !CreateOutputFolders(destinationDirectory, ConversionSettings.outputName))
        return kConversionFailed;
    return SaveOutput(scriptDirectory, fileName, path, mayGoBehind);
}

namespace {

// Through the plug-in, with the metadata carried embedded in the file.
int SaveThroughPlugin(EncodePictureFunction encoder, const OutputSave& save, const Canvas& canvas) {
    PictureEncoding encoding;
    encoding.quality = save.quality;
    encoding.lossless = save.lossless;
    encoding.effort = save.encodeEffort;
    encoding.compression = save.pngCompression;
    if (save.carryMetadata) {
        encoding.exif = save.exif.data();
        encoding.exifSize = save.exif.size;
        encoding.icc = save.profile.data();
        encoding.iccSize = save.profile.size;
    }
    return SaveBitmapThroughPlugin(encoder, canvas.bitmap, save.path, encoding);
}

} // namespace

void RunOutputSave(OutputSave* save, const Canvas& canvas) {
    ClearFailureNote();
    save->written = false;
    save->saved = false;
    const EncodePictureFunction plugin = FindPluginEncoder(save->path, save->pngCompression);
    // Until the header or metadata is in, too: each step replaces the file.
    WritingScope writing(save->path);
    if (plugin != nullptr)
        save->written = SaveThroughPlugin(plugin, *save, canvas) != 0;
    else
        save->written = SaveBitmapWithQuality(canvas.bitmap, save->path, save->quality) != 0;
    if (save->written) {
        if (!save->headerFits)
            NoteFailure("the Exif header path is longer than %u bytes",
                        static_cast<unsigned>(kPathSize - 1));
        else if (save->headerPath[0] != '\0' && plugin != nullptr)
            // A WebP, AVIF, JPEG XL or (our writer's) PNG file with other bytes in front is no
            // such file any more: it stays as encoded, and the image fails as for a header
            // that cannot be read.
            NoteFailure("an Exif header file cannot go in front of a %s file",
                        PathFindExtensionA(save->path));
        else if (save->headerPath[0] != '\0')
            save->saved = PrependHeaderFile(save->path, save->headerPath) != 0;
        else
            save->saved = plugin != nullptr || !save->carryMetadata ||
                          InsertJpegMetadata(save->path, save->exif, save->profile,
                                             &save->metadataDropped) != 0;
    }
    if (save->saved)
        save->note[0] = '\0';
    else if (save->note[0] == '\0')
        std::snprintf(save->note, sizeof save->note, "%s", FailureNote());
}

bool ReportOutputSave(OutputSave* save) {
    const char* dropped = save->carryMetadata ? save->metadataDropped : "";
    if (save->written && save->headerFits && dropped[0] != '\0') {
        char reason[128];
        std::snprintf(reason, sizeof reason, "%s; saved without it", dropped);
        ReportFailure(save->fileName, reason);
    }
    save->carryMetadata = false;
    save->exif.Clear();
    save->profile.Clear();
    return save->saved;
}
