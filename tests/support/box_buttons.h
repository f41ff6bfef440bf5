// What the plug-in's boxes give back when the person at the card presses a
// button, as the tests press them.
#pragma once

namespace test {

// The voltage control window ("VRM Voltage Control").
constexpr int kUp = 23, kDown = 24, kExit = 25;

// An old host's multi-GPU prompt ("Limited MultiGPU support").
constexpr int kFirstGpuOnly = 23, kBothGpus = 24;

}  // namespace test
