#include "vrm/register_cache.h"

#include "chip/vt1165_registers.h"
#include "plugin/plugin_state.h"
#include "vrm/vt1165_device.h"

namespace {

constexpr uint8_t kNoCompanion = 0xFF;
constexpr unsigned kFieldBits = 5;

// How each field is read: one or two consecutive registers, and the other
// field that the same bytes hold completely and is stored along with it.
struct ConfigFieldRow {
    uint8_t firstReg;
    uint8_t regCount;
    uint8_t companion;
};

constexpr ConfigFieldRow kConfigFieldRows[kConfigFields] = {
    {kRegConfig0, 1, kNoCompanion},  // field 0: bits 0..4
    {kRegConfig0, 2, 2},             // field 1: bits 5..9, with field 2
    {kRegConfig1, 1, kNoCompanion},  // field 2: bits 10..14
    {kRegConfig1, 2, kNoCompanion},  // field 3: bits 15..19
    {kRegConfig2, 2, 5},             // field 4: bits 20..24, with field 5
    {kRegConfig3, 1, kNoCompanion},  // field 5: bits 25..29
    {kRegConfig3, 2, 7},             // field 6: bits 30..34, with field 7
    {kRegConfig4, 1, kNoCompanion},  // field 7: bits 35..39
};

// Field n out of the bytes read from firstReg on (little-endian).
uint8_t ExtractField(unsigned bytes, uint8_t firstReg, uint8_t n)
{
    unsigned firstBit = 8u * (firstReg - kRegConfig0);
    return static_cast<uint8_t>((bytes >> (kFieldBits * n - firstBit)) & kConfigFieldMask);
}

}  // namespace

uint8_t GetPhaseCount(ChipAccess& chip)
{
    GpuContext& ctx = chip.Context();
    if (ctx.m_phaseCount != kNotCached)
        return ctx.m_phaseCount;

    uint8_t count = 0;
    if (chip.Read(kRegPhaseCount, &count))
        ctx.m_phaseCount = count;
    return ctx.m_phaseCount;
}

uint8_t GetConfigField(ChipAccess& chip, uint8_t n)
{
    if (n >= kConfigFields)
        return kNotCached;
    GpuContext& ctx = chip.Context();
    if (ctx.m_config[n] != kNotCached)
        return ctx.m_config[n];

    // All bytes of the row must read; a first byte alone is discarded.
    const ConfigFieldRow& row = kConfigFieldRows[n];
    unsigned bytes = 0;
    for (uint8_t i = 0; i < row.regCount; ++i) {
        uint8_t value = 0;
        if (!chip.Read(static_cast<uint8_t>(row.firstReg + i), &value))
            return ctx.m_config[n];
        bytes |= static_cast<unsigned>(value) << (8u * i);
    }

    ctx.m_config[n] = ExtractField(bytes, row.firstReg, n);
    if (row.companion != kNoCompanion)
        ctx.m_config[row.companion] = ExtractField(bytes, row.firstReg, row.companion);
    return ctx.m_config[n];
}

uint8_t GetVidMode(ChipAccess& chip)
{
    GpuContext& ctx = chip.Context();
    if (ctx.m_vidMode != kNotCached)
        return ctx.m_vidMode;

    uint8_t field = GetConfigField(chip, kConfigFieldVidMode);
    if (field != kNotCached)
        ctx.m_vidMode = static_cast<uint8_t>(field >> kVidModeShift);
    return ctx.m_vidMode;
}
