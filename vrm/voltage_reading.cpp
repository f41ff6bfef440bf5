// Output voltage: how it is obtained depends on the VID mode and on bit 0 of
// register 0x19.
//
//   mode 3, direct    VID register selected by 0x1C bits 4..5: 0.45 V + 12.5 mV x code
//   mode 3, otherwise one of four fixed voltages chosen by 0x1C bits 0..1
//   other, direct     register 0x18: 12.5 mV x bits 0..6, + 0.45 V when bit 7 is set
//   other, otherwise  register 0x1C looked up in the mode's VID table
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "vrm/pinned_chip.h"
#include "vrm/reading_common.h"
#include "vrm/readings.h"
#include "vrm/register_cache.h"
#include "vrm/vid_tables.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr float kFixedVoltages[4] = {1.0f, 1.05f, 1.1f, 1.15f};

// VID mode 3: the result, or kNoValue when an access failed.
float VoltageOfMode3(const PinnedChip& chip, bool direct)
{
    uint8_t control = 0;
    if (!chip.Read(kRegVidControl, &control))
        return kNoValue;
    if (!direct)
        return kFixedVoltages[control & kFixedVoltageMask];

    uint8_t vidRegister = VidRegisterOf(control);
    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: data=0x%02X temp=0x%02X", static_cast<unsigned>(control),
                  static_cast<unsigned>(vidRegister));

    uint8_t vid = 0;
    float result = kNoValue;
    if (chip.Read(vidRegister, &vid))
        result = VidRegisterToVolts(vid);
    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: data=0x%02X result=%6.4f", static_cast<unsigned>(vid), static_cast<double>(result));
    return result;
}

// VID modes other than 3: the result, or kNoValue when an access failed or
// the mode has no table.
float VoltageOfOtherModes(const PinnedChip& chip, uint8_t vidMode, bool direct)
{
    uint8_t value = 0;
    if (direct)
        return chip.Read(kRegVoltageSense, &value) ? VoltageSenseToVolts(value) : kNoValue;
    return chip.Read(kRegVidControl, &value) ? VidToVolts(vidMode, value) : kNoValue;
}

}  // namespace

float ReadOutputVoltage(const PinnedChip& chip)
{
    // Without the VID mode the register values cannot be decoded; this is
    // reported as no value, not as the last good voltage.
    uint8_t vidMode = GetVidMode(chip);
    if (vidMode == kNotCached)
        return kNoValue;

    GpuContext& ctx = chip.Context();
    float result = kNoValue;
    uint8_t sense = 0;
    if (chip.Read(kRegVoltageMode, &sense)) {
        if (ReadingLogEnabled())
            LogPrintf("GetSourceData: m_devID=0x%02X m_bus=0x%02X m_dev=0x%02X data=0x%02X m_vidMode=0x%02X",
                      static_cast<unsigned>(ctx.m_devID), static_cast<unsigned>(chip.Bus()),
                      static_cast<unsigned>(chip.Dev()), static_cast<unsigned>(sense), static_cast<unsigned>(vidMode));
        bool direct = (sense & kVoltageModeDirect) != 0;
        result =
            vidMode == kVidModeRegisters ? VoltageOfMode3(chip, direct) : VoltageOfOtherModes(chip, vidMode, direct);
    }
    return StoreAndReturn(ctx.m_voltage, result);
}
