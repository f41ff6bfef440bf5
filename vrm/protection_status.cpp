// Over-voltage and over-current protection status. Both sources share one
// state byte in the context, one bit each, so that a failed read reports
// the status of the last successful one.
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "vrm/pinned_chip.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/vt1165_regs.h"

namespace {

// The bit of the context's protection state that a status bit of register
// 0x0D sets.
uint8_t StateBitOf(uint8_t statusBit)
{
    return statusBit == kProtOvp ? kStateOverVoltage : kStateOverCurrent;
}

}  // namespace

float ReadProtectionStatus(const PinnedChip& chip, uint8_t bit)
{
    if (!chip.Entered())
        return 0.0f;
    GpuContext& ctx = chip.Context();
    const uint8_t stateBit = StateBitOf(bit);
    float result = kNoValue;
    uint8_t status = 0;
    if (chip.Read(kRegProtStatus, &status)) {
        // Changed only here, under the GPU's lock: read, modify, write.
        const uint8_t state = ctx.m_OVP_OCP_State;
        if (status & bit) {
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(state | stateBit);
            result = 1.0f;
        } else {
            // Only the other source's bit survives.
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(state & ~stateBit);
            result = 0.0f;
        }
    }
    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: %s data=0x%02X result=%1.1f g_context[%i].m_OVP_OCP_State=0x%02X",
                  bit == kProtOvp ? "OVP" : "OCP", static_cast<unsigned>(status), static_cast<double>(result),
                  static_cast<int>(chip.Gpu()), static_cast<unsigned>(ctx.m_OVP_OCP_State));
    return (ctx.m_OVP_OCP_State & stateBit) ? 1.0f : 0.0f;
}
