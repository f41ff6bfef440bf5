// The readings of the VT1165's data sources. Each keeps the last good value
// in the GPU's context: a reading whose bus access fails returns the value
// stored by the last successful one (kNoValue when there was none since the
// context's reset). All take a GPU number below kMaxGpus.
#pragma once

#include <cstdint>

// Output voltage in volts (source 0); kNoValue while the VID mode is unknown.
float ReadOutputVoltage(uint32_t dwGpu);

// Output current in amperes (source 2).
float ReadOutputCurrent(uint32_t dwGpu);

// Temperature of phase k + 1 (k 0..5; sources 3..8) as the chip reports it;
// kNoValue for a phase beyond the GPU's phase count.
float ReadPhaseTemperature(uint32_t dwGpu, uint8_t k);

// The value a source's last good reading left in the context, read with no
// bus access (the same as a reading whose every access fails, but that the
// voltage source keeps its value while the VID mode is unknown). The caller
// holds the GPU's lock.
float StoredReading(uint32_t dwGpu, uint32_t dwSource);

// Protection status of one bit of register 0x0D (kProtOvp, source 9, or
// kProtOcp, source 10): 1.0 active, 0.0 normal. A failed read returns the
// status of the last successful one.
float ReadProtectionStatus(uint32_t dwGpu, uint8_t bit);
