#include "common/temporary_file.h"

#include "common/dbcs_text.h"

#include <windows.h>

#include <cstring>

namespace {

// Where the last path component of path starts (after its last backslash or slash).
const char* LastComponent(const char* path) {
    const char* start = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            ++p;
            continue;
        }
        if (*p == '\\' || *p == '/')
            start = p + 1;
    }
    return start;
}

// The n-th candidate name of length bytes: "~ts" and base-36 digits when there is room,
// digits alone for names of one to three bytes.
void CandidateName(char* name, size_t length, unsigned long long n) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    size_t i = 0;
    if (length >= 4) {
        std::memcpy(name, "~ts", 3);
        i = 3;
    }
    for (size_t j = length; j > i; --j) {
        name[j - 1] = digits[n % 36];
        n /= 36;
    }
    name[length] = '\0';
}

} // namespace

bool TemporaryFile::CreateBeside(const char* target) {
    Discard();
    const char* component = LastComponent(target);
    const size_t folderLength = static_cast<size_t>(component - target);
    const size_t componentLength = std::strlen(component);
    const size_t nameLength =
        componentLength < 1 ? 1 : (componentLength > 12 ? 12 : componentLength);
    if (std::strlen(target) >= kPathSize || folderLength + nameLength >= kPathSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(path, target, folderLength);
    // Differs between processes writing into one folder, and from try to try.
    unsigned long long seed = GetCurrentProcessId() * 7919ull + GetTickCount64();
    for (int attempt = 0; attempt < 64; ++attempt, seed = seed * 6364136223846793005ull + 1) {
        CandidateName(path + folderLength, nameLength, seed >> 16);
        if (std::strcmp(path + folderLength, component) == 0)
            continue; // never the target itself
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            exists = true;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false; // the folder refuses new files: another name will not help
    }
    SetLastError(ERROR_FILE_EXISTS);
    return false;
}

bool TemporaryFile::MoveOnto(const char* target) {
    if (!exists || !MoveFileExA(path, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    exists = false;
    return true;
}

void TemporaryFile::Discard() {
    if (exists) {
        const DWORD error = GetLastError(); // the failure being reported stays readable
        DeleteFileA(path);
        SetLastError(error);
        exists = false;
    }
}
