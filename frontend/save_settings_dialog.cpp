#include "frontend/save_settings_dialog.h"

#include "common/paths.h"
#include "frontend/frontend_state.h"
#include "frontend/message_boxes.h"
#include "frontend/settings_file.h"
#include "frontend/ui_texts.h"

#include <commdlg.h>

namespace {
// The chosen name in the ANSI code page; false when it does not fit or has a character
// the code page can't hold (such a name would open another file).
bool ToAnsiPath(const wchar_t* wide, char* path, int size) {
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, size,
                                      nullptr, &lossy);
    return n > 0 && !lossy;
}
} // namespace

void SaveSettingsWithDialog() {
    wchar_t fileName[kPathSize] = {}; // the dialog starts with an empty name
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = FrontEndDialog;
    dialog.lpstrFilter = ui::kSaveFilter;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kPathSize;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    dialog.lpstrDefExt = L"txt";
    if (!GetSaveFileNameW(&dialog))
        return;
    char path[kPathSize];
    if (!ToAnsiPath(fileName, path, sizeof path) || !SaveSettingsFile(path))
        ShowError(ui::kSaveFailed);
}
