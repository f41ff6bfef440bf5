#include "vrm/vid_tables.h"

#include "plugin/plugin_state.h"

namespace {

// Each entry is the float nearest to the chip's nominal voltage.

// Mode 0, index code AND 0x3F: two interleaved descending runs 12.5 mV apart.
// 11..30 then 0..10 run from 1.5875 V to 0.8375 V; 42..62 then 32..41 from
// 1.6 V to 0.85 V; 31 and 63 are 0 V.
constexpr float kVidMode0Volts[64] = {
    1.0875f, 1.0625f, 1.0375f, 1.0125f, 0.9875f, 0.9625f, 0.9375f, 0.9125f, 0.8875f, 0.8625f, 0.8375f, 1.5875f, 1.5625f,
    1.5375f, 1.5125f, 1.4875f, 1.4625f, 1.4375f, 1.4125f, 1.3875f, 1.3625f, 1.3375f, 1.3125f, 1.2875f, 1.2625f, 1.2375f,
    1.2125f, 1.1875f, 1.1625f, 1.1375f, 1.1125f, 0.0f,    1.075f,  1.05f,   1.025f,  1.0f,    0.975f,  0.95f,   0.925f,
    0.9f,    0.875f,  0.85f,   1.6f,    1.575f,  1.55f,   1.525f,  1.5f,    1.475f,  1.45f,   1.425f,  1.4f,    1.375f,
    1.35f,   1.325f,  1.3f,    1.275f,  1.25f,   1.225f,  1.2f,    1.175f,  1.15f,   1.125f,  1.1f,    0.0f,
};

// Mode 1, index code AND 0x1F: 1.55 V down to 0.8 V in 25 mV steps; 31 is 0 V.
constexpr float kVidMode1Volts[32] = {
    1.55f, 1.525f, 1.5f, 1.475f, 1.45f, 1.425f, 1.4f, 1.375f, 1.35f, 1.325f, 1.3f, 1.275f, 1.25f, 1.225f, 1.2f, 1.175f,
    1.15f, 1.125f, 1.1f, 1.075f, 1.05f, 1.025f, 1.0f, 0.975f, 0.95f, 0.925f, 0.9f, 0.875f, 0.85f, 0.825f, 0.8f, 0.0f,
};

// Mode 2, index code AND 0x1F: 1.85 V down to 1.1 V in 25 mV steps; 31 is 0 V.
constexpr float kVidMode2Volts[32] = {
    1.85f, 1.825f, 1.8f, 1.775f, 1.75f, 1.725f, 1.7f, 1.675f, 1.65f, 1.625f, 1.6f, 1.575f, 1.55f, 1.525f, 1.5f, 1.475f,
    1.45f, 1.425f, 1.4f, 1.375f, 1.35f, 1.325f, 1.3f, 1.275f, 1.25f, 1.225f, 1.2f, 1.175f, 1.15f, 1.125f, 1.1f, 0.0f,
};

constexpr VidTable kVidTables[] = {
    {kVidMode0Volts, 0x3F},
    {kVidMode1Volts, 0x1F},
    {kVidMode2Volts, 0x1F},
};
constexpr uint8_t kVidTableCount = sizeof kVidTables / sizeof kVidTables[0];

// Every code that a mask lets through has its entry.
static_assert(sizeof kVidMode0Volts / sizeof(float) == 0x3F + 1, "mode 0 table covers code AND 0x3F");
static_assert(sizeof kVidMode1Volts / sizeof(float) == 0x1F + 1, "mode 1 table covers code AND 0x1F");
static_assert(sizeof kVidMode2Volts / sizeof(float) == 0x1F + 1, "mode 2 table covers code AND 0x1F");

}  // namespace

const VidTable* VidTableOf(uint8_t vidMode)
{
    return vidMode < kVidTableCount ? &kVidTables[vidMode] : nullptr;
}

float VidToVolts(uint8_t vidMode, uint8_t code)
{
    const VidTable* table = VidTableOf(vidMode);
    return table ? table->volts[code & table->codeMask] : kNoValue;
}
