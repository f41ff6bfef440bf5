#include "plugin/stored_readings.h"

#include "plugin/plugin_state.h"
#include "plugin/source_catalogue.h"

float StoredReading(uint32_t dwGpu, uint32_t dwSource)
{
    const GpuContext& ctx = g_state.g_context[dwGpu];
    switch (dwSource) {
    case kSourceOutputVoltage: return ctx.m_voltage;
    case kSourceOutputCurrent: return ctx.m_current;
    case kSourceOvpStatus: return (ctx.m_OVP_OCP_State & kStateOverVoltage) ? 1.0f : 0.0f;
    case kSourceOcpStatus: return (ctx.m_OVP_OCP_State & kStateOverCurrent) ? 1.0f : 0.0f;
    default: break;
    }
    if (dwSource >= kSourceFirstPhase && dwSource <= kSourceLastPhase) {
        uint32_t k = dwSource - kSourceFirstPhase;
        // A phase beyond a known phase count has no reading.
        uint8_t phases = ctx.m_phaseCount;
        if (phases != kNotCached && k >= phases)
            return kNoValue;
        return ctx.m_phaseTemp[k];
    }
    return kNoValue;
}
