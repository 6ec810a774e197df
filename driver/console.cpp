#include "driver/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

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

// Gathering (BatchConsoleScope): standard output collects in memory and goes out in one
// write when it is due, instead of one write and flush per line, each of which is a round
// trip to Wine's server on a console. Standard error is never gathered: what was gathered
// goes out before it, so the two keep their order on one console.
struct Gathering {
    bool on = false;
    bool eachLine = true; // the last image was slow: every line goes out as it is printed
    char bytes[16384];
    size_t size = 0;
    LARGE_INTEGER lastOut{};
    LARGE_INTEGER imageStart{};
    LONGLONG ticksPerSecond = 0;
};
Gathering g_gathering;

// A batch of images slower than this prints as it always did, line by line; faster ones
// show their progress in bursts at least every kMostGatheredMs.
constexpr LONGLONG kSlowImageMs = 20;
constexpr LONGLONG kMostGatheredMs = 100;

LONGLONG MillisecondsSince(const LARGE_INTEGER& then, LARGE_INTEGER* now) {
    QueryPerformanceCounter(now);
    return g_gathering.ticksPerSecond > 0
               ? (now->QuadPart - then.QuadPart) * 1000 / g_gathering.ticksPerSecond
               : kMostGatheredMs;
}

void WriteGathered() {
    Gathering& g = g_gathering;
    if (g.size > 0)
        std::fwrite(g.bytes, 1, g.size, stdout);
    g.size = 0;
    std::fflush(stdout);
    QueryPerformanceCounter(&g.lastOut);
}

// The text added to what is gathered; false when it does not fit (nothing is added). It is
// formatted once where it is to go, and again only when what was gathered must go out first.
bool Gather(const char* format, va_list args) {
    Gathering& g = g_gathering;
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(g.bytes + g.size, sizeof g.bytes - g.size, format, copy);
    va_end(copy);
    if (length < 0 || static_cast<size_t>(length) >= sizeof g.bytes)
        return false;
    if (g.size + static_cast<size_t>(length) >= sizeof g.bytes) {
        WriteGathered();
        std::vsnprintf(g.bytes, sizeof g.bytes, format, args);
    }
    g.size += static_cast<size_t>(length);
    LARGE_INTEGER now;
    if (g.eachLine || MillisecondsSince(g.lastOut, &now) >= kMostGatheredMs)
        WriteGathered();
    return true;
}

void Write(Stream stream, const char* format, va_list args) {
#if defined(TESSAVEL_TEST_SEAMS)
    if (stream == kOut && HandToSink(format, args))
        return;
#endif
    if (g_gathering.on) {
        if (stream == kOut && Gather(format, args))
            return;
        WriteGathered(); // what was printed before goes first
    }
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

// The held texts, in segments: one for each save under way behind, holding what was printed
// after its hand-off. Each text is its stream's letter, the text and its NUL. A run holds
// what a few images print; the bound keeps a script that prints without end from taking
// all memory.
constexpr size_t kMostHeld = size_t{4} << 20;
constexpr int kMostSegments = 65;
struct HeldSegment {
    char* bytes = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};
HeldSegment g_segments[kMostSegments]; // a ring: the oldest at g_oldest
int g_oldest = 0;
int g_segmentCount = 0;
size_t g_heldBytes = 0;
bool g_direct = false;
void (*g_settleAll)() = nullptr;

// The run's tally, main thread only (saves behind report on it when settled).
unsigned g_failedImages = 0;
unsigned g_skippedImages = 0;

bool Hold(Stream stream, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0)
        return false;
    HeldSegment& held = g_segments[(g_oldest + g_segmentCount - 1) % kMostSegments];
    const size_t adding = 2 + static_cast<size_t>(length);
    if (g_heldBytes + adding > kMostHeld)
        return false;
    const size_t needed = held.size + adding;
    if (needed > held.capacity) {
        size_t capacity = held.capacity < 4096 ? 4096 : held.capacity * 2;
        while (capacity < needed)
            capacity *= 2;
        char* grown = static_cast<char*>(std::realloc(held.bytes, capacity));
        if (grown == nullptr)
            return false;
        held.bytes = grown;
        held.capacity = capacity;
    }
    held.bytes[held.size] = stream;
    std::vsnprintf(held.bytes + held.size + 1, static_cast<size_t>(length) + 1, format, args);
    held.size = needed;
    g_heldBytes += adding;
    return true;
}

void Emit(Stream stream, const char* format, va_list args) {
    if (g_segmentCount > 0 && !g_direct) {
        va_list copy;
        va_copy(copy, args);
        const bool held = Hold(stream, format, copy);
        va_end(copy);
        if (held)
            return;
        g_settleAll(); // what the segments wait for is waited for now, and they are written
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
    ++g_failedImages;
}

void ReportSkippedFile(const char* outputName) {
    Print("Up to date\t%s\t\n", outputName);
    ++g_skippedImages;
}

void ResetRunTally() {
    g_failedImages = 0;
    g_skippedImages = 0;
}

void ReportRunTally(unsigned images) {
    if (g_skippedImages > 0)
        EmitFormatted(kError, "tesrun: %u of %u images failed, %u skipped\n", g_failedImages,
                      images, g_skippedImages);
    else if (g_failedImages > 0)
        EmitFormatted(kError, "tesrun: %u of %u images failed\n", g_failedImages, images);
}

void ReportEngineError(const char* message) {
    EmitFormatted(kError, "%s\n", message);
}

void HoldConsole(void (*settleAll)()) {
    g_settleAll = settleAll;
    HeldSegment& next = g_segments[(g_oldest + g_segmentCount) % kMostSegments];
    next.size = 0;
    ++g_segmentCount;
}

void WriteOldestHeld() {
    if (g_segmentCount == 0)
        return;
    HeldSegment& held = g_segments[g_oldest];
    g_oldest = (g_oldest + 1) % kMostSegments;
    --g_segmentCount;
    for (size_t at = 0; at < held.size;) {
        const char* text = held.bytes + at + 1;
        WriteFormatted(static_cast<Stream>(held.bytes[at]), "%s", text);
        at += 2 + std::strlen(text);
    }
    g_heldBytes -= held.size;
    std::free(held.bytes);
    held = HeldSegment{};
}

DirectConsoleScope::DirectConsoleScope() {
    g_direct = true;
}

DirectConsoleScope::~DirectConsoleScope() {
    g_direct = false;
}

BatchConsoleScope::BatchConsoleScope(bool gather) {
    Gathering& g = g_gathering;
    LARGE_INTEGER frequency;
    g.ticksPerSecond = QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
    g.on = gather;
    g.eachLine = true;
    g.size = 0;
    QueryPerformanceCounter(&g.lastOut);
    g.imageStart = g.lastOut;
}

BatchConsoleScope::~BatchConsoleScope() {
    if (g_gathering.on)
        WriteGathered();
    g_gathering.on = false;
}

void BatchConsoleScope::NextImage() {
    Gathering& g = g_gathering;
    LARGE_INTEGER now;
    g.eachLine = MillisecondsSince(g.imageStart, &now) >= kSlowImageMs;
    g.imageStart = now;
}
