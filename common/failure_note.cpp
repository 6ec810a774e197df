#include "common/failure_note.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {
// Per thread: a decode running ahead on a worker notes its reason without touching the one
// of the image being converted.
thread_local char g_note[512];
thread_local char g_description[64];
} // namespace

void NoteFailure(const char* format, ...) {
    if (g_note[0] != '\0')
        return;
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(g_note, sizeof g_note, format, args) < 0)
        g_note[0] = '\0';
    va_end(args);
}

const char* FailureNote() {
    return g_note;
}

void ClearFailureNote() {
    g_note[0] = '\0';
}

const char* DescribeWindowsError(unsigned long error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_PATH_NOT_FOUND:
        return "the folder does not exist";
    case ERROR_FILE_NOT_FOUND:
        return "the file does not exist";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is in use";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    default:
        std::snprintf(g_description, sizeof g_description, "Windows error %lu", error);
        return g_description;
    }
}
