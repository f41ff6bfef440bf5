#include "plugin/plugin_state.h"

#include <cstring>

#include "plugin/log.h"

PluginState g_state;

void InitContext(uint32_t dwGpu)
{
    LogPrintf("InitContext: dwGpu=%u", dwGpu);

    GpuContext& ctx = g_state.g_context[dwGpu];
    ctx.m_bus = 0;
    ctx.m_dev = 0;
    ctx.m_devID = 0;
    std::memset(ctx.m_config, kNotCached, sizeof ctx.m_config);
    ctx.m_vidMode = kNotCached;
    ctx.m_phaseCount = kNotCached;
    ctx.m_OVP_OCP_State = 0;
    ctx.m_voltage = kNoValue;
    for (float& t : ctx.m_phaseTemp)
        t = kNoValue;
    ctx.m_current = kNoValue;
    ctx.m_currentScale = kResetCurrentScale;
}
