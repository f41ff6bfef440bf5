#include "tests/support/gpu_lock_fake.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "plugin/plugin_state.h"

namespace test {

namespace {

// Not recursive, as the plug-in never takes a lock its thread holds: a
// second lock by the owner would be a fault, and it aborts the test at once
// rather than hang.
std::mutex g_gpuLocks[kMaxGpus];
std::atomic<uint32_t> g_owner[kMaxGpus];

uint32_t ThreadNumber()
{
    static std::atomic<uint32_t> next{1};
    thread_local uint32_t number = next++;
    return number;
}

void Lock(uint32_t dwGpu)
{
    if (dwGpu >= kMaxGpus)
        return;
    if (g_owner[dwGpu].load() == ThreadNumber()) {
        std::fprintf(stderr, "GPU %u's bus lock taken again by the thread that holds it\n", dwGpu);
        std::abort();
    }
    g_gpuLocks[dwGpu].lock();
    g_owner[dwGpu].store(ThreadNumber());
}

void Unlock(uint32_t dwGpu)
{
    if (dwGpu >= kMaxGpus)
        return;
    g_owner[dwGpu].store(0);
    g_gpuLocks[dwGpu].unlock();
}

bool TryLock(uint32_t dwGpu)
{
    if (dwGpu >= kMaxGpus || !g_gpuLocks[dwGpu].try_lock())
        return false;
    g_owner[dwGpu].store(ThreadNumber());
    return true;
}

}  // namespace

void InstallGpuLockFake(PlatformServices& platform)
{
    platform.lockGpuBus = &Lock;
    platform.unlockGpuBus = &Unlock;
    platform.tryLockGpuBus = &TryLock;
    platform.currentThreadId = &ThreadNumber;
}

}  // namespace test
