// The threads of a pool that work until told to stop: started together, waited for and
// closed together.
#pragma once

#include <windows.h>

struct WorkerThreads {
    static constexpr int kMost = 64;
    HANDLE threads[kMost] = {};
    int count = 0;
};

// Starts up to wanted threads (at most kMost) running work; how many started.
int StartWorkerThreads(WorkerThreads* pool, int wanted, LPTHREAD_START_ROUTINE work);

// Sets *stopping under lock, wakes the threads waiting on changed, waits until every
// thread of the pool has ended and closes them.
void StopWorkerThreads(WorkerThreads* pool, SRWLOCK* lock, CONDITION_VARIABLE* changed,
                       bool* stopping);
