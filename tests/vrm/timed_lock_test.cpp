// The bounded lock, one interleaving at a time: the "other threads" act from
// inside the waiter's wait for the event, on a scripted event and clock, so
// that each case runs the same way every time.
#include <gtest/gtest.h>

#include <functional>

#include "plugin/platform.h"
#include "vrm/timed_lock.h"

namespace {

// The event and the clock as one test scripts them. A signal that no wait
// took stays set, and the next wait returns at once, as an auto-reset
// event does.
struct Script {
    uint32_t now = 5000;
    int waits = 0;
    int signals = 0;
    bool set = false;
    // The n-th wait (from 1) for the given milliseconds; unset: the time passes.
    std::function<WakeWait(int n, uint32_t ms)> onWait;
};
Script* g_script = nullptr;
int g_eventToken = 0;

void* CreateEvent()
{
    return &g_eventToken;
}
WakeWait WaitEvent(void*, uint32_t ms)
{
    ++g_script->waits;
    WakeWait woke = WakeWait::Signalled;
    if (!g_script->set && g_script->onWait) {
        woke = g_script->onWait(g_script->waits, ms);
    } else if (!g_script->set) {
        g_script->now += ms;
        woke = WakeWait::TimedOut;
    }
    if (woke == WakeWait::Signalled)
        g_script->set = false;
    return woke;
}
void SignalEvent(void*)
{
    ++g_script->signals;
    g_script->set = true;
}
void CloseEvent(void*) {}
uint32_t Tick()
{
    return g_script->now;
}

class TimedLockTest : public ::testing::Test {
protected:
    TimedLockTest() : saved_(g_platform)
    {
        g_script = &script;
        g_platform = PlatformServices();
        g_platform.createEvent = &CreateEvent;
        g_platform.waitEvent = &WaitEvent;
        g_platform.signalEvent = &SignalEvent;
        g_platform.closeEvent = &CloseEvent;
        g_platform.tickCountMs = &Tick;
    }
    ~TimedLockTest() override
    {
        lock.Release();
        g_platform = saved_;
        g_script = nullptr;
    }

    Script script;
    TimedLock lock;

private:
    PlatformServices saved_;
};

// The holder lets go, handing the lock to a waiter that has waited long, as
// that waiter's time runs out: the waiter takes it rather than leaving it
// handed over to nobody, and once it lets go the lock is free for anyone.
TEST_F(TimedLockTest, AHandOverAsTheWaitRunsOutIsTakenNotStranded)
{
    ASSERT_TRUE(lock.Lock(0));
    const uint32_t deadline = script.now + 30;
    script.onWait = [&](int, uint32_t ms) {
        if (script.now + ms >= deadline)
            lock.Unlock();  // the holder, at the very end of the wait
        script.now += ms;
        return WakeWait::TimedOut;
    };
    EXPECT_TRUE(lock.Lock(30));
    lock.Unlock();
    script.onWait = nullptr;
    EXPECT_TRUE(lock.Lock(0)) << "a free lock was refused";
}

// While a waiter that has not waited long is being woken, another caller
// finds the lock free and takes it at once; the woken waiter takes it next.
TEST_F(TimedLockTest, AFreeLockIsTakenAtOnceWhileOthersWait)
{
    ASSERT_TRUE(lock.Lock(0));
    bool barged = false;
    script.onWait = [&](int n, uint32_t ms) {
        if (n == 1) {
            lock.Unlock();  // the holder
            barged = lock.Lock(0);
            if (barged)
                lock.Unlock();
            return WakeWait::Signalled;
        }
        script.now += ms;
        return WakeWait::TimedOut;
    };
    EXPECT_TRUE(lock.Lock(30));
    EXPECT_TRUE(barged) << "the free lock idled until the woken waiter ran";
    EXPECT_EQ(script.waits, 1);
    lock.Unlock();
}

// A waiter that has waited kHandOverAfterMs is handed the lock: a caller
// that comes as the holder lets go does not get it first.
TEST_F(TimedLockTest, AWaiterThatHasWaitedLongIsHandedTheLock)
{
    ASSERT_TRUE(lock.Lock(0));
    bool barged = true;
    script.onWait = [&](int n, uint32_t ms) {
        if (n == 1) {
            script.now += ms;  // the first slice ends at the threshold
            return WakeWait::TimedOut;
        }
        lock.Unlock();
        barged = lock.Lock(0);
        return WakeWait::Signalled;
    };
    EXPECT_TRUE(lock.Lock(200));
    EXPECT_FALSE(barged);
    EXPECT_EQ(script.signals, 1);
    lock.Unlock();
    EXPECT_TRUE(lock.Lock(0));
}

// At unload the event is closed while a waiter waits for a lock that is
// still held: the waiter's wait fails and it goes on without the lock; the
// holder still holds it, and lets go as ever.
TEST_F(TimedLockTest, ReleaseOnlyClosesTheEvent)
{
    ASSERT_TRUE(lock.Lock(0));
    script.onWait = [&](int, uint32_t) {
        lock.Release();
        return WakeWait::Failed;
    };
    EXPECT_FALSE(lock.Lock(30)) << "the waiter took a lock that was held";
    EXPECT_FALSE(lock.Lock(0));
    lock.Unlock();
    EXPECT_EQ(script.signals, 0) << "nobody waits any more";
    EXPECT_TRUE(lock.Lock(0));
}

// A wait that fails (a bad or closed event) is not waited again and again
// until the bound: the caller gives up at once.
TEST_F(TimedLockTest, AFailedWaitGivesUpAtOnce)
{
    ASSERT_TRUE(lock.Lock(0));
    script.onWait = [&](int, uint32_t) {
        script.now += 1;
        return WakeWait::Failed;
    };
    EXPECT_FALSE(lock.Lock(30));
    EXPECT_EQ(script.waits, 1);
}

// Messages delivered to the waiting thread wake it early; the bound still
// counts from the start of the wait, and the lock is looked at after each.
TEST_F(TimedLockTest, DeliveredMessagesDoNotStretchTheBound)
{
    ASSERT_TRUE(lock.Lock(0));
    const uint32_t start = script.now;
    uint32_t asked = 0;
    script.onWait = [&](int n, uint32_t ms) {
        asked += ms;
        script.now += 5;
        if (n == 4)
            lock.Unlock();  // let go while the messages were delivered
        return WakeWait::Woken;
    };
    EXPECT_TRUE(lock.Lock(30));
    EXPECT_EQ(script.waits, 5) << "the fifth wait finds the let-go's signal";
    lock.Unlock();

    ASSERT_TRUE(lock.Lock(0));
    script.waits = 0;
    script.onWait = [&](int, uint32_t) {
        script.now += 5;
        return WakeWait::Woken;
    };
    const uint32_t second = script.now;
    EXPECT_FALSE(lock.Lock(30));
    EXPECT_EQ(script.now - second, 30u);
    EXPECT_EQ(script.waits, 6);
    EXPECT_GT(asked, 0u);
    EXPECT_GT(second, start);
}

}  // namespace
