#include "common/allocator.h"

#include "common/failure_plan.h"

#include <cstdlib>

namespace {
#if defined(TESSAVEL_TEST_SEAMS)
FailurePlan g_allocationPlan;
bool PlannedToFail() {
    return AttemptFails(g_allocationPlan);
}
#else
constexpr bool PlannedToFail() {
    return false;
}
#endif
} // namespace

void* AllocateStorage(std::size_t size) {
    if (PlannedToFail())
        return nullptr;
    // malloc(0) may give null; a zero-length request still deserves a block to free.
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateZeroedStorage(std::size_t count, std::size_t size) {
    if (PlannedToFail())
        return nullptr;
    if (count == 0 || size == 0)
        return std::calloc(1, 1);
    return std::calloc(count, size); // calloc checks count * size for overflow
}

void FreeStorage(void* block) {
    std::free(block);
}

#if defined(TESSAVEL_TEST_SEAMS)
void PlanAllocationFailure(long successes) {
    g_allocationPlan.successesLeft = successes;
}
#endif
