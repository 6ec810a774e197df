#include "driver/conversion_run.h"

#include "common/allocator.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/program_directory.h"
#include "driver/accepted_file.h"
#include "driver/console.h"
#include "driver/image_conversion.h"
#include "scripthost/script_engine.h"
#include "scripthost/script_runner.h"

#include <windows.h>
#include <objidl.h> // gdiplus.h needs it when windows.h is kept lean
#include <gdiplus.h>

#include <cstring>

namespace {

using NameSlot = char[kPathSize];

// GDI+ runs from before the first image to after the last.
struct GdiplusSession {
    ULONG_PTR token = 0;
    bool started = false;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        input.GdiplusVersion = 1;
        input.DebugEventCallback = nullptr;
        input.SuppressBackgroundThread = FALSE;
        input.SuppressExternalCodecs = FALSE;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started)
            Gdiplus::GdiplusShutdown(token);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
};

// Counts the accepted names of the directory; false when it can't be searched.
bool CountAcceptedFiles(const char* pattern, uint32_t& count) {
    WIN32_FIND_DATAA entry;
    FindOwner search(FindFirstFileA(pattern, &entry));
    if (!search)
        return false;
    count = 0;
    do {
        if (IsAcceptedFile(entry.cFileName))
            ++count;
    } while (FindNextFileA(search.get(), &entry));
    return true;
}

// Collects up to capacity accepted names in the order the search gives them.
uint32_t CollectAcceptedFiles(const char* pattern, NameSlot* names, uint32_t capacity) {
    WIN32_FIND_DATAA entry;
    FindOwner search(FindFirstFileA(pattern, &entry));
    if (!search)
        return 0;
    uint32_t collected = 0;
    do {
        if (collected < capacity && IsAcceptedFile(entry.cFileName)) {
            std::memcpy(names[collected], entry.cFileName, sizeof names[collected]);
            names[collected][kPathSize - 1] = '\0';
            ++collected;
        }
    } while (collected < capacity && FindNextFileA(search.get(), &entry));
    return collected;
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
    if (!RunScript(scriptPath))
        return 0;

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
        for (uint32_t k = 0; k < collected; ++k) {
            Print("%u/%u\t%s\n", k + 1, collected, names[k]);
            if (!ConvertImage(sourceDirectory, destinationDirectory, scriptDirectory, names[k],
                              static_cast<int32_t>(k)))
                Print("Failed.\n");
        }
        FreeStorage(table.release()); // the name table goes before GDI+ shuts down
    }
    engine.DestroyBuffer();
    return 1;
}
