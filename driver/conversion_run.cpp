#include "driver/conversion_run.h"

#include "common/allocator.h"
#include "common/directory_search.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/program_directory.h"
#include "driver/accepted_file.h"
#include "driver/console.h"
#include "driver/decode_ahead.h"
#include "driver/image_conversion.h"
#include "driver/save_behind.h"
#include "driver/written_files.h"
#include "imaging/gdiplus_session.h"
#include "imaging/picture_orientation.h"
#include "imaging/source_metadata.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/script_engine.h"
#include "scripthost/script_runner.h"

#include <cstring>

namespace {

// A name as the listing shows it, and whether it opens that very file (see DirectorySearch).
using NameSlot = DirectoryEntry;

// Counts the accepted names of the directory; false when it can't be searched.
bool CountAcceptedFiles(const char* pattern, uint32_t& count) {
    DirectorySearch search;
    if (!search.Start(pattern))
        return false;
    count = 0;
    DirectoryEntry entry;
    while (search.Next(entry)) {
        if (IsAcceptedFile(entry.name))
            ++count;
    }
    return true;
}

// Collects up to capacity accepted names in the order the search gives them.
uint32_t CollectAcceptedFiles(const char* pattern, NameSlot* names, uint32_t capacity) {
    DirectorySearch search;
    if (!search.Start(pattern))
        return 0;
    uint32_t collected = 0;
    while (collected < capacity && search.Next(names[collected])) {
        if (IsAcceptedFile(names[collected].name))
            ++collected;
    }
    return collected;
}

// The decode of image index that ran ahead, unless an earlier image of this run may have
// written its file after that decode read it: then the file is decoded again, now.
bool DecodedAhead(const char* sourceDirectory, const NameSlot& slot, uint32_t index) {
    const bool decoded = TakeDecoded(index);
    char path[kPathSize];
    if (!JoinPath(path, sizeof path, sourceDirectory, slot.name) || !MayHaveBeenWritten(path))
        return decoded;
    SettleSavesBehind(); // the file may be being written now
    ClearFailureNote();
    return DecodeListedFile(&SourceCanvas, sourceDirectory, slot.name) != 0;
}

// One file of the batch; the reason of a failure goes to standard error.
void ConvertListed(const char* sourceDirectory, const char* destinationDirectory,
                   const char* scriptDirectory, const NameSlot& slot, uint32_t index,
                   bool decodingAhead) {
    ClearFailureNote();
    ConversionOutcome outcome = kConversionFailed;
    if (!slot.exact) {
        if (decodingAhead)
            TakeDecoded(index); // frees its slot
        ClearFailureNote();
        NoteFailure("the file name cannot be written in the system's code page");
    } else if (!decodingAhead) {
        if (ConvertImage(sourceDirectory, destinationDirectory, scriptDirectory, slot.name,
                         static_cast<int32_t>(index)) != 0)
            outcome = kConverted;
    } else if (DecodedAhead(sourceDirectory, slot, index)) {
        outcome = ConvertDecodedImage(destinationDirectory, scriptDirectory, slot.name,
                                      static_cast<int32_t>(index), true);
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
    if (!RunScript(scriptPath))
        return 0;
    // Before any picture is decoded, ahead or not.
    SourceMetadataWanted = AutoOrient || KeepMetadata != kKeepNothing || ConvertToSrgb;
    RunDrawFilter = ConversionSettings.drawFilter; // what the top-level lines chose

    Print("Source\t\t%s\n", sourceDirectory);
    Print("Destination\t%s\n", destinationDirectory);

    uint32_t count = 0;
    if (!FormatBounded(path, sizeof path, "%s\\*.*", sourceDirectory) ||
        !CountAcceptedFiles(path, count)) {
        engine.DestroyBuffer(); // nothing to convert counts as a completed run
        return 1;
    }

    StorageOwner table(AllocateZeroedStorage(count, sizeof(NameSlot)));
    if (table.block == nullptr)
        return 0;
    NameSlot* names = table.as<NameSlot>();
    const uint32_t collected = CollectAcceptedFiles(path, names, count);

    {
        GdiplusSession gdiplus;
        if (!gdiplus.started)
            return 0;
        ForgetWrittenFiles();
        {
            const int workers = DecodeThreadCount();
            DecodeAheadScope ahead(sourceDirectory, names, collected, workers);
            SaveBehindScope behind(ahead.running && engineMessagesHeld ? workers : 0);
            for (uint32_t k = 0; k < collected; ++k) {
                SettleEndedSavesBehind();
                Print("%u/%u\t%s\n", k + 1, collected, names[k].name);
                ConvertListed(sourceDirectory, destinationDirectory, scriptDirectory, names[k], k,
                              ahead.running);
            }
        }                             // the last save ends, then the workers stop, before the
                                      // table they read goes
        FreeStorage(table.release()); // the name table goes before GDI+ shuts down
    }
    engine.DestroyBuffer();
    return 1;
}
