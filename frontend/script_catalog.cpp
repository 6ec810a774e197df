#include "frontend/script_catalog.h"

#include "common/allocator.h"
#include "common/directory_search.h"
#include "common/owners.h"
#include "common/program_directory.h"
#include "frontend/frontend_state.h"
#include "frontend/resource_ids.h"
#include "scripthost/script_info.h"

#include <cstring>

ScriptCatalogRecord ScriptCatalog;

namespace {
// Reads the description of one item of the search into ScriptInfo. A script path that
// does not fit its buffer names no readable script.
int ReadInfoOfItem(const char* itemName) {
    char scriptPath[kPathSize];
    if (!FormatBounded(scriptPath, sizeof scriptPath, "%s\\script\\%s", ProgramDirectory, itemName))
        return 0;
    return ReadScriptInfo(scriptPath, RunScriptWithReturnInfo);
}

void FillEntry(ScriptCatalogEntry& entry, const char* itemName) {
    CopyBounded(entry.fileName, sizeof entry.fileName, itemName);
    std::memcpy(entry.name, ScriptInfo.name, sizeof entry.name);
    std::memcpy(entry.author, ScriptInfo.author, sizeof entry.author);
    std::memcpy(entry.version, ScriptInfo.version, sizeof entry.version);
}
} // namespace

int BuildScriptCatalog() {
    char pattern[kPathSize];
    if (!FormatBounded(pattern, sizeof pattern, "%s\\script\\*.txt", ProgramDirectory))
        return 1; // no such folder can be searched: nothing matches

    // A script whose name the code page cannot hold exactly is left out: its narrow name
    // would open another file, or none.
    DirectorySearch search;
    DirectoryEntry found;
    if (!search.Start(pattern))
        return 1;

    FreeStorage(ScriptCatalog.entries);
    ScriptCatalog.entries = nullptr;
    ScriptCatalog.count = 0;

    // First pass: how many scripts report their description.
    uint32_t count = 0;
    while (search.Next(found)) {
        if (found.exact && ReadInfoOfItem(found.name))
            ++count;
    }

    auto* entries =
        static_cast<ScriptCatalogEntry*>(AllocateZeroedStorage(count, sizeof(ScriptCatalogEntry)));
    if (entries == nullptr)
        return 0;
    ScriptCatalog.entries = entries;
    ScriptCatalog.count = count;

    // Second pass: fill at most count entries; a script that fails now is skipped, so the
    // entries after the last filled one stay zero-filled.
    if (!search.Start(pattern))
        return 1;
    uint32_t next = 0;
    while (next < count && search.Next(found)) {
        if (found.exact && ReadInfoOfItem(found.name)) {
            FillEntry(entries[next], found.name);
            SendDlgItemMessageA(FrontEndDialog, IDC_SCRIPT_LIST, CB_INSERTSTRING, next,
                                reinterpret_cast<LPARAM>(ScriptInfo.name));
            ++next;
        }
    }
    return 1;
}

const ScriptCatalogEntry* CatalogEntryAt(long long index) {
    // Unsigned comparison: the list's -1 for "no selection" is out of range too.
    if (static_cast<uint32_t>(index) >= ScriptCatalog.count || index < 0 ||
        ScriptCatalog.entries == nullptr)
        return nullptr;
    return &ScriptCatalog.entries[index];
}

const ScriptCatalogEntry* SelectedCatalogEntry() {
    return CatalogEntryAt(SendDlgItemMessageA(FrontEndDialog, IDC_SCRIPT_LIST, CB_GETCURSEL, 0, 0));
}
