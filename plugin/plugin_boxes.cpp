#include "plugin/plugin_boxes.h"

#include <cstdio>

#include "plugin/platform.h"

int ShowPluginBox(const PluginBox& box, void* owner, const char* text)
{
    if (!g_platform.showPromptBox)
        return kBoxNotShown;
    PromptBoxParams params;
    params.backgroundColor = box.backgroundColor;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", box.buttons);
    return g_platform.showPromptBox(owner, text, box.caption, box.type, &params);
}
