#include "plugin/chip_detection.h"

#include "plugin/bus_sequence.h"
#include "plugin/detection_prompts.h"
#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"

ScanResult ScanForChip(uint32_t dwGpu)
{
    const HostServices& host = g_state.g_hostServices;
    uint8_t busCount = static_cast<uint8_t>(host.GetI2CBusNumEx(dwGpu) & 0xFFu);
    if (busCount == 0)
        return ScanResult::NoBus;

    for (uint8_t bus = 0; bus < busCount; ++bus) {
        // Runs inside the descriptor request's bus sequence: a call back
        // from the host's function is refused, so the context stays ours.
        GpuContext& ctx = ContextOf(dwGpu);
        if (host.ReadI2CEx(dwGpu, bus, kChipAddress, kRegDeviceId, &ctx.m_devID) &&
            ctx.m_devID == kVt1165DeviceId) {
            ctx.m_bus = bus;
            ctx.m_dev = kChipAddress;
            // A sequence that pinned the context before this detection must
            // not write to the chip found now.
            ++g_state.g_contextGeneration[dwGpu];
            return ScanResult::Found;
        }
    }
    return ScanResult::NotFound;
}

bool DetectChip(uint32_t dwGpu)
{
    // The reset, the binding and the version check, under the GPU's lock:
    // no reading or press of another thread sees the context half reset.
    bool oldHost = false;
    uint32_t resetGeneration = 0;
    {
        BusSequence sequence(dwGpu);
        if (!sequence.Entered())
            return false;
        InitContext(dwGpu);
        if (!BindHostServices())
            return false;
        oldHost = CheckHostVersion();
        resetGeneration = g_state.g_contextGeneration[dwGpu];
    }

    // The prompt is a message box: never shown under a lock.
    if (oldHost)
        RunMultiGpuPromptStep();

    ScanResult result = ScanResult::NoBus;
    {
        BusSequence sequence(dwGpu);
        if (!sequence.Entered())
            return false;
        // A request from inside the prompt may have reset and detected this
        // GPU meanwhile, and readings may have filled its caches from that
        // chip: the scan starts from a reset context again.
        if (g_state.g_contextGeneration[dwGpu] != resetGeneration)
            InitContext(dwGpu);
        result = ScanForChip(dwGpu);
        if (result == ScanResult::Found) {
            const GpuContext& ctx = ContextOf(dwGpu);
            LogPrintf("GetSourceDesc: GPU %i: found I2C device on Bus: %i DevAddr: 0x%02X Reg: 0x%02X DevID: 0x%02X",
                      static_cast<int>(dwGpu), static_cast<int>(ctx.m_bus), static_cast<unsigned>(ctx.m_dev),
                      static_cast<unsigned>(kRegDeviceId), static_cast<unsigned>(ctx.m_devID));
        }
    }

    // The warning is a message box too: shown after the lock is released.
    if (result == ScanResult::NotFound)
        RunDetectionFailureStep(dwGpu);
    return result == ScanResult::Found;
}
