// The three message boxes the plug-in shows, with typical texts: shared by
// the screenshot program and the layout benchmark.
#pragma once

#include <cstdint>

#include "vrm/voltage_control.h"

struct PluginBox {
    const char* file;  // screenshot name
    const char* caption;
    const char* text;
    uint32_t type;
    uint32_t backgroundColor;
    const char* buttons;  // custom button list, "" for the type's own set
};

inline constexpr PluginBox kPluginBoxes[] = {
    {"vrm_voltage_control.png", "VRM Voltage Control",
     "GPU=0 VID=0x3C Voltage=1.2000\n\nParameters: /sd0 /wi2,70,17,3c\n\nOVP/OCP=0", kVoltageWindowType, 0xC0C0C0,
     "UP\nDOWN\nEXIT"},
    {"limited_multigpu_support.png", "Limited MultiGPU support",
     "Orvane V2.22 detected.\n\nThis plugin requires Orvane V2.23 or higher for MultiGPU support!\n\nMultiGPU "
     "support limited to TWO GPUs of same type:\n\ne.g. 2 x GTX260 or 2 x GTX280 or 1 x GTX295 or 2 x HD4870",
     0x20, 0xC0C0C0, "Apply settings to first GPU only\nApply settings to both GPUs"},
    {"vt1165_detection_failed.png", "VT1165 Detection Failed",
     "Unable to detect a VT1165 Voltage Regulator on GPU 2!\n\nGPU 2 does not support the usage of this plugin!", 0x10,
     200, ""},
};
