#include "plugin/bus_sequence.h"

#include <atomic>

#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

constexpr uint32_t kNoThread = 0;
constexpr uint32_t kOnlyThread = 1;   // a platform without thread numbers

// The thread inside each GPU's sequence, kNoThread when none is. A thread
// holds at most one entry, so "the calling thread's sequences in progress"
// is the number of entries that name it: 0 or 1.
std::atomic<uint32_t> g_sequenceThread[kMaxGpus];

uint32_t CallingThread()
{
    return g_platform.currentThreadId ? g_platform.currentThreadId() : kOnlyThread;
}

}  // namespace

bool InsideBusSequenceOf(uint32_t dwGpu)
{
    return dwGpu < kMaxGpus && g_sequenceThread[dwGpu].load() == CallingThread();
}

bool InsideBusSequence()
{
    const uint32_t self = CallingThread();
    for (const std::atomic<uint32_t>& thread : g_sequenceThread)
        if (thread.load() == self)
            return true;
    return false;
}

BusSequence::BusSequence(uint32_t dwGpu) : dwGpu_(dwGpu)
{
    if (dwGpu >= kMaxGpus || InsideBusSequence())
        return;
    if (g_platform.lockGpuBus && g_platform.unlockGpuBus)
        g_platform.lockGpuBus(dwGpu);
    g_sequenceThread[dwGpu].store(CallingThread());
    entered_ = true;
}

BusSequence::~BusSequence()
{
    if (!entered_)
        return;
    g_sequenceThread[dwGpu_].store(kNoThread);
    if (g_platform.lockGpuBus && g_platform.unlockGpuBus)
        g_platform.unlockGpuBus(dwGpu_);
}

StoredValuesLock::StoredValuesLock(uint32_t dwGpu) : dwGpu_(dwGpu)
{
    if (dwGpu >= kMaxGpus)
        return;
    if (!g_platform.tryLockGpuBus || !g_platform.unlockGpuBus) {
        taken_ = true;   // one thread only: nothing to wait for
        return;
    }
    locked_ = taken_ = g_platform.tryLockGpuBus(dwGpu);
}

StoredValuesLock::~StoredValuesLock()
{
    if (locked_)
        g_platform.unlockGpuBus(dwGpu_);
}
