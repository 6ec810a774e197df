#include "driver/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#if defined(TESSAVEL_TEST_SEAMS)
namespace {
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
} // namespace

void SetConsoleSink(ConsoleSink sink) {
    g_sink = sink;
}
#endif

void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
#if defined(TESSAVEL_TEST_SEAMS)
    if (HandToSink(format, args)) {
        va_end(args);
        return;
    }
#endif
    std::vprintf(format, args);
    std::fflush(stdout);
    va_end(args);
}

void ReportFailure(const char* fileName, const char* reason) {
    std::fprintf(stderr, "tesrun: %s: %s\n", fileName,
                 reason[0] != '\0' ? reason : "the conversion failed");
    std::fflush(stderr);
}
