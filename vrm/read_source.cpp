// Which reading serves which source number.
#include "plugin/plugin_state.h"
#include "plugin/source_catalogue.h"
#include "vrm/pinned_chip.h"
#include "vrm/readings.h"
#include "vrm/vt1165_regs.h"

float ReadSource(const PinnedChip& chip, uint32_t dwSource)
{
    if (dwSource == kSourceOutputVoltage)
        return ReadOutputVoltage(chip);
    if (dwSource == kSourceOutputCurrent)
        return ReadOutputCurrent(chip);
    if (dwSource >= kSourceFirstPhase && dwSource <= kSourceLastPhase)
        return ReadPhaseTemperature(chip, static_cast<uint8_t>(dwSource - kSourceFirstPhase));
    if (dwSource == kSourceOvpStatus)
        return ReadProtectionStatus(chip, kProtOvp);
    if (dwSource == kSourceOcpStatus)
        return ReadProtectionStatus(chip, kProtOcp);
    // Source 1 and numbers above 10 have no reading.
    return kNoValue;
}
