#include "common/paths.h"

#include "common/dbcs_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool FormatBounded(char* destination, std::size_t size, const char* format, ...) {
    if (size == 0)
        return false;
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(destination, size, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        destination[0] = '\0';
        return false;
    }
    return true;
}

bool CopyBounded(char* destination, std::size_t size, const char* source) {
    const std::size_t length = std::strlen(source);
    if (length >= size)
        return false;
    std::memcpy(destination, source, length + 1);
    return true;
}

bool DirectoryOfPath(char* destination, std::size_t size, const char* path) {
    const char* cut = FindLastCharacter(path, '\\');
    const std::size_t length = cut ? static_cast<std::size_t>(cut - path) : std::strlen(path);
    if (length >= size) {
        if (size > 0)
            destination[0] = '\0';
        return false;
    }
    std::memmove(destination, path, length);
    destination[length] = '\0';
    return true;
}
