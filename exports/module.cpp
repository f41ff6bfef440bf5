#include "exports/module.h"

#include "plugin/plugin_state.h"
#include "plugin/startup.h"
#include "vrm/vt1165_device.h"

bool ModuleAttach(const char* modulePath)
{
    return PluginAttach(modulePath);
}

void ModuleDetach()
{
    g_state.g_bDetaching = 1;
    Vt1165Device::LogBusySpellsAtUnload();
    PluginDetach();
    Vt1165Device::ReleaseAll();
}
