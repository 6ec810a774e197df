#include "frontend/script_details.h"

#include "common/bounded_text.h"
#include "frontend/frontend_state.h"
#include "frontend/message_boxes.h"
#include "frontend/resource_ids.h"
#include "frontend/ui_texts.h"

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

void ShowScriptDetails() {
    const ScriptCatalogEntry* entry = SelectedCatalogEntry();
    if (entry == nullptr) {
        ShowError(ui::kSelectScript);
        FocusControl(IDC_SCRIPT_LIST);
        return;
    }
    wchar_t text[kDetailsSize];
    ComposeDetailsText(text, kDetailsSize, *entry);
    MessageBoxW(FrontEndDialog, text, ui::kInfoCaption, MB_OK);
}
