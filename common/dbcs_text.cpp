#include "common/dbcs_text.h"

#include <windows.h>

bool IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

const char* FindCharacter(const char* text, char c) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == c)
            return p;
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
            ++p; // step over the trail byte
    }
    return nullptr;
}

char* FindCharacter(char* text, char c) {
    return const_cast<char*>(FindCharacter(static_cast<const char*>(text), c));
}

const char* FindLastCharacter(const char* text, char c) {
    const char* found = nullptr;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == c)
            found = p;
        else if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
            ++p;
    }
    return found;
}

char* FindLastCharacter(char* text, char c) {
    return const_cast<char*>(FindLastCharacter(static_cast<const char*>(text), c));
}

int CompareIgnoringCase(const char* a, const char* b) {
    auto fold = [](unsigned char c) -> unsigned char {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        if (IsLeadByte(*x) && x[1] != '\0') {
            // A double-byte character matches only the same two bytes.
            if (*x != *y)
                return *x - *y;
            if (x[1] != y[1])
                return x[1] - y[1];
            x += 2;
            y += 2;
            continue;
        }
        const unsigned char cx = fold(*x);
        const unsigned char cy = fold(*y);
        if (cx != cy || cx == '\0')
            return cx - cy;
        ++x;
        ++y;
    }
}
