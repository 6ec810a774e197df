// A planned failure, for tests that make an operation fail at a chosen step: the next
// `successes` attempts succeed, the one after fails and so do all later ones, until the
// plan is reset with -1 (never fail). Each kind of attempt (the program's storage, GDI+'s
// owner records) keeps a plan of its own.
#pragma once

struct FailurePlan {
    long successesLeft = -1; // -1: never fail
};

// True when this attempt is to fail; otherwise it counts as one of the planned successes.
inline bool AttemptFails(FailurePlan& plan) {
    if (plan.successesLeft < 0)
        return false;
    if (plan.successesLeft == 0)
        return true;
    --plan.successesLeft;
    return false;
}
