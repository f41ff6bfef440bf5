// Output current and phase temperatures.
#include "plugin/gpu_bus_lock.h"
#include "plugin/plugin_state.h"
#include "vrm/chip_access.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/register_cache.h"
#include "vrm/vt1165_regs.h"

float ReadOutputCurrent(uint32_t dwGpu)
{
    GpuContext& ctx = ContextOf(dwGpu);
    float result = kNoValue;
    uint8_t code = 0;
    if (ReadChipRegister(dwGpu, kRegCurrent, &code))
        result = CurrentCodeToAmps(code, ctx.m_currentScale);
    return StoreAndReturn(ctx.m_current, result);
}

namespace {

// Selects a phase (1..6) and reads its temperature; false at the first
// access that fails. The chip only answers the selection when the three
// writes come in this order, and the selection holds for every reader of
// the chip: the four accesses run under the GPU's bus lock, so that a
// second thread polling another phase cannot switch it in between.
bool ReadSelectedPhase(uint32_t dwGpu, uint8_t phase, uint8_t* temperature)
{
    GpuBusLock lock(dwGpu);
    return WriteChipRegister(dwGpu, kRegPhaseSelect, kPhaseSelectReset) &&
           WriteChipRegister(dwGpu, kRegPhaseKey, kPhaseKeyValue) &&
           WriteChipRegister(dwGpu, kRegPhaseSelect, static_cast<uint8_t>(kPhaseSelectEnable | phase)) &&
           ReadChipRegister(dwGpu, kRegPhaseTemp, temperature);
}

}  // namespace

float ReadPhaseTemperature(uint32_t dwGpu, uint8_t k)
{
    // An unreadable phase count (0xFF) lets every phase through.
    if (k >= kPhaseSlots || k >= GetPhaseCount(dwGpu))
        return kNoValue;

    GpuContext& ctx = ContextOf(dwGpu);
    float result = kNoValue;
    uint8_t temperature = 0;
    if (ReadSelectedPhase(dwGpu, static_cast<uint8_t>(k + 1), &temperature))
        result = static_cast<float>(temperature);
    return StoreAndReturn(ctx.m_phaseTemp[k], result);
}
