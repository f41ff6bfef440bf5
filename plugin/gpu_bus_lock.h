// Holds a GPU's bus lock for one scope: the phase selection and its read, or
// the voltage window's read-before-write, run as one sequence even when the
// host polls from several threads. Never held across a message box: the
// host's calls from inside the box's message loop must still be served.
#pragma once

#include <cstdint>

#include "plugin/platform.h"

class GpuBusLock {
public:
    explicit GpuBusLock(uint32_t dwGpu) : dwGpu_(dwGpu)
    {
        if (g_platform.lockGpuBus && g_platform.unlockGpuBus)
            g_platform.lockGpuBus(dwGpu_);
        else
            dwGpu_ = kNotLocked;
    }
    ~GpuBusLock()
    {
        if (dwGpu_ != kNotLocked && g_platform.unlockGpuBus)
            g_platform.unlockGpuBus(dwGpu_);
    }
    GpuBusLock(const GpuBusLock&) = delete;
    GpuBusLock& operator=(const GpuBusLock&) = delete;

private:
    static constexpr uint32_t kNotLocked = 0xFFFFFFFFu;
    uint32_t dwGpu_;
};
