// GetSourceData: the host's periodic request for the value of one source.
#include "plugin/bus_sequence.h"
#include "plugin/exports.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/source_catalogue.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/vt1165_regs.h"

extern "C" float GetSourceData(uint32_t dwIndex)
{
    uint32_t dwGpu = GpuOfIndex(dwIndex);
    uint32_t dwSource = SourceOfIndex(dwIndex);
    if (dwGpu >= kMaxGpus)
        return 0.0f;

    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: dwIndex=0x%08X dwGpu=%u dwSource=%u", dwIndex, dwGpu, dwSource);

    // From inside one of the plug-in's own bus sequences (the host's I2C
    // function calling back): the bus is busy with that sequence, and a
    // reading now would cut into it, so the last good value is returned.
    if (InsideBusSequence()) {
        if (InsideBusSequenceOf(dwGpu))
            return StoredReading(dwGpu, dwSource);
        StoredValuesLock lock(dwGpu);
        return lock.Taken() ? StoredReading(dwGpu, dwSource) : kNoValue;
    }

    if (dwSource == kSourceOutputVoltage)
        return ReadOutputVoltage(dwGpu);
    if (dwSource == kSourceOutputCurrent)
        return ReadOutputCurrent(dwGpu);
    if (dwSource >= kSourceFirstPhase && dwSource <= kSourceLastPhase)
        return ReadPhaseTemperature(dwGpu, static_cast<uint8_t>(dwSource - kSourceFirstPhase));
    if (dwSource == kSourceOvpStatus)
        return ReadProtectionStatus(dwGpu, kProtOvp);
    if (dwSource == kSourceOcpStatus)
        return ReadProtectionStatus(dwGpu, kProtOcp);
    // Source 1 and numbers above 10 have no reading.
    return kNoValue;
}
