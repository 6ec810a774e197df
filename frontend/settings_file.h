// The settings file: five values as five lines of text in the ANSI code page, each ended by
// CR LF (source folder, destination folder, script file name, extension list, plug-in
// folder). Texts and files only: the dialog's values reach it through dialog_values.h.
#pragma once

#include "common/allocator.h"

struct SettingsValues {
    const char* source;
    const char* destination;
    const char* scriptFileName; // without directory; null when no script is chosen
    const char* extensions;
    const char* plugins;
};

// Writes the values to path, replacing any file there. 1 when the file was created and all
// five lines were written; 0 when it can't be created or no script is named (the file then
// holds the first two lines).
int SaveSettingsFile(const char* path, const SettingsValues& values);

// A settings file read into storage of its own, its lines cut there in place.
struct LoadedSettings {
    StorageOwner text;
    SettingsValues values = {}; // each points into text
};

// Reads the file at path and cuts its first five lines. Lines may end in CR LF, CR, LF or
// NUL; missing lines read as empty, lines after the fifth are ignored. 0 when the file
// can't be read or starts like a UTF-16 text (0xFF or 0xFE).
int LoadSettingsFile(const char* path, LoadedSettings& loaded);

// Cuts the line that starts at line: puts a NUL at its end (the first CR, LF or NUL,
// stepping over double-byte characters) and returns where the next line starts (after
// the LF of a CR LF pair, otherwise one byte after the end).
char* CutLine(char* line);
