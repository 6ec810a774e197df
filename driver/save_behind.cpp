#include "driver/save_behind.h"

#include "driver/console.h"
#include "driver/decode_ahead.h"
#include "driver/full_path.h"
#include "driver/worker_threads.h"
#include "imaging/canvas.h"

#include <windows.h>

#include <new>

namespace {

constexpr int kMostSaves = WorkerThreads::kMost;

struct SaveSlot {
    OutputSave save;
    Canvas canvas{true};       // the output being saved; swapped with the TargetCanvas,
                               // empty once its save is settled
    char full[kPathSize] = {}; // the output's full path, to keep two saves of it apart
    bool done = false;         // under the lock
};

// Saves are numbered as they are handed over; save n uses slot n % slotCount.
struct SavingBehind {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    SaveSlot* slots = nullptr;
    int slotCount = 0;      // 0: saving behind is off
    uint32_t handed = 0;    // saves handed over: written by the main thread under the lock,
                            // read by the saving threads under it
    uint32_t settled = 0;   // saves settled (main thread only)
    uint32_t nextToRun = 0; // the next save a thread takes, under the lock
    bool stopping = false;  // under the lock
    WorkerThreads threads;
};

SavingBehind g_behind;
OutputSave g_mainThreadSave; // 64 KiB of metadata: not on the stack

DWORD WINAPI SaveThread(void*) {
    SavingBehind& b = g_behind;
    AcquireSRWLockExclusive(&b.lock);
    for (;;) {
        while (!b.stopping && b.nextToRun == b.handed)
            SleepConditionVariableSRW(&b.changed, &b.lock, INFINITE, 0);
        if (b.stopping)
            break;
        SaveSlot& slot = b.slots[b.nextToRun++ % static_cast<uint32_t>(b.slotCount)];
        ReleaseSRWLockExclusive(&b.lock);
        RunOutputSave(&slot.save, slot.canvas);
        CountSaveBehind(false);
        AcquireSRWLockExclusive(&b.lock);
        slot.done = true;
        WakeAllConditionVariable(&b.changed);
    }
    ReleaseSRWLockExclusive(&b.lock);
    return 0;
}

bool Pending(const SavingBehind& b) {
    return b.settled != b.handed;
}

SaveSlot& SlotOf(const SavingBehind& b, uint32_t n) {
    return b.slots[n % static_cast<uint32_t>(b.slotCount)];
}

// Waits for the oldest save, prints its outcome, then what was printed after its hand-off.
void SettleOldest() {
    SavingBehind& b = g_behind;
    SaveSlot& slot = SlotOf(b, b.settled);
    AcquireSRWLockExclusive(&b.lock);
    while (!slot.done)
        SleepConditionVariableSRW(&b.changed, &b.lock, INFINITE, 0);
    slot.done = false;
    ReleaseSRWLockExclusive(&b.lock);
    ++b.settled;
    {
        DirectConsoleScope direct;
        if (!ReportOutputSave(&slot.save))
            ReportFailedFile(slot.save.fileName, slot.save.note);
    }
    // The next output's SetSize takes this one's memory back, unless it has already been
    // made: then the memory goes, rather than waiting here for this slot's next save.
    TakeAsSpare(&TargetCanvas, &slot.canvas);
    WriteOldestHeld();
}

bool OldestHasEnded(SavingBehind& b) {
    AcquireSRWLockExclusive(&b.lock);
    const bool done = SlotOf(b, b.settled).done;
    ReleaseSRWLockExclusive(&b.lock);
    return done;
}

void StopThreads(SavingBehind& b) {
    StopWorkerThreads(&b.threads, &b.lock, &b.changed, &b.stopping);
    delete[] b.slots; // their Canvases give their sections back
    b.slots = nullptr;
    b.slotCount = 0;
}

} // namespace

bool WorthSavingBehind(int32_t width, int32_t height) {
    // Measured under Wine on 2 cores: a 96 x 96 PNG saved behind made a run of 1000 slower
    // by a tenth; from a few hundred pixels a side the save outweighs the hand-over.
    constexpr int64_t kSmallestSavedBehind = 256 * 256;
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height; // top-down too
    return width * rows >= kSmallestSavedBehind;
}

OutputSave* NextOutputSave(bool behind) {
    SavingBehind& b = g_behind;
    if (!behind || b.slotCount == 0) {
        SettleSavesBehind();
        return &g_mainThreadSave;
    }
    if (b.handed - b.settled == static_cast<uint32_t>(b.slotCount))
        SettleOldest();
    return &SlotOf(b, b.handed).save;
}

bool SaveBehind(OutputSave* save) {
    SavingBehind& b = g_behind;
    if (b.slotCount == 0 || save == &g_mainThreadSave)
        return false;
    SaveSlot& slot = SlotOf(b, b.handed);
    MakeFullPath(save->path, slot.full);
    // A later save of the same file must not overtake or race the earlier one.
    for (uint32_t n = b.settled; n != b.handed; ++n) {
        const char* other = SlotOf(b, n).full;
        if (slot.full[0] == '\0' || other[0] == '\0' || SameFullPath(other, slot.full)) {
            while (b.settled != n + 1)
                SettleOldest();
        }
    }
    GdiFlush(); // what GDI drew into the section is in its pixels before another thread reads them
    CountSaveBehind(true);
    SwapCanvases(&TargetCanvas, &slot.canvas); // the target's spare stays, for the next output
    AcquireSRWLockExclusive(&b.lock);
    ++b.handed;
    WakeAllConditionVariable(&b.changed);
    ReleaseSRWLockExclusive(&b.lock);
    HoldConsole(SettleSavesBehind);
    return true;
}

void SettleSavesBehind() {
    SavingBehind& b = g_behind;
    while (b.slotCount > 0 && Pending(b))
        SettleOldest();
}

void SettleEndedSavesBehind() {
    SavingBehind& b = g_behind;
    while (b.slotCount > 0 && Pending(b) && OldestHasEnded(b))
        SettleOldest();
}

SaveBehindScope::SaveBehindScope(int saves) {
    SavingBehind& b = g_behind;
    if (saves < 2)
        return;
    if (saves > kMostSaves)
        saves = kMostSaves;
    b.slots = new (std::nothrow) SaveSlot[static_cast<size_t>(saves)];
    if (b.slots == nullptr)
        return;
    b.slotCount = saves;
    b.handed = b.settled = b.nextToRun = 0;
    b.stopping = false;
    if (StartWorkerThreads(&b.threads, saves, SaveThread) == 0)
        StopThreads(b); // the run saves on the main thread
}

SaveBehindScope::~SaveBehindScope() {
    SettleSavesBehind();
    if (g_behind.slotCount > 0)
        StopThreads(g_behind);
}
