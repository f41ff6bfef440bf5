// The voltage control window with a scripted message box: what each pass
// shows, the exact writes after UP, DOWN and EXIT, and failing reads. The
// random sessions are in voltage_safety_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exports/exports.h"
#include "msgbox/prompt_box_params.h"
#include "plugin/plugin_state.h"
#include "tests/support/box_buttons.h"
#include "tests/support/inside_access.h"
#include "tests/support/plugin_harness.h"
#include "vrm/vid_writes.h"
#include "vrm/voltage_control.h"

namespace {

constexpr int UP = test::kUp, DOWN = test::kDown, EXIT = test::kExit;
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
    EXPECT_EQ(StepVidValue(0x48, VidMove::Up), 0x49);
    EXPECT_EQ(StepVidValue(0x48, VidMove::Down), 0x47);
    EXPECT_EQ(StepVidValue(0x00, VidMove::Down), 0x00);
    EXPECT_EQ(StepVidValue(0x7F, VidMove::Up), 0x7F);
    EXPECT_EQ(StepVidValue(0xFF, VidMove::Up), 0xFF);
    EXPECT_EQ(StepVidValue(0x80, VidMove::Down), 0x80);
    EXPECT_EQ(StepVidValue(0x80, VidMove::Up), 0x81);
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
    EXPECT_EQ(h.prompts[0].type, 0x230u) << "exclamation, EXIT the default button";
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
    EXPECT_EQ(
        std::vector<std::string>(log.end() - 2, log.end()),
        (std::vector<std::string>{"SetupSource: dwIndex=0x00000002 dwGpu=0 dwSource=2 g_bSupportsMultiGPU=1 hWnd=1234",
                                  "SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 g_bSupportsMultiGPU=1 hWnd=0"}));
}

// The person who pressed the setup button learns why nothing can be set:
// the window opens, says so, and touches no bus.
TEST_F(VoltageControlTest, NoChipOpensAWindowThatSaysSoAndTouchesNoBus)
{
    h.model.AddGpu(1);
    h.model.AddVt1165(0, 0);  // present on the bus, but never detected
    EXPECT_EQ(Run(0x00010000u, {UP, DOWN, EXIT}), 1);
    EXPECT_TRUE(h.model.trace.empty());
    ASSERT_EQ(h.prompts.size(), 3u);
    for (const test::PromptCall& call : h.prompts) {
        EXPECT_EQ(call.caption, "VRM Voltage Control");
        EXPECT_EQ(call.text, "GPU=0: the VT1165 is not answering.\n\n"
                             "UP and DOWN write nothing until it answers again.\nEXIT closes this window.");
    }
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
    EXPECT_EQ(h.prompts[0].text.find("GPU=-1: the VT1165 is not answering."), 0u) << h.prompts[0].text;
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

TEST_F(VoltageControlTest, OldHostWorksOnGpuOneAndMirrorsToAGpuTwoInStep)
{
    h.model.hostVersion = 0x02160000u;
    AddDetectedGpu(1, 0);                        // GPU 0
    sim::Device& first = AddDetectedGpu(3, 2);   // GPU 1, chip on bus 2
    sim::Device& second = AddDetectedGpu(3, 2);  // GPU 2, its own chip at the same place
    first.regs[0x17] = 0x3C;
    second.regs[0x17] = 0x3C;
    g_state.g_bApplyToBoth = 1;

    EXPECT_EQ(Run(0x00030000u, {UP, EXIT}), 1);
    EXPECT_EQ(h.prompts[0].text.substr(0, 6), "GPU=0 ");
    EXPECT_NE(h.prompts[0].text.find("/sd0 /wi2,70,17,3c"), std::string::npos) << h.prompts[0].text;
    EXPECT_EQ(
        Writes(h.model),
        (std::vector<Write>{
            {1, 2, 0x70, 0x17, 0x3D}, {2, 2, 0x70, 0x17, 0x3D}, {1, 2, 0x70, 0x17, 0x3D}, {2, 2, 0x70, 0x17, 0x3D}}));
    EXPECT_EQ(second.regs[0x17], 0x3D);
    std::vector<std::string> log = h.LogMessages();
    int sameSettings = 0;
    for (const std::string& m : log)
        sameSettings += m == "SetupSource: Using the same settings on GPU 1 and GPU 2";
    EXPECT_EQ(sameSettings, 1);
}

// An old host mirrors every write to GPU 2 at the first GPU's bus and
// address. Unchecked, one UP moved a GPU 2 at 0x30 to 0x4A (+325 mV), or
// wrote to a bus where GPU 2 has no chip. Each refusal says why, once in
// the window and once in the log.
TEST_F(VoltageControlTest, MirrorSkipsAGpuTwoThatIsElsewhereOrOutOfStep)
{
    struct Case {
        const char* what;
        uint8_t secondBus;
        uint8_t secondControl;
        uint8_t secondValue;
        const char* note;
    };
    const Case cases[] = {
        {"another bus", 1, 0x20, 0x3C, "Mirror to GPU 2 skipped: its VT1165 is on bus 1 at 0x70."},
        {"another VID", 2, 0x20, 0x30, "Mirror to GPU 2 skipped: it holds VID 0x30."},
        {"one code ahead", 2, 0x20, 0x3E, "Mirror to GPU 2 skipped: it holds VID 0x3E."},
        {"bit 7 differs", 2, 0x20, 0xBC, "Mirror to GPU 2 skipped: it holds VID 0xBC."},
        {"another register", 2, 0x10, 0x3C, "Mirror to GPU 2 skipped: it uses VID register 0x16."},
    };
    for (const Case& c : cases) {
        test::PluginHarness fresh;
        fresh.model.hostVersion = 0x02160000u;
        for (uint8_t bus : {uint8_t{0}, uint8_t{2}, c.secondBus}) {
            uint32_t gpu = static_cast<uint32_t>(fresh.model.GpuCount());
            fresh.AddGpuWithChip(3, bus);
            SourceDescriptor desc = {};
            GetSourceDesc(gpu << 16, &desc);
        }
        fresh.model.Vt1165Of(1)->regs[0x17] = 0x3C;
        sim::Device& second = *fresh.model.Vt1165Of(2);
        second.regs[0x1C] = c.secondControl;
        second.regs[0x16] = c.secondValue;
        second.regs[0x17] = c.secondValue;
        g_state.g_bApplyToBoth = 1;
        fresh.promptAnswers = {UP, EXIT};
        fresh.model.ClearTrace();

        EXPECT_EQ(SetupSource(0x00010000u, kHostWindow), 1) << c.what;
        for (const Write& w : Writes(fresh.model))
            EXPECT_EQ(w.gpu, 1u) << c.what << ": " << w;
        EXPECT_EQ(fresh.model.Vt1165Of(1)->regs[0x17], 0x3D) << c.what;
        ASSERT_EQ(fresh.prompts.size(), 2u);
        EXPECT_NE(fresh.prompts[1].text.find(c.note), std::string::npos) << c.what << "\n" << fresh.prompts[1].text;
        int logged = 0;
        for (const std::string& m : fresh.LogMessages())
            logged += m == std::string("SetupSource: ") + c.note;
        EXPECT_GE(logged, 1) << c.what;
    }
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

// The chip may change while the box is up: a power-state switch, another
// tool, 0x1C naming another register. A press steps from what the chip
// holds at the press; EXIT never writes a value the chip no longer holds.
TEST_F(VoltageControlTest, PressesStepFromWhatTheChipHoldsAtThePress)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x1C] = 0x20;  // VID register 0x17
    chip.regs[0x17] = 0x49;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        switch (pass++) {
        case 0: chip.regs[0x17] = 0x46; return UP;    // shown 0x49, chip now lower
        case 1: chip.regs[0x17] = 0x52; return DOWN;  // chip now higher
        case 2:
            chip.regs[0x1C] = 0x30;
            chip.regs[0x18] = 0x40;
            return UP;                                // another register named
        case 3: chip.regs[0x18] = 0x44; return EXIT;  // changed under the window: EXIT writes nothing
        default: return EXIT;
        }
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    EXPECT_EQ(Writes(h.model),
              (std::vector<Write>{{0, 1, 0x70, 0x17, 0x47}, {0, 1, 0x70, 0x17, 0x51}, {0, 1, 0x70, 0x18, 0x41}}));
    EXPECT_EQ(chip.regs[0x18], 0x44);
    EXPECT_EQ(chip.regs[0x17], 0x51);
}

TEST_F(VoltageControlTest, AReadFailingAtThePressWritesNothingAndTheNextPassSaysSo)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x17] = 0x40;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ == 0) {
            h.model.faults.failNext = 1;  // the press's read of 0x1C
            return UP;
        }
        return EXIT;
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_NE(h.prompts[1].text.find("Nothing written: the VID could not be read at the press."), std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(chip.regs[0x17], 0x40);
    EXPECT_EQ(Writes(h.model), (std::vector<Write>{{0, 1, 0x70, 0x17, 0x40}})) << "only EXIT's write-back";
}

// A second window opened from the first one's message loop (the host's
// timer) would step the same register from its own stale view.
TEST_F(VoltageControlTest, ASecondWindowWhileOneIsOpenIsRefusedWithoutTouchingTheBus)
{
    AddDetectedGpu();
    AddDetectedGpu();
    std::vector<int32_t> nested;
    std::size_t traceBefore = 0, traceAfter = 0;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ > 0)
            return EXIT;
        traceBefore = h.model.trace.size();
        nested.push_back(SetupSource(0, kHostWindow));
        nested.push_back(SetupSource(0x00010000u, kHostWindow));
        nested.push_back(SetupSource(0, nullptr));
        nested.push_back(SetupSource(2, kHostWindow));
        traceAfter = h.model.trace.size();
        return UP;
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    // Without an owner nothing would be shown anyway: 1, as ever; source 2
    // has no window to be refused.
    EXPECT_EQ(nested, (std::vector<int32_t>{0, 0, 1, 0}));
    EXPECT_EQ(traceAfter, traceBefore);
    EXPECT_EQ(h.prompts.size(), 2u);
    int refusals = 0;
    for (const std::string& m : h.LogMessages())
        refusals += m == "SetupSource: a voltage control window is already open; nothing opened";
    EXPECT_EQ(refusals, 2);
    // Once the window is gone, the next one opens.
    h.onPrompt = nullptr;
    EXPECT_EQ(Run(0, {EXIT}), 1);
}

// The host describes the window's GPU again from inside the box and the
// detection fails: the window must not show the no-value marker or a
// parameter line for device 00, and nothing may be written.
TEST_F(VoltageControlTest, AChipLostWhileTheWindowIsUpIsSaidAndNothingIsWritten)
{
    sim::Device& chip = AddDetectedGpu(2, 1);
    chip.regs[0x17] = 0x49;
    g_state.g_bDetectFailShown.TryClaim();  // the warning was seen earlier in this load
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ == 0) {
            h.model.faults.failingBuses.insert({0, 1});
            SourceDescriptor desc = {};
            EXPECT_EQ(GetSourceDesc(0, &desc), 0);
            return UP;
        }
        return pass < 4 ? (pass % 2 ? UP : DOWN) : EXIT;
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 4u);
    for (std::size_t i = 1; i < h.prompts.size(); ++i) {
        const std::string& text = h.prompts[i].text;
        EXPECT_EQ(text.find("GPU=-1: the VT1165 is not answering."), 0u) << text;
        EXPECT_EQ(text.find("340282"), std::string::npos) << text;
        EXPECT_EQ(text.find("/wi"), std::string::npos) << text;
    }
    EXPECT_TRUE(Writes(h.model).empty());
    EXPECT_EQ(chip.regs[0x17], 0x49);
}

// The chip stops answering right after the press's read: the very next
// showing says so, rather than repeating the last text word for word.
TEST_F(VoltageControlTest, AChipThatStopsAnsweringIsSaidAtTheNextShowing)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x17] = 0x40;
    test::InsideAccess inside;
    inside.matches = test::ReadOf(0, 0x17);
    inside.action = [&] { h.model.faults.failingBuses.insert({0, 1}); };
    const std::string expected =
        "GPU=-1: the VT1165 is not answering.\n\nUP and DOWN write nothing until it answers again.\n"
        "EXIT closes this window.";
    h.onPrompt = test::PressOnceWithHookArmed(inside, DOWN, EXIT);
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.prompts[1].text, expected + "\n\nNothing written: the VID could not be read at the press.");
    EXPECT_EQ(chip.regs[0x17], 0x40);
    std::vector<std::string> log = h.LogMessages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "SetupSource: vid_value=0x40 Voltage=1.2500"), 1);
}

// A press that wrote, whose read-back then fails: the window shows what was
// written as written, never the new code beside the old voltage.
TEST_F(VoltageControlTest, AWrittenPressThatCannotBeReadBackIsShownAsWritten)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x4C;  // 1.4000 V
    test::InsideAccess inside;
    bool written = false;
    inside.matches = [&](const sim::HostAccess& a) {
        written = written || (a.write && a.reg == 0x18);
        return written && !a.write;
    };
    inside.action = [&] { h.model.faults.failingBuses.insert({0, 1}); };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    const std::string& text = h.prompts[1].text;
    EXPECT_EQ(text.find("GPU=-1: the VT1165 is not answering."), 0u) << text;
    EXPECT_NE(text.find("Written: VID=0x4D (1.4125 V) to register 0x18; not read back."), std::string::npos) << text;
    EXPECT_EQ(text.find("1.4000"), std::string::npos) << text;
    EXPECT_EQ(chip.regs[0x18], 0x4D);
    EXPECT_EQ(Writes(h.model), (std::vector<Write>{{0, 1, 0x70, 0x18, 0x4D}})) << "EXIT writes nothing";
}

// The log says what happened: a read that failed is not reported as a
// changed chip, and a value never read is not logged as if it had been.
TEST_F(VoltageControlTest, TheLogTellsAFailedReadFromAChangedChip)
{
    sim::Device& chip = AddDetectedGpu();
    h.model.faults.failingRegisters.insert({0, 0x17});
    h.onPrompt = [&](const test::PromptCall&) { return EXIT; };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    std::vector<std::string> log = h.LogMessages();
    EXPECT_NE(std::find(log.begin(), log.end(), "SetupSource: VID register 0x17 could not be read"), log.end());
    for (const std::string& m : log)
        EXPECT_EQ(m.find("vid_value="), std::string::npos) << m;

    h.model.faults.failingRegisters.clear();
    h.logBytes.clear();
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ == 0)
            h.model.faults.failNext = 1;  // EXIT's read of 0x1C
        else
            chip.regs[0x17] = 0x3B;  // changed under the window
        return EXIT;
    };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    log = h.LogMessages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "SetupSource: EXIT wrote nothing: the VID could not be read."), 1);
    EXPECT_EQ(
        std::count(log.begin(), log.end(), "SetupSource: EXIT wrote nothing: the chip no longer holds the VID shown."),
        1);
}

// A context reset from inside the box with the chip found again clears
// m_voltage; the window never shows the marker, and a VID it cannot read
// any more is not shown as if it had been read.
TEST_F(VoltageControlTest, AContextResetFromInsideTheBoxShowsNoMarker)
{
    sim::Device& chip = AddDetectedGpu();
    chip.regs[0x17] = 0x49;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ == 0) {
            SourceDescriptor desc = {};
            EXPECT_EQ(GetSourceDesc(0, &desc), 1);
            h.model.faults.failingRegisters.insert({0, 0x17});
            return DOWN;  // its read fails: nothing written
        }
        return EXIT;
    };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.prompts[1].text.find("340282"), std::string::npos) << h.prompts[1].text;
    EXPECT_EQ(h.prompts[1].text.find("GPU=-1: the VT1165 is not answering."), 0u) << h.prompts[1].text;
    EXPECT_NE(h.prompts[1].text.find("Nothing written: the VID could not be read at the press."), std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(chip.regs[0x17], 0x49);
}

// VoltageLimit in the configuration: UP never writes a code above it, the
// text shows it and says when it is reached, DOWN still works, and the
// mirror to GPU 2 obeys it as well.
TEST_F(VoltageControlTest, TheVoltageLimitStopsUpAndIsShown)
{
    h.model.hostVersion = 0x02160000u;
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = 1.45f;  // code 0x50 exactly
    AddDetectedGpu(1, 0);
    sim::Device& first = AddDetectedGpu(1, 0);
    sim::Device& second = AddDetectedGpu(1, 0);
    first.regs[0x17] = 0x4F;
    second.regs[0x17] = 0x4F;
    g_state.g_bApplyToBoth = 1;

    EXPECT_EQ(Run(0x00010000u, {UP, UP, UP, DOWN, EXIT}), 1);
    EXPECT_EQ(first.regs[0x17], 0x4F);
    EXPECT_EQ(second.regs[0x17], 0x4F);
    for (const Write& w : Writes(h.model))
        EXPECT_LE(w.value & 0x7F, 0x50) << w;
    ASSERT_EQ(h.prompts.size(), 5u);
    EXPECT_NE(h.prompts[0].text.find("Voltage limit: 1.4500 V"), std::string::npos) << h.prompts[0].text;
    EXPECT_EQ(h.prompts[0].text.find("(reached)"), std::string::npos) << h.prompts[0].text;
    EXPECT_NE(h.prompts[1].text.find("VID=0x50 Voltage=1.4500"), std::string::npos) << h.prompts[1].text;
    EXPECT_NE(h.prompts[1].text.find("Voltage limit: 1.4500 V (reached)"), std::string::npos);
    EXPECT_NE(h.prompts[2].text.find("Nothing written: the voltage limit is reached."), std::string::npos)
        << h.prompts[2].text;
    EXPECT_EQ(h.prompts[4].text.find("(reached)"), std::string::npos) << h.prompts[4].text;
}

TEST_F(VoltageControlTest, TheMirrorNeverMovesGpuTwoAgainstThePress)
{
    h.model.hostVersion = 0x02160000u;
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = 1.45f;
    AddDetectedGpu(1, 0);
    sim::Device& first = AddDetectedGpu(1, 0);
    sim::Device& second = AddDetectedGpu(1, 0);
    first.regs[0x17] = 0x53;   // above the limit already (set elsewhere)
    second.regs[0x17] = 0x51;  // one code below what DOWN writes to GPU 1
    g_state.g_bApplyToBoth = 1;

    EXPECT_EQ(Run(0x00010000u, {DOWN, EXIT}), 1);
    EXPECT_EQ(first.regs[0x17], 0x52) << "DOWN is always allowed";
    EXPECT_EQ(second.regs[0x17], 0x51) << "DOWN must not raise GPU 2 (above the limit, too)";
    EXPECT_NE(h.prompts[1].text.find("Mirror to GPU 2 skipped: it holds VID 0x51."), std::string::npos)
        << h.prompts[1].text;
}

}  // namespace
