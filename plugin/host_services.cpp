#include "plugin/host_services.h"

#include "plugin/platform.h"
#include "plugin/plugin_state.h"

namespace {

template <typename Fn>
Fn Lookup(const char* name)
{
    void* address = g_platform.findHostExport ? g_platform.findHostExport(name) : nullptr;
    return reinterpret_cast<Fn>(address);
}

// Stores a looked-up address into its slot, whole, and returns it.
template <typename Fn>
Fn Store(Shared<Fn>& slot, Fn address)
{
    slot = address;
    return address;
}

}  // namespace

bool BindHostServices()
{
    HostServices& host = g_state.g_hostServices;

    // Its presence is required; its address is never used.
    if (!Lookup<void*>("GetHostAppID"))
        return false;
    // Each slot is stored before it is tested.
    if (!Store(host.GetHostAppVersion, Lookup<PFN_GetHostAppVersion>("GetHostAppVersion")))
        return false;
    if (!Store(host.GetDeviceIDEx, Lookup<PFN_GetDeviceIDEx>("GetDeviceIDEx")))
        return false;
    if (!Store(host.GetI2CBusNumEx, Lookup<PFN_GetI2CBusNumEx>("GetI2CBusNumEx")))
        return false;
    if (!Store(host.ReadI2CEx, Lookup<PFN_ReadI2CEx>("ReadI2CEx")))
        return false;
    if (!Store(host.WriteI2CEx, Lookup<PFN_WriteI2CEx>("WriteI2CEx")))
        return false;
    return true;
}

bool CheckHostVersion()
{
    const PFN_GetHostAppVersion version = g_state.g_hostServices.GetHostAppVersion;
    if (version() >= kMultiGpuHostVersion)
        return false;
    g_state.g_bSupportsMultiGPU = 0;
    return true;
}
