#include "imaging/file_read_at.h"

#include <windows.h>

size_t ReadFileAt(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const HANDLE file = static_cast<HANDLE>(context);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (offset > INT64_MAX || length > 0xFFFF ||
        !SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
        !ReadFile(file, buffer, static_cast<DWORD>(length), &read, nullptr))
        return 0;
    return read;
}
