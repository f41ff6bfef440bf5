// Over-voltage and over-current protection status. Both sources share one
// state byte in the context, one bit each, so that a failed read reports
// the status of the last successful one.
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "vrm/pinned_chip.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/vt1165_regs.h"

float ReadProtectionStatus(uint32_t dwGpu, uint8_t bit)
{
    PinnedChip chip(dwGpu);
    GpuContext& ctx = ContextOf(dwGpu);
    float result = kNoValue;
    uint8_t status = 0;
    if (chip.Read(kRegProtStatus, &status)) {
        if (status & bit) {
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(ctx.m_OVP_OCP_State | bit);
            result = 1.0f;
        } else {
            // Only the other source's bit survives.
            uint8_t otherBit = bit == kProtOvp ? kProtOcp : kProtOvp;
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(ctx.m_OVP_OCP_State & otherBit);
            result = 0.0f;
        }
    }
    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: %s data=0x%02X result=%1.1f g_context[%i].m_OVP_OCP_State=0x%02X",
                  bit == kProtOvp ? "OVP" : "OCP", static_cast<unsigned>(status), static_cast<double>(result),
                  static_cast<int>(dwGpu), static_cast<unsigned>(ctx.m_OVP_OCP_State));
    return (ctx.m_OVP_OCP_State & bit) ? 1.0f : 0.0f;
}
