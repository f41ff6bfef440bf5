#include "sim/watchdog.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

namespace sim {

namespace {

struct Frame {
    const char* name;
    uint32_t index;
    std::chrono::steady_clock::time_point since;
};

struct ThreadRecord {
    std::string name;
    std::vector<Frame> calls;  // outermost first
};

// Every thread that named itself or made a watched call, for the life of the
// process (a deque keeps each record where it is). Threads hold the lock only
// to note a call's start or end, never across one, so the watchdog gets it
// even while they hang.
struct Registry {
    std::mutex mutex;
    std::deque<ThreadRecord> threads;
};

Registry& TheRegistry()
{
    static Registry* registry = new Registry;  // never destroyed: threads may outlive main's statics
    return *registry;
}

thread_local ThreadRecord* t_record = nullptr;

// The calling thread's record, made on first use; called under the lock.
ThreadRecord& OwnRecord(Registry& registry)
{
    if (!t_record) {
        registry.threads.emplace_back();
        t_record = &registry.threads.back();
        t_record->name = "thread " + std::to_string(registry.threads.size());
    }
    return *t_record;
}

}  // namespace

std::chrono::seconds Watchdog::DefaultBound()
{
#if defined(__SANITIZE_THREAD__)
    return std::chrono::seconds(90);  // the tsan preset (g++)
#else
    return std::chrono::seconds(60);
#endif
}

void Watchdog::NameThread(const std::string& name)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    OwnRecord(registry).name = name;
}

Watchdog::InCall::InCall(const char* name, uint32_t index)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    OwnRecord(registry).calls.push_back(Frame{name, index, std::chrono::steady_clock::now()});
}

Watchdog::InCall::~InCall()
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    OwnRecord(registry).calls.pop_back();
}

std::string Watchdog::CallsInFlight()
{
    Registry& registry = TheRegistry();
    // Tried for a while rather than waited for: whatever hangs, the report
    // is printed. (A plain try_lock: ThreadSanitizer sees it as a lock.)
    std::unique_lock<std::mutex> lock(registry.mutex, std::defer_lock);
    for (int attempt = 0; !lock.try_lock(); ++attempt) {
        if (attempt == 200)
            return "  (the record of calls stayed locked)\n";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto now = std::chrono::steady_clock::now();
    std::string text;
    for (const ThreadRecord& thread : registry.threads) {
        if (thread.calls.empty()) {
            text += "  " + thread.name + ": in no export call\n";
            continue;
        }
        std::string indent = "  ";
        for (const Frame& call : thread.calls) {
            char line[160];
            const double seconds = std::chrono::duration<double>(now - call.since).count();
            std::snprintf(line, sizeof line, "%s(0x%08X) for %.1f s", call.name, static_cast<unsigned>(call.index),
                          seconds);
            text += indent + (indent.size() == 2 ? thread.name + ": " : "inside it: ") + line + "\n";
            indent += "  ";
        }
    }
    return text;
}

Watchdog::Watchdog(std::string what, std::chrono::seconds bound)
    : what_(std::move(what)), bound_(bound), deadline_(std::chrono::steady_clock::now() + bound)
{
    thread_ = std::thread([this] { Run(); });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    finished_.notify_all();
    thread_.join();
}

void Watchdog::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_.wait_until(lock, deadline_, [this] { return done_; }))
        return;
    lock.unlock();
    std::string report = "WATCHDOG: " + what_ + " did not finish within " + std::to_string(bound_.count()) +
                         " s; the export calls of its threads:\n" + CallsInFlight();
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
    std::fflush(stdout);
    std::_Exit(1);
}

}  // namespace sim
