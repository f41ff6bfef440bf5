// Configuration fields, VID mode and phase count caches; the VID tables.
#include <cstdio>
#include <cstdlib>

#include "tests/vrm/vrm_fixture.h"
#include "vrm/register_cache.h"
#include "vrm/vid_tables.h"
#include "vrm/vt1165_device.h"

namespace vrmtest {
namespace {

using RegisterCacheTest = VrmTest;

TEST_F(RegisterCacheTest, EveryFieldIsItsFiveBitsOfTheLittleEndianWord)
{
    const uint8_t word[5] = {0xA5, 0x3C, 0xE7, 0x96, 0x5B};
    uint64_t bits = 0;
    for (int i = 0; i < 5; ++i) {
        chip.regs[0x02 + i] = word[i];
        bits |= static_cast<uint64_t>(word[i]) << (8 * i);
    }
    for (uint8_t n = 0; n < 8; ++n) {
        Detect();
        EXPECT_EQ(GetConfigField(LockedChip(), n), (bits >> (5 * n)) & 0x1F) << "field " << int(n);
    }
    EXPECT_EQ(GetConfigField(LockedChip(), 8), kNotCached);
    EXPECT_EQ(GetVidMode(LockedChip()), (bits >> 17) & 7);
}

TEST_F(RegisterCacheTest, FieldsAreReadOnceAndPairsFillTogether)
{
    Detect();
    EXPECT_EQ(TraceOf([] { GetConfigField(LockedChip(), 1); }), (Accesses{"r02", "r03"}));
    EXPECT_TRUE(TraceOf([] {
                    GetConfigField(LockedChip(), 2);
                    GetConfigField(LockedChip(), 1);
                }).empty());
    EXPECT_EQ(TraceOf([] { GetConfigField(LockedChip(), 3); }), (Accesses{"r03", "r04"}));
    for (uint8_t n : {0, 4, 5, 6, 7})
        EXPECT_EQ(g_state.g_context[0].m_config[n], kNotCached) << int(n);
}

TEST_F(RegisterCacheTest, AFailedSecondRegisterDiscardsTheFirstAndRetries)
{
    FailRegister(0x04);
    Detect();
    EXPECT_EQ(GetVidMode(LockedChip()), kNotCached);
    Heal();
    SetVidMode(5);
    EXPECT_EQ(TraceOf([] { EXPECT_EQ(GetVidMode(LockedChip()), 5); }), (Accesses{"r03", "r04"}));
    EXPECT_TRUE(TraceOf([] { GetVidMode(LockedChip()); }).empty());
}

TEST_F(RegisterCacheTest, PhaseCountCachesEveryAnswerButFF)
{
    chip.regs[0x0E] = 0;
    Detect();
    EXPECT_EQ(TraceOf([] {
                  EXPECT_EQ(GetPhaseCount(LockedChip()), 0);
                  GetPhaseCount(LockedChip());
              }),
              Accesses{"r0E"});
    chip.regs[0x0E] = 0xFF;
    Detect();
    EXPECT_EQ(TraceOf([] {
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

TEST_F(RegisterCacheTest, VidToVoltsMasksTheCodeOfEachMode)
{
    struct Case {
        uint8_t mode, code;
        float volts;
    };
    for (const Case& c :
         {Case{0, 0x0B, 1.5875f}, Case{0, 0x2A, 1.6f}, Case{0, 0x1F, 0.0f}, Case{0, 0x3F, 0.0f}, Case{0, 0xCB, 1.5875f},
          Case{1, 0x20, 1.55f}, Case{2, 30, 1.1f}, Case{3, 0x0B, kNoValue}, Case{5, 0x00, kNoValue}}) {
        SetVidMode(c.mode);
        Detect();
        EXPECT_EQ(VidToVolts(GetVidMode(LockedChip()), c.code), c.volts)
            << "mode " << int(c.mode) << " code " << int(c.code);
    }
    FailRegister(0x03);
    Detect();
    EXPECT_EQ(VidToVolts(GetVidMode(LockedChip()), 0x0B), kNoValue);
}

}  // namespace
}  // namespace vrmtest
