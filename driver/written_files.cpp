#include "driver/written_files.h"

#include "common/paths.h"
#include "driver/full_path.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

// Two bits per path in 64 Kbit: a folder of a few thousand outputs stays far from full.
constexpr uint32_t kFilterBits = 1u << 16;
uint64_t g_filter[kFilterBits / 64];

// The hash of the full path, folded as every same-file question of the run folds it
// (full_path.h); 0 when the path cannot be made full, which the callers treat as written.
uint64_t PathHash(const char* path) {
    char full[kPathSize];
    MakeFullPath(path, full);
    return FullPathHash(full);
}

bool TestOrSet(uint64_t hash, bool set) {
    bool all = true;
    for (const uint32_t bit : {static_cast<uint32_t>(hash) % kFilterBits,
                               static_cast<uint32_t>(hash >> 32) % kFilterBits}) {
        const uint64_t mask = 1ull << (bit % 64);
        all = all && (g_filter[bit / 64] & mask) != 0;
        if (set)
            g_filter[bit / 64] |= mask;
    }
    return all;
}

} // namespace

void ForgetWrittenFiles() {
    std::memset(g_filter, 0, sizeof g_filter);
}

void NoteWrittenFile(const char* path) {
    const uint64_t hash = PathHash(path);
    if (hash == 0) {
        std::memset(g_filter, 0xFF, sizeof g_filter); // unknown: every path may be written
        return;
    }
    TestOrSet(hash, true);
}

bool MayHaveBeenWritten(const char* path) {
    const uint64_t hash = PathHash(path);
    return hash == 0 || TestOrSet(hash, false);
}
