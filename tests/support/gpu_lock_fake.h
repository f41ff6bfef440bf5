// The per-GPU bus locks of the native tests, a mutex per GPU number as the
// Windows layer gives a critical section per GPU, and thread numbers.
#pragma once

#include "plugin/platform.h"

namespace test {

// Sets the lock entries of the given platform table.
void InstallGpuLockFake(PlatformServices& platform);

}  // namespace test
