#include "sim/host_exports.h"

#include <cstring>

#include "sim/host_policy.h"

namespace sim {

namespace {
Vt1165Model* g_model = nullptr;
constexpr uint32_t kHostAppId = 0x4F52564Eu;  // "ORVN"
}  // namespace

void (*g_onHostCall)() = nullptr;
bool (*g_onHostAccess)(const HostAccess& access) = nullptr;

void SetHostModel(Vt1165Model* model)
{
    g_model = model;
}
Vt1165Model* HostModel()
{
    return g_model;
}

namespace {

int32_t TransferHere(bool write, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    if (g_onHostCall)
        g_onHostCall();
    if (!g_model)
        return 0;
    if (g_onHostAccess && !g_onHostAccess(HostAccess{gpu, bus, dev, reg, write, write && data ? *data : uint8_t(0)}))
        return g_model->Refuse(gpu, bus, dev, reg, write, data);
    return write ? g_model->Write(gpu, bus, dev, reg, data) : g_model->Read(gpu, bus, dev, reg, data);
}

}  // namespace

int32_t Transfer(bool write, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    HostPolicy* policy = CurrentHostPolicy();
    if (!policy)
        return TransferHere(write, gpu, bus, dev, reg, data);
    return policy->Run([&] { return TransferHere(write, gpu, bus, dev, reg, data); });
}

void* FindHostFunction(const char* name)
{
    struct Entry {
        const char* name;
        void* address;
    };
    static const Entry kEntries[] = {
        {"GetHostAppID", reinterpret_cast<void*>(&GetHostAppID)},
        {"GetHostAppVersion", reinterpret_cast<void*>(&GetHostAppVersion)},
        {"GetDeviceIDEx", reinterpret_cast<void*>(&GetDeviceIDEx)},
        {"GetI2CBusNumEx", reinterpret_cast<void*>(&GetI2CBusNumEx)},
        {"ReadI2CEx", reinterpret_cast<void*>(&ReadI2CEx)},
        {"WriteI2CEx", reinterpret_cast<void*>(&WriteI2CEx)},
    };
    for (const Entry& e : kEntries)
        if (name && std::strcmp(e.name, name) == 0)
            return e.address;
    return nullptr;
}

}  // namespace sim

extern "C" {

uint32_t GetHostAppID(void)
{
    return sim::kHostAppId;
}

uint32_t GetHostAppVersion(void)
{
    return sim::g_model ? sim::g_model->hostVersion : 0;
}

uint32_t GetDeviceIDEx(uint32_t gpu)
{
    return sim::g_model && gpu < sim::g_model->GpuCount() ? 0x10DE0000u | gpu : 0;
}

uint32_t GetI2CBusNumEx(uint32_t gpu)
{
    return sim::g_model ? sim::g_model->BusCount(gpu) : 0;
}

int32_t ReadI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    return sim::Transfer(false, gpu, bus, dev, reg, data);
}

int32_t WriteI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    return sim::Transfer(true, gpu, bus, dev, reg, data);
}

}  // extern "C"
