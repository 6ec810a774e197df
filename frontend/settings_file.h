// The settings file: the dialog's five values as five lines of text, each ended by CR LF
// (source folder, destination folder, script file name, extension list, plug-in folder).
#pragma once

// Writes the dialog's values to path. 1 when the file was created and all five lines
// were written; 0 when it can't be created or no script is selected (the file then
// holds the first two lines).
int SaveSettingsFile(const char* path);

// Sets the dialog's values from the file at path. Lines may end in CR LF, CR, LF or NUL;
// missing lines read as empty, lines after the fifth are ignored. 0 when the file can't
// be read, starts like a UTF-16 text (0xFF or 0xFE; nothing changed), or names a script
// that is not in the catalogue (the two folder fields are then already set).
int LoadSettingsFile(const char* path);

// Cuts the line that starts at line: puts a NUL at its end (the first CR, LF or NUL,
// stepping over double-byte characters) and returns where the next line starts (after
// the LF of a CR LF pair, otherwise one byte after the end).
char* CutLine(char* line);
