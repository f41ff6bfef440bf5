#include "plugin/chip_detection.h"

#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"

Detection ScanForChip(uint32_t dwGpu)
{
    Detection found;
    const PFN_GetI2CBusNumEx busNum = g_state.g_hostServices.GetI2CBusNumEx;
    const PFN_ReadI2CEx read = g_state.g_hostServices.ReadI2CEx;
    uint8_t busCount = static_cast<uint8_t>(busNum(dwGpu) & 0xFFu);
    if (busCount == 0)
        return found;

    found.result = ScanResult::NotFound;
    for (uint8_t bus = 0; bus < busCount; ++bus) {
        // A device with another identifier does not stop the scan; its
        // identifier stays until a later read replaces it.
        uint8_t id = 0;
        if (!read(dwGpu, bus, kChipAddress, kRegDeviceId, &id))
            continue;
        found.devID = id;
        if (id == kVt1165DeviceId) {
            found.result = ScanResult::Found;
            found.bus = bus;
            break;
        }
    }
    return found;
}

void LogFoundChip(uint32_t dwGpu, const Detection& found)
{
    LogPrintf("GetSourceDesc: GPU %i: found I2C device on Bus: %i DevAddr: 0x%02X Reg: 0x%02X DevID: 0x%02X",
              static_cast<int>(dwGpu), static_cast<int>(found.bus), static_cast<unsigned>(kChipAddress),
              static_cast<unsigned>(kRegDeviceId), static_cast<unsigned>(found.devID));
}
