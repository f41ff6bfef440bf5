// Finding the VT1165 on a GPU's I2C buses.
#pragma once

#include <cstdint>

constexpr uint8_t kChipAddress = 0x70;      // the only address tried on each bus
constexpr uint8_t kRegDeviceId = 0x1A;      // identification register
constexpr uint8_t kVt1165DeviceId = 0x0A;   // what the VT1165 answers there

enum class ScanResult { NoBus, NotFound, Found };

// Reads the GPU's bus count and searches its buses in order for a device at
// 0x70 whose identification register reads 0x0A. Fills m_bus, m_dev and
// m_devID of the GPU's context when it is found. The caller holds the GPU's
// bus sequence.
ScanResult ScanForChip(uint32_t dwGpu);

// The detection part of a descriptor request: resets the context, binds the
// host, checks its version and scans, all under the GPU's lock; the
// multi-GPU prompt and the detection-failure warning run outside it. Logs
// the found device. Returns true when the chip was found.
bool DetectChip(uint32_t dwGpu);
