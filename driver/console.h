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

// An image whose output is up to date (SetSkipExisting): "Up to date\t<output name>\t" on
// standard output, in place of the "Save as" line; counted for the run's summary.
void ReportSkippedFile(const char* outputName);

// The run's summary, counted from ReportFailedFile and ReportSkippedFile since ResetRunTally:
// when any image failed or was skipped, one line on standard error, "tesrun: 3 of 120
// images failed, 40 skipped" ("tesrun: 3 of 120 images failed" when none was skipped);
// nothing otherwise. Called once every save has ended, in a run that uses SetSkipExisting
// or SetIncludeSubfolders.
void ResetRunTally();
void ReportRunTally(unsigned images);

// One line of the script engine's on standard error, as the engine itself writes it.
void ReportEngineError(const char* message);

// Holding: while files are saved behind (driver/save_behind.h), what the run prints after
// handing one over waits in memory, both streams in one segment per save, so that the
// transcript reads as if each save had ended before the run went on. When the held text
// cannot grow, settleAll is called: it must settle every save, in order, writing the
// segments; then the text at hand is written.
//
// Opens the next segment, for what is printed after a save just handed over.
void HoldConsole(void (*settleAll)());
// Writes the oldest segment, in the order it was printed, and forgets it.
void WriteOldestHeld();
// While one lives, output goes out at once, ahead of what is held: a settled save's outcome.
struct DirectConsoleScope {
    DirectConsoleScope();
    DirectConsoleScope(const DirectConsoleScope&) = delete;
    DirectConsoleScope& operator=(const DirectConsoleScope&) = delete;
    ~DirectConsoleScope();
};

// The batch's standard output, while one lives and gather is true: lines of images that go
// quickly are gathered and written together, at least every 100 ms, and always before
// anything on standard error, so the bytes and their order are those of one write per line;
// an image slower than 20 ms makes the next one's lines go out one by one, as they are
// printed. Only for a stretch in which nothing else writes to the two streams (the script
// engine's messages come through ReportEngineError). Main thread only.
struct BatchConsoleScope {
    explicit BatchConsoleScope(bool gather);
    BatchConsoleScope(const BatchConsoleScope&) = delete;
    BatchConsoleScope& operator=(const BatchConsoleScope&) = delete;
    ~BatchConsoleScope();
    // At the start of each image: whether the last one was slow.
    static void NextImage();
};

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: when set, Print hands each formatted text to the sink instead.
using ConsoleSink = void (*)(const char* text);
void SetConsoleSink(ConsoleSink sink);
#endif
