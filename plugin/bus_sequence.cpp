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

// A busy spell of a GPU: from the first wait that ran out to the next time
// a sequence of that GPU gets its lock. Calls that went on without the lock
// are counted, and the spell is logged once, when it ends.
struct BusySpell {
    std::atomic<uint32_t> calls{0};
    std::atomic<uint32_t> since{0};  // tick of the first, kept non-zero
};
BusySpell g_busySpells[kMaxGpus];

uint32_t CallingThread()
{
    return g_platform.currentThreadId ? g_platform.currentThreadId() : kOnlyThread;
}

uint32_t Now()
{
    return g_platform.tickCountMs ? g_platform.tickCountMs() : 0;
}

void NoteBusy(uint32_t dwGpu)
{
    BusySpell& spell = g_busySpells[dwGpu];
    uint32_t none = 0;
    spell.since.compare_exchange_strong(none, Now() | 1u);
    spell.calls.fetch_add(1);
}

void EndBusySpell(uint32_t dwGpu)
{
    BusySpell& spell = g_busySpells[dwGpu];
    if (spell.calls.load() == 0)
        return;
    uint32_t calls = spell.calls.exchange(0);
    uint32_t since = spell.since.exchange(0);
    if (calls == 0)
        return;
    uint32_t busyMs = since ? (Now() | 1u) - since : 0;
    LogPrintf("GPU %u was busy for %u ms: %u calls went on without waiting longer", dwGpu, busyMs, calls);
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

BusSequence::BusSequence(uint32_t dwGpu, uint32_t waitMs) : dwGpu_(dwGpu)
{
    if (dwGpu >= kMaxGpus || InsideBusSequence())
        return;
    if (!g_gpuLocks[dwGpu].Lock(waitMs)) {
        busy_ = true;
        NoteBusy(dwGpu);
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
    for (uint32_t gpu = 0; gpu < kMaxGpus; ++gpu)
        EndBusySpell(gpu);
}

void ReleaseBusLocks()
{
    for (uint32_t gpu = 0; gpu < kMaxGpus; ++gpu) {
        g_gpuLocks[gpu].Release();
        g_sequenceThread[gpu].store(kNoThread);
        g_busySpells[gpu].calls.store(0);
        g_busySpells[gpu].since.store(0);
    }
}
