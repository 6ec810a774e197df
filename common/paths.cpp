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

bool JoinPath(char* destination, std::size_t size, const char* folder, const char* name) {
    return FormatBounded(destination, size, "%s\\%s", folder, name);
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

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, whatever follows the first dot:
// Windows opens the device instead of a file of that name in any folder.
bool IsDeviceName(const char* component, std::size_t length) {
    std::size_t base = 0;
    while (base < length && component[base] != '.')
        ++base;
    while (base > 0 && component[base - 1] == ' ')
        --base;
    char upper[8] = {};
    if (base == 0 || base >= sizeof upper)
        return false;
    for (std::size_t i = 0; i < base; ++i) {
        const char c = component[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    static const char* const fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : fixed) {
        if (std::strcmp(upper, name) == 0)
            return true;
    }
    return base == 4 &&
           (std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// A component that is not "." and holds only dots and spaces: ".." or what Windows
// shortens to it.
bool ClimbsUp(const char* component, std::size_t length) {
    if (length == 1 && component[0] == '.')
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (component[i] != '.' && component[i] != ' ')
            return false;
    }
    return length > 0;
}

} // namespace

bool StaysInsideFolder(const char* name) {
    if (IsSeparator(name[0]))
        return false; // a root, a UNC path or a device path
    const char* component = name;
    for (const char* p = name;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            const auto length = static_cast<std::size_t>(p - component);
            if (ClimbsUp(component, length) || IsDeviceName(component, length))
                return false;
            if (*p == '\0')
                return true;
            component = p + 1;
        } else if (*p == ':') {
            return false; // a drive or a stream
        } else if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            ++p;
        }
    }
}
