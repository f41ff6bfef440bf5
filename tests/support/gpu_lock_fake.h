// What the per-GPU bus locks need of the platform, for the native tests and
// benchmarks: wake-up events (a mutex and a condition variable each, as the
// Windows layer gives a kernel event), a millisecond clock and thread numbers.
#pragma once

#include <functional>

#include "plugin/platform.h"

namespace test {

// Sets the event, clock and thread-number entries of the given platform table.
void InstallGpuLockFake(PlatformServices& platform);

// Moves the millisecond clock on, as if that much time had passed.
void AdvanceClock(uint32_t ms);

// Gives the calling thread a message queue for as long as it lives, as a
// Windows thread that has one: a wait for a bus lock on this thread then
// delivers the calls that other threads sent it. deliver() runs every call
// sent so far and returns whether there was any.
class SentMessageQueue {
public:
    explicit SentMessageQueue(std::function<bool()> deliver);
    ~SentMessageQueue();
    SentMessageQueue(const SentMessageQueue&) = delete;
    SentMessageQueue& operator=(const SentMessageQueue&) = delete;

    bool Deliver() const { return deliver_(); }

private:
    std::function<bool()> deliver_;
    SentMessageQueue* outer_;
};

}  // namespace test
