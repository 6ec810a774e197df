#include "frontend/settings_file.h"

#include "common/allocator.h"
#include "common/dbcs_text.h"
#include "common/owners.h"
#include "common/paths.h"
#include "frontend/frontend_state.h"
#include "frontend/resource_ids.h"
#include "frontend/script_catalog.h"

#include <cstring>

namespace {
constexpr std::size_t kExtensionsSize = 512;

void WriteText(HANDLE file, const char* text) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// Writes one field of the dialog, read into a buffer of size bytes, and its line end.
void WriteFieldLine(HANDLE file, int id, std::size_t size) {
    char text[kExtensionsSize] = {};
    GetDlgItemTextA(FrontEndDialog, id, text, static_cast<int>(size));
    WriteText(file, text);
    WriteText(file, "\r\n");
}

int FindCatalogEntry(const char* fileName) {
    for (uint32_t i = 0; i < ScriptCatalog.count; ++i)
        if (std::strcmp(ScriptCatalog.entries[i].fileName, fileName) == 0)
            return static_cast<int>(i);
    return -1;
}
} // namespace

char* CutLine(char* line) {
    char* p = line;
    while (*p != '\0' && *p != '\r' && *p != '\n') {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
            ++p; // the trail byte is never a line end
        ++p;
    }
    const bool crLf = p[0] == '\r' && p[1] == '\n';
    *p = '\0';
    return crLf ? p + 2 : p + 1;
}

int SaveSettingsFile(const char* path) {
    FileOwner file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    WriteFieldLine(file.get(), IDC_SOURCE_FOLDER, kPathSize);
    WriteFieldLine(file.get(), IDC_DESTINATION_FOLDER, kPathSize);
    const ScriptCatalogEntry* entry = SelectedCatalogEntry();
    if (entry == nullptr)
        return 0;
    WriteText(file.get(), entry->fileName);
    WriteText(file.get(), "\r\n");
    WriteFieldLine(file.get(), IDC_EXTENSIONS, kExtensionsSize);
    WriteFieldLine(file.get(), IDC_PLUGIN_FOLDER, kPathSize);
    return 1;
}

int LoadSettingsFile(const char* path) {
    FileOwner file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF - 5)
        return 0;
    const auto length = static_cast<DWORD>(size.QuadPart);
    // Five zero bytes after the contents let every line up to the fifth read as empty
    // text without reading past the buffer.
    StorageOwner buffer(AllocateZeroedStorage(length + 5u, 1));
    if (buffer.block == nullptr)
        return 0;
    char* text = buffer.as<char>();
    DWORD read = 0;
    ReadFile(file.get(), text, length, &read, nullptr);
    file.reset();

    const auto first = static_cast<unsigned char>(text[0]);
    if (first == 0xFF || first == 0xFE)
        return 0; // a UTF-16 text: no field is touched

    char* line = text;
    char* next = CutLine(line);
    SetDlgItemTextA(FrontEndDialog, IDC_SOURCE_FOLDER, line);
    line = next;
    next = CutLine(line);
    SetDlgItemTextA(FrontEndDialog, IDC_DESTINATION_FOLDER, line);
    line = next;
    next = CutLine(line);
    const int index = FindCatalogEntry(line);
    if (index < 0)
        return 0;
    SendDlgItemMessageA(FrontEndDialog, IDC_SCRIPT_LIST, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    line = next;
    next = CutLine(line);
    SetDlgItemTextA(FrontEndDialog, IDC_EXTENSIONS, line);
    line = next;
    CutLine(line);
    SetDlgItemTextA(FrontEndDialog, IDC_PLUGIN_FOLDER, line);
    return 1;
}
