#include "frontend/frontend_dialog.h"

#include "common/bounded_text.h"
#include "common/dbcs_text.h"
#include "common/paths.h"
#include "frontend/command_line.h"
#include "frontend/dialog_values.h"
#include "frontend/resource_ids.h"
#include "frontend/ui_texts.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

bool ComposeDetailsText(wchar_t* destination, std::size_t size, const ScriptCatalogEntry& entry) {
    char version[48];
    std::snprintf(version, sizeof version, "%u.%u.%u.%u", entry.version[0], entry.version[1],
                  entry.version[2], entry.version[3]);
    BoundedText<wchar_t> out = StartBoundedText(destination, size);
    Append(out, ui::kDetailsFileName);
    AppendWidened(out, entry.fileName);
    Append(out, ui::kDetailsName);
    AppendWidened(out, entry.name);
    Append(out, ui::kDetailsAuthor);
    AppendWidened(out, entry.author);
    Append(out, ui::kDetailsVersion);
    AppendWidened(out, version);
    return out.fits;
}

namespace {
// Every box is owned by the dialog; "エラー" boxes have an OK button and no icon.
void ShowError(HWND dialog, const wchar_t* text) {
    MessageBoxW(dialog, text, ui::kErrorCaption, MB_OK);
}

// An error box, then the keyboard focus on the control concerned.
void Refuse(HWND dialog, const wchar_t* text, int focusId) {
    ShowError(dialog, text);
    SetFocus(GetDlgItem(dialog, focusId));
}

void SetDialogIcons(HWND dialog) {
    // The icons come from the module whose template made the dialog.
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    auto load = [instance](int size) {
        return reinterpret_cast<LPARAM>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_TESFRONT), IMAGE_ICON, size, size, 0));
    };
    SendMessageW(dialog, WM_SETICON, ICON_BIG, load(32));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, load(16));
}

void Initialise(HWND dialog) {
    SetDialogIcons(dialog);
    SetDlgItemTextA(dialog, IDC_EXTENSIONS, "bmp|jpg|jpe|jpeg|png|gif");
    if (!BuildScriptCatalog(GetDlgItem(dialog, IDC_SCRIPT_LIST))) {
        ShowError(dialog, ui::kCatalogFailed);
        EndDialog(dialog, 0);
        return;
    }
    if (ScriptCatalog.count == 0) {
        ShowError(dialog, ui::kNoScripts);
        EndDialog(dialog, 0);
        return;
    }
    SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_SETCURSEL, 0, 0);
    DragAcceptFiles(dialog, TRUE);
}

// "変換開始": checks the values in order, each refusal an error box and the focus on its
// control; asks before converting a folder into itself; starts tesrun without waiting.
void LaunchConverter(HWND dialog) {
    DialogValues values;
    ReadDialogValues(dialog, values);
    if (values.script == nullptr)
        return Refuse(dialog, ui::kSelectScript, IDC_SCRIPT_LIST);
    if (values.script->fileName[0] == '\0')
        return Refuse(dialog, ui::kInvalidScript, IDC_SCRIPT_LIST);

    LaunchPaths paths;
    const int pathsFit = ComposeLaunchPaths(paths, values.script->fileName);
    if (!pathsFit && paths.script[0] == '\0')
        return Refuse(dialog, ui::kScriptPathTooLong, IDC_SCRIPT_LIST);
    if (!pathsFit)
        return ShowError(dialog, ui::kProgramPathTooLong);

    if (values.source[0] == '\0')
        return Refuse(dialog, ui::kNoSourceFolder, IDC_SOURCE_FOLDER);
    if (values.destination[0] == '\0')
        return Refuse(dialog, ui::kNoDestinationFolder, IDC_DESTINATION_FOLDER);
    if (values.extensions[0] == '\0')
        return Refuse(dialog, ui::kNoExtensions, IDC_EXTENSIONS);
    // Compared as typed: another spelling of the same folder is not noticed.
    if (CompareIgnoringCase(values.source, values.destination) == 0 &&
        MessageBoxW(dialog, ui::kSameFolder, ui::kConfirmCaption, MB_OKCANCEL) != IDOK)
        return;

    // The plug-in folder is passed only when one is typed ("null" included).
    const char* arguments[] = {paths.program,      paths.script,      values.source,
                               values.destination, values.extensions, values.plugins};
    const std::size_t count = values.plugins[0] != '\0' ? 6 : 5;
    char commandLine[kCommandLineSize];
    if (!ComposeCommandLine(commandLine, sizeof commandLine, arguments, count))
        return; // cannot happen with values of these lengths
    StartConverter(paths.program, commandLine);
}

// The browser's notification function: once the browser is initialised, selects the
// folder whose path the application data holds. Returns 0 always.
int CALLBACK BrowseForFolderCallback(HWND browser, UINT event, LPARAM, LPARAM data) {
    if (event == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data); // data: the field's path
    return 0;
}

// "参照": opens the folder browser at the folder the field names and, when the user
// confirms a folder with a file system path, sets the field to it. Cancel leaves it.
void BrowseForFolderInto(HWND dialog, int fieldId) {
    char path[kPathSize] = {};
    GetDlgItemTextA(dialog, fieldId, path, sizeof path);

    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
        return;

    // The title is shown through the wide function; the paths stay in the ANSI code page.
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse = {};
    browse.hwndOwner = dialog;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = ui::kBrowseTitle;
    browse.ulFlags =
        BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = BrowseForFolderCallback;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
    if (chosen != nullptr) {
        char folder[kPathSize] = {};
        if (SHGetPathFromIDListA(chosen, folder))
            SetDlgItemTextA(dialog, fieldId, folder);
        allocator->Free(chosen);
    }
    allocator->Release();
}

// "詳細": the selected script's details captioned "情報", or a refusal when none is selected.
void ShowScriptDetails(HWND dialog) {
    const ScriptCatalogEntry* entry = SelectedScript(dialog);
    if (entry == nullptr)
        return Refuse(dialog, ui::kSelectScript, IDC_SCRIPT_LIST);
    wchar_t text[kDetailsSize];
    ComposeDetailsText(text, kDetailsSize, *entry);
    MessageBoxW(dialog, text, ui::kInfoCaption, MB_OK);
}

// The chosen name in the ANSI code page; false when it does not fit or has a character
// the code page can't hold (such a name would open another file).
bool ToAnsiPath(const wchar_t* wide, char* path, int size) {
    BOOL lossy = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, size, nullptr, &lossy);
    return n > 0 && !lossy;
}

// "設定の保存": asks for a file name and saves the dialog's values there.
void SaveSettingsWithDialog(HWND dialog) {
    wchar_t fileName[kPathSize] = {}; // the save dialog starts with an empty name
    OPENFILENAMEW save = {};
    save.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    save.hwndOwner = dialog;
    save.lpstrFilter = ui::kSaveFilter;
    save.lpstrFile = fileName;
    save.nMaxFile = kPathSize;
    save.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    save.lpstrDefExt = L"txt";
    if (!GetSaveFileNameW(&save))
        return;
    char path[kPathSize];
    if (!ToAnsiPath(fileName, path, sizeof path) || !SaveDialogValues(dialog, path))
        ShowError(dialog, ui::kSaveFailed);
}

void LoadDroppedSettings(HWND dialog, HDROP drop) {
    char path[kPathSize] = {};
    DragQueryFileA(drop, 0, path, sizeof path); // further files are ignored
    if (!LoadDialogValues(dialog, path))
        ShowError(dialog, ui::kLoadFailed);
    DragFinish(drop);
}

void Command(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        LaunchConverter(dialog);
        break;
    case IDCANCEL:
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        break;
    case IDC_SOURCE_BROWSE:
        BrowseForFolderInto(dialog, IDC_SOURCE_FOLDER);
        break;
    case IDC_DESTINATION_BROWSE:
        BrowseForFolderInto(dialog, IDC_DESTINATION_FOLDER);
        break;
    case IDC_PLUGIN_BROWSE:
        BrowseForFolderInto(dialog, IDC_PLUGIN_FOLDER);
        break;
    case IDC_SCRIPT_DETAILS:
        ShowScriptDetails(dialog);
        break;
    case IDC_SAVE_SETTINGS:
        SaveSettingsWithDialog(dialog);
        break;
    default:
        break;
    }
}
} // namespace

INT_PTR CALLBACK FrontEndDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second) {
    switch (message) {
    case WM_INITDIALOG:
        Initialise(dialog);
        break;
    case WM_COMMAND:
        // Button clicks and the Enter and Esc equivalents; not the list's or the edits'
        // notifications.
        if (HIWORD(first) == 0)
            Command(dialog, LOWORD(first));
        break;
    case WM_DROPFILES:
        LoadDroppedSettings(dialog, reinterpret_cast<HDROP>(first));
        break;
    case WM_CLOSE:
        DragAcceptFiles(dialog, FALSE);
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
    static_cast<void>(second);
    return 0;
}
