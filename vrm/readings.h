// The readings of the VT1165's data sources, each called with the device's
// lock held (vrm/vt1165_device.h). Each keeps the last good value in the
// GPU's context: a reading whose bus access fails returns the value stored
// by the last successful one (kNoValue when there was none since the
// context's reset). Which reading serves which source: vrm/data_sources.h.
#pragma once

#include <cstdint>

class ChipAccess;

// Output voltage in volts (source 0); kNoValue while the VID mode is unknown.
float ReadOutputVoltage(ChipAccess& chip);

// Output current in amperes (source 2).
float ReadOutputCurrent(ChipAccess& chip);

// Temperature of phase k + 1 (k 0..5; sources 3..8) as the chip reports it;
// kNoValue for a phase beyond the GPU's phase count.
float ReadPhaseTemperature(ChipAccess& chip, uint8_t k);

// Protection status of one bit of register 0x0D (kProtOvp, source 9, or
// kProtOcp, source 10): 1.0 active, 0.0 normal. A failed read returns the
// status of the last successful one.
float ReadProtectionStatus(ChipAccess& chip, uint8_t bit);
