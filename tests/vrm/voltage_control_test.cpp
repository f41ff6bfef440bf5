// The voltage control window with a scripted message box: what each pass
// shows, the exact writes after UP, DOWN and EXIT, and failing reads. The
// random sessions are in voltage_safety_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgbox/prompt_box_params.h"
#include "plugin/exports.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_harness.h"
#include "vrm/voltage_control.h"

namespace {

constexpr int UP = 23, DOWN = 24, EXIT = 25;
void* const kHostWindow = reinterpret_cast<void*>(0x1234);

struct Write {
    uint32_t gpu;
    int bus, dev, reg, value;
    bool operator==(const Write& o) const
    {
        return gpu == o.gpu && bus == o.bus && dev == o.dev && reg == o.reg && value == o.value;
    }
};

std::ostream& operator<<(std::ostream& os, const Write& w)
{
    return os << "{gpu " << w.gpu << " bus " << w.bus << " dev " << w.dev << " reg 0x" << std::hex << w.reg
              << " value 0x" << w.value << std::dec << "}";
}

std::vector<Write> Writes(const sim::Vt1165Model& model)
{
    std::vector<Write> writes;
    for (const sim::BusAccess& a : model.trace)
        if (a.write)
            writes.push_back(Write{a.gpu, a.bus, a.dev, a.reg, a.value});
    return writes;
}

class VoltageControlTest : public ::testing::Test {
protected:
    // A GPU with the chip detected on the given bus.
    sim::Device& AddDetectedGpu(uint32_t busCount = 2, uint8_t chipBus = 1)
    {
        uint32_t gpu = static_cast<uint32_t>(h.model.GpuCount());
        sim::Device& chip = h.AddGpuWithChip(busCount, chipBus);
        SourceDescriptor desc = {};
        GetSourceDesc(gpu << 16, &desc);
        EXPECT_EQ(g_state.g_context[gpu].m_dev, 0x70);
        return chip;
    }
    int32_t Run(uint32_t index, std::vector<int> presses)
    {
        h.promptAnswers = std::move(presses);
        h.prompts.clear();
        h.model.ClearTrace();
        return SetupSource(index, kHostWindow);
    }
    test::PluginHarness h;
};

TEST(StepVidValueTest, StepsTheCodeWithoutWrappingAndKeepsBit7)
{
    EXPECT_EQ(StepVidValue(0x48, +1), 0x49);
    EXPECT_EQ(StepVidValue(0x48, -1), 0x47);
    EXPECT_EQ(StepVidValue(0x00, -1), 0x00);
    EXPECT_EQ(StepVidValue(0x7F, +1), 0x7F);
    EXPECT_EQ(StepVidValue(0xFF, +1), 0xFF);
    EXPECT_EQ(StepVidValue(0x80, -1), 0x80);
    EXPECT_EQ(StepVidValue(0x80, +1), 0x81);
}

TEST_F(VoltageControlTest, UpWritesTheNextCodeAndTheNextPassShowsTheValueReadBack)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    g_state.g_context[0].m_OVP_OCP_State = 2;

    EXPECT_EQ(Run(0, {UP, EXIT}), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.prompts[0].caption, "VRM Voltage Control");
    EXPECT_EQ(h.prompts[0].type, 0x30u);
    EXPECT_EQ(h.prompts[0].owner, kHostWindow);
    EXPECT_EQ(h.prompts[0].text,
              "GPU=-1 VID=0x48 Voltage=1.3500\n\nParameters: /sd4294967295 /wi1,70,18,48\n\nOVP/OCP=2");
    EXPECT_EQ(h.prompts[1].text,
              "GPU=-1 VID=0x49 Voltage=1.3625\n\nParameters: /sd4294967295 /wi1,70,18,49\n\nOVP/OCP=2");
    // UP writes 0x49; EXIT writes the value shown once more.
    EXPECT_EQ(Writes(h.model), (std::vector<Write>{{0, 1, 0x70, 0x18, 0x49}, {0, 1, 0x70, 0x18, 0x49}}));
    EXPECT_EQ(chip.regs[0x18], 0x49);
    EXPECT_FLOAT_EQ(g_state.g_context[0].m_voltage, 1.3625f);
}

TEST_F(VoltageControlTest, ParametersRecordAndTheRegisterChosenByControl)
{
    AddDetectedGpu();
    sim::Device& chip = AddDetectedGpu(1, 0);
    chip.regs[0x1C] = 0x10;  // VID register 0x16
    chip.regs[0x16] = 0x40;
    h.onPrompt = [](const test::PromptCall& call) {
        EXPECT_STREQ(call.params->buttonsText, "UP\nDOWN\nEXIT");
        EXPECT_EQ(call.params->backgroundColor, 0xC0C0C0u);
        return DOWN;
    };
    h.promptAnswers.clear();
    int presses = 0;
    h.onPrompt = [&](const test::PromptCall&) { return ++presses < 3 ? DOWN : EXIT; };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0x00010000u, kHostWindow), 1);
    EXPECT_EQ(chip.regs[0x16], 0x3E);
    for (const Write& w : Writes(h.model)) {
        EXPECT_EQ(w.gpu, 1u);
        EXPECT_EQ(w.reg, 0x16);
    }
}

TEST_F(VoltageControlTest, RefusalsAndTheNullWindow)
{
    AddDetectedGpu();
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0x00000002u, kHostWindow), 0);
    EXPECT_EQ(SetupSource(0x00100000u, kHostWindow), 0);
    EXPECT_EQ(SetupSource(0x00000000u, nullptr), 1);
    EXPECT_TRUE(h.prompts.empty());
    EXPECT_TRUE(h.model.trace.empty());
    EXPECT_EQ(g_state.g_bSetupOpened, 1);
    // Source 2 logs before it refuses; GPU 16 refuses before any line.
    std::vector<std::string> log = h.LogMessages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{
                  "SetupSource: dwIndex=0x00000002 dwGpu=0 dwSource=2 g_bSupportsMultiGPU=1 hWnd=1234",
                  "SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 g_bSupportsMultiGPU=1 hWnd=0"}));
}

TEST_F(VoltageControlTest, NoChipMeansNoBusAccessAndZero)
{
    h.model.AddGpu(1);
    h.model.AddVt1165(0, 0);  // present on the bus, but never detected
    EXPECT_EQ(Run(0, {UP, EXIT}), 0);
    EXPECT_TRUE(h.model.trace.empty());
    EXPECT_TRUE(h.prompts.empty());
}

TEST_F(VoltageControlTest, BoxFailureEndsAtOnceWithoutWriting)
{
    AddDetectedGpu();
    for (int failure : {2, -1}) {
        EXPECT_EQ(Run(0, {failure}), 0);
        EXPECT_EQ(h.prompts.size(), 1u);
        EXPECT_TRUE(Writes(h.model).empty());
    }
}

TEST_F(VoltageControlTest, UnreadableVidWritesNothingAndSaysSo)
{
    AddDetectedGpu();
    h.model.faults.failingRegisters.insert({0, 0x17});  // 0x1C = 0x20 selects 0x17
    EXPECT_EQ(Run(0, {UP, DOWN, EXIT}), 1);
    EXPECT_TRUE(Writes(h.model).empty());
    EXPECT_NE(h.prompts[0].text.find("could not be read"), std::string::npos) << h.prompts[0].text;
}

TEST_F(VoltageControlTest, AFailedReadDoesNotLetPressesWalkAway)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x17] = 0x40;
    // First pass reads; then the VID register stops answering.
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ == 0)
            h.model.faults.failingRegisters.insert({0, 0x17});
        return pass < 5 ? UP : EXIT;
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    for (const Write& w : Writes(h.model))
        EXPECT_EQ(w.value, 0x41) << w;
}

TEST_F(VoltageControlTest, OldHostWorksOnGpuOneAndMirrorsToGpuTwoWithGpuOnesBus)
{
    h.model.hostVersion = 0x02160000u;
    AddDetectedGpu(1, 0);                       // GPU 0
    sim::Device& first = AddDetectedGpu(3, 2);  // GPU 1, chip on bus 2
    AddDetectedGpu(2, 1);                       // GPU 2, chip on bus 1
    first.regs[0x17] = 0x3C;
    g_state.g_bApplyToBoth = 1;

    EXPECT_EQ(Run(0x00030000u, {UP, EXIT}), 1);
    EXPECT_EQ(h.prompts[0].text.substr(0, 6), "GPU=0 ");
    EXPECT_NE(h.prompts[0].text.find("/sd0 /wi2,70,17,3c"), std::string::npos) << h.prompts[0].text;
    EXPECT_EQ(Writes(h.model), (std::vector<Write>{{1, 2, 0x70, 0x17, 0x3D}, {2, 2, 0x70, 0x17, 0x3D},
                                                    {1, 2, 0x70, 0x17, 0x3D}, {2, 2, 0x70, 0x17, 0x3D}}));
    std::vector<std::string> log = h.LogMessages();
    int sameSettings = 0;
    for (const std::string& m : log)
        sameSettings += m == "SetupSource: Using the same settings on GPU 1 and GPU 2";
    EXPECT_EQ(sameSettings, 1);
}

TEST_F(VoltageControlTest, NewHostIgnoresApplyToBoth)
{
    AddDetectedGpu();
    AddDetectedGpu();
    AddDetectedGpu();
    g_state.g_bApplyToBoth = 1;
    EXPECT_EQ(Run(0x00010000u, {EXIT}), 1);
    for (const Write& w : Writes(h.model))
        EXPECT_EQ(w.gpu, 1u);
}

}  // namespace
