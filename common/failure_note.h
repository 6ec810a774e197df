// Why an operation failed, in words. tesrun's standard output only says "Failed."; the reason
// goes to standard error as one line, so that a full disk can be told from a missing header.
// The first note since the last clear is kept: the deepest failure names the cause, and the
// callers that fail in turn because of it do not overwrite it. Each thread has its own note.
#pragma once

// Notes a reason (printf-style) unless one is already noted. Texts longer than the note's
// buffer are cut: it is a message, never a path that is used.
void NoteFailure(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(gnu_printf, 1, 2)))
#endif
    ;

// The reason noted since the last clear, or the empty text.
const char* FailureNote();
void ClearFailureNote();

// Words for a Windows error code, for a note: "the disk is full", or "Windows error 5".
const char* DescribeWindowsError(unsigned long error);
