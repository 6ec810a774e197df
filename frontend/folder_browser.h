// The folder browser behind the three "参照" buttons.
#pragma once

#include <windows.h>

// Opens the folder browser at the folder the field names and, when the user confirms a
// folder with a file system path, sets the field to it. Cancel leaves the field as it was.
void BrowseForFolderInto(int fieldId);

// The browser's notification function: once the browser is initialised, selects the
// folder whose path the application data holds. Returns 0 always.
int CALLBACK BrowseForFolderCallback(HWND browser, UINT event, LPARAM parameter, LPARAM data);
