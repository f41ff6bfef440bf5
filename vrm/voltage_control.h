// The voltage control window of a GPU's voltage source: a message box with
// UP, DOWN and EXIT that steps the chip's active VID register by one code
// per press and writes it at once.
#pragma once

#include <cstdint>

// Custom buttons of the window, as the message box reports them.
constexpr int kVoltageButtonUp = 23;
constexpr int kVoltageButtonDown = 24;
constexpr int kVoltageButtonExit = 25;

// GPU whose setting an old host's second GPU also receives.
constexpr uint32_t kMirrorGpu = 2;

// One step of a VID register value: the 7-bit code moves by one within
// 0..0x7F and bit 7 stays as it was; a step beyond either end leaves the
// value unchanged, so a press never moves the voltage the wrong way.
uint8_t StepVidValue(uint8_t value, int direction);
