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

// A file that failed: "Failed." on standard output, then its reason (ReportFailure).
void ReportFailedFile(const char* fileName, const char* reason);

// One line of the script engine's on standard error, as the engine itself writes it.
void ReportEngineError(const char* message);

// Holding: while a file is saved behind (driver/save_behind.h), what the run prints next
// waits in memory, both streams in one queue, so that the transcript reads as if the save
// had ended first. When the queue cannot grow, settle is called: it must stop the holding,
// print what comes first and write the queue; then the text at hand is written.
void HoldConsole(void (*settle)());
// Ends the holding; what was held stays queued for WriteHeldConsole.
void StopHoldingConsole();
// Writes the queue in the order it was printed, and empties it.
void WriteHeldConsole();

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: when set, Print hands each formatted text to the sink instead.
using ConsoleSink = void (*)(const char* text);
void SetConsoleSink(ConsoleSink sink);
#endif
