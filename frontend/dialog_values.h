// The dialog's five values (source folder, destination folder, script, extension list,
// plug-in folder): the one place that reads them from its controls and sets them there.
#pragma once

#include "common/paths.h"
#include "frontend/script_catalog.h"

#include <windows.h>

#include <cstddef>

constexpr std::size_t kExtensionsSize = 512;

// The values as the dialog reads them: a field longer than its buffer is cut there (259
// bytes for a folder, 511 for the extension list).
struct DialogValues {
    char source[kPathSize];
    char destination[kPathSize];
    const ScriptCatalogEntry* script; // the selected entry; null when none is selected
    char extensions[kExtensionsSize];
    char plugins[kPathSize];
};

void ReadDialogValues(HWND dialog, DialogValues& values);

// The catalogue entry selected in the script list, or null.
const ScriptCatalogEntry* SelectedScript(HWND dialog);

// Writes the dialog's values to the settings file at path (SaveSettingsFile): 1 on
// success; 0 when the file can't be created or no script is selected (the file then holds
// the first two lines).
int SaveDialogValues(HWND dialog, const char* path);

// Sets the dialog's values from the settings file at path (LoadSettingsFile), each text
// whole: the two folders, then the catalogue entry whose file name is the file's script
// (letter case counts), then the extension list and the plug-in folder. 0 when the file
// can't be read (nothing changed) or its script is not in the catalogue (the two folders
// are then set, the rest is unchanged).
int LoadDialogValues(HWND dialog, const char* path);
