#include "driver/conversion_run.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/program_directory.h"
#include "driver/console.h"
#include "driver/decode_ahead.h"
#include "driver/image_conversion.h"
#include "driver/save_behind.h"
#include "driver/source_tree.h"
#include "driver/written_files.h"
#include "imaging/draw_ahead.h"
#include "imaging/gdiplus_session.h"
#include "imaging/picture_orientation.h"
#include "imaging/source_metadata.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/script_engine.h"
#include "scripthost/script_runner.h"

#include <cstdio>
#include <cstring>

namespace {

// The decode of image index that ran ahead, unless an earlier image of this run may have
// written its file after that decode read it: then the file is decoded again, now.
// An image left undecoded (PauseDecodingAhead) is decoded now.
bool DecodedAhead(const char* sourceDirectory, const NameSlot& slot, uint32_t index) {
    char path[kPathSize];
    const bool fits = JoinPath(path, sizeof path, sourceDirectory, slot.name);
    const bool stale = fits && MayHaveBeenWritten(path);
    bool leftUndecoded = false;
    const bool decoded = TakeDecoded(index, stale, &leftUndecoded);
    if (!fits)
        return decoded;
    if (leftUndecoded)
        return DecodeListedFile(&SourceCanvas, sourceDirectory, slot.name) != 0;
    if (!stale)
        return decoded;
    SettleSavesBehind(); // the file may be being written now
    ClearFailureNote();
    return DecodeListedFile(&SourceCanvas, sourceDirectory, slot.name) != 0;
}

// The image at hand while its picture waits (SkipExisting) with decoding ahead: the picture
// is taken from its worker only when the output is to be made. Main thread only.
struct AheadWaiting {
    const char* sourceDirectory = nullptr;
    const NameSlot* slot = nullptr;
    uint32_t index = 0;
    bool taken = false;
};
AheadWaiting g_aheadWaiting;

bool TakeWaitingFromAhead(const char*) {
    AheadWaiting& w = g_aheadWaiting;
    w.taken = true;
    ResumeDecodingAhead(); // images are being converted: worth decoding ahead again
    return DecodedAhead(w.sourceDirectory, *w.slot, w.index);
}

// With SkipExisting and decoding ahead: Main first, the decode that ran ahead taken only when
// the output is to be made; kConversionFailed also when the picture cannot wait.
ConversionOutcome ConvertWaitingAhead(const char* sourceDirectory, const char* destinationDirectory,
                                      const char* scriptDirectory, const NameSlot& slot,
                                      uint32_t index, bool* waited) {
    AheadWaiting& w = g_aheadWaiting;
    w = AheadWaiting{sourceDirectory, &slot, index, false};
    char path[kPathSize];
    *waited = JoinPath(path, sizeof path, sourceDirectory, slot.name) &&
              LetPictureWait(path, TakeWaitingFromAhead);
    if (!*waited)
        return kConversionFailed;
    const ConversionOutcome outcome = ConvertDecodedImage(
        destinationDirectory, scriptDirectory, slot.name, static_cast<int32_t>(index), true);
    if (!w.taken) { // the slot is freed; the image's own reason stays
        char note[512];
        std::snprintf(note, sizeof note, "%s", FailureNote());
        TakeDecoded(index, true);
        ClearFailureNote();
        if (note[0] != '\0')
            NoteFailure("%s", note);
    }
    if (outcome == kSkipped)
        PauseDecodingAhead();
    return outcome;
}

// One file of the batch; the reason of a failure goes to standard error.
void ConvertListed(const char* sourceDirectory, const char* destinationDirectory,
                   const char* scriptDirectory, const NameSlot& slot, uint32_t index,
                   bool decodingAhead) {
    ClearFailureNote();
    ConversionOutcome outcome = kConversionFailed;
    if (slot.tooLong) {
        if (decodingAhead)
            TakeDecoded(index, true); // frees its slot
        ClearFailureNote();
        NoteFailure("the path of the image is longer than %u bytes",
                    static_cast<unsigned>(kPathSize - 1));
    } else if (!slot.exact) {
        if (decodingAhead)
            TakeDecoded(index, true); // frees its slot
        ClearFailureNote();
        NoteFailure("the file name cannot be written in the system's code page");
    } else if (!decodingAhead) {
        const int converted = ConvertImage(sourceDirectory, destinationDirectory, scriptDirectory,
                                           slot.name, static_cast<int32_t>(index));
        outcome = converted == kSkipped ? kSkipped
                  : converted != 0      ? kConverted
                                        : kConversionFailed;
    } else {
        bool waited = false;
        if (SkipExisting)
            outcome = ConvertWaitingAhead(sourceDirectory, destinationDirectory, scriptDirectory,
                                          slot, index, &waited);
        if (!waited && DecodedAhead(sourceDirectory, slot, index))
            outcome = ConvertDecodedImage(destinationDirectory, scriptDirectory, slot.name,
                                          static_cast<int32_t>(index), true);
    }
    // Done with the picture's file, whatever the outcome: a later image may save over it.
    ReleaseFileImage(&SourceCanvas.source.file);
    // The first picture was decoded before any draw was known (whole, or at a guess): it
    // goes with its image, and only then are the next decoded, knowing its draw.
    if (decodingAhead && index == 0) {
        SourceCanvas.Release();
        FirstImageDone();
    }
    if (outcome == kConversionFailed)
        ReportFailedFile(slot.name, FailureNote()); // a save behind reports its own
}

// The engine's messages go through the console, so that they can wait in order behind a
// save.
void SCRIPTAPI TakeEngineError(const char* message) {
    ReportEngineError(message);
}

} // namespace

int RunConversion(const char* scriptPath, const char* sourceDirectory,
                  const char* destinationDirectory) {
    ScriptEngine engine;
    CurrentEngineScope current(engine);

    // Exif header files are looked up beside the script.
    char scriptDirectory[kPathSize];
    if (!DirectoryOfPath(scriptDirectory, sizeof scriptDirectory, scriptPath))
        return 0;

    char path[kPathSize];
    if (!FormatBounded(path, sizeof path, "%s\\script.dll", ProgramDirectory))
        return 0;
    if (!engine.Load(path))
        return 0;
    const bool engineMessagesHeld =
        engine.SetErrorHandler != nullptr && engine.SetErrorHandler(TakeEngineError) != 0;
    AutoOrient = false; // until the script's top-level lines ask for them
    KeepMetadata = kKeepNothing;
    ConvertToSrgb = false;
    ConversionSettings.drawFilter = ResampleFilter::None;
    ConversionSettings.encodeEffort = 0;
    ConversionSettings.pngCompression = 0;
    SkipExisting = false;
    IncludeSubfolders = false;
    if (!RunScript(scriptPath))
        return 0;
    // Before any picture is decoded, ahead or not.
    SourceMetadataWanted = AutoOrient || KeepMetadata != kKeepNothing || ConvertToSrgb;
    RunDrawFilter = ConversionSettings.drawFilter; // what the top-level lines chose
    RunEncodeEffort = ConversionSettings.encodeEffort;
    RunPngCompression = ConversionSettings.pngCompression;

    Print("Source\t\t%s\n", sourceDirectory);
    Print("Destination\t%s\n", destinationDirectory);

    uint32_t count = 0;
    if (!CountSourceFiles(sourceDirectory, count)) {
        engine.DestroyBuffer(); // nothing to convert counts as a completed run
        return 1;
    }

    StorageOwner table(AllocateZeroedStorage(count, sizeof(NameSlot)));
    if (table.block == nullptr)
        return 0;
    NameSlot* names = table.as<NameSlot>();
    const uint32_t collected = CollectSourceFiles(sourceDirectory, names, count);

    {
        GdiplusSession gdiplus;
        if (!gdiplus.started)
            return 0;
        ForgetWrittenFiles();
        ForgetDrawsForeseen();
        ResetRunTally();
        {
            const int workers = DecodeThreadCount();
            // Skipping starts paused: a run over a done folder decodes nothing ahead, and
            // the first image converted starts the workers decoding.
            DecodeAheadScope ahead(sourceDirectory, names, collected, workers, SkipExisting);
            SaveBehindScope behind(ahead.running && engineMessagesHeld ? workers : 0);
            // Ends before the saves behind settle: what they print then goes out line by line.
            BatchConsoleScope console(engineMessagesHeld);
            for (uint32_t k = 0; k < collected; ++k) {
                BatchConsoleScope::NextImage();
                SettleEndedSavesBehind();
                Print("%u/%u\t%s\n", k + 1, collected, names[k].name);
                ConvertListed(sourceDirectory, destinationDirectory, scriptDirectory, names[k], k,
                              ahead.running);
            }
        }                             // the last save ends, then the workers stop, before the
                                      // table they read goes
        FreeStorage(table.release()); // the name table goes before GDI+ shuts down
        // Like the switches themselves, the summary is the batch features' own: a run that
        // uses neither prints what it always printed.
        if (SkipExisting || IncludeSubfolders)
            ReportRunTally(collected);
    }
    engine.DestroyBuffer();
    return 1;
}
