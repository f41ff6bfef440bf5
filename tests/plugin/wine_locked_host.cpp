#include "tests/plugin/wine_locked_host.h"

#include <mutex>

namespace test {

namespace {

LockedHost* g_host = nullptr;
std::mutex g_busLock;
thread_local bool t_inCallback = false;
constexpr uint32_t kHostAppId = 0x4F52564Eu;  // "ORVN"

int32_t Transfer(bool write, uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    LockedHost* host = g_host;
    if (!host)
        return 0;
    bool pass = true;
    if (!t_inCallback && host->beforeAccess) {
        I2CAccess access = {GetCurrentThreadId(), gpu, bus, dev, reg, write, write && data ? *data : uint8_t(0)};
        t_inCallback = true;
        pass = host->beforeAccess(access);
        t_inCallback = false;
    }
    std::lock_guard<std::mutex> lock(g_busLock);
    sim::Faults& faults = host->model.faults;
    const uint32_t failNext = faults.failNext;
    if (!pass)
        faults.failNext = failNext + 1;  // recorded as a failed access
    int32_t result = write ? host->model.Write(gpu, bus, dev, reg, data) : host->model.Read(gpu, bus, dev, reg, data);
    if (!pass)
        faults.failNext = failNext;  // an access to no device leaves it unused
    return result;
}

}  // namespace

LockedHost::LockedHost(sim::Vt1165Model& served) : model(served)
{
    g_host = this;
}

LockedHost::~LockedHost()
{
    g_host = nullptr;
}

void LockedHost::Locked(const std::function<void()>& change)
{
    std::lock_guard<std::mutex> lock(g_busLock);
    change();
}

std::size_t LockedHost::Accesses()
{
    std::lock_guard<std::mutex> lock(g_busLock);
    return model.trace.size();
}

}  // namespace test

extern "C" {

__declspec(dllexport) uint32_t GetHostAppID(void)
{
    return test::kHostAppId;
}

__declspec(dllexport) uint32_t GetHostAppVersion(void)
{
    return test::g_host ? test::g_host->model.hostVersion : 0;
}

__declspec(dllexport) uint32_t GetDeviceIDEx(uint32_t gpu)
{
    return test::g_host && gpu < test::g_host->model.GpuCount() ? 0x10DE0000u | gpu : 0;
}

__declspec(dllexport) uint32_t GetI2CBusNumEx(uint32_t gpu)
{
    return test::g_host ? test::g_host->model.BusCount(gpu) : 0;
}

__declspec(dllexport) int32_t ReadI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    return test::Transfer(false, gpu, bus, dev, reg, data);
}

__declspec(dllexport) int32_t WriteI2CEx(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    return test::Transfer(true, gpu, bus, dev, reg, data);
}

}  // extern "C"
