// Saving behind: while a thread of its own encodes and writes image k, the main thread goes
// on with image k+1, its progress line, its decode and its Main. What the run prints
// meanwhile, the engine's messages included, is held (driver/console.h) and written once
// image k's save has ended and its outcome is printed ("Failed." and the reason), so the
// transcript is the one a run without workers prints.
//
// One save runs at a time. Its thread owns, until the save is settled, the OutputSave
// record and a Canvas of its own, swapped with the TargetCanvas at the hand-off; it makes
// and frees its own GDI+ objects and notes failures in its own note. The record and the
// Canvas pass back to the main thread when it waits for the thread's end.
#pragma once

#include "driver/image_conversion.h"

// Hands the save of the TargetCanvas to a thread; false when saving behind is not allowed
// or no thread could be started: then the caller saves now.
bool SaveBehind(OutputSave* save);

// Waits for the save behind, if one runs, prints its outcome and writes what was held.
void SettleSaveBehind();

// Saving behind is allowed for the lifetime of the record (when allowed is true); at its
// end the last save is settled and the saving Canvas freed.
struct SaveBehindScope {
    explicit SaveBehindScope(bool allowed);
    SaveBehindScope(const SaveBehindScope&) = delete;
    SaveBehindScope& operator=(const SaveBehindScope&) = delete;
    ~SaveBehindScope();
};
