// The readings: output voltage (every decoding path, its bus accesses and
// last good values), current, phase temperatures, protection status, the
// reading frame and the bus cost of a poll.
#include <gtest/gtest.h>

#include "exports/exports.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/reading_check.h"

namespace {

using Accesses = std::vector<std::string>;
using test::Index;

class ReadingTest : public ::testing::Test {
protected:
    float Read(uint32_t source, uint32_t gpu = 0) { return GetSourceData(Index(gpu, source)); }
    void FailRegister(uint8_t reg) { h.model.faults.failingRegisters.insert({0u, reg}); }
    void Heal() { h.model.faults.failingRegisters.clear(); }
    // The VID mode and the registers 0x19 and 0x1C; the chip detected and
    // read once, so that the VID mode is cached from here on.
    void Setup(uint8_t mode, uint8_t r19, uint8_t r1C)
    {
        chip.regs[0x04] = static_cast<uint8_t>((chip.regs[0x04] & ~0x0E) | (mode << 1));
        chip.regs[0x19] = r19;
        chip.regs[0x1C] = r1C;
        h.Detect();
        Read(0);
    }

    test::PluginHarness h;
    sim::Device& chip = h.AddGpuWithChip();
};

TEST_F(ReadingTest, Mode3DirectReadsTheSelectedVidRegisterWithTheOffset)
{
    chip.regs[0x16] = 0x08, chip.regs[0x17] = 0x48, chip.regs[0x18] = 0xBC;
    Setup(3, 0x01, 0x20);
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(0), 1.35f); }), (Accesses{"r19", "r1C", "r17"}));
    chip.regs[0x1C] = 0x13;
    EXPECT_EQ(Read(0), 0.55f);
    chip.regs[0x1C] = 0x3C;  // register 0x18: bit 7 is not part of the code
    EXPECT_EQ(Read(0), 1.2f);
}

TEST_F(ReadingTest, Mode3WithBit0ClearPicksAFixedVoltage)
{
    const float fixed[4] = {1.0f, 1.05f, 1.1f, 1.15f};
    Setup(3, 0xFE, 0);
    for (uint8_t d = 0; d < 4; ++d) {
        chip.regs[0x1C] = static_cast<uint8_t>(0x34 | d);
        EXPECT_EQ(h.AccessesOf([&] { EXPECT_EQ(Read(0), fixed[d]); }), (Accesses{"r19", "r1C"}));
    }
}

TEST_F(ReadingTest, OtherModesReadRegister18OrLookUpTheVidCode)
{
    chip.regs[0x18] = 0x48;
    Setup(1, 0x01, 0x00);
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(0), 0.9f); }), (Accesses{"r19", "r18"}));
    chip.regs[0x18] = 0xC8;
    EXPECT_EQ(Read(0), 1.35f);

    Setup(0, 0x00, 0x0B);
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(0), 1.5875f); }), (Accesses{"r19", "r1C"}));
    Setup(2, 0x02, 30);
    EXPECT_EQ(Read(0), 1.1f);
}

TEST_F(ReadingTest, FailuresAndTablelessModesKeepTheLastGoodVoltage)
{
    Setup(3, 0x01, 0x20);
    chip.regs[0x17] = 0x50;
    for (uint8_t reg : {0x19, 0x1C, 0x17}) {
        FailRegister(reg);
        EXPECT_EQ(Read(0), 1.2f) << std::hex << int(reg);
        Heal();
    }
    EXPECT_EQ(Read(0), 1.45f);

    Setup(6, 0x00, 0x0B);
    EXPECT_EQ(Read(0), kNoValue);
    g_state.g_context[0].m_voltage = 1.25f;  // as the voltage control window stores it
    EXPECT_EQ(Read(0), 1.25f);

    // Without the VID mode there is no value, whatever was stored.
    FailRegister(0x04);
    h.Detect();
    g_state.g_context[0].m_voltage = 1.25f;
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(0), kNoValue); }), (Accesses{"r03", "r04!"}));
}

TEST_F(ReadingTest, LogLinesOnlyWithLogging)
{
    Setup(3, 0x01, 0x20);
    EXPECT_TRUE(h.logBytes.empty());
    g_state.g_bLogging = 1;
    Read(0);
    EXPECT_EQ(h.LogMessages(), (std::vector<std::string>{
                                   "GetSourceData: dwIndex=0x00000000 dwGpu=0 dwSource=0",
                                   "GetSourceData: m_devID=0x0A m_bus=0x00 m_dev=0x70 data=0x01 m_vidMode=0x03",
                                   "GetSourceData: data=0x20 temp=0x17", "GetSourceData: data=0x3C result=1.2000"}));
}

TEST_F(ReadingTest, CurrentIsScaledFrom124AndIgnoresBit7)
{
    h.Detect();
    const std::pair<uint8_t, float> cases[] = {{0x7C, 50.0f}, {0xFC, 50.0f}, {0x7F, 51.209677f}};
    for (const auto& [code, amps] : cases) {
        chip.regs[0x1E] = code;
        EXPECT_EQ(h.AccessesOf([&] { EXPECT_FLOAT_EQ(Read(2), amps); }), Accesses{"r1E"});
    }
    FailRegister(0x1E);
    EXPECT_FLOAT_EQ(Read(2), 51.209677f);
}

TEST_F(ReadingTest, PhaseIsSelectedInOrderAndTheSequenceStopsAtAFailure)
{
    chip.phaseTemps[2] = 71;
    h.Detect();
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(5), 71.0f); }),
              (Accesses{"r0E", "w08=00", "w07=A7", "w08=83", "r0A"}));
    FailRegister(0x07);
    chip.phaseTemps[2] = 90;
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(5), 71.0f); }), (Accesses{"w08=00", "w07=A7!"}));
    EXPECT_EQ(Read(3), kNoValue);
}

TEST_F(ReadingTest, PhasesBeyondTheCountAreNotRead)
{
    h.Detect();  // four phases
    Read(3);
    EXPECT_TRUE(h.AccessesOf([this] {
                     EXPECT_EQ(Read(7), kNoValue);
                     EXPECT_EQ(Read(8), kNoValue);
                 }).empty());

    FailRegister(0x0E);  // an unreadable count lets every phase through
    h.Detect();
    chip.phaseTemps[5] = 66;
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(8), 66.0f); }),
              (Accesses{"r0E!", "w08=00", "w07=A7", "w08=86", "r0A"}));
}

TEST_F(ReadingTest, ProtectionBitsHoldTheirLastStatusApart)
{
    h.Detect();
    chip.regs[0x0D] = 0x02;
    EXPECT_EQ(Read(9), 1.0f);
    EXPECT_EQ(Read(10), 0.0f);
    FailRegister(0x0D);
    EXPECT_EQ(Read(9), 1.0f);
    Heal();
    chip.regs[0x0D] = 0x01;
    EXPECT_EQ(Read(10), 1.0f);
    EXPECT_EQ(h.AccessesOf([this] { EXPECT_EQ(Read(9), 0.0f); }), Accesses{"r0D"});
    EXPECT_EQ(g_state.g_context[0].m_OVP_OCP_State, 0x01);

    g_state.g_bLogging = 1;
    FailRegister(0x0D);
    EXPECT_EQ(Read(10), 1.0f);
    EXPECT_EQ(h.LogMessages().back(), "GetSourceData: OCP data=0x00 result=340282346638528859811704183484516925440.0 "
                                      "g_context[0].m_OVP_OCP_State=0x01");
}

// A reset forgets every last good value: a chip that stops answering right
// after it reports no value, and a normal protection status.
TEST_F(ReadingTest, AfterAResetASilentChipHasNoLastGoodValue)
{
    chip.regs[0x0D] = 0x03;
    chip.regs[0x0E] = 6;
    h.Detect();
    for (uint32_t source : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u})
        EXPECT_NE(Read(source), kNoValue) << source;
    EXPECT_EQ(g_state.g_context[0].m_OVP_OCP_State, 0x03);
    h.Detect();
    h.model.faults.failingBuses.insert({0u, 0});
    for (uint32_t source = 0; source <= 10; ++source)
        EXPECT_EQ(Read(source), source >= 9 ? 0.0f : kNoValue) << source;
}

TEST_F(ReadingTest, IndexesWithoutAReadingTouchNothing)
{
    h.Detect();
    g_state.g_bLogging = 1;
    EXPECT_EQ(GetSourceData(0x00100000u), 0.0f);
    EXPECT_TRUE(h.logBytes.empty());
    for (uint32_t source : {1u, 11u, 0xFFFFu})
        EXPECT_EQ(Read(source), kNoValue);
    EXPECT_TRUE(h.model.trace.empty());
}

TEST_F(ReadingTest, AGpuWithoutAChipMakesNoBusAccess)
{
    h.model.AddGpu(1);  // GPU 1: a bus without the chip
    EXPECT_EQ(test::Describe(Index(1, 0)), 0);
    g_state.g_context[1].m_phaseCount = 6;  // even with the caches filled
    g_state.g_context[1].m_vidMode = 3;
    g_state.g_context[1].m_current = 12.5f;
    h.model.ClearTrace();

    for (uint32_t source = 0; source <= 10; ++source)
        EXPECT_EQ(Read(source, 1), source == 2 ? 12.5f : source >= 9 ? 0.0f : kNoValue) << source;

    // Nor does a context that names a chip while the host is not bound.
    g_state.g_hostServices = HostServices();
    g_state.g_context[1].m_dev = 0x70;
    EXPECT_EQ(Read(2, 1), 12.5f);
    EXPECT_TRUE(h.model.trace.empty());
}

TEST_F(ReadingTest, AFullPollCostsTheMinimumOnceCachesAreFilled)
{
    h.Detect();
    test::ReadingCheck check;
    auto poll = [&check] { test::PollRound(check, 1, GetSourceData); };
    // Cold: the configuration (2 reads) and the phase count (1) come first.
    EXPECT_EQ(h.AccessesOf(poll).size(), 25u);
    // Voltage 3 (mode 3, direct), current 1, four phases 4 each, status 1 + 1.
    EXPECT_EQ(h.AccessesOf(poll).size(), 22u);
}

}  // namespace
