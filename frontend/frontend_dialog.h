// The front-end dialog (resource 101).
#pragma once

#include <windows.h>

// Initialisation, commands, dropped settings files and closing; every message is left to
// the dialog manager as well (the result is 0 for all of them, so the initial focus is
// the dialog manager's choice).
INT_PTR CALLBACK FrontEndDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second);
