// Storage for the program's own buffers. Exhaustion is reported to the caller as a null
// result, never by ending the process; tests can make any allocation fail.
#pragma once

#include <cstddef>

void* AllocateStorage(std::size_t size);
void* AllocateZeroedStorage(std::size_t count, std::size_t size);
void FreeStorage(void* block);

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: the next `successes` allocations succeed, the one after fails and so do all
// later ones until the plan is reset with -1 (never fail); see common/failure_plan.h.
void PlanAllocationFailure(long successes);
#endif

// Owns one block from AllocateStorage.
struct StorageOwner {
    void* block = nullptr;
    StorageOwner() = default;
    explicit StorageOwner(void* b) : block(b) {}
    StorageOwner(const StorageOwner&) = delete;
    StorageOwner& operator=(const StorageOwner&) = delete;
    StorageOwner(StorageOwner&& other) noexcept : block(other.release()) {}
    StorageOwner& operator=(StorageOwner&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~StorageOwner() { FreeStorage(block); }
    void reset(void* b = nullptr) {
        FreeStorage(block);
        block = b;
    }
    template <class T> T* as() const { return static_cast<T*>(block); }
    void* release() {
        void* b = block;
        block = nullptr;
        return b;
    }
};
