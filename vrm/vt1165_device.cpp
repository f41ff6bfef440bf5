// The device's operations, each one bus sequence (vrm/vt1165_device.h).
#include "vrm/vt1165_device.h"

#include "plugin/log.h"
#include "vrm/data_sources.h"
#include "vrm/register_cache.h"

uint32_t Vt1165Device::ReadingWaitMs() const
{
    return InBusySpell() ? 0 : kReadingWaitMs;
}

float Vt1165Device::ReadSource(uint32_t dwSource)
{
    ChipAccess chip(*this, ReadingWaitMs());
    if (!chip.Entered())
        return StoredReading(dwSource);
    return ReadSourceValue(chip, dwSource);
}

float Vt1165Device::StoredReading(uint32_t dwSource) const
{
    return StoredSourceValue(Snapshot(), dwSource);
}

Detected Vt1165Device::Detect(bool hostBound, bool phaseCountWanted)
{
    Detected detected;
    // A host listing its sources again while the bus is busy would pay the
    // whole wait for each of them; the last detection serves meanwhile.
    const uint32_t waitMs = InBusySpell() && Snapshot().detected ? 0 : kActionWaitMs;
    ChipAccess chip(*this, waitMs);
    if (!chip.Entered())
        return detected;
    // A host without every function: no chip is left behind.
    const Detection found = hostBound ? ScanForChip(dwGpu_) : Detection();
    chip.Publish(found);
    switch (found.result) {
    case ScanResult::NoBus: detected.outcome = Detected::NoBus; break;
    case ScanResult::NotFound: detected.outcome = Detected::NotFound; break;
    case ScanResult::Found:
        detected.outcome = Detected::Found;
        LogFoundChip(dwGpu_, found);
        detected.devID = found.devID;
        if (phaseCountWanted)
            detected.phaseCount = GetPhaseCount(chip);
        break;
    }
    return detected;
}

ShowingRead Vt1165Device::ReadForShowing()
{
    ShowingRead showing;
    ChipAccess chip(*this, kActionWaitMs);
    if (chip.Busy()) {
        showing.outcome = ShowingRead::Busy;
        return showing;
    }
    uint8_t control = 0;
    if (!chip.Present() || !chip.Read(kRegVidControl, &control))
        return showing;
    const uint8_t vid_register = VidRegisterOf(control);
    LogPrintf("SetupSource: data=0x%02X vid_register=0x%02X", control, vid_register);

    uint8_t value = 0;
    if (!chip.Read(vid_register, &value)) {
        LogPrintf("SetupSource: VID register 0x%02X could not be read", vid_register);
        return showing;
    }
    GpuContext& ctx = chip.Context();
    showing.outcome = ShowingRead::Answering;
    showing.chip.bus = chip.Bus();
    showing.chip.dev = chip.Dev();
    showing.vid_register = vid_register;
    showing.vid_value = value;
    showing.voltage = VidRegisterToVolts(value);
    showing.protection = ctx.m_OVP_OCP_State;
    ctx.m_voltage = showing.voltage;
    LogPrintf("SetupSource: vid_value=0x%02X Voltage=%6.4f", value, static_cast<double>(ctx.m_voltage));
    return showing;
}

VidWriteResult Vt1165Device::WriteVid(const ShownChip& shown, VidMove move, const VidDecision& decide)
{
    VidWriteResult result;
    ChipAccess chip(*this, kActionWaitMs);
    if (chip.Busy())
        return result;
    result.at.bus = chip.Bus();
    result.at.dev = chip.Dev();
    result.stop = VidWriteStop::NoChip;
    if (!chip.Present())
        return result;
    result.stop = VidWriteStop::Moved;
    if (chip.Bus() != shown.bus || chip.Dev() != shown.dev)
        return result;

    ActiveVid& held = result.held;
    result.stop = VidWriteStop::Unreadable;
    if (!chip.Read(kRegVidControl, &held.control))
        return result;
    held.vid_register = VidRegisterOf(held.control);
    if (!chip.Read(held.vid_register, &held.vid_value))
        return result;
    result.stop = VidWriteStop::Declined;
    if (!decide.Decide(held, &result.value))
        return result;

    // Just before the write: another tool or a power-state switch may have
    // changed 0x1C or the register since.
    uint8_t control = 0;
    uint8_t now = 0;
    result.stop = VidWriteStop::StoppedAnswering;
    if (!chip.Read(kRegVidControl, &control))
        return result;
    result.stop = VidWriteStop::ControlChanged;
    if (control != held.control)
        return result;
    result.stop = VidWriteStop::StoppedAnswering;
    if (!chip.Read(held.vid_register, &now))
        return result;
    result.stop = VidWriteStop::VidChanged;
    if (!IsStepWithin(now, result.value, move))
        return result;
    result.stop = chip.Write(held.vid_register, result.value) ? VidWriteStop::None : VidWriteStop::WriteFailed;
    return result;
}
