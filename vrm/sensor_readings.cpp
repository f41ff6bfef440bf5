// Output current and phase temperatures.
#include "plugin/plugin_state.h"
#include "vrm/pinned_chip.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/register_cache.h"
#include "vrm/vt1165_regs.h"

float ReadOutputCurrent(const PinnedChip& chip)
{
    if (!chip.Entered())
        return kNoValue;
    GpuContext& ctx = chip.Context();
    float result = kNoValue;
    uint8_t code = 0;
    if (chip.Read(kRegCurrent, &code))
        result = CurrentCodeToAmps(code, ctx.m_currentScale);
    return StoreAndReturn(ctx.m_current, result);
}

namespace {

// Selects a phase (1..6) and reads its temperature; false at the first
// access that fails. The chip only answers the selection when the three
// writes come in this order, and the selection holds for every reader of
// the chip: the whole reading is one bus sequence, so that another thread
// polling another phase cannot switch it in between.
bool ReadSelectedPhase(const PinnedChip& chip, uint8_t phase, uint8_t* temperature)
{
    return chip.Write(kRegPhaseSelect, kPhaseSelectReset) && chip.Write(kRegPhaseKey, kPhaseKeyValue) &&
           chip.Write(kRegPhaseSelect, static_cast<uint8_t>(kPhaseSelectEnable | phase)) &&
           chip.Read(kRegPhaseTemp, temperature);
}

}  // namespace

float ReadPhaseTemperature(const PinnedChip& chip, uint8_t k)
{
    if (k >= kPhaseSlots || !chip.Entered())
        return kNoValue;
    // An unreadable phase count (0xFF) lets every phase through.
    if (k >= GetPhaseCount(chip))
        return kNoValue;

    GpuContext& ctx = chip.Context();
    float result = kNoValue;
    uint8_t temperature = 0;
    if (ReadSelectedPhase(chip, static_cast<uint8_t>(k + 1), &temperature))
        result = static_cast<float>(temperature);
    return StoreAndReturn(ctx.m_phaseTemp[k], result);
}
