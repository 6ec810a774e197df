#include "driver/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum Stream : char { kOut = 'o', kError = 'e' };

#if defined(TESSAVEL_TEST_SEAMS)
ConsoleSink g_sink = nullptr;

// The formatted text to the sink; false when there is none.
bool HandToSink(const char* format, va_list args) {
    if (g_sink == nullptr)
        return false;
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length >= 0) {
        char* text = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
        if (text != nullptr) {
            std::vsnprintf(text, static_cast<size_t>(length) + 1, format, args);
            g_sink(text);
            std::free(text);
        }
    }
    return true;
}
#endif

void Write(Stream stream, const char* format, va_list args) {
#if defined(TESSAVEL_TEST_SEAMS)
    if (stream == kOut && HandToSink(format, args))
        return;
#endif
    std::FILE* file = stream == kOut ? stdout : stderr;
    std::vfprintf(file, format, args);
    std::fflush(file);
}

void WriteFormatted(Stream stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(stream, format, args);
    va_end(args);
}

// The held texts, each as its stream's letter, the text and its NUL. A run holds what one
// image prints at most; the bound keeps a script that prints without end from taking it all.
constexpr size_t kMostHeld = size_t{4} << 20;
struct HeldQueue {
    char* bytes = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};
HeldQueue g_held;
bool g_holding = false;
void (*g_settle)() = nullptr;

bool Hold(Stream stream, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0)
        return false;
    const size_t needed = g_held.size + 2 + static_cast<size_t>(length);
    if (needed > kMostHeld)
        return false;
    if (needed > g_held.capacity) {
        size_t capacity = g_held.capacity < 4096 ? 4096 : g_held.capacity * 2;
        while (capacity < needed)
            capacity *= 2;
        if (capacity > kMostHeld)
            capacity = kMostHeld;
        char* grown = static_cast<char*>(std::realloc(g_held.bytes, capacity));
        if (grown == nullptr)
            return false;
        g_held.bytes = grown;
        g_held.capacity = capacity;
    }
    g_held.bytes[g_held.size] = stream;
    std::vsnprintf(g_held.bytes + g_held.size + 1, static_cast<size_t>(length) + 1, format, args);
    g_held.size = needed;
    return true;
}

void Emit(Stream stream, const char* format, va_list args) {
    if (g_holding) {
        va_list copy;
        va_copy(copy, args);
        const bool held = Hold(stream, format, copy);
        va_end(copy);
        if (held)
            return;
        g_holding = false; // what the queue waits for is waited for now
        g_settle();
    }
    Write(stream, format, args);
}

void EmitFormatted(Stream stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Emit(stream, format, args);
    va_end(args);
}

} // namespace

#if defined(TESSAVEL_TEST_SEAMS)
void SetConsoleSink(ConsoleSink sink) {
    g_sink = sink;
}
#endif

void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Emit(kOut, format, args);
    va_end(args);
}

void ReportFailure(const char* fileName, const char* reason) {
    EmitFormatted(kError, "tesrun: %s: %s\n", fileName,
                  reason[0] != '\0' ? reason : "the conversion failed");
}

void ReportFailedFile(const char* fileName, const char* reason) {
    Print("Failed.\n");
    ReportFailure(fileName, reason);
}

void ReportEngineError(const char* message) {
    EmitFormatted(kError, "%s\n", message);
}

void HoldConsole(void (*settle)()) {
    g_settle = settle;
    g_holding = true;
}

void StopHoldingConsole() {
    g_holding = false;
}

void WriteHeldConsole() {
    for (size_t at = 0; at < g_held.size;) {
        const char* text = g_held.bytes + at + 1;
        WriteFormatted(static_cast<Stream>(g_held.bytes[at]), "%s", text);
        at += 2 + std::strlen(text);
    }
    std::free(g_held.bytes);
    g_held = HeldQueue{};
}
