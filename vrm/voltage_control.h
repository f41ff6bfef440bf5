// The voltage control window of a GPU's voltage source: a message box with
// UP, DOWN and EXIT that steps the chip's active VID register by one code
// per press and writes it at once.
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"
#include "vrm/vid_writes.h"

// Custom buttons of the window, as the message box reports them.
constexpr int kVoltageButtonUp = PB_ID_CUSTOM1;
constexpr int kVoltageButtonDown = PB_ID_CUSTOM1 + 1;
constexpr int kVoltageButtonExit = PB_ID_CUSTOM1 + 2;

// Exclamation icon, and EXIT (the third button) as the default button with
// the focus: Enter or Space on a fresh window must never raise the voltage.
constexpr uint32_t kVoltageWindowType = MB_ICONEXCLAMATION | MB_DEFBUTTON3;
