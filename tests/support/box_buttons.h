// What the plug-in's boxes give back when the person at the card presses a
// button, as the tests press them (plugin/plugin_boxes.h).
#pragma once

#include "plugin/plugin_boxes.h"

namespace test {

// The voltage control window ("VRM Voltage Control").
constexpr int kUp = kVoltageButtonUp, kDown = kVoltageButtonDown, kExit = kVoltageButtonExit;

// An old host's multi-GPU prompt ("Limited MultiGPU support").
constexpr int kFirstGpuOnly = kAnswerFirstGpuOnly, kBothGpus = kAnswerBothGpus;

}  // namespace test
