#include "tests/support/gpu_lock_fake.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>

namespace test {

namespace {

// An auto-reset event as the Windows kernel has them: a signal releases one
// thread that is waiting at that moment (the longest waiting), and only when
// none waits does it stay set for the next wait. A thread that starts to
// wait after the signal cannot take it from the one it released.
struct WakeEvent {
    struct Waiter {
        bool released = false;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::list<Waiter*> waiting;
    bool set = false;
};

void* CreateEvent()
{
    return new WakeEvent;
}

thread_local SentMessageQueue* t_queue = nullptr;

// How often a waiting thread with a queue looks for sent calls: a Windows
// wait wakes when one arrives; this fake looks every millisecond.
constexpr std::chrono::milliseconds kQueueLook{1};

WakeWait WaitEvent(void* event, uint32_t milliseconds)
{
    WakeEvent& e = *static_cast<WakeEvent*>(event);
    std::unique_lock<std::mutex> lock(e.mutex);
    if (e.set) {
        e.set = false;
        return WakeWait::Signalled;
    }
    WakeEvent::Waiter me;
    e.waiting.push_back(&me);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        auto until = end;
        if (t_queue && std::chrono::steady_clock::now() + kQueueLook < end)
            until = std::chrono::steady_clock::now() + kQueueLook;
        if (e.changed.wait_until(lock, until, [&] { return me.released; }))
            return WakeWait::Signalled;
        if (t_queue) {
            lock.unlock();
            const bool delivered = t_queue->Deliver();
            lock.lock();
            if (me.released)
                return WakeWait::Signalled;
            if (delivered) {
                e.waiting.remove(&me);
                return WakeWait::Woken;
            }
        }
        if (std::chrono::steady_clock::now() >= end)
            break;
    }
    e.waiting.remove(&me);
    return WakeWait::TimedOut;
}

void SignalEvent(void* event)
{
    WakeEvent& e = *static_cast<WakeEvent*>(event);
    {
        std::lock_guard<std::mutex> lock(e.mutex);
        if (e.waiting.empty()) {
            e.set = true;
            return;
        }
        e.waiting.front()->released = true;
        e.waiting.pop_front();
    }
    e.changed.notify_all();
}

void CloseEvent(void* event)
{
    delete static_cast<WakeEvent*>(event);
}

std::atomic<uint32_t> g_clockAhead{0};

uint32_t TickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) +
           g_clockAhead.load();
}

uint32_t ThreadNumber()
{
    static std::atomic<uint32_t> next{1};
    thread_local uint32_t number = next++;
    return number;
}

}  // namespace

SentMessageQueue::SentMessageQueue(std::function<bool()> deliver) : deliver_(std::move(deliver)), outer_(t_queue)
{
    t_queue = this;
}

SentMessageQueue::~SentMessageQueue()
{
    t_queue = outer_;
}

void AdvanceClock(uint32_t ms)
{
    g_clockAhead += ms;
}

void InstallGpuLockFake(PlatformServices& platform)
{
    platform.createEvent = &CreateEvent;
    platform.waitEvent = &WaitEvent;
    platform.signalEvent = &SignalEvent;
    platform.closeEvent = &CloseEvent;
    platform.tickCountMs = &TickCount;
    platform.currentThreadId = &ThreadNumber;
}

}  // namespace test
