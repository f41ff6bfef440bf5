// The voltage control window of a GPU's voltage source: a message box with
// UP, DOWN and EXIT that steps the chip's active VID register by one code
// per press and writes it at once.
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"

// Custom buttons of the window, as the message box reports them.
constexpr int kVoltageButtonUp = PB_ID_CUSTOM1;
constexpr int kVoltageButtonDown = PB_ID_CUSTOM1 + 1;
constexpr int kVoltageButtonExit = PB_ID_CUSTOM1 + 2;

// GPU whose setting an old host's second GPU also receives.
constexpr uint32_t kMirrorGpu = 2;

// One step of a VID register value: the 7-bit code moves by one within
// 0..0x7F and bit 7 stays as it was; a step beyond either end leaves the
// value unchanged, so a press never moves the voltage the wrong way.
uint8_t StepVidValue(uint8_t value, int direction);
