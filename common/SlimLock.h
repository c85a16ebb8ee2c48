// A lock and a condition for threads of one process, on the system's slim reader/writer
// lock and condition variable. Under Wine these wait on the kernel directly, while the C++
// library's mutex and condition variable of this toolchain wait on events of Wine's server:
// a round trip to another process each time a thread waits or wakes another.
#pragma once

#include <mutex>
#include <windows.h>

namespace parcelon {

class SlimLock {
public:
    SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != FALSE; }

private:
    friend class SlimCondition;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class SlimCondition {
public:
    SlimCondition() = default;
    SlimCondition(const SlimCondition&) = delete;
    SlimCondition& operator=(const SlimCondition&) = delete;

    // Waits, the lock let go meanwhile, until woken or `milliseconds` have passed.
    void WaitFor(std::unique_lock<SlimLock>& guard, DWORD milliseconds) {
        SleepConditionVariableSRW(&condition_, &guard.mutex()->lock_, milliseconds, 0);
    }
    void NotifyAll() { WakeAllConditionVariable(&condition_); }

private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

}  // namespace parcelon
