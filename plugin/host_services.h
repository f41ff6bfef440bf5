// Binding the host's functions (plugin/host_functions.h) by name, and the
// check of the host's version that follows it.
#pragma once

#include "plugin/host_functions.h"
#include "plugin/shared_value.h"

// Slots in binding order. Each slot is stored as soon as its name has been
// looked up, so a missing function leaves its own slot null and the slots
// behind it as an earlier binding left them. Every descriptor request binds
// again while other threads' sequences call through the slots, so each slot
// is read and written whole: a caller loads it once into a plain pointer.
struct HostServices {
    Shared<PFN_GetHostAppVersion> GetHostAppVersion;
    Shared<PFN_GetDeviceIDEx> GetDeviceIDEx;
    Shared<PFN_GetI2CBusNumEx> GetI2CBusNumEx;
    Shared<PFN_ReadI2CEx> ReadI2CEx;
    Shared<PFN_WriteI2CEx> WriteI2CEx;
};

// Looks up the host's six functions in the host's executable, in order,
// and keeps five of them (GetHostAppID need only be there). Returns true
// when all six were found.
bool BindHostServices();

// Clears g_bSupportsMultiGPU for hosts older than 2.23. Returns true for
// such a host: the caller then runs the multi-GPU prompt step.
bool CheckHostVersion();
