// The six functions a host exports to its plug-ins, backed by a model. In the
// Windows host simulator they are exported from the executable by name, as
// the real host does; native tests hand their addresses to the plug-in.
#pragma once

#include <cstdint>

#include "sim/vt1165_model.h"

#if defined(_WIN32)
#define SIM_HOST_EXPORT __declspec(dllexport)
#else
#define SIM_HOST_EXPORT
#endif

extern "C" {
SIM_HOST_EXPORT uint32_t GetHostAppID(void);
SIM_HOST_EXPORT uint32_t GetHostAppVersion(void);
SIM_HOST_EXPORT uint32_t GetDeviceIDEx(uint32_t gpu);
SIM_HOST_EXPORT uint32_t GetI2CBusNumEx(uint32_t gpu);
SIM_HOST_EXPORT int32_t ReadI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);
SIM_HOST_EXPORT int32_t WriteI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);
}

namespace sim {

// The model behind the exports; null makes every access fail.
void SetHostModel(Vt1165Model* model);
Vt1165Model* HostModel();

// What ReadI2CEx and WriteI2CEx do: the hooks, then the model's access, the
// whole as the installed host policy runs it (sim/host_policy.h).
int32_t Transfer(bool write, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data);

// Address of one of the six exports by name, null for any other name.
void* FindHostFunction(const char* name);

// A hook the host simulator runs inside every I2C call, as a real host may
// pump messages or call back into the plug-in there. Null by default.
extern void (*g_onHostCall)();

// The same, told which access is under way (before the model sees it), and
// able to make the host report it as failed: false, and the model records
// it as a failed access without carrying it out.
struct HostAccess {
    uint32_t gpu;
    uint8_t bus;
    uint8_t dev;
    uint8_t reg;
    bool write;
    uint8_t value;  // the byte to be written; 0 for a read
};
extern bool (*g_onHostAccess)(const HostAccess& access);

}  // namespace sim
