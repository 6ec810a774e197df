#include "frontend/frontend_dialog.h"

#include "common/paths.h"
#include "frontend/folder_browser.h"
#include "frontend/frontend_state.h"
#include "frontend/launch.h"
#include "frontend/message_boxes.h"
#include "frontend/resource_ids.h"
#include "frontend/save_settings_dialog.h"
#include "frontend/script_catalog.h"
#include "frontend/script_details.h"
#include "frontend/settings_file.h"
#include "frontend/ui_texts.h"

#include <shellapi.h>

namespace {
void SetDialogIcons(HWND dialog) {
    auto load = [](int size) {
        return reinterpret_cast<LPARAM>(LoadImageW(FrontEndInstance, MAKEINTRESOURCEW(IDI_TESFRONT),
                                                   IMAGE_ICON, size, size, 0));
    };
    SendMessageW(dialog, WM_SETICON, ICON_BIG, load(32));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, load(16));
}

void Initialise(HWND dialog) {
    FrontEndDialog = dialog;
    SetDialogIcons(dialog);
    SetDlgItemTextA(dialog, IDC_EXTENSIONS, "bmp|jpg|jpe|jpeg|png|gif");
    if (!BuildScriptCatalog()) {
        ShowError(ui::kCatalogFailed);
        EndDialog(dialog, 0);
        return;
    }
    if (ScriptCatalog.count == 0) {
        ShowError(ui::kNoScripts);
        EndDialog(dialog, 0);
        return;
    }
    SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_SETCURSEL, 0, 0);
    DragAcceptFiles(dialog, TRUE);
}

void Command(HWND dialog, int id) {
    switch (id) {
    case IDOK: LaunchConverter(); break;
    case IDCANCEL: SendMessageW(dialog, WM_CLOSE, 0, 0); break;
    case IDC_SOURCE_BROWSE: BrowseForFolderInto(IDC_SOURCE_FOLDER); break;
    case IDC_DESTINATION_BROWSE: BrowseForFolderInto(IDC_DESTINATION_FOLDER); break;
    case IDC_PLUGIN_BROWSE: BrowseForFolderInto(IDC_PLUGIN_FOLDER); break;
    case IDC_SCRIPT_DETAILS: ShowScriptDetails(); break;
    case IDC_SAVE_SETTINGS: SaveSettingsWithDialog(); break;
    default: break;
    }
}

void LoadDroppedSettings(HDROP drop) {
    char path[kPathSize] = {};
    DragQueryFileA(drop, 0, path, sizeof path); // further files are ignored
    if (!LoadSettingsFile(path))
        ShowError(ui::kLoadFailed);
    DragFinish(drop);
}
} // namespace

INT_PTR CALLBACK FrontEndDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second) {
    switch (message) {
    case WM_INITDIALOG: Initialise(dialog); break;
    case WM_COMMAND:
        // Button clicks and the Enter and Esc equivalents; not the list's or the edits'
        // notifications.
        if (HIWORD(first) == 0)
            Command(dialog, LOWORD(first));
        break;
    case WM_DROPFILES: LoadDroppedSettings(reinterpret_cast<HDROP>(first)); break;
    case WM_CLOSE:
        DragAcceptFiles(dialog, FALSE);
        EndDialog(dialog, 0);
        break;
    default: break;
    }
    static_cast<void>(second);
    return 0;
}
