// The value a source's last good reading left in a GPU's context, read with
// no bus access and without the GPU's lock: what a reading returns when it
// cannot use the bus (called from inside a bus sequence, or its wait for the
// lock ran out).
#pragma once

#include <cstdint>

// As a reading whose every access failed, but that the voltage source keeps
// its value while the VID mode is unknown and a status is always 1.0 or
// 0.0 (0.0 before the first good read). dwGpu below kMaxGpus.
float StoredReading(uint32_t dwGpu, uint32_t dwSource);
