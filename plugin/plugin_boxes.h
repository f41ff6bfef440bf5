// The plug-in's three message boxes, each defined once: its caption, icon
// and default button, colour, buttons and text, and what its buttons give
// back. The plug-in shows them (plugin/detection_prompts.h,
// vrm/voltage_control.h); the tests, the screenshots and the layout
// benchmark take them from here.
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"

struct PluginBox {
    const char* caption;
    uint32_t type;             // message box type word: icon, default button
    uint32_t backgroundColor;  // COLORREF
    const char* buttons;       // custom button list, "" for the type's own set
};

constexpr uint32_t kLightGrey = 0xC0C0C0u;
constexpr uint32_t kDarkRed = 0x0000C8u;  // red 200

// The voltage control window. EXIT (the third button) is the default button
// with the focus: Enter or Space on a fresh window must never raise the
// voltage. Its text: vrm/voltage_window_text.h.
constexpr PluginBox kVoltageWindowBox = {"VRM Voltage Control", MB_ICONEXCLAMATION | MB_DEFBUTTON3, kLightGrey,
                                         "UP\nDOWN\nEXIT"};
constexpr int kVoltageButtonUp = PB_ID_CUSTOM1;
constexpr int kVoltageButtonDown = PB_ID_CUSTOM1 + 1;
constexpr int kVoltageButtonExit = PB_ID_CUSTOM1 + 2;

// The multi-GPU prompt of a host older than 2.23; its text takes the host's
// major and minor version.
constexpr PluginBox kMultiGpuPromptBox = {"Limited MultiGPU support", MB_ICONQUESTION, kLightGrey,
                                          "Apply settings to first GPU only\nApply settings to both GPUs"};
constexpr const char* kMultiGpuPromptText =
    "Orvane V%u.%u detected.\n\nThis plugin requires Orvane V2.23 or higher for MultiGPU support!\n\n"
    "MultiGPU support limited to TWO GPUs of same type:\n\n"
    "e.g. 2 x GTX260 or 2 x GTX280 or 1 x GTX295 or 2 x HD4870";
constexpr int kAnswerFirstGpuOnly = PB_ID_CUSTOM1;
constexpr int kAnswerBothGpus = PB_ID_CUSTOM1 + 1;

// The warning for a GPU without the chip (no button bits: a single OK); its
// text takes the GPU number twice.
constexpr PluginBox kDetectionFailedBox = {"VT1165 Detection Failed", MB_ICONHAND, kDarkRed, ""};
constexpr const char* kDetectionFailedText =
    "Unable to detect a VT1165 Voltage Regulator on GPU %i!\n\nGPU %i does not support the usage of this plugin!";

// What showing a box gives when the platform has no message box.
constexpr int kBoxNotShown = -1;

// Shows the box with the given text, owned by owner (may be null), through
// the platform's message box; returns the button pressed, or kBoxNotShown.
int ShowPluginBox(const PluginBox& box, void* owner, const char* text);
