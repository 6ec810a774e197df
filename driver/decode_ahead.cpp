#include "driver/decode_ahead.h"

#include "common/failure_note.h"
#include "common/paths.h"
#include "driver/full_path.h"
#include "driver/image_conversion.h"
#include "driver/worker_threads.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kMostWorkers = WorkerThreads::kMost;

struct Slot {
    Canvas canvas;
    bool decoding = false;     // a worker has the file open, or may have
    char path[kPathSize] = {}; // its full path, while decoding
    bool done = false;
    bool decoded = false;
    bool leftUndecoded = false; // claimed while decoding ahead was paused
    char note[512] = {};
};

// Everything the workers and the main thread share. Who touches what:
// - sourceDirectory, names and count are set by the main thread before the workers start
//   and only read after; the names table is freed by the run only after this record's
//   scope has stopped the workers (RunConversion ends SaveBehindScope, then
//   DecodeAheadScope, then frees the table).
// - workers.count changes only while no worker runs (start and stop, main thread), so
//   the main thread and the saving threads read it without the lock.
// - A slot's Canvas belongs to whoever holds the slot (decoding: that worker; done: the
//   main thread until it takes it).
// - Every other field, and the writing table, only under lock.
struct DecodeAhead {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    const char* sourceDirectory = nullptr;
    const NameSlot* names = nullptr;
    uint32_t count = 0;
    uint32_t nextToDecode = 0; // the next image a worker claims
    uint32_t taken = 0;        // images the main thread has taken
    bool stopping = false;
    bool paused = false; // claimed images are left undecoded (PauseDecodingAhead)
    // The first image is not done yet: until its draw is known, the next images wait rather
    // than be decoded whole beside it (not knowing the draw to make ahead) or at a guessed
    // reduction the main thread may have to decode again (SpeculativeDenominator).
    bool holdForFirstImage = true;
    // Outputs being saved behind (save_behind.h): while any is, only the next image is
    // decoded ahead, so that a save and a decode share the processors rather than a save
    // and two decodes, and one picture fewer waits in memory.
    uint32_t savesBehind = 0;
    Slot* slots = nullptr; // one per worker: image k waits in slot k % capacity
    uint32_t capacity = 0;
    WorkerThreads workers;
    // The files being saved: no worker opens one meanwhile (an open file cannot be
    // replaced), and a save waits for a worker that has its file open. An empty entry is
    // free; "?" is a path that could not be made full, which keeps every worker waiting.
    char writing[kMostWorkers + 1][kPathSize] = {};
};

DecodeAhead g_ahead;

// Whether the next image may be claimed now; its full path into path.
bool MayClaimNext(DecodeAhead& a, char (&path)[kPathSize]) {
    const uint32_t ahead = a.savesBehind > 0 ? 1 : a.capacity;
    if (a.nextToDecode >= a.count || a.nextToDecode >= a.taken + ahead)
        return false;
    if (a.holdForFirstImage && a.nextToDecode > 0)
        return false;
    char listed[kPathSize];
    path[0] = '\0';
    if (JoinPath(listed, sizeof listed, a.sourceDirectory, a.names[a.nextToDecode].name))
        MakeFullPath(listed, path);
    for (const char* writing : a.writing) {
        if (writing[0] != '\0' &&
            (writing[0] == '?' || path[0] == '\0' || SameFullPath(writing, path)))
            return false;
    }
    return true;
}

DWORD WINAPI DecodeWorker(void*) {
    DecodeAhead& a = g_ahead;
    AcquireSRWLockExclusive(&a.lock);
    char path[kPathSize];
    for (;;) {
        while (!a.stopping && !MayClaimNext(a, path))
            SleepConditionVariableSRW(&a.changed, &a.lock, INFINITE, 0);
        if (a.stopping)
            break;
        const uint32_t k = a.nextToDecode++;
        Slot& slot = a.slots[k % a.capacity];
        if (a.paused) {
            a.holdForFirstImage = false; // nothing is decoded at a guess
            slot.decoded = false;
            slot.leftUndecoded = true;
            slot.done = true;
            WakeAllConditionVariable(&a.changed);
            continue;
        }
        std::memcpy(slot.path, path, sizeof path);
        slot.decoding = true;
        ReleaseSRWLockExclusive(&a.lock);

        ClearFailureNote();
        // A name that does not open its own file fails on the main thread, as without workers.
        const bool decoded =
            a.names[k].exact && DecodeListedFile(&slot.canvas, a.sourceDirectory, a.names[k].name);

        AcquireSRWLockExclusive(&a.lock);
        std::snprintf(slot.note, sizeof slot.note, "%s", FailureNote());
        slot.decoded = decoded;
        slot.decoding = false;
        slot.done = true;
        WakeAllConditionVariable(&a.changed);
    }
    ReleaseSRWLockExclusive(&a.lock);
    return 0;
}

} // namespace

int DecodeThreadCount() {
    const char* text = std::getenv("TESSAVEL_THREADS");
    if (text != nullptr && *text >= '1' && *text <= '9') {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (*end == '\0' && value >= 1 && value <= kMostWorkers)
            return static_cast<int>(value);
    }
#if defined(_WIN64)
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD processors = system.dwNumberOfProcessors;
    return processors < 1              ? 1
           : processors > kMostWorkers ? kMostWorkers
                                       : static_cast<int>(processors);
#else
    // Until the cause is found, the 32-bit build decodes on one thread unless asked: under
    // emulation its decode threads crashed, and so did a bare program decoding on two
    // threads through ifjpeg (docs/performance.md).
    return 1;
#endif
}

bool StartDecodeAhead(const char* sourceDirectory, const NameSlot* names, uint32_t count,
                      int workers, bool paused) {
    DecodeAhead& a = g_ahead;
    if (workers > kMostWorkers)
        workers = kMostWorkers;
    if (count < static_cast<uint32_t>(workers))
        workers = static_cast<int>(count); // no idle threads for a small folder
    if (workers < 1)
        return false;
    a.slots = new (std::nothrow) Slot[static_cast<size_t>(workers)];
    if (a.slots == nullptr)
        return false;
    a.capacity = static_cast<uint32_t>(workers);
    a.sourceDirectory = sourceDirectory;
    a.names = names;
    a.count = count;
    a.nextToDecode = 0;
    a.taken = 0;
    a.stopping = false;
    a.paused = paused;
    a.holdForFirstImage = true;
    a.savesBehind = 0;
    if (StartWorkerThreads(&a.workers, workers, DecodeWorker) == 0) {
        StopDecodeAhead();
        return false;
    }
    return true;
}

bool TakeDecoded(uint32_t k, bool stale, bool* leftUndecoded) {
    DecodeAhead& a = g_ahead;
    Slot& slot = a.slots[k % a.capacity];
    AcquireSRWLockExclusive(&a.lock);
    while (!slot.done)
        SleepConditionVariableSRW(&a.changed, &a.lock, INFINITE, 0);
    if (stale) { // let go here, under the lock a save checks the slots' files under
        ReleaseFileImage(&slot.canvas.source.file);
        slot.decoded = false;
        slot.note[0] = '\0';
    }
    const bool decoded = slot.decoded;
    if (leftUndecoded != nullptr)
        *leftUndecoded = slot.leftUndecoded;
    slot.leftUndecoded = false;
    if (decoded)
        SwapCanvases(&SourceCanvas, &slot.canvas); // the old picture's memory goes to the slot
    char note[sizeof slot.note];
    std::memcpy(note, slot.note, sizeof note);
    slot.done = false;
    slot.note[0] = '\0';
    a.taken = k + 1;
    WakeAllConditionVariable(&a.changed);
    ReleaseSRWLockExclusive(&a.lock);
    ClearFailureNote();
    if (note[0] != '\0')
        NoteFailure("%s", note);
    return decoded;
}

void FirstImageDone() {
    DecodeAhead& a = g_ahead;
    AcquireSRWLockExclusive(&a.lock);
    if (a.holdForFirstImage) {
        a.holdForFirstImage = false;
        WakeAllConditionVariable(&a.changed);
    }
    ReleaseSRWLockExclusive(&a.lock);
}

void CountSaveBehind(bool started) {
    DecodeAhead& a = g_ahead;
    if (a.workers.count == 0)
        return;
    AcquireSRWLockExclusive(&a.lock);
    if (started)
        ++a.savesBehind;
    else if (a.savesBehind > 0 && --a.savesBehind == 0)
        WakeAllConditionVariable(&a.changed);
    ReleaseSRWLockExclusive(&a.lock);
}

void PauseDecodingAhead() {
    DecodeAhead& a = g_ahead;
    AcquireSRWLockExclusive(&a.lock);
    a.paused = true;
    ReleaseSRWLockExclusive(&a.lock);
}

void ResumeDecodingAhead() {
    DecodeAhead& a = g_ahead;
    AcquireSRWLockExclusive(&a.lock);
    a.paused = false;
    ReleaseSRWLockExclusive(&a.lock);
}

void StopDecodeAhead() {
    DecodeAhead& a = g_ahead;
    StopWorkerThreads(&a.workers, &a.lock, &a.changed, &a.stopping);
    delete[] a.slots; // their Canvases give their sections back
    a.slots = nullptr;
    a.capacity = 0;
}

int BeginWriting(const char* path) {
    DecodeAhead& a = g_ahead;
    if (a.workers.count == 0)
        return -1;
    char full[kPathSize];
    MakeFullPath(path, full);
    AcquireSRWLockExclusive(&a.lock);
    int entry = -1;
    for (;;) { // a free entry: there are more than saves that can run at once
        for (int i = 0; entry < 0 && i <= kMostWorkers; ++i)
            entry = a.writing[i][0] == '\0' ? i : -1;
        if (entry >= 0)
            break;
        SleepConditionVariableSRW(&a.changed, &a.lock, INFINITE, 0);
    }
    std::memcpy(a.writing[entry], full[0] != '\0' ? full : "?", full[0] != '\0' ? sizeof full : 2);
    for (bool open = true; open;) {
        open = false;
        for (uint32_t i = 0; i < a.capacity; ++i) {
            Slot& slot = a.slots[i];
            if (full[0] != '\0' && !SameFullPath(slot.path, full))
                continue;
            open = open || slot.decoding;
            // A picture waiting with its file mapped: the file is about to change, so the main
            // thread decodes it again (written_files.h); its view must not stop the save.
            if (slot.done && slot.decoded) {
                ReleaseFileImage(&slot.canvas.source.file);
                slot.decoded = false;
            }
        }
        if (open)
            SleepConditionVariableSRW(&a.changed, &a.lock, INFINITE, 0);
    }
    ReleaseSRWLockExclusive(&a.lock);
    return entry;
}

void EndWriting(int entry) {
    DecodeAhead& a = g_ahead;
    if (entry < 0)
        return;
    AcquireSRWLockExclusive(&a.lock);
    a.writing[entry][0] = '\0';
    WakeAllConditionVariable(&a.changed);
    ReleaseSRWLockExclusive(&a.lock);
}
