// The five exports, each one door: the host's arguments are checked, the
// source index split and its GPU range checked, a call from inside one of
// the plug-in's own bus sequences (the host's I2C function calling back) is
// told apart, and what the caller gets when its GPU's bus stays busy is
// decided, all here and once. Behind the doors, plugin/ keeps the state,
// the host's functions, detection, the catalogue and the prompts; vrm/
// reads and writes the chip.
#include "exports/exports.h"

#include "plugin/detection_prompts.h"
#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "vrm/data_sources.h"
#include "vrm/voltage_control.h"
#include "vrm/vt1165_device.h"

namespace {

struct SourceIndex {
    uint32_t dwGpu;
    uint32_t dwSource;
};

// Bits 16..31 the GPU, bits 0..15 the source; true for GPUs 0..15.
bool SplitIndex(uint32_t dwIndex, SourceIndex* at)
{
    at->dwGpu = GpuOfIndex(dwIndex);
    at->dwSource = SourceOfIndex(dwIndex);
    return at->dwGpu < kMaxGpus;
}

// The module is being unloaded: nothing more is done.
bool Detaching()
{
    return g_state.g_bDetaching != 0;
}

// When the GPU's bus stays busy: a source lost for the host's whole session
// would be worse than a description from the last detection, which stands
// until a request gets the lock to scan again. Refused only when no
// detection was ever published for the GPU.
int32_t DescribeFromLastDetection(const SourceIndex& at, SourceDescriptor* pDesc)
{
    const LastGood last = Vt1165Device::OfGpu(at.dwGpu).Snapshot();
    if (!last.detected) {
        LogPrintf("GetSourceDesc: GPU %u is busy; refused", at.dwGpu);
        return 0;
    }
    LogPrintf("GetSourceDesc: GPU %u is busy; described from its last detection without scanning again", at.dwGpu);
    if (!last.found)
        return 0;
    ChipFacts facts;
    facts.devID = last.devID;
    facts.phaseCount = last.phaseCount;
    return FillSourceDescriptor(at.dwGpu, at.dwSource, facts, pDesc) ? 1 : 0;
}

// Resets, scans and publishes the GPU's detection in one sequence, and reads
// there what the description takes from the chip just found. The prompts
// are message boxes and run outside every lock: the multi-GPU prompt before
// the sequence (the last detection stays in force while it is up), the
// detection-failure warning after it.
int32_t DescribeSource(const SourceIndex& at, SourceDescriptor* pDesc)
{
    const bool hostBound = BindHostServices();
    if (hostBound && CheckHostVersion())
        RunMultiGpuPromptStep();

    const bool phaseSource = OfferOf(at.dwSource) == SourceOffer::IfPhaseActive;
    const Detected detected = Vt1165Device::OfGpu(at.dwGpu).Detect(hostBound, phaseSource);
    switch (detected.outcome) {
    case Detected::Busy: return DescribeFromLastDetection(at, pDesc);
    case Detected::NoBus: return 0;
    case Detected::NotFound: RunDetectionFailureStep(at.dwGpu); return 0;
    case Detected::Found: break;
    }
    ChipFacts facts;
    facts.devID = detected.devID;
    facts.phaseCount = detected.phaseCount;
    return FillSourceDescriptor(at.dwGpu, at.dwSource, facts, pDesc) ? 1 : 0;
}

}  // namespace

extern "C" uint32_t GetSourcesNum(void)
{
    if (!Detaching())
        LogPrintf("GetSourcesNum: Number of Data Sources: %u", kSourcesPerGpu);
    return kSourcesPerGpu;
}

extern "C" int32_t GetSourceCaps(uint32_t dwIndex, uint32_t dwCap, uint32_t* pResult)
{
    // Every source answers capability 0 alike, so the index is not examined.
    (void)dwIndex;
    if (Detaching() || dwCap != 0 || !pResult)
        return 0;
    *pResult = 1;
    return 1;
}

extern "C" int32_t GetSourceDesc(uint32_t dwIndex, SourceDescriptor* pDesc)
{
    // A request without a record to fill is refused before it touches anything.
    if (Detaching() || !pDesc)
        return 0;
    if (!g_platform.hostModulePresent || !g_platform.hostModulePresent())
        return 0;
    SourceIndex at;
    if (!SplitIndex(dwIndex, &at))
        return 0;

    LogPrintf("GetSourceDesc: dwIndex=0x%08X dwGpu=%u dwSource=%u", dwIndex, at.dwGpu, at.dwSource);
    // A new detection published in the middle of the plug-in's own sequence
    // would move the chip under it.
    if (InsideDeviceAccess()) {
        WriteLogLine("GetSourceDesc: called from inside a bus access of the plug-in; refused");
        return 0;
    }
    return DescribeSource(at, pDesc);
}

extern "C" float GetSourceData(uint32_t dwIndex)
{
    if (Detaching())
        return kNoValue;
    SourceIndex at;
    if (!SplitIndex(dwIndex, &at))
        return 0.0f;

    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: dwIndex=0x%08X dwGpu=%u dwSource=%u", dwIndex, at.dwGpu, at.dwSource);
    if (OfferOf(at.dwSource) == SourceOffer::Never)
        return kNoValue;
    // From inside one of the plug-in's own sequences the bus is that
    // sequence's, and a reading now would cut into it; when another
    // sequence holds the GPU's bus past the wait, the host must not stall.
    // Either way the device gives the last good value, without the bus.
    return Vt1165Device::OfGpu(at.dwGpu).ReadSource(at.dwSource);
}

extern "C" int32_t SetupSource(uint32_t dwIndex, void* hWnd)
{
    if (Detaching())
        return 0;
    g_state.g_bSetupOpened = 1;
    SourceIndex at;
    if (!SplitIndex(dwIndex, &at))
        return 0;

    LogPrintf("SetupSource: dwIndex=0x%08X dwGpu=%u dwSource=%u g_bSupportsMultiGPU=%u hWnd=%X", dwIndex, at.dwGpu,
              at.dwSource, static_cast<unsigned>(g_state.g_bSupportsMultiGPU),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(hWnd)));

    // An old host sets every GPU up through the first GPU's context.
    uint32_t g = at.dwGpu;
    if (g_state.g_bSupportsMultiGPU == 0) {
        if (at.dwGpu >= 1)
            g = 1;
        if (g_state.g_bApplyToBoth)
            WriteLogLine("SetupSource: Using the same settings on GPU 1 and GPU 2");
    }
    if (at.dwSource != kSourceOutputVoltage)
        return 0;
    if (!hWnd)
        return 1;  // nothing to show, nothing touched

    // A window shown from inside a sequence would hold that GPU's lock for
    // as long as it is up.
    if (InsideDeviceAccess()) {
        WriteLogLine("SetupSource: called from inside a bus access of the plug-in; nothing opened");
        return 0;
    }
    // The host's timers keep running inside the window's message loop, and
    // other threads may call too; a second window would step the same
    // register from a value the first one no longer shows. Claimed for the
    // rest of this call, released by this call only.
    FlagClaim window(g_state.g_bVoltageWindowOpen);
    if (!window.Taken()) {
        WriteLogLine("SetupSource: a voltage control window is already open; nothing opened");
        return 0;
    }
    return RunVoltageControlWindow(hWnd, g);
}
