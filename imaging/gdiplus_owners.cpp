#include "imaging/gdiplus_owners.h"

#include "common/failure_plan.h"

#include <atomic>

using namespace Gdiplus::DllExports;

namespace {
#if defined(TESSAVEL_TEST_SEAMS)
std::atomic<int32_t> g_live{0}; // decode workers make records too
FailurePlan g_recordPlan;
#endif

void* AllocateRecord(size_t size) {
#if defined(TESSAVEL_TEST_SEAMS)
    if (AttemptFails(g_recordPlan))
        return nullptr;
    void* block = GdipAlloc(size);
    if (block != nullptr)
        ++g_live;
    return block;
#else
    return GdipAlloc(size);
#endif
}

void FreeRecord(void* record) {
    GdipFree(record);
#if defined(TESSAVEL_TEST_SEAMS)
    --g_live;
#endif
}
} // namespace

GdiplusImageRecord* NewImageRecord() {
    auto* record = static_cast<GdiplusImageRecord*>(AllocateRecord(sizeof(GdiplusImageRecord)));
    if (record != nullptr)
        *record = {nullptr, Gdiplus::Ok};
    return record;
}

GdiplusGraphicsRecord* NewGraphicsRecord() {
    auto* record =
        static_cast<GdiplusGraphicsRecord*>(AllocateRecord(sizeof(GdiplusGraphicsRecord)));
    if (record != nullptr)
        *record = {nullptr, Gdiplus::Ok};
    return record;
}

void DestroyImageRecord(GdiplusImageRecord* record) {
    if (record == nullptr)
        return;
    if (record->image != nullptr)
        GdipDisposeImage(record->image);
    FreeRecord(record);
}

void DestroyGraphicsRecord(GdiplusGraphicsRecord* record) {
    if (record == nullptr)
        return;
    if (record->graphics != nullptr)
        GdipDeleteGraphics(record->graphics);
    FreeRecord(record);
}

#if defined(TESSAVEL_TEST_SEAMS)
int32_t LiveGdiplusRecords() {
    return g_live;
}

void PlanRecordAllocationFailure(long successes) {
    g_recordPlan.successesLeft = successes;
}
#endif
