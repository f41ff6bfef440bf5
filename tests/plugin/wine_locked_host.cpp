#include "tests/plugin/wine_locked_host.h"

#include <mutex>

#include "sim/host_exports.h"

namespace test {

namespace {

LockedHost* g_host = nullptr;
std::mutex g_busLock;
thread_local bool t_inCallback = false;

bool BeforeAccess(const sim::HostAccess& a)
{
    LockedHost* host = g_host;
    if (!host || t_inCallback || !host->beforeAccess)
        return true;
    I2CAccess access = {GetCurrentThreadId(), a.gpu, a.bus, a.dev, a.reg, a.write, a.value};
    t_inCallback = true;
    bool pass = host->beforeAccess(access);
    t_inCallback = false;
    return pass;
}

}  // namespace

LockedHost::LockedHost(sim::Vt1165Model& served) : model(served)
{
    g_host = this;
    model.transactionLock = &g_busLock;
    sim::SetHostModel(&model);
    sim::g_onHostAccess = &BeforeAccess;
}

LockedHost::~LockedHost()
{
    sim::g_onHostAccess = nullptr;
    sim::SetHostModel(nullptr);
    model.transactionLock = nullptr;
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
