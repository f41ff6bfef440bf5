#include "plugin/bus_sequence.h"

#include <atomic>

#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "plugin/timed_lock.h"

namespace {

constexpr uint32_t kNoThread = 0;
constexpr uint32_t kOnlyThread = 1;  // a platform without thread numbers

TimedLock g_gpuLocks[kMaxGpus];

// The thread inside each GPU's sequence, kNoThread when none is. A thread
// holds at most one entry, so "the calling thread's sequences in progress"
// is the number of entries that name it: 0 or 1.
std::atomic<uint32_t> g_sequenceThread[kMaxGpus];

// What the log has yet to say of a GPU's busy spells. A spell runs from
// the start of the first wait for the lock that ran out to the next time a
// sequence of the GPU gets its lock. The log sums the spells up in one line
// when a spell ends, at most once a minute (and at unload), so that a host
// that keeps the bus busy does not fill the disk.
constexpr uint32_t kBusyLineEveryMs = 60000;

struct BusyRecord {
    std::atomic<bool> open{false};  // read without the guard: a reading's wait
    std::atomic_flag guard = ATOMIC_FLAG_INIT;
    // Under the guard:
    uint32_t spellStart = 0;
    uint32_t calls = 0;      // calls that went on without the lock since the last line
    uint32_t spells = 0;     // spells ended since the last line
    uint32_t longestMs = 0;  // the longest of them
    uint32_t lastLineAt = 0;
    bool lineWritten = false;
};
BusyRecord g_busy[kMaxGpus];

// Held for a few instructions, never across a call of the host or the log.
class BusyGuard {
public:
    explicit BusyGuard(BusyRecord& record) : record_(record)
    {
        while (record_.guard.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~BusyGuard() { record_.guard.clear(std::memory_order_release); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    BusyRecord& record_;
};

// One line's worth of spells, taken out of the record.
struct BusySummary {
    uint32_t calls = 0;
    uint32_t spells = 0;
    uint32_t longestMs = 0;
};

uint32_t CallingThread()
{
    return g_platform.currentThreadId ? g_platform.currentThreadId() : kOnlyThread;
}

uint32_t Now()
{
    return g_platform.tickCountMs ? g_platform.tickCountMs() : 0;
}

// A call that began to wait at waitStart went on without the lock.
void NoteWentOnWithout(uint32_t dwGpu, uint32_t waitStart)
{
    BusyRecord& record = g_busy[dwGpu];
    BusyGuard guard(record);
    if (!record.open.load()) {
        record.open.store(true);
        record.spellStart = waitStart;
    }
    ++record.calls;
}

// Called with the guard held: ends the open spell, if any, at now.
void EndSpell(BusyRecord& record, uint32_t now)
{
    if (!record.open.load())
        return;
    record.open.store(false);
    ++record.spells;
    const uint32_t length = now - record.spellStart;
    if (length > record.longestMs)
        record.longestMs = length;
}

// Called with the guard held: takes what the next line says.
BusySummary TakeSummary(BusyRecord& record, uint32_t now)
{
    BusySummary summary{record.calls, record.spells, record.longestMs};
    record.calls = record.spells = record.longestMs = 0;
    record.lastLineAt = now;
    record.lineWritten = true;
    return summary;
}

void LogBusy(uint32_t dwGpu, const BusySummary& summary)
{
    if (summary.calls == 0)
        return;
    const char* calls = summary.calls == 1 ? "call" : "calls";
    if (summary.spells <= 1)
        LogPrintf("GPU %u was busy for %u ms: %u %s went on without waiting longer", dwGpu, summary.longestMs,
                  summary.calls, calls);
    else
        LogPrintf("GPU %u was busy %u times since the last such line, for at most %u ms: %u %s went on without "
                  "waiting longer",
                  dwGpu, summary.spells, summary.longestMs, summary.calls, calls);
}

// A sequence of the GPU got its lock: a spell that was open ends, and the
// log says so unless it did within the last minute.
void EndBusySpell(uint32_t dwGpu)
{
    BusyRecord& record = g_busy[dwGpu];
    if (!record.open.load())
        return;
    const uint32_t now = Now();
    BusySummary summary;
    {
        BusyGuard guard(record);
        EndSpell(record, now);
        if (!record.lineWritten || now - record.lastLineAt >= kBusyLineEveryMs)
            summary = TakeSummary(record, now);
    }
    LogBusy(dwGpu, summary);
}

}  // namespace

bool InsideBusSequence()
{
    const uint32_t self = CallingThread();
    for (const std::atomic<uint32_t>& thread : g_sequenceThread)
        if (thread.load() == self)
            return true;
    return false;
}

uint32_t ReadingWaitMs(uint32_t dwGpu)
{
    return InBusySpell(dwGpu) ? 0 : kReadingWaitMs;
}

bool InBusySpell(uint32_t dwGpu)
{
    return dwGpu < kMaxGpus && g_busy[dwGpu].open.load();
}

BusSequence::BusSequence(uint32_t dwGpu, uint32_t waitMs) : dwGpu_(dwGpu)
{
    if (dwGpu >= kMaxGpus || InsideBusSequence())
        return;
    const uint32_t waitStart = Now();
    if (!g_gpuLocks[dwGpu].Lock(waitMs)) {
        busy_ = true;
        NoteWentOnWithout(dwGpu, waitStart);
        return;
    }
    g_sequenceThread[dwGpu].store(CallingThread());
    entered_ = true;
    EndBusySpell(dwGpu);
}

BusSequence::~BusSequence()
{
    if (!entered_)
        return;
    g_sequenceThread[dwGpu_].store(kNoThread);
    g_gpuLocks[dwGpu_].Unlock();
}

void LogOpenBusySpells()
{
    const uint32_t now = Now();
    for (uint32_t gpu = 0; gpu < kMaxGpus; ++gpu) {
        BusySummary summary;
        {
            BusyGuard guard(g_busy[gpu]);
            EndSpell(g_busy[gpu], now);
            summary = TakeSummary(g_busy[gpu], now);
        }
        LogBusy(gpu, summary);
    }
}

void ReleaseBusLocks()
{
    for (uint32_t gpu = 0; gpu < kMaxGpus; ++gpu) {
        g_gpuLocks[gpu].Release();
        g_sequenceThread[gpu].store(kNoThread);
        BusyGuard guard(g_busy[gpu]);
        g_busy[gpu].open.store(false);
        TakeSummary(g_busy[gpu], 0);
        g_busy[gpu].lineWritten = false;
    }
}
