// Owner records for the GDI+ objects that live during one decode or save. Each record is
// allocated with GdipAlloc and holds the native handle and the last status reported for it;
// destroying a record disposes of its object and returns the record with GdipFree.
#pragma once

#include "common/owners.h"
#include "imaging/gdiplus_api.h"

#include <cstdint>

struct GdiplusImageRecord {
    Gdiplus::GpImage* image;  // a GdipCreateBitmap* result; null until created
    Gdiplus::GpStatus status; // status of the call that created (or failed to create) it
};

struct GdiplusGraphicsRecord {
    Gdiplus::GpGraphics* graphics;
    Gdiplus::GpStatus status;
};

// A new, empty record (no object yet), or null when GdipAlloc gives none.
GdiplusImageRecord* NewImageRecord();
GdiplusGraphicsRecord* NewGraphicsRecord();
// GdipDisposeImage / GdipDeleteGraphics on the object when there is one, then GdipFree.
void DestroyImageRecord(GdiplusImageRecord* record);
void DestroyGraphicsRecord(GdiplusGraphicsRecord* record);

struct ImageRecordTraits {
    using Handle = GdiplusImageRecord*;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { DestroyImageRecord(h); }
};
struct GraphicsRecordTraits {
    using Handle = GdiplusGraphicsRecord*;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { DestroyGraphicsRecord(h); }
};
using ImageRecordOwner = Owner<ImageRecordTraits>;
using GraphicsRecordOwner = Owner<GraphicsRecordTraits>;

#if defined(TESSAVEL_TEST_SEAMS)
// Test seams. Records alive now: zero between operations, whatever path they took.
int32_t LiveGdiplusRecords();
// The next `successes` record allocations succeed, later ones give null until the plan is
// reset with -1; a plan of its own (common/failure_plan.h), apart from the storage's.
void PlanRecordAllocationFailure(long successes);
#endif
