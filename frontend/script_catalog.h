// The catalogue of usable scripts: every "*.txt" of the script folder whose Info ran.
// Entry i and line i of the dialog's script list describe the same script.
#pragma once

#include "common/paths.h"

#include <windows.h>

#include <cstdint>

struct ScriptCatalogEntry {
    char fileName[kPathSize]; // without directory, as the directory search returned it
    char name[1024];
    char author[1024];
    uint32_t version[4];
};

struct ScriptCatalogRecord {
    ScriptCatalogEntry* entries = nullptr; // one zero-filled block of count entries
    uint32_t count = 0;
};

extern ScriptCatalogRecord ScriptCatalog;

// Reads every script of "<program directory>\script\*.txt" twice (count, then fill) and
// inserts each usable script's name into list, the dialog's script list, at its entry's
// index. 1 on success (also when nothing matches: the catalogue then stays as it was), 0
// when the storage for the entries can't be obtained (the catalogue is then empty).
int BuildScriptCatalog(HWND list);

// The entry that a list index designates, or null when the index is not below the count
// (the list's "no selection", -1, included).
const ScriptCatalogEntry* CatalogEntryAt(long long index);

// The index of the first entry whose file name is fileName, byte for byte (letter case
// counts), or -1 when none has it.
long long FindCatalogEntry(const char* fileName);
