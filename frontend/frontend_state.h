// Process-wide state of tesfront: its instance and its dialog window.
#pragma once

#include <windows.h>

// The program's own instance; the dialog template and the icons are loaded from it.
extern HINSTANCE FrontEndInstance;

// The front-end dialog, stored first thing when it initialises; the catalogue and the
// settings file reach the dialog's controls through it.
extern HWND FrontEndDialog;
