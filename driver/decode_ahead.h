// Decoding ahead: while the script converts image k on the main thread, worker threads
// decode the next images of the name table into Canvases of their own. Main and the user
// functions stay on the main thread, in the table's order, and the console lines keep it
// (a save running behind holds them, save_behind.h), so a run prints and writes exactly
// what a run without workers does.
//
// The one hand-off between the threads is the ring of slots below, guarded by one lock:
// a worker claims the next image (only while its slot is free), decodes it outside the lock
// into the slot's Canvas, and marks the slot done; the main thread waits for the slot of
// the image it is at, swaps the slot's Canvas with the SourceCanvas and frees the slot.
// Nothing else is shared but what is safe to share: plug-ins that do not declare they are
// reentrant are called under their own lock (pluginhost/plugin_decoder.cpp), every GDI+
// object lives and dies on one thread, failure notes are per thread.
#pragma once

#include "driver/source_tree.h"
#include "imaging/canvas.h"

#include <cstdint>

// How many threads decode: TESSAVEL_THREADS (1 to 64) when set, else the processors (one in
// the 32-bit build, see docs/performance.md). 1 means none at all: the run is the
// single-threaded one.
int DecodeThreadCount();

// Starts `workers` threads decoding the count listed names ahead (at most one picture per
// worker waits at any time), paused from the start when asked (PauseDecodingAhead). The
// images after the first are decoded only once the first is done (FirstImageDone): its draw
// tells the scale to guess (SpeculativeDenominator) and the draw to make ahead
// (draw_ahead.h), so that no picture is held whole beside it. The table and folder must
// outlive StopDecodeAhead. False when not even one thread could be started: the run then
// decodes on the main thread.
bool StartDecodeAhead(const char* sourceDirectory, const NameSlot* names, uint32_t count,
                      int workers, bool paused);

// Waits for image k (taken in order: 0, 1, 2 ...) and makes it the SourceCanvas. False
// when its decode failed, with that decode's failure note as the main thread's own, or when
// it was left undecoded (leftUndecoded, when given, then says so, and nothing is noted). A
// stale picture (its file may have been written since) is dropped instead, and its file
// let go: false without a note.
bool TakeDecoded(uint32_t k, bool stale, bool* leftUndecoded = nullptr);

// Main thread, once the first image is done and the SourceCanvas has let its picture go.
void FirstImageDone();

// A save behind has been handed over (started) or has ended: while any runs, one image
// is decoded ahead instead of one per worker.
void CountSaveBehind(bool started);

// With SkipExisting, while the images are skipped decoding ahead would be wasted: from
// PauseDecodingAhead on, the images claimed are left undecoded, until ResumeDecodingAhead.
// The output does not depend on it: an image left undecoded is decoded when it is needed.
void PauseDecodingAhead();
void ResumeDecodingAhead();

// Stops the workers (a decode under way finishes first) and frees their Canvases.
void StopDecodeAhead();

// Around saving a file, on whichever thread saves: no worker opens path from BeginWriting
// to EndWriting, and BeginWriting waits for a worker that has it open and drops a picture of
// it that waits with the file mapped (Windows cannot replace an open or mapped file; the
// main thread decodes such a picture again, written_files.h). Several files may be saved at
// once. Nothing when no workers run.
int BeginWriting(const char* path); // the entry to hand to EndWriting
void EndWriting(int entry);

struct WritingScope {
    int entry;
    explicit WritingScope(const char* path) : entry(BeginWriting(path)) {}
    WritingScope(const WritingScope&) = delete;
    WritingScope& operator=(const WritingScope&) = delete;
    ~WritingScope() { EndWriting(entry); }
};

// Starts decoding ahead for the lifetime of the record when workers > 1.
struct DecodeAheadScope {
    bool running = false;
    DecodeAheadScope(const char* sourceDirectory, const NameSlot* names, uint32_t count,
                     int workers, bool paused) {
        running = workers > 1 && StartDecodeAhead(sourceDirectory, names, count, workers, paused);
    }
    DecodeAheadScope(const DecodeAheadScope&) = delete;
    DecodeAheadScope& operator=(const DecodeAheadScope&) = delete;
    ~DecodeAheadScope() {
        if (running)
            StopDecodeAhead();
    }
};
