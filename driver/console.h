// tesrun's standard output: every message of the program goes through Print.
#pragma once

// Formatted output to standard output, flushed so that progress shows as it happens.
void Print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(gnu_printf, 1, 2)))
#endif
    ;

// The reason why a file failed, as one line on standard error: "tesrun: <file>: <reason>".
// Standard output stays exactly the transcript.
void ReportFailure(const char* fileName, const char* reason);

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: when set, Print hands each formatted text to the sink instead.
using ConsoleSink = void (*)(const char* text);
void SetConsoleSink(ConsoleSink sink);
#endif
