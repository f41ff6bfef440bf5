#include "vrm/chip_access.h"

#include "plugin/plugin_state.h"

bool ReadChipRegister(uint32_t dwGpu, uint8_t reg, uint8_t* value)
{
    if (dwGpu >= kMaxGpus || !value)
        return false;
    const GpuContext& ctx = ContextOf(dwGpu);
    PFN_ReadI2CEx read = g_state.g_hostServices.ReadI2CEx;
    if (ctx.m_dev == 0 || !read)
        return false;

    // The host writes into its own one-byte buffer; the caller's byte is only
    // touched once the host has reported success.
    uint8_t buffer = 0;
    if (!read(dwGpu, ctx.m_bus, ctx.m_dev, reg, &buffer))
        return false;
    *value = buffer;
    return true;
}

bool WriteChipRegister(uint32_t dwGpu, uint8_t reg, uint8_t value)
{
    if (dwGpu >= kMaxGpus)
        return false;
    const GpuContext& ctx = ContextOf(dwGpu);
    PFN_WriteI2CEx write = g_state.g_hostServices.WriteI2CEx;
    if (ctx.m_dev == 0 || !write)
        return false;

    uint8_t buffer = value;
    return write(dwGpu, ctx.m_bus, ctx.m_dev, reg, &buffer) != 0;
}
