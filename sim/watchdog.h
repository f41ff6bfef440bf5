// A watchdog for runs whose calls into a plug-in may hang: two threads each
// waiting for the other inside the plug-in never come back, and a test
// command or a demo must not hang with them. Each thread records the export
// call it is in (name, source index, since when). When the run has not
// finished within the bound, the watchdog prints every call still in flight
// (on which thread, for how long) and ends the process with a failure.
//
// Portable: the host patterns (sim/host_patterns.h), the native tests and
// the wine programs use it alike.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class Watchdog {
public:
    // Watches from now until destroyed; what names the test in the report.
    explicit Watchdog(std::string what, std::chrono::seconds bound = DefaultBound());
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // 60 s; longer under ThreadSanitizer, which runs everything slower.
    static std::chrono::seconds DefaultBound();

    // Names the calling thread in the report ("UI thread", "polling thread").
    static void NameThread(const std::string& name);

    // Records, for its lifetime, that the calling thread is inside an export
    // call. Calls nest (a reading from inside a box of SetupSource).
    class InCall {
    public:
        InCall(const char* name, uint32_t index);
        ~InCall();
        InCall(const InCall&) = delete;
        InCall& operator=(const InCall&) = delete;
    };

    // Runs call, recorded as the export name with this source index.
    template <typename Call>
    static auto Watch(const char* name, uint32_t index, Call&& call) -> decltype(call())
    {
        InCall in(name, index);
        return call();
    }

    // The calls in flight now, one line each (for a report of one's own).
    static std::string CallsInFlight();

private:
    void Run();

    std::string what_;
    std::chrono::seconds bound_;
    std::chrono::steady_clock::time_point deadline_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace sim
