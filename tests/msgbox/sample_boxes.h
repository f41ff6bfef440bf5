// The plug-in's three boxes (plugin/plugin_boxes.h) as they show with
// typical texts: the screenshots and the layout benchmark use these.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "plugin/plugin_boxes.h"

struct SampleBox {
    const char* file;  // screenshot name
    const PluginBox* box;
    std::string text;
};

inline std::vector<SampleBox> SampleBoxes()
{
    char prompt[256];
    std::snprintf(prompt, sizeof prompt, kMultiGpuPromptText, 2u, 22u);
    char failed[256];
    std::snprintf(failed, sizeof failed, kDetectionFailedText, 2, 2);
    return {
        {"vrm_voltage_control.png", &kVoltageWindowBox,
         "GPU=0 VID=0x3C Voltage=1.2000\n\nParameters: /sd0 /wi2,70,17,3c\n\nOVP/OCP=0"},
        {"limited_multigpu_support.png", &kMultiGpuPromptBox, prompt},
        {"vt1165_detection_failed.png", &kDetectionFailedBox, failed},
    };
}
