// Output voltage: every decoding path, its bus accesses, and last-good values.
#include "tests/vrm/vrm_fixture.h"

namespace vrmtest {
namespace {

class VoltageTest : public VrmTest {
protected:
    // Detects, then reads once: the VID mode is cached from here on.
    void Setup(uint8_t mode, uint8_t r19, uint8_t r1C)
    {
        SetVidMode(mode);
        chip.regs[0x19] = r19;
        chip.regs[0x1C] = r1C;
        Detect();
        Read(0);
    }
};

TEST_F(VoltageTest, Mode3DirectReadsTheSelectedVidRegisterWithTheOffset)
{
    chip.regs[0x16] = 0x08, chip.regs[0x17] = 0x48, chip.regs[0x18] = 0xBC;
    Setup(3, 0x01, 0x20);
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(0), 1.35f); }), (Accesses{"r19", "r1C", "r17"}));
    chip.regs[0x1C] = 0x13;
    EXPECT_EQ(Read(0), 0.55f);
    chip.regs[0x1C] = 0x3C;  // register 0x18: bit 7 is not part of the code
    EXPECT_EQ(Read(0), 1.2f);
}

TEST_F(VoltageTest, Mode3WithBit0ClearPicksAFixedVoltage)
{
    const float fixed[4] = {1.0f, 1.05f, 1.1f, 1.15f};
    Setup(3, 0xFE, 0);
    for (uint8_t d = 0; d < 4; ++d) {
        chip.regs[0x1C] = static_cast<uint8_t>(0x34 | d);
        EXPECT_EQ(TraceOf([&] { EXPECT_EQ(Read(0), fixed[d]); }), (Accesses{"r19", "r1C"}));
    }
}

TEST_F(VoltageTest, OtherModesReadRegister18OrLookUpTheVidCode)
{
    chip.regs[0x18] = 0x48;
    Setup(1, 0x01, 0x00);
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(0), 0.9f); }), (Accesses{"r19", "r18"}));
    chip.regs[0x18] = 0xC8;
    EXPECT_EQ(Read(0), 1.35f);

    Setup(0, 0x00, 0x0B);
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(0), 1.5875f); }), (Accesses{"r19", "r1C"}));
    Setup(2, 0x02, 30);
    EXPECT_EQ(Read(0), 1.1f);
}

TEST_F(VoltageTest, FailuresAndTablelessModesKeepTheLastGoodVoltage)
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
    Detect();
    g_state.g_context[0].m_voltage = 1.25f;
    EXPECT_EQ(TraceOf([this] { EXPECT_EQ(Read(0), kNoValue); }), (Accesses{"r03", "r04!"}));
}

TEST_F(VoltageTest, LogLinesOnlyWithLogging)
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

}  // namespace
}  // namespace vrmtest
