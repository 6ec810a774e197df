#include "driver/full_path.h"

#include <windows.h>

namespace {

// The full path in UTF-16, folded; false when it does not convert.
bool Fold(const char* full, WCHAR (&folded)[kPathSize], int* length) {
    if (full[0] == '\0')
        return false;
    *length = MultiByteToWideChar(CP_ACP, 0, full, -1, folded, static_cast<int>(kPathSize));
    if (*length <= 0)
        return false;
    CharUpperBuffW(folded, static_cast<DWORD>(*length));
    return true;
}

} // namespace

void MakeFullPath(const char* path, char (&full)[kPathSize]) {
    const DWORD length = GetFullPathNameA(path, kPathSize, full, nullptr);
    if (length == 0 || length >= kPathSize)
        full[0] = '\0';
}

bool SameFullPath(const char* a, const char* b) {
    WCHAR x[kPathSize];
    WCHAR y[kPathSize];
    int xLength = 0;
    int yLength = 0;
    return Fold(a, x, &xLength) && Fold(b, y, &yLength) && xLength == yLength &&
           CompareStringOrdinal(x, -1, y, -1, FALSE) == CSTR_EQUAL;
}

uint64_t FullPathHash(const char* full) {
    WCHAR folded[kPathSize];
    int length = 0;
    if (!Fold(full, folded, &length))
        return 0;
    uint64_t hash = 14695981039346656037ull; // FNV-1a over the UTF-16 units
    for (int i = 0; i < length - 1; ++i)
        hash = (hash ^ folded[i]) * 1099511628211ull;
    return hash == 0 ? 1 : hash;
}
