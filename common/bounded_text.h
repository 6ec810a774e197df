// Text built piece by piece in a fixed buffer, narrow or wide. The text is terminated after
// every piece. A piece that does not fit empties the text and ends the building: a text cut
// short is never handed on, and every later piece is refused too.
#pragma once

#include <cstddef>

template <class Char> struct BoundedText {
    Char* text;
    std::size_t size; // of the buffer, the terminator included
    std::size_t length = 0;
    bool fits = true;
};

// Starts an empty text in size elements; a buffer of no size refuses every piece.
template <class Char> BoundedText<Char> StartBoundedText(Char* text, std::size_t size) {
    if (size == 0)
        return {text, size, 0, false};
    text[0] = Char{};
    return {text, size};
}

// Empties the text and makes it refuse every later piece. False, for the caller to return.
template <class Char> bool StopBoundedText(BoundedText<Char>& out) {
    if (out.size > 0)
        out.text[0] = Char{};
    out.length = 0;
    out.fits = false;
    return false;
}

// True when count more elements fit before the terminator; otherwise the text stops.
template <class Char> bool MakeRoom(BoundedText<Char>& out, std::size_t count) {
    if (out.fits && count < out.size - out.length)
        return true;
    return StopBoundedText(out);
}

// Appends count elements of piece.
template <class Char> bool Append(BoundedText<Char>& out, const Char* piece, std::size_t count) {
    if (!MakeRoom(out, count))
        return false;
    for (std::size_t i = 0; i < count; ++i)
        out.text[out.length + i] = piece[i];
    out.length += count;
    out.text[out.length] = Char{};
    return true;
}

// Appends a terminated text.
template <class Char> bool Append(BoundedText<Char>& out, const Char* piece) {
    std::size_t count = 0;
    while (piece[count] != Char{})
        ++count;
    return Append(out, piece, count);
}

// Appends c, times times over.
template <class Char> bool AppendRepeated(BoundedText<Char>& out, Char c, std::size_t times) {
    if (!MakeRoom(out, times))
        return false;
    for (std::size_t i = 0; i < times; ++i)
        out.text[out.length + i] = c;
    out.length += times;
    out.text[out.length] = Char{};
    return true;
}

// Appends a narrow text of the ANSI code page, converted to UTF-16.
bool AppendWidened(BoundedText<wchar_t>& out, const char* ansi);
