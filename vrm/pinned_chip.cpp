#include "vrm/pinned_chip.h"

#include "vrm/vt1165_regs.h"

namespace {

// A last belt under the voltage window's own checks: whatever a caller asks,
// the chip is never written anywhere else.
bool WritableRegister(uint8_t reg)
{
    return reg == kRegPhaseKey || reg == kRegPhaseSelect || (reg >= kRegVidFirst && reg <= kRegVidLast);
}

}  // namespace

PinnedChip::PinnedChip(uint32_t dwGpu, uint32_t waitMs) : sequence_(dwGpu, waitMs)
{
    Pin();
}

void PinnedChip::Pin()
{
    present_ = false;
    if (!sequence_.Entered())
        return;
    const GpuContext& ctx = Context();
    bus_ = ctx.m_bus;
    dev_ = ctx.m_dev;
    read_ = g_state.g_hostServices.ReadI2CEx;
    write_ = g_state.g_hostServices.WriteI2CEx;
    present_ = dev_ != 0 && read_ && write_;
}

void PinnedChip::Publish(const Detection& found)
{
    if (!sequence_.Entered())
        return;
    InitContext(sequence_.Gpu());
    GpuContext& ctx = Context();
    ctx.m_devID = found.devID;
    if (found.result == ScanResult::Found) {
        ctx.m_bus = found.bus;
        ctx.m_dev = kChipAddress;
    }
    KeepPublishedDetection(sequence_.Gpu(), found);
    Pin();
}

bool PinnedChip::Read(uint8_t reg, uint8_t* value) const
{
    if (!present_ || !value)
        return false;
    // The host writes into a buffer of our own; the caller's byte is only
    // touched once the host has reported success.
    uint8_t buffer = 0;
    if (!read_(sequence_.Gpu(), bus_, dev_, reg, &buffer))
        return false;
    *value = buffer;
    return true;
}

bool PinnedChip::Write(uint8_t reg, uint8_t value) const
{
    if (!present_ || !WritableRegister(reg))
        return false;
    uint8_t buffer = value;
    return write_(sequence_.Gpu(), bus_, dev_, reg, &buffer) != 0;
}
