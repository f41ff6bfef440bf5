// Current, phase temperatures, protection status, the reading frame and the
// bus cost of a poll.
#include "tests/vrm/vrm_fixture.h"

namespace vrmtest {
namespace {

using ReadingTest = VrmTest;

TEST_F(ReadingTest, CurrentIsScaledFrom124AndIgnoresBit7)
{
    Detect();
    const std::pair<uint8_t, float> cases[] = {{0x7C, 50.0f}, {0xFC, 50.0f}, {0x7F, 51.209677f}};
    for (const auto& [code, amps] : cases) {
        chip.regs[0x1E] = code;
        EXPECT_EQ(TraceOf([&] { EXPECT_FLOAT_EQ(Read(2), amps); }), Accesses{"r1E"});
    }
    FailRegister(0x1E);
    EXPECT_FLOAT_EQ(Read(2), 51.209677f);
}

TEST_F(ReadingTest, PhaseIsSelectedInOrderAndTheSequenceStopsAtAFailure)
{
    chip.phaseTemps[2] = 71;
    Detect();
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(5), 71.0f); }), (Accesses{"r0E", "w08=00", "w07=A7", "w08=83", "r0A"}));
    FailRegister(0x07);
    chip.phaseTemps[2] = 90;
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(5), 71.0f); }), (Accesses{"w08=00", "w07=A7!"}));
    EXPECT_EQ(Read(3), kNoValue);
}

TEST_F(ReadingTest, PhasesBeyondTheCountAreNotRead)
{
    Detect();  // four phases
    Read(3);
    EXPECT_TRUE(TraceOf([this] {
                    EXPECT_EQ(Read(7), kNoValue);
                    EXPECT_EQ(Read(8), kNoValue);
                }).empty());

    FailRegister(0x0E);  // an unreadable count lets every phase through
    Detect();
    chip.phaseTemps[5] = 66;
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(8), 66.0f); }), (Accesses{"r0E!", "w08=00", "w07=A7", "w08=86", "r0A"}));
}

TEST_F(ReadingTest, ProtectionBitsHoldTheirLastStatusApart)
{
    Detect();
    chip.regs[0x0D] = 0x02;
    EXPECT_EQ(Read(9), 1.0f);
    EXPECT_EQ(Read(10), 0.0f);
    FailRegister(0x0D);
    EXPECT_EQ(Read(9), 1.0f);
    Heal();
    chip.regs[0x0D] = 0x01;
    EXPECT_EQ(Read(10), 1.0f);
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(9), 0.0f); }), Accesses{"r0D"});
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
    Detect();
    for (uint32_t source : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u})
        EXPECT_NE(Read(source), kNoValue) << source;
    EXPECT_EQ(g_state.g_context[0].m_OVP_OCP_State, 0x03);
    Detect();
    h.model.faults.failingBuses.insert({0u, 0});
    for (uint32_t source = 0; source <= 10; ++source)
        EXPECT_EQ(Read(source), source >= 9 ? 0.0f : kNoValue) << source;
}

TEST_F(ReadingTest, IndexesWithoutAReadingTouchNothing)
{
    Detect();
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
    SourceDescriptor desc = {};
    EXPECT_EQ(GetSourceDesc(Index(1, 0), &desc), 0);
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
    Detect();
    auto poll = [] {
        for (uint32_t source = 0; source <= 10; ++source)
            GetSourceData(Index(0, source));
    };
    // Cold: the configuration (2 reads) and the phase count (1) come first.
    EXPECT_EQ(TraceOf(poll).size(), 25u);
    // Voltage 3 (mode 3, direct), current 1, four phases 4 each, status 1 + 1.
    EXPECT_EQ(TraceOf(poll).size(), 22u);
}

}  // namespace
}  // namespace vrmtest
