#include "scripthost/format_text.h"

#include "common/bounded_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kSpecSize = 32; // one conversion's kept text and its NUL

enum class Takes { Float, SignedInt, UnsignedInt, Address, Text, Nothing, NotALetter };

Takes ConversionOf(char c) {
    switch (c) {
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
        return Takes::Float;
    case 'd':
    case 'i':
        return Takes::SignedInt;
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        return Takes::UnsignedInt;
    case 'p':
        return Takes::Address;
    case 's':
        return Takes::Text;
    case 'n':
        return Takes::Nothing;
    default:
        return Takes::NotALetter;
    }
}

bool IsKept(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == ' ' || c == '#';
}

// Formats one value with the kept conversion text; the output is bounded by the result.
template <class Value>
bool AppendFormatted(BoundedText<char>& out, const char* directive, Value value) {
    char piece[kFormatTextSize];
    const int size = std::snprintf(piece, sizeof piece, directive, value);
    if (size < 0 || static_cast<std::size_t>(size) >= sizeof piece)
        return false;
    return Append(out, piece, static_cast<std::size_t>(size));
}

bool Refuse(char* result) {
    result[0] = '\0';
    return false;
}

} // namespace

bool FormatElements(const char* format, const ScriptElement* elements, char* result) {
    BoundedText<char> out = StartBoundedText(result, kFormatTextSize); // at most 1023 bytes
    int nextElement = 0;
    int words = 0;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            const char* plain = p;
            while (*p != '\0' && *p != '%')
                ++p;
            if (!Append(out, plain, static_cast<std::size_t>(p - plain)))
                return Refuse(result);
            continue;
        }
        if (p[1] == '%') {
            if (!Append(out, "%", 1))
                return Refuse(result);
            p += 2;
            continue;
        }
        // A conversion: keep flags, digits and the point up to its letter.
        const char* start = p++;
        char directive[kSpecSize] = "%";
        std::size_t specLength = 1;
        bool specFits = true;
        long number = 0;
        while (*p != '\0' && ConversionOf(*p) == Takes::NotALetter) {
            if (*p == 'I' &&
                (std::strncmp(p + 1, "64", 2) == 0 || std::strncmp(p + 1, "32", 2) == 0)) {
                p += 3; // a length prefix, not a width
                continue;
            }
            if (IsKept(*p)) {
                if (specLength + 2 >= kSpecSize)
                    specFits = false;
                else
                    directive[specLength++] = *p;
            }
            // A width or precision beyond the result's size could never fit, and the C
            // library would reserve room for it on the stack first.
            if (*p >= '0' && *p <= '9') {
                number = number * 10 + (*p - '0');
                if (number >= static_cast<long>(kFormatTextSize))
                    specFits = false;
            } else {
                number = 0;
            }
            ++p;
        }
        if (*p == '\0') {
            // No letter before the end: the conversion stands as written.
            if (!Append(out, start, static_cast<std::size_t>(p - start)))
                return Refuse(result);
            continue;
        }
        if (!specFits)
            return Refuse(result);
        const char letter = *p++;
        const Takes takes = ConversionOf(letter);
        words += takes == Takes::Float ? 2 : 1;
        if (words > kFormatWordLimit)
            return Refuse(result);
        if (takes == Takes::Nothing)
            continue; // %n prints nothing, and what it would store nobody reads
        if (nextElement >= kFormatElementLimit)
            return Refuse(result);
        const ScriptElement& element = elements[nextElement++];
        directive[specLength++] = letter;
        directive[specLength] = '\0';
        bool appended = false;
        switch (takes) {
        case Takes::Float:
            appended = AppendFormatted(out, directive, static_cast<double>(element.value.real));
            break;
        case Takes::SignedInt:
            appended = AppendFormatted(out, directive, static_cast<int>(element.value.integer));
            break;
        case Takes::UnsignedInt:
            appended =
                AppendFormatted(out, directive, static_cast<unsigned>(element.value.integer));
            break;
        case Takes::Address:
            appended = AppendFormatted(out, directive, reinterpret_cast<void*>(element.value.word));
            break;
        case Takes::Text:
            appended = AppendFormatted(
                out, directive,
                element.type == SCRIPT_STRING && element.value.text != nullptr ? element.value.text
                                                                               : "(null)");
            break;
        case Takes::Nothing:
        case Takes::NotALetter:
            break;
        }
        if (!appended)
            return Refuse(result);
    }
    return true;
}
