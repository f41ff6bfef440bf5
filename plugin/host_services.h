// The host's exported functions that the plug-in binds by name, and the
// operations that bind them and check the host's version.
#pragma once

#include <cstdint>

#include "plugin/shared_value.h"

// Signatures of the host's exports (plain cdecl functions of the host's
// executable). Bus, device and register are bytes; the buffer is one byte.
typedef uint32_t (*PFN_GetHostAppVersion)(void);
typedef uint32_t (*PFN_GetDeviceIDEx)(uint32_t dwGpu);
typedef uint32_t (*PFN_GetI2CBusNumEx)(uint32_t dwGpu);
typedef int32_t (*PFN_ReadI2CEx)(uint32_t dwGpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);
typedef int32_t (*PFN_WriteI2CEx)(uint32_t dwGpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);

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

// First host version that addresses every GPU in a setup window (2.23).
constexpr uint32_t kMultiGpuHostVersion = 0x02170000u;

inline uint32_t HostVersionMajor(uint32_t version)
{
    return (version >> 24) & 0xFFu;
}
inline uint32_t HostVersionMinor(uint32_t version)
{
    return (version >> 16) & 0xFFu;
}

// Looks up the host's six functions in the host's executable, in order,
// and keeps five of them (GetHostAppID need only be there). Returns true
// when all six were found.
bool BindHostServices();

// Clears g_bSupportsMultiGPU for hosts older than 2.23. Returns true for
// such a host: the caller then runs the multi-GPU prompt step.
bool CheckHostVersion();
