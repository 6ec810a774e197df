// The front-end dialog (resource 101): one procedure that hands its window down to
// everything it does.
#pragma once

#include "frontend/script_catalog.h"

#include <windows.h>

#include <cstddef>

// Initialisation, commands, dropped settings files and closing; every message is left to
// the dialog manager as well (the result is 0 for all of them, so the initial focus is
// the dialog manager's choice).
INT_PTR CALLBACK FrontEndDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second);

// Room for the labels, a file name, a name and an author of their longest and a version.
constexpr std::size_t kDetailsSize = 2560;

// The text of the details box ("詳細"): "ファイル名\t<file>\n説明\t<name>\n作者\t<author>\n
// バージョン\t<a.b.c.d>" in UTF-16, the entry's texts converted from the ANSI code page.
// False (and an empty destination) when it does not fit.
bool ComposeDetailsText(wchar_t* destination, std::size_t size, const ScriptCatalogEntry& entry);
