// Finding the VT1165 on a GPU's I2C buses.
#pragma once

#include <cstdint>

#include "chip/vt1165_registers.h"

enum class ScanResult { NoBus, NotFound, Found };

// What one scan found. Nothing of it is in the GPU's context until it is
// published, in one step, under the GPU's lock (vrm/vt1165_device.h): until
// then readings, windows and presses go on with the last detection.
struct Detection {
    ScanResult result = ScanResult::NoBus;
    uint8_t bus = 0;    // where the chip answered (Found)
    uint8_t devID = 0;  // the last identifier read, the chip's when Found
};

// Reads the GPU's bus count and searches its buses in order for a device at
// 0x70 whose identification register reads 0x0A. Touches no context. Called
// with the GPU's lock held and the host's functions bound.
Detection ScanForChip(uint32_t dwGpu);

// The log line of a chip found at detection.
void LogFoundChip(uint32_t dwGpu, const Detection& found);
