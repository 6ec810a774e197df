#include "frontend/settings_file.h"

#include "common/dbcs_text.h"
#include "common/owners.h"

#include <cstring>

namespace {
// The results of the writes are not looked at: once the file exists and a script is named,
// the save counts as done.
void WriteLine(HANDLE file, const char* text) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
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

int SaveSettingsFile(const char* path, const SettingsValues& values) {
    FileOwner file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    WriteLine(file.get(), values.source);
    WriteLine(file.get(), values.destination);
    if (values.scriptFileName == nullptr)
        return 0;
    WriteLine(file.get(), values.scriptFileName);
    WriteLine(file.get(), values.extensions);
    WriteLine(file.get(), values.plugins);
    return 1;
}

int LoadSettingsFile(const char* path, LoadedSettings& loaded) {
    FileOwner file(OpenForReading(path));
    if (!file)
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF - 5)
        return 0;
    const auto length = static_cast<DWORD>(size.QuadPart);
    // Five zero bytes after the contents let every line up to the fifth read as empty
    // text without reading past the buffer.
    loaded.text.reset(AllocateZeroedStorage(length + 5u, 1));
    if (loaded.text.block == nullptr)
        return 0;
    char* text = loaded.text.as<char>();
    DWORD read = 0;
    ReadFile(file.get(), text, length, &read, nullptr);
    file.reset();

    const auto first = static_cast<unsigned char>(text[0]);
    if (first == 0xFF || first == 0xFE)
        return 0; // a UTF-16 text

    const char** lines[] = {&loaded.values.source, &loaded.values.destination,
                            &loaded.values.scriptFileName, &loaded.values.extensions,
                            &loaded.values.plugins};
    char* line = text;
    for (const char** value : lines) {
        char* next = CutLine(line);
        *value = line;
        line = next;
    }
    return 1;
}
