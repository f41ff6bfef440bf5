// A lock whose every wait has a bound. The host calls the plug-in from
// several threads, and its own I2C functions, which a bus sequence calls
// while it holds its GPU's lock, may themselves wait for the host's locks or
// threads. Another caller that waited for the plug-in's lock without a
// limit could then wait for ever: it may be the very thread the host needs.
// So a caller waits at most a given time and then goes on without the lock.
//
// Taking a free lock is one compare-and-exchange and giving it back one
// store and one load: no system call. Only a caller that finds the lock
// held waits, blocked on a wake-up event of the platform (never spinning);
// the holder hands the lock over to one of them, with a signal, when it
// lets go while someone waits.
//
// Not recursive, and it does not know its owner: a thread never takes a lock
// it holds (plugin/bus_sequence.h refuses that before it asks).
#pragma once

#include <atomic>
#include <cstdint>

class TimedLock {
public:
    TimedLock() = default;
    TimedLock(const TimedLock&) = delete;
    TimedLock& operator=(const TimedLock&) = delete;

    // Takes the lock, waiting at most waitMs milliseconds for its holder to
    // let go. False, without the lock, when it stayed held that long.
    bool Lock(uint32_t waitMs);
    void Unlock();

    // Closes the wake-up event. Only while nobody holds or waits for the
    // lock (the module's unload, the end of a test).
    void Release();

private:
    bool TryTake(uint32_t from);
    bool TryHandOver();
    void* WakeEvent();

    std::atomic<uint32_t> held_{0};
    std::atomic<uint32_t> waiters_{0};
    std::atomic<void*> wake_{nullptr};  // created at the first wait
};
