#include "frontend/script_details.h"

#include "frontend/frontend_state.h"
#include "frontend/message_boxes.h"
#include "frontend/resource_ids.h"
#include "frontend/ui_texts.h"

#include <cstdio>
#include <cwchar>

namespace {
struct WideWriter {
    wchar_t* destination;
    std::size_t size;
    std::size_t length = 0;
    bool fits = true;

    void PutWide(const wchar_t* text) {
        const std::size_t n = std::wcslen(text);
        if (!fits || length + n >= size) {
            fits = false;
            return;
        }
        std::wmemcpy(destination + length, text, n);
        length += n;
        destination[length] = L'\0';
    }
    void PutAnsi(const char* text) {
        if (!fits)
            return;
        if (text[0] == '\0')
            return;
        const int room = static_cast<int>(size - length);
        const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, destination + length, room);
        if (n <= 0) {
            fits = false;
            return;
        }
        length += static_cast<std::size_t>(n) - 1; // n counts the terminator
    }
};
} // namespace

bool ComposeDetailsText(wchar_t* destination, std::size_t size, const ScriptCatalogEntry& entry) {
    if (size == 0)
        return false;
    destination[0] = L'\0';
    char version[48];
    std::snprintf(version, sizeof version, "%u.%u.%u.%u", entry.version[0], entry.version[1],
                  entry.version[2], entry.version[3]);
    WideWriter out{destination, size};
    out.PutWide(ui::kDetailsFileName);
    out.PutAnsi(entry.fileName);
    out.PutWide(ui::kDetailsName);
    out.PutAnsi(entry.name);
    out.PutWide(ui::kDetailsAuthor);
    out.PutAnsi(entry.author);
    out.PutWide(ui::kDetailsVersion);
    out.PutAnsi(version);
    if (!out.fits)
        destination[0] = L'\0';
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
