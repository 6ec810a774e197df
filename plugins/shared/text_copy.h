// A text into a caller's buffer as Susie hands texts back: as much as fits, always
// terminated.
#pragma once

#include <cstddef>
#include <cstring>

// Copies text into to (capacity bytes; nothing when capacity is 0): the bytes copied.
inline size_t CopyTextCut(char* to, size_t capacity, const char* text) {
    if (to == nullptr || capacity == 0)
        return 0;
    size_t length = std::strlen(text);
    if (length >= capacity)
        length = capacity - 1;
    std::memcpy(to, text, length);
    to[length] = '\0';
    return length;
}
