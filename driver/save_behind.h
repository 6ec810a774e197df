// Saving behind: while threads of their own encode and write the last images, the main
// thread goes on with the next ones, their progress lines, decodes and Main. What the run
// prints after handing a save over, the engine's messages included, is held
// (driver/console.h) and written once that save has ended and its outcome is printed
// ("Failed." and the reason), so the transcript is the one a run without workers prints.
//
// As many saves as decode workers may be under way, each in a slot of its own: an
// OutputSave record and a Canvas, swapped with the TargetCanvas at the hand-off. The slot
// is the saving thread's until the main thread settles that save; saves are settled in
// the order they were handed over. Each saving thread makes and frees its own GDI+ objects
// and notes failures in its own note. Two saves of the same file never run at once.
#pragma once

#include "driver/image_conversion.h"

// Whether an output of that size is worth a save behind: a small one costs less to save
// than to hand over.
bool WorthSavingBehind(int32_t width, int32_t height);

// The record to fill for the next save. With behind, a free slot's when saving behind is on
// (the oldest save is settled first when none is free); else the one the main thread saves
// from, once every save behind is settled, so that outcomes and files keep their order.
OutputSave* NextOutputSave(bool behind);

// Hands the save of the TargetCanvas, set up in the record NextOutputSave gave, to a
// saving thread; false when saving behind is not allowed: then the caller saves now.
bool SaveBehind(OutputSave* save);

// Waits for every save behind, in order, printing each one's outcome and what was held.
void SettleSavesBehind();
// The same for the oldest saves that have already ended, without waiting: progress shows
// as it happens.
void SettleEndedSavesBehind();

// Saving behind on up to `saves` threads for the lifetime of the record (none when saves
// is below 2 or the engine's messages cannot be held). At its end every save is settled,
// the threads stop and the slots' Canvases are freed.
struct SaveBehindScope {
    explicit SaveBehindScope(int saves);
    SaveBehindScope(const SaveBehindScope&) = delete;
    SaveBehindScope& operator=(const SaveBehindScope&) = delete;
    ~SaveBehindScope();
};
