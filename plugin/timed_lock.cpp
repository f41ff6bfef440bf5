#include "plugin/timed_lock.h"

#include "plugin/platform.h"

// The lock's three states:
//   kFree    nobody holds it;
//   kHeld    a caller holds it;
//   kHandedOver  its holder let go while someone waited, and signalled the
//            event: only a caller woken by that signal may take it.
// Handing over keeps a caller that lets go and at once asks again (a host's
// polling loop) from taking the lock back every time before the woken
// waiter gets to it: waiters are served in turn, not starved until their
// wait runs out.
//
// Why no wake-up is lost: a waiter counts itself in waiters_ and only then
// tries to take a free lock; the holder frees the lock and only then looks
// at waiters_. All are sequentially consistent, so either the waiter's try
// finds the lock free, or the holder sees the waiter and hands the lock over
// with a signal (unless someone took the free lock in between, who then
// does the same when it lets go). The event is auto-reset, so one signal
// wakes one waiter. A signal that nobody takes (its waiter's time ran out
// just then) stays set, and the lock stays handed over, until the next
// caller that waits: it finds the event set at once and takes the lock.

namespace {

constexpr uint32_t kFree = 0;
constexpr uint32_t kHeld = 1;
constexpr uint32_t kHandedOver = 2;

}  // namespace

bool TimedLock::TryTake(uint32_t from)
{
    return held_.compare_exchange_strong(from, kHeld);
}

void* TimedLock::WakeEvent()
{
    void* event = wake_.load();
    if (event || !g_platform.createEvent || !g_platform.waitEvent || !g_platform.signalEvent)
        return event;
    void* created = g_platform.createEvent();
    if (!created)
        return nullptr;
    if (wake_.compare_exchange_strong(event, created))
        return created;
    // Another thread's event came first: it serves.
    if (g_platform.closeEvent)
        g_platform.closeEvent(created);
    return event;
}

bool TimedLock::Lock(uint32_t waitMs)
{
    if (TryTake(kFree))
        return true;
    void* wake = waitMs ? WakeEvent() : nullptr;
    if (!wake)
        return false;

    waiters_.fetch_add(1);
    bool taken = false;
    const bool clock = g_platform.tickCountMs != nullptr;
    const uint32_t start = clock ? g_platform.tickCountMs() : 0;
    uint32_t left = waitMs;
    for (;;) {
        if (TryTake(kFree)) {
            taken = true;
            break;
        }
        if (left == 0)
            break;
        if (g_platform.waitEvent(wake, left) && TryTake(kHandedOver)) {
            taken = true;
            break;
        }
        if (!clock) {
            left = 0;  // without a clock the one wait was the whole bound
            continue;
        }
        const uint32_t elapsed = g_platform.tickCountMs() - start;  // wraps correctly
        left = elapsed >= waitMs ? 0 : waitMs - elapsed;
    }
    waiters_.fetch_sub(1);
    return taken;
}

void TimedLock::Unlock()
{
    held_.store(kFree);
    if (waiters_.load() == 0)
        return;
    // Someone waits: hand the lock over, unless a caller took it meanwhile.
    if (TryHandOver())
        g_platform.signalEvent(wake_.load());
}

bool TimedLock::TryHandOver()
{
    uint32_t free = kFree;
    return held_.compare_exchange_strong(free, kHandedOver);
}

void TimedLock::Release()
{
    void* event = wake_.exchange(nullptr);
    if (event && g_platform.closeEvent)
        g_platform.closeEvent(event);
    held_.store(kFree);
    waiters_.store(0);
}
