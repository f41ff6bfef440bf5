// Configuration fields, VID mode and phase count caches; the VID tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/plugin_harness.h"
#include "vrm/register_cache.h"
#include "vrm/vid_tables.h"
#include "vrm/vt1165_device.h"

namespace {

using Accesses = std::vector<std::string>;

// GPU 0's chip under its device's lock, for the one call of a helper that
// takes it: LockedChip() where a ChipAccess& goes.
struct LockedChip {
    ChipAccess chip{Vt1165Device::OfGpu(0), kReadingWaitMs};
    operator ChipAccess&() { return chip; }
};

class RegisterCacheTest : public ::testing::Test {
protected:
    void SetVidMode(uint8_t mode) { chip.regs[0x04] = static_cast<uint8_t>((chip.regs[0x04] & ~0x0E) | (mode << 1)); }
    void FailRegister(uint8_t reg) { h.model.faults.failingRegisters.insert({0u, reg}); }
    test::PluginHarness h;
    sim::Device& chip = h.AddGpuWithChip();
};

TEST_F(RegisterCacheTest, EveryFieldIsItsFiveBitsOfTheLittleEndianWord)
{
    const uint8_t word[5] = {0xA5, 0x3C, 0xE7, 0x96, 0x5B};
    uint64_t bits = 0;
    for (int i = 0; i < 5; ++i) {
        chip.regs[0x02 + i] = word[i];
        bits |= static_cast<uint64_t>(word[i]) << (8 * i);
    }
    for (uint8_t n = 0; n < 8; ++n) {
        h.Detect();
        EXPECT_EQ(GetConfigField(LockedChip(), n), (bits >> (5 * n)) & 0x1F) << "field " << int(n);
    }
    EXPECT_EQ(GetConfigField(LockedChip(), 8), kNotCached);
    EXPECT_EQ(GetVidMode(LockedChip()), (bits >> 17) & 7);
}

TEST_F(RegisterCacheTest, FieldsAreReadOnceAndPairsFillTogether)
{
    h.Detect();
    EXPECT_EQ(h.AccessesOf([] { GetConfigField(LockedChip(), 1); }), (Accesses{"r02", "r03"}));
    EXPECT_TRUE(h.AccessesOf([] {
                     GetConfigField(LockedChip(), 2);
                     GetConfigField(LockedChip(), 1);
                 }).empty());
    EXPECT_EQ(h.AccessesOf([] { GetConfigField(LockedChip(), 3); }), (Accesses{"r03", "r04"}));
    for (uint8_t n : {0, 4, 5, 6, 7})
        EXPECT_EQ(g_state.g_context[0].m_config[n], kNotCached) << int(n);
}

TEST_F(RegisterCacheTest, AFailedSecondRegisterDiscardsTheFirstAndRetries)
{
    FailRegister(0x04);
    h.Detect();
    EXPECT_EQ(GetVidMode(LockedChip()), kNotCached);
    h.model.faults.failingRegisters.clear();
    SetVidMode(5);
    EXPECT_EQ(h.AccessesOf([] { EXPECT_EQ(GetVidMode(LockedChip()), 5); }), (Accesses{"r03", "r04"}));
    EXPECT_TRUE(h.AccessesOf([] { GetVidMode(LockedChip()); }).empty());
}

TEST_F(RegisterCacheTest, PhaseCountCachesEveryAnswerButFF)
{
    chip.regs[0x0E] = 0;
    h.Detect();
    EXPECT_EQ(h.AccessesOf([] {
        EXPECT_EQ(GetPhaseCount(LockedChip()), 0);
        GetPhaseCount(LockedChip());
    }),
              Accesses{"r0E"});
    chip.regs[0x0E] = 0xFF;
    h.Detect();
    EXPECT_EQ(h.AccessesOf([] {
        GetPhaseCount(LockedChip());
        GetPhaseCount(LockedChip());
    }),
              (Accesses{"r0E", "r0E"}));
}

// Each entry must be the float nearest to the decimal voltage of its code.
TEST(VidTableTest, EveryEntryIsTheFloatNearestItsDecimalVoltage)
{
    for (uint8_t mode = 0; mode < 3; ++mode) {
        std::vector<double> volts;
        auto run = [&volts](double top, int count) {
            for (int i = 0; i < count; ++i)
                volts.push_back(top - 0.025 * i);
        };
        if (mode == 0)
            run(1.0875, 11), run(1.5875, 20), run(0, 1), run(1.075, 10), run(1.6, 21), run(0, 1);
        else
            run(mode == 1 ? 1.55 : 1.85, 31), run(0, 1);

        const VidTable* table = VidTableOf(mode);
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(volts.size(), table->codeMask + 1u);
        for (std::size_t i = 0; i < volts.size(); ++i) {
            char decimal[16];
            std::snprintf(decimal, sizeof decimal, "%.4f", volts[i]);
            EXPECT_EQ(table->volts[i], std::strtof(decimal, nullptr)) << "mode " << int(mode) << " entry " << i;
        }
    }
    EXPECT_EQ(VidTableOf(3), nullptr);
}

TEST(VidTableTest, VidToVoltsMasksTheCodeOfEachMode)
{
    struct Case {
        uint8_t mode, code;
        float volts;
    };
    // Modes 3 and up have no table, the mode of an unreadable configuration
    // (kNotCached) among them.
    for (const Case& c : {Case{0, 0x0B, 1.5875f}, Case{0, 0x2A, 1.6f}, Case{0, 0x1F, 0.0f}, Case{0, 0x3F, 0.0f},
                          Case{0, 0xCB, 1.5875f}, Case{1, 0x20, 1.55f}, Case{2, 30, 1.1f}, Case{3, 0x0B, kNoValue},
                          Case{5, 0x00, kNoValue}, Case{kNotCached, 0x0B, kNoValue}})
        EXPECT_EQ(VidToVolts(c.mode, c.code), c.volts) << "mode " << int(c.mode) << " code " << int(c.code);
}

}  // namespace
