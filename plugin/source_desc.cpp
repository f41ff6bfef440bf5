// GetSourceDesc: every request resets the GPU's context and detects the chip
// again before it describes the source.
#include "plugin/bus_sequence.h"
#include "plugin/chip_detection.h"
#include "plugin/exports.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "plugin/source_catalogue.h"

extern "C" int32_t GetSourceDesc(uint32_t dwIndex, SourceDescriptor* pDesc)
{
    // A request without a record to fill is refused before it touches anything.
    if (!pDesc)
        return 0;
    if (!g_platform.hostModulePresent || !g_platform.hostModulePresent())
        return 0;

    uint32_t dwGpu = GpuOfIndex(dwIndex);
    uint32_t dwSource = SourceOfIndex(dwIndex);
    if (dwGpu >= kMaxGpus)
        return 0;

    LogPrintf("GetSourceDesc: dwIndex=0x%08X dwGpu=%u dwSource=%u", dwIndex, dwGpu, dwSource);
    // From inside one of the plug-in's own bus sequences (the host's I2C
    // function calling back): a reset now would move the chip under it.
    if (InsideBusSequence()) {
        WriteLogLine("GetSourceDesc: called from inside a bus access of the plug-in; refused");
        return 0;
    }

    if (!DetectChip(dwGpu))
        return 0;
    return FillSourceDescriptor(dwGpu, dwSource, pDesc) ? 1 : 0;
}
