#include "driver/save_behind.h"

#include "driver/console.h"
#include "imaging/canvas.h"

#include <windows.h>

namespace {

struct SavingBehind {
    bool allowed = false;
    HANDLE thread = nullptr; // the save under way, until settled
    OutputSave* save = nullptr;
    Canvas canvas{true}; // the output being saved; the TargetCanvas's partner
};

SavingBehind g_behind;

DWORD WINAPI SaveThread(void*) {
    RunOutputSave(g_behind.save, g_behind.canvas);
    return 0;
}

} // namespace

bool SaveBehind(OutputSave* save) {
    SavingBehind& b = g_behind;
    if (!b.allowed)
        return false;
    GdiFlush(); // what GDI drew into the section is in its pixels before another thread reads them
    SwapCanvases(&TargetCanvas, &b.canvas);
    b.save = save;
    b.thread = CreateThread(nullptr, 0, SaveThread, nullptr, 0, nullptr);
    if (b.thread == nullptr) {
        SwapCanvases(&TargetCanvas, &b.canvas);
        return false;
    }
    HoldConsole(SettleSaveBehind);
    return true;
}

void SettleSaveBehind() {
    SavingBehind& b = g_behind;
    if (b.thread == nullptr)
        return;
    WaitForSingleObject(b.thread, INFINITE);
    CloseHandle(b.thread);
    b.thread = nullptr;
    StopHoldingConsole();
    if (!ReportOutputSave(b.save))
        ReportFailedFile(b.save->fileName, b.save->note);
    WriteHeldConsole();
}

SaveBehindScope::SaveBehindScope(bool allowed) {
    g_behind.allowed = allowed;
}

SaveBehindScope::~SaveBehindScope() {
    SettleSaveBehind();
    g_behind.allowed = false;
    g_behind.canvas.Release();
}
