// A planned failure, for tests that make an operation fail at a chosen step: the next
// `successes` attempts succeed, the one after fails and so do all later ones, until the
// plan is reset with -1 (never fail). Each kind of attempt (the program's storage, GDI+'s
// owner records) keeps a plan of its own.
#pragma once

#include <atomic>

struct FailurePlan {
    std::atomic<long> successesLeft{-1}; // -1: never fail; threads may attempt at once
};

// True when this attempt is to fail; otherwise it counts as one of the planned successes.
inline bool AttemptFails(FailurePlan& plan) {
    long left = plan.successesLeft.load();
    do {
        if (left < 0)
            return false;
        if (left == 0)
            return true;
    } while (!plan.successesLeft.compare_exchange_weak(left, left - 1));
    return false;
}
