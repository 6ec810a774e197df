#include "frontend/dialog_values.h"

#include "frontend/resource_ids.h"
#include "frontend/settings_file.h"

void ReadDialogValues(HWND dialog, DialogValues& values) {
    GetDlgItemTextA(dialog, IDC_SOURCE_FOLDER, values.source, sizeof values.source);
    GetDlgItemTextA(dialog, IDC_DESTINATION_FOLDER, values.destination, sizeof values.destination);
    values.script = SelectedScript(dialog);
    GetDlgItemTextA(dialog, IDC_EXTENSIONS, values.extensions, sizeof values.extensions);
    GetDlgItemTextA(dialog, IDC_PLUGIN_FOLDER, values.plugins, sizeof values.plugins);
}

const ScriptCatalogEntry* SelectedScript(HWND dialog) {
    return CatalogEntryAt(SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_GETCURSEL, 0, 0));
}

int SaveDialogValues(HWND dialog, const char* path) {
    DialogValues values;
    ReadDialogValues(dialog, values);
    const SettingsValues settings = {values.source, values.destination,
                                     values.script != nullptr ? values.script->fileName : nullptr,
                                     values.extensions, values.plugins};
    return SaveSettingsFile(path, settings);
}

int LoadDialogValues(HWND dialog, const char* path) {
    LoadedSettings loaded;
    if (!LoadSettingsFile(path, loaded))
        return 0;
    const SettingsValues& values = loaded.values;
    SetDlgItemTextA(dialog, IDC_SOURCE_FOLDER, values.source);
    SetDlgItemTextA(dialog, IDC_DESTINATION_FOLDER, values.destination);
    const long long index = FindCatalogEntry(values.scriptFileName);
    if (index < 0)
        return 0;
    SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetDlgItemTextA(dialog, IDC_EXTENSIONS, values.extensions);
    SetDlgItemTextA(dialog, IDC_PLUGIN_FOLDER, values.plugins);
    return 1;
}
