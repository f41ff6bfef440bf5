// The functions the host exports from its executable for its plug-ins, as
// the plug-in calls them: plain cdecl functions. Bus, device and register
// are bytes; the buffer is one byte, and a zero result means failure (the
// buffer is then not used). Their binding is plugin/host_services.h.
#pragma once

#include <cstdint>

typedef uint32_t (*PFN_GetHostAppVersion)(void);
typedef uint32_t (*PFN_GetDeviceIDEx)(uint32_t dwGpu);
typedef uint32_t (*PFN_GetI2CBusNumEx)(uint32_t dwGpu);
typedef int32_t (*PFN_ReadI2CEx)(uint32_t dwGpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);
typedef int32_t (*PFN_WriteI2CEx)(uint32_t dwGpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);

// Version as GetHostAppVersion gives it: major in bits 24..31, minor in
// bits 16..23.
constexpr uint32_t kMultiGpuHostVersion = 0x02170000u;  // 2.23: every GPU in a setup window

inline uint32_t HostVersionMajor(uint32_t version)
{
    return (version >> 24) & 0xFFu;
}
inline uint32_t HostVersionMinor(uint32_t version)
{
    return (version >> 16) & 0xFFu;
}
