// The files this run has saved, remembered as a filter: a decode that ran ahead of an
// earlier image's save may have read the file before that save wrote it (an output named
// like a later input), and must then be done again. A false positive only costs a decode.
#pragma once

// Forgets every file (at the start of a run).
void ForgetWrittenFiles();
// Remembers that the run writes this path.
void NoteWrittenFile(const char* path);
// False when the run has surely not written this path.
bool MayHaveBeenWritten(const char* path);
