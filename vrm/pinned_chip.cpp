#include "vrm/pinned_chip.h"

PinnedChip::PinnedChip(uint32_t dwGpu) : sequence_(dwGpu)
{
    if (!sequence_.Entered())
        return;
    const GpuContext& ctx = ContextOf(dwGpu);
    bus_ = ctx.m_bus;
    dev_ = ctx.m_dev;
    generation_ = g_state.g_contextGeneration[dwGpu];
    read_ = g_state.g_hostServices.ReadI2CEx;
    write_ = g_state.g_hostServices.WriteI2CEx;
    present_ = dev_ != 0 && read_ && write_;
}

bool PinnedChip::Unchanged() const
{
    return sequence_.Entered() && g_state.g_contextGeneration[sequence_.Gpu()] == generation_;
}

bool PinnedChip::Read(uint8_t reg, uint8_t* value) const
{
    if (!present_ || !value || !Unchanged())
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
    if (!present_ || !Unchanged())
        return false;
    uint8_t buffer = value;
    return write_(sequence_.Gpu(), bus_, dev_, reg, &buffer) != 0;
}
