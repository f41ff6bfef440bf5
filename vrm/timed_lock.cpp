#include "vrm/timed_lock.h"

#include "plugin/platform.h"

// The lock's three states:
//   kFree        nobody holds it: any caller may take it;
//   kHeld        a caller holds it;
//   kHandedOver  its holder let go while a waiter had waited long, and
//                signalled the event: only a waiter may take it.
//
// Why no wake-up is lost: a waiter counts itself in waiters_ and only then
// tries to take a free lock; the holder frees the lock and only then looks
// at waiters_. All are sequentially consistent, so either the waiter's try
// finds the lock free, or the holder sees the waiter and signals. The event
// is auto-reset: a signal wakes one waiter, or stays set for the next wait
// when nobody waits at that moment (the waiter then wakes at once and looks
// again).
//
// Why a hand-over is never stranded: a waiter that leaves (its time ran out,
// its wait failed) first uncounts itself and then takes the lock if it is
// free or handed over. A holder that saw it counted hands over no later than
// that take, which then finds the hand-over; a holder that lets go after it
// no longer sees it.

namespace {

constexpr uint32_t kFree = 0;
constexpr uint32_t kHeld = 1;
constexpr uint32_t kHandedOver = 2;

uint32_t Now()
{
    return g_platform.tickCountMs();
}

}  // namespace

bool TimedLock::Take(uint32_t from)
{
    return state_.compare_exchange_strong(from, kHeld);
}

bool TimedLock::TakeUnlessHeld()
{
    uint32_t state = state_.load();
    while (state != kHeld)
        if (state_.compare_exchange_weak(state, kHeld))
            return true;
    return false;
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
    if (Take(kFree))
        return true;
    void* wake = waitMs ? WakeEvent() : nullptr;
    if (!wake)
        return false;

    waiters_.fetch_add(1);
    bool taken = WaitForTurn(wake, waitMs);
    waiters_.fetch_sub(1);
    // A lock handed over as this wait ended is this waiter's; a free one is
    // never refused.
    return taken || TakeUnlessHeld();
}

// The waiting itself, while counted among the waiters. Without a clock the
// one wait for the event is the whole bound.
bool TimedLock::WaitForTurn(void* wake, uint32_t waitMs)
{
    const bool clock = g_platform.tickCountMs != nullptr;
    const uint32_t start = clock ? Now() : 0;
    bool starving = false;
    bool taken = false;
    for (;;) {
        if (Take(kFree)) {
            taken = true;
            break;
        }
        const uint32_t waited = clock ? Now() - start : 0;  // wraps correctly
        if (waited >= waitMs)
            break;
        if (clock && !starving && waited >= kHandOverAfterMs) {
            starving = true;
            starving_.fetch_add(1);
        }
        // Until it starves, a waiter wakes at kHandOverAfterMs to say so.
        uint32_t slice = waitMs - waited;
        if (clock && !starving && slice > kHandOverAfterMs - waited)
            slice = kHandOverAfterMs - waited;
        // Woken by a let-go: the lock is this waiter's if it is free, or
        // handed over and this waiter has waited long. A hand-over is never
        // taken by a waiter that has only just come: it passes the wake-up
        // on to those who waited before it.
        const WakeWait woke = g_platform.waitEvent(wake, slice);
        if (woke == WakeWait::Signalled) {
            if (Take(kFree) || (starving && Take(kHandedOver))) {
                taken = true;
                break;
            }
            if (!starving && state_.load() == kHandedOver)
                g_platform.signalEvent(wake);
        }
        if (woke == WakeWait::Failed || !clock)
            break;
    }
    if (starving)
        starving_.fetch_sub(1);
    return taken;
}

void TimedLock::Unlock()
{
    state_.store(kFree);
    if (waiters_.load() == 0)
        return;
    void* wake = wake_.load();
    if (!wake)
        return;  // released: the waiters' waits fail
    // A waiter that has waited long gets the lock directly; otherwise one is
    // woken to compete for it with whoever comes. Either way, a caller that
    // took the free lock meanwhile signals when it lets go.
    if (starving_.load() != 0) {
        uint32_t free = kFree;
        if (!state_.compare_exchange_strong(free, kHandedOver))
            return;
    }
    g_platform.signalEvent(wake);
}

void TimedLock::Release()
{
    void* event = wake_.exchange(nullptr);
    if (event && g_platform.closeEvent)
        g_platform.closeEvent(event);
}
