#include "plugin/chip_detection.h"

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
        // The context is looked up afresh on every pass: the host may call
        // back into the plug-in while its function runs.
        GpuContext& ctx = ContextOf(dwGpu);
        if (host.ReadI2CEx(dwGpu, bus, kChipAddress, kRegDeviceId, &ctx.m_devID) &&
            ctx.m_devID == kVt1165DeviceId) {
            ctx.m_bus = bus;
            ctx.m_dev = kChipAddress;
            return ScanResult::Found;
        }
    }
    return ScanResult::NotFound;
}

bool DetectChip(uint32_t dwGpu)
{
    if (!BindHostServices())
        return false;
    if (CheckHostVersion())
        RunMultiGpuPromptStep();

    switch (ScanForChip(dwGpu)) {
    case ScanResult::NoBus:
        return false;
    case ScanResult::NotFound:
        RunDetectionFailureStep(dwGpu);
        return false;
    case ScanResult::Found:
        break;
    }

    const GpuContext& ctx = ContextOf(dwGpu);
    LogPrintf("GetSourceDesc: GPU %i: found I2C device on Bus: %i DevAddr: 0x%02X Reg: 0x%02X DevID: 0x%02X",
              static_cast<int>(dwGpu), static_cast<int>(ctx.m_bus), static_cast<unsigned>(ctx.m_dev),
              static_cast<unsigned>(kRegDeviceId), static_cast<unsigned>(ctx.m_devID));
    return true;
}
