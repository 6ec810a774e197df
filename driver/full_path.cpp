#include "driver/full_path.h"

#include <windows.h>

void MakeFullPath(const char* path, char (&full)[kPathSize]) {
    const DWORD length = GetFullPathNameA(path, kPathSize, full, nullptr);
    if (length == 0 || length >= kPathSize)
        full[0] = '\0';
}

bool SameFullPath(const char* a, const char* b) {
    return a[0] != '\0' && b[0] != '\0' && lstrcmpiA(a, b) == 0;
}
