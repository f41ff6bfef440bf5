#include "tests/support/gpu_lock_fake.h"

#include <mutex>

#include "plugin/plugin_state.h"

namespace test {

namespace {

std::recursive_mutex g_gpuLocks[kMaxGpus];

void Lock(uint32_t dwGpu)
{
    if (dwGpu < kMaxGpus)
        g_gpuLocks[dwGpu].lock();
}

void Unlock(uint32_t dwGpu)
{
    if (dwGpu < kMaxGpus)
        g_gpuLocks[dwGpu].unlock();
}

}  // namespace

void InstallGpuLockFake(PlatformServices& platform)
{
    platform.lockGpuBus = &Lock;
    platform.unlockGpuBus = &Unlock;
}

}  // namespace test
