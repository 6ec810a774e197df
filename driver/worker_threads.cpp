#include "driver/worker_threads.h"

int StartWorkerThreads(WorkerThreads* pool, int wanted, LPTHREAD_START_ROUTINE work) {
    pool->count = 0;
    while (pool->count < wanted && pool->count < WorkerThreads::kMost) {
        const HANDLE thread = CreateThread(nullptr, 0, work, nullptr, 0, nullptr);
        if (thread == nullptr)
            break;
        pool->threads[pool->count++] = thread;
    }
    return pool->count;
}

void StopWorkerThreads(WorkerThreads* pool, SRWLOCK* lock, CONDITION_VARIABLE* changed,
                       bool* stopping) {
    AcquireSRWLockExclusive(lock);
    *stopping = true;
    WakeAllConditionVariable(changed);
    ReleaseSRWLockExclusive(lock);
    if (pool->count > 0)
        WaitForMultipleObjects(static_cast<DWORD>(pool->count), pool->threads, TRUE, INFINITE);
    for (int i = 0; i < pool->count; ++i)
        CloseHandle(pool->threads[i]);
    pool->count = 0;
}
