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

bool WaitEvent(void* event, uint32_t milliseconds)
{
    WakeEvent& e = *static_cast<WakeEvent*>(event);
    std::unique_lock<std::mutex> lock(e.mutex);
    if (e.set) {
        e.set = false;
        return true;
    }
    WakeEvent::Waiter me;
    e.waiting.push_back(&me);
    if (e.changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return me.released; }))
        return true;
    e.waiting.remove(&me);
    return false;
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

uint32_t TickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t ThreadNumber()
{
    static std::atomic<uint32_t> next{1};
    thread_local uint32_t number = next++;
    return number;
}

}  // namespace

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
