// How the host runs its I2C functions. A real host does not always run
// ReadI2CEx and WriteI2CEx on the calling thread as they stand: one
// serialises its hardware access with a recursive mutex (a named global
// mutex, shared with other tools) that its own polling thread also holds
// across a whole polling round; another runs every access on its UI thread,
// where a call from another thread is sent and waited for. A policy wraps
// the whole of each call of the two functions (the hooks and the model's
// access). None installed: each call runs on the calling thread as it is.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sim {

class HostPolicy {
public:
    virtual ~HostPolicy() = default;
    // Runs one call of ReadI2CEx or WriteI2CEx as this host does; returns
    // what access returned.
    virtual int32_t Run(const std::function<int32_t()>& access) = 0;
};

// Installs policy for every later call of the I2C functions (null: none).
// Installed and removed while no host call runs.
void SetHostPolicy(HostPolicy* policy);
HostPolicy* CurrentHostPolicy();

// A host that serialises its hardware access: each I2C call holds one
// recursive hardware mutex, which the host's own threads also hold across
// work of theirs (a polling round of every source): std::lock_guard on this
// object. On Windows it is a named mutex, as such hosts use to share the
// hardware with other tools: a kernel mutex, handed to its waiters in turn.
class SerialisedHost : public HostPolicy {
public:
    SerialisedHost();
    ~SerialisedHost() override;
    SerialisedHost(const SerialisedHost&) = delete;
    SerialisedHost& operator=(const SerialisedHost&) = delete;
    int32_t Run(const std::function<int32_t()>& access) override;

    // The hardware mutex; recursive. Waits without a bound, as the host does.
    void lock();
    void unlock();

private:
#if defined(_WIN32)
    void* hardware_;  // HANDLE of the named mutex
#else
    std::recursive_mutex hardware_;
#endif
};

// A host whose I2C functions run on its UI thread (the thread that makes
// this object): a call from another thread is queued for the UI thread and
// waits until the UI thread has run it. The UI thread serves the queue from
// its own loop, between its timer's readings, and from a box's message loop
// while a box is up. (On Windows the host sends the call to a window of its
// UI thread: see UiWindowHost.)
class UiQueueHost : public HostPolicy {
public:
    UiQueueHost();
    int32_t Run(const std::function<int32_t()>& access) override;
    // On the UI thread: runs every call queued so far; returns how many.
    int Serve();

private:
    struct Request {
        const std::function<int32_t()>* access;
        int32_t result = 0;
        bool done = false;
    };
    std::thread::id ui_;
    std::mutex mutex_;
    std::condition_variable served_;
    std::deque<Request*> queue_;
};

#if defined(_WIN32)
// The Windows form of a host whose I2C functions run on its UI thread (the
// thread that makes this object): a hidden window of that thread, to which a
// call from another thread is sent with SendMessage. The UI thread runs it
// whenever it takes messages: in its own message loop, and in the modal
// loop of a box it shows.
class UiWindowHost : public HostPolicy {
public:
    UiWindowHost();
    ~UiWindowHost() override;
    UiWindowHost(const UiWindowHost&) = delete;
    UiWindowHost& operator=(const UiWindowHost&) = delete;
    int32_t Run(const std::function<int32_t()>& access) override;

private:
    void* window_;            // HWND
    unsigned long uiThread_;  // DWORD
};
#endif

}  // namespace sim
