// A lock whose every wait has a bound. The host calls the plug-in from
// several threads, and its own I2C functions, which a bus sequence calls
// while it holds its GPU's lock, may themselves wait for the host's locks or
// threads. Another caller that waited for the plug-in's lock without a
// limit could then wait for ever: it may be the very thread the host needs.
// So a caller waits at most a given time and then goes on without the lock;
// a thread with a message queue keeps serving the messages other threads
// send it while it waits (plugin/platform.h).
//
// What it guarantees:
//   - a caller that finds the lock free takes it at once, even while others
//     wait (no convoy behind a woken waiter that has not run yet);
//   - a waiter is woken whenever the lock is let go, and one that has waited
//     kHandOverAfterMs is handed the lock directly at the next let-go, so
//     that callers taking it again and again cannot starve it. Which waiter
//     wakes is the platform event's choice (Windows does not promise an
//     order), so among several waiters none is promised to go first;
//   - no wait outlasts its bound by more than the platform's clock and
//     wake-up granularity, and a failed wait gives up at once;
//   - a lock handed over as its waiter's time ran out is taken by that
//     waiter, never left stranded with nobody holding it.
//
// Taking a free lock is one compare-and-exchange and giving it back one
// store and one load while nobody waits: no system call.
//
// Not recursive, and it does not know its owner: a thread never takes a lock
// it holds (the device refuses that before it asks).
#pragma once

#include <atomic>
#include <cstdint>

// How long a waiter waits before the lock is handed to it directly.
constexpr uint32_t kHandOverAfterMs = 10;

class TimedLock {
public:
    TimedLock() = default;
    TimedLock(const TimedLock&) = delete;
    TimedLock& operator=(const TimedLock&) = delete;

    // Takes the lock, waiting at most waitMs milliseconds for its holder to
    // let go (0: only when it is free now). False, without the lock, when it
    // stayed held that long or the wait failed.
    bool Lock(uint32_t waitMs);
    void Unlock();

    // Closes the wake-up event, and nothing else: at the module's unload, or
    // the end of a test. A waiter still waiting then finds its wait failed
    // and goes on without the lock.
    void Release();

private:
    bool Take(uint32_t from);
    bool TakeUnlessHeld();
    bool WaitForTurn(void* wake, uint32_t waitMs);
    void* WakeEvent();

    std::atomic<uint32_t> state_{0};
    std::atomic<uint32_t> waiters_{0};
    std::atomic<uint32_t> starving_{0};  // waiters that have waited kHandOverAfterMs
    std::atomic<void*> wake_{nullptr};   // created at the first wait
};
