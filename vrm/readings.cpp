// The readings of the data sources: output voltage, output current, the
// phase temperatures and the protection status.
//
// Output voltage: how it is obtained depends on the VID mode and on bit 0 of
// register 0x19.
//
//   mode 3, direct    VID register selected by 0x1C bits 4..5: 0.45 V + 12.5 mV x code
//   mode 3, otherwise one of four fixed voltages chosen by 0x1C bits 0..1
//   other, direct     register 0x18: 12.5 mV x bits 0..6, + 0.45 V when bit 7 is set
//   other, otherwise  register 0x1C looked up in the mode's VID table
//
// The protection status: both sources share one state byte in the context,
// one bit each, so that a failed read reports the status of the last
// successful one.
#include "vrm/readings.h"

#include "chip/vid_codes.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "vrm/register_cache.h"
#include "vrm/vid_tables.h"
#include "vrm/vt1165_device.h"

namespace {

// Keeps a good result in the source's field and returns the field, so that
// a failed reading (result kNoValue) reports the last good value.
float StoreAndReturn(float& field, float result)
{
    if (result != kNoValue)
        field = result;
    return field;
}

constexpr float kFixedVoltages[4] = {1.0f, 1.05f, 1.1f, 1.15f};

// VID mode 3: the result, or kNoValue when an access failed.
float VoltageOfMode3(ChipAccess& chip, bool direct)
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
float VoltageOfOtherModes(ChipAccess& chip, uint8_t vidMode, bool direct)
{
    uint8_t value = 0;
    if (direct)
        return chip.Read(kRegVidLast, &value) ? VoltageSenseToVolts(value) : kNoValue;  // 0x18: the voltage itself
    return chip.Read(kRegVidControl, &value) ? VidToVolts(vidMode, value) : kNoValue;
}

// Selects a phase (1..6) and reads its temperature; false at the first
// access that fails. The chip only answers the selection when the three
// writes come in this order, and the selection holds for every reader of
// the chip: the whole reading is one bus sequence, so that another thread
// polling another phase cannot switch it in between.
bool ReadSelectedPhase(ChipAccess& chip, uint8_t phase, uint8_t* temperature)
{
    return chip.Write(kRegPhaseSelect, kPhaseSelectReset) && chip.Write(kRegPhaseKey, kPhaseKeyValue) &&
           chip.Write(kRegPhaseSelect, static_cast<uint8_t>(kPhaseSelectEnable | phase)) &&
           chip.Read(kRegPhaseTemp, temperature);
}

// The bit of the context's protection state that a status bit of register
// 0x0D sets.
uint8_t StateBitOf(uint8_t statusBit)
{
    return statusBit == kProtOvp ? kStateOverVoltage : kStateOverCurrent;
}

}  // namespace

float ReadOutputVoltage(ChipAccess& chip)
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

float ReadOutputCurrent(ChipAccess& chip)
{
    GpuContext& ctx = chip.Context();
    float result = kNoValue;
    uint8_t code = 0;
    if (chip.Read(kRegCurrent, &code))
        result = CurrentCodeToAmps(code, ctx.m_currentScale);
    return StoreAndReturn(ctx.m_current, result);
}

float ReadPhaseTemperature(ChipAccess& chip, uint8_t k)
{
    if (k >= kPhaseSlots)
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

float ReadProtectionStatus(ChipAccess& chip, uint8_t bit)
{
    GpuContext& ctx = chip.Context();
    const uint8_t stateBit = StateBitOf(bit);
    float result = kNoValue;
    uint8_t status = 0;
    if (chip.Read(kRegProtStatus, &status)) {
        // Changed only here, under the GPU's lock: read, modify, write.
        const uint8_t state = ctx.m_OVP_OCP_State;
        if (status & bit) {
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(state | stateBit);
            result = 1.0f;
        } else {
            // Only the other source's bit survives.
            ctx.m_OVP_OCP_State = static_cast<uint8_t>(state & ~stateBit);
            result = 0.0f;
        }
    }
    if (ReadingLogEnabled())
        LogPrintf("GetSourceData: %s data=0x%02X result=%1.1f g_context[%i].m_OVP_OCP_State=0x%02X",
                  bit == kProtOvp ? "OVP" : "OCP", static_cast<unsigned>(status), static_cast<double>(result),
                  static_cast<int>(chip.Gpu()), static_cast<unsigned>(ctx.m_OVP_OCP_State));
    return (ctx.m_OVP_OCP_State & stateBit) ? 1.0f : 0.0f;
}
