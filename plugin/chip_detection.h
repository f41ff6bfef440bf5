// Finding the VT1165 on a GPU's I2C buses.
#pragma once

#include <cstdint>

constexpr uint8_t kChipAddress = 0x70;     // the only address tried on each bus
constexpr uint8_t kRegDeviceId = 0x1A;     // identification register
constexpr uint8_t kVt1165DeviceId = 0x0A;  // what the VT1165 answers there

enum class ScanResult { NoBus, NotFound, Found };

// What one scan found. Nothing of it is in the GPU's context until it is
// published, in one step, under the GPU's lock (vrm/pinned_chip.h): until
// then readings, windows and presses go on with the last detection.
struct Detection {
    ScanResult result = ScanResult::NoBus;
    uint8_t bus = 0;    // where the chip answered (Found)
    uint8_t devID = 0;  // the last identifier read, the chip's when Found
};

// A GPU's last published detection, as any caller may read it without the
// GPU's lock: a descriptor request that cannot get the lock in time
// describes from it instead of scanning again.
struct PublishedDetection {
    bool published = false;  // a detection was ever published for the GPU
    bool found = false;      // it found the chip
    uint8_t devID = 0;       // the chip's identifier, when found
};

// Kept by the one publication of a detection (vrm/pinned_chip.h), under the
// GPU's lock; read by anyone.
void KeepPublishedDetection(uint32_t dwGpu, const Detection& found);
PublishedDetection LastPublishedDetection(uint32_t dwGpu);

// Reads the GPU's bus count and searches its buses in order for a device at
// 0x70 whose identification register reads 0x0A. Touches no context. The
// caller holds the GPU's bus sequence, with the host's functions bound.
Detection ScanForChip(uint32_t dwGpu);

// The log line of a chip found at detection.
void LogFoundChip(uint32_t dwGpu, const Detection& found);
