// What the per-GPU bus locks need of the platform, for the native tests and
// benchmarks: wake-up events (a mutex and a condition variable each, as the
// Windows layer gives a kernel event), a millisecond clock and thread numbers.
#pragma once

#include "plugin/platform.h"

namespace test {

// Sets the event, clock and thread-number entries of the given platform table.
void InstallGpuLockFake(PlatformServices& platform);

}  // namespace test
