#include "plugin/chip_detection.h"

#include "plugin/host_services.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"

namespace {

// The packing of a published detection into one value, read and written whole.
constexpr uint16_t kPublishedBit = 0x8000;
constexpr uint16_t kFoundBit = 0x4000;
constexpr uint16_t kDevIdMask = 0x00FF;

}  // namespace

void KeepPublishedDetection(uint32_t dwGpu, const Detection& found)
{
    if (dwGpu >= kMaxGpus)
        return;
    uint16_t packed = kPublishedBit;
    if (found.result == ScanResult::Found)
        packed = static_cast<uint16_t>(packed | kFoundBit | found.devID);
    g_state.g_publishedDetection[dwGpu] = packed;
}

PublishedDetection LastPublishedDetection(uint32_t dwGpu)
{
    PublishedDetection last;
    if (dwGpu >= kMaxGpus)
        return last;
    const uint16_t packed = g_state.g_publishedDetection[dwGpu];
    last.published = (packed & kPublishedBit) != 0;
    last.found = (packed & kFoundBit) != 0;
    last.devID = static_cast<uint8_t>(packed & kDevIdMask);
    return last;
}

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
