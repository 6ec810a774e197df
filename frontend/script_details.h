// The details box of the selected script ("詳細").
#pragma once

#include "frontend/script_catalog.h"

#include <cstddef>

// Room for the labels, a file name, a name and an author of their longest and a version.
constexpr std::size_t kDetailsSize = 2560;

// "ファイル名\t<file>\n説明\t<name>\n作者\t<author>\nバージョン\t<a.b.c.d>" in UTF-16, the
// entry's texts converted from the ANSI code page. False when it does not fit.
bool ComposeDetailsText(wchar_t* destination, std::size_t size, const ScriptCatalogEntry& entry);

// Shows the selected script's details captioned "情報", or refuses when none is selected.
void ShowScriptDetails();
