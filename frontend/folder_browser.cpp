#include "frontend/folder_browser.h"

#include "common/paths.h"
#include "frontend/frontend_state.h"
#include "frontend/ui_texts.h"

#include <shlobj.h>

int CALLBACK BrowseForFolderCallback(HWND browser, UINT event, LPARAM, LPARAM data) {
    if (event == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data); // data: the field's path
    return 0;
}

void BrowseForFolderInto(int fieldId) {
    char path[kPathSize] = {};
    GetDlgItemTextA(FrontEndDialog, fieldId, path, sizeof path);

    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
        return;

    // The title is shown through the wide function; the paths stay in the ANSI code page.
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse = {};
    browse.hwndOwner = FrontEndDialog;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = ui::kBrowseTitle;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = BrowseForFolderCallback;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
    if (chosen != nullptr) {
        char folder[kPathSize] = {};
        if (SHGetPathFromIDListA(chosen, folder))
            SetDlgItemTextA(FrontEndDialog, fieldId, folder);
        allocator->Free(chosen);
    }
    allocator->Release();
}
