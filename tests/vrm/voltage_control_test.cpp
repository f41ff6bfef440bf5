// The voltage control window with a scripted message box: what each showing
// says, the exact writes after UP, DOWN and EXIT, what stops a write (the
// chip changing or failing while the box is up, or between the press's read
// and its write), an old host's mirror to GPU 2 and the voltage limit. The
// random sessions are in voltage_safety_test.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "exports/exports.h"
#include "msgbox/prompt_box_params.h"
#include "plugin/plugin_state.h"
#include "tests/support/inside_access.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::Index;
using test::kDown;
using test::kExit;
using test::kHostWindow;
using test::kUp;
using Writes = std::vector<test::Write>;

TEST(VoltageWindowTest, UpWritesTheNextCodeAndTheNextPassShowsTheValueReadBack)
{
    test::PluginHarness h;
    sim::Device& chip = h.AddDetectedGpu(2, 1);
    test::SetVid(chip, 0x30, 0x48);  // VID register 0x18
    g_state.g_context[0].m_OVP_OCP_State = 2;
    int presses = 0;
    h.onPrompt = [&](const test::PromptCall& call) {
        EXPECT_STREQ(call.params->buttonsText, "UP\nDOWN\nEXIT");
        EXPECT_EQ(call.params->backgroundColor, 0xC0C0C0u);
        return presses++ == 0 ? kUp : kExit;
    };

    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.prompts[0].caption, "VRM Voltage Control");
    EXPECT_EQ(h.prompts[0].type, 0x230u) << "exclamation, EXIT the default button";
    EXPECT_EQ(h.prompts[0].owner, kHostWindow);
    EXPECT_EQ(h.prompts[0].text,
              "GPU=-1 VID=0x48 Voltage=1.3500\n\nParameters: /sd4294967295 /wi1,70,18,48\n\nOVP/OCP=2");
    EXPECT_EQ(h.prompts[1].text,
              "GPU=-1 VID=0x49 Voltage=1.3625\n\nParameters: /sd4294967295 /wi1,70,18,49\n\nOVP/OCP=2");
    // UP writes 0x49; EXIT writes the value shown once more.
    EXPECT_EQ(h.Writes(), (Writes{{0, 1, 0x70, 0x18, 0x49}, {0, 1, 0x70, 0x18, 0x49}}));
    EXPECT_EQ(chip.regs[0x18], 0x49);
    EXPECT_FLOAT_EQ(g_state.g_context[0].m_voltage, 1.3625f);
}

TEST(VoltageWindowTest, RefusalsAndTheNullWindow)
{
    test::PluginHarness h;
    h.AddDetectedGpu();
    EXPECT_EQ(SetupSource(0x00000002u, kHostWindow), 0);
    EXPECT_EQ(SetupSource(0x00100000u, kHostWindow), 0);
    EXPECT_EQ(SetupSource(0x00000000u, nullptr), 1);
    EXPECT_TRUE(h.prompts.empty());
    EXPECT_TRUE(h.model.trace.empty());
    EXPECT_EQ(g_state.g_bSetupOpened, 1);
    // Source 2 logs before it refuses; GPU 16 refuses before any line.
    EXPECT_EQ(h.LogMessages(), (std::vector<std::string>{
                                   "SetupSource: dwIndex=0x00000002 dwGpu=0 dwSource=2 g_bSupportsMultiGPU=1 hWnd=1234",
                                   "SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 g_bSupportsMultiGPU=1 hWnd=0"}));
}

// The person who pressed the setup button learns why nothing can be set:
// the window opens, says so, and touches no bus.
TEST(VoltageWindowTest, NoChipOpensAWindowThatSaysSoAndTouchesNoBus)
{
    test::PluginHarness h;
    h.AddGpuWithChip();  // present on the bus, but never detected
    EXPECT_EQ(h.Window(Index(1, 0), {kUp, kDown, kExit}), 1);
    EXPECT_TRUE(h.model.trace.empty());
    ASSERT_EQ(h.prompts.size(), 3u);
    for (const test::PromptCall& call : h.prompts) {
        EXPECT_EQ(call.caption, "VRM Voltage Control");
        EXPECT_EQ(call.text, "GPU=0: the VT1165 is not answering.\n\n"
                             "UP and DOWN write nothing until it answers again.\nEXIT closes this window.");
    }
}

TEST(VoltageWindowTest, BoxFailureEndsAtOnceWithoutWriting)
{
    test::PluginHarness h;
    h.AddDetectedGpu();
    for (int failure : {2, -1}) {
        EXPECT_EQ(h.Window(0, {failure}), 0);
        EXPECT_EQ(h.prompts.size(), 1u);
        EXPECT_TRUE(h.Writes().empty());
    }
}

// The chip may change while the box is up: a power-state switch, another
// tool, 0x1C naming another register. A press steps from what the chip
// holds at the press; EXIT never writes a value the chip no longer holds.
TEST(VoltageWindowTest, PressesStepFromWhatTheChipHoldsAtThePress)
{
    test::PluginHarness h;
    sim::Device& chip = h.AddDetectedGpu(2, 1);
    test::SetVid(chip, 0x20, 0x49);  // VID register 0x17
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        switch (pass++) {
        case 0: chip.regs[0x17] = 0x46; return kUp;          // shown 0x49, chip now lower
        case 1: chip.regs[0x17] = 0x52; return kDown;        // chip now higher
        case 2: test::SetVid(chip, 0x30, 0x40); return kUp;  // another register named
        case 3: chip.regs[0x18] = 0x44; return kExit;        // changed under the window: EXIT writes nothing
        default: return kExit;
        }
    };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    EXPECT_EQ(h.Writes(), (Writes{{0, 1, 0x70, 0x17, 0x47}, {0, 1, 0x70, 0x17, 0x51}, {0, 1, 0x70, 0x18, 0x41}}));
    EXPECT_EQ(chip.regs[0x18], 0x44);
    EXPECT_EQ(chip.regs[0x17], 0x51);
}

// A second window opened from the first one's message loop (the host's
// timer) would step the same register from its own stale view. (From
// another thread, and the next window once it is closed:
// tests/exports/door_test.cpp.)
TEST(VoltageWindowTest, ASecondWindowWhileOneIsOpenIsRefusedWithoutTouchingTheBus)
{
    test::PluginHarness h;
    h.AddDetectedGpu();
    h.AddDetectedGpu();
    std::vector<int32_t> nested;
    std::size_t traceBefore = 0, traceAfter = 0;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall&) {
        if (pass++ > 0)
            return kExit;
        traceBefore = h.model.trace.size();
        nested.push_back(SetupSource(0, kHostWindow));
        nested.push_back(SetupSource(0x00010000u, kHostWindow));
        nested.push_back(SetupSource(0, nullptr));
        nested.push_back(SetupSource(2, kHostWindow));
        traceAfter = h.model.trace.size();
        return kUp;
    };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    // Without an owner nothing would be shown anyway: 1, as ever; source 2
    // has no window to be refused.
    EXPECT_EQ(nested, (std::vector<int32_t>{0, 0, 1, 0}));
    EXPECT_EQ(traceAfter, traceBefore);
    EXPECT_EQ(h.prompts.size(), 2u);
    EXPECT_EQ(h.Logged("SetupSource: a voltage control window is already open; nothing opened"), 2);
}

// GPU 0's window on its chip at bus 0, 0x1C = 0x20 naming 0x17 = 0x40 (and
// 0x18 = 0x44), with a hook for calls from inside the host's accesses.
struct Window {
    Window()
    {
        test::SetVid(chip, 0x20, 0x40);
        chip.regs[0x18] = 0x44;
    }
    test::PluginHarness h;
    sim::Device& chip = h.AddDetectedGpu();
    test::InsideAccess inside;
};

// Done while the first box is up: action, from inside the first access
// that matches once the box has been answered (the press's, or EXIT's).
std::function<void(Window&)> Inside(std::function<bool(const sim::HostAccess&)> matches,
                                    std::function<void(Window&)> action)
{
    return [matches, action](Window& w) {
        w.inside.matches = matches;
        w.inside.action = [&w, action] { action(w); };
        w.inside.Arm();
    };
}

// Every way a press or EXIT comes to write nothing, or to write without a
// read-back: what each showing says, what is written, what the log says. A
// press never steps from a value it did not just read; a chip that stops
// answering is said at the very next showing (never the no-value marker,
// nor a parameter line for device 00); a failed read is not logged as a
// changed chip, nor a value never read as if it had been.
TEST(VoltageWindowTest, WhatEachShowingSaysWhenAWriteIsNotMade)
{
    const std::string k40 = "GPU=-1 VID=0x40 Voltage=1.2500\n\nParameters: /sd4294967295 /wi0,70,17,40\n\nOVP/OCP=0";
    const std::string k42 = "GPU=-1 VID=0x42 Voltage=1.2750\n\nParameters: /sd4294967295 /wi0,70,17,42\n\nOVP/OCP=0";
    const std::string k18 = "GPU=-1 VID=0x44 Voltage=1.3000\n\nParameters: /sd4294967295 /wi0,70,18,44\n\nOVP/OCP=0";
    const std::string kSilent = "GPU=-1: the VT1165 is not answering.\n\nUP and DOWN write nothing until it "
                                "answers again.\nEXIT closes this window.";
    const std::string kUnreadAtPress = "\n\nNothing written: the VID could not be read at the press.";
    auto failBus = [](Window& w) { w.h.model.faults.failingBuses.insert({0, 0}); };
    auto failRegister = [](uint8_t reg) {
        return [reg](Window& w) { w.h.model.faults.failingRegisters.insert({0, reg}); };
    };
    struct Case {
        const char* what;
        std::vector<int> answers;
        std::function<void(Window&)> firstBox;  // done while the first box is up
        std::vector<std::string> shown;         // every showing's text
        Writes writes;
        std::vector<std::pair<const char*, int>> logged = {};  // log lines holding the text, how many
        std::function<void(Window&)> before = nullptr;         // done before the window opens
    };
    const Case cases[] = {
        {"the press's read of 0x1C fails",
         {kUp, kExit},
         [](Window& w) { w.h.model.faults.failNext = 1; },
         {k40, k40 + kUnreadAtPress},
         {{0, 0, 0x70, 0x17, 0x40}}},
        {"the bus fails at the press's read of the VID",
         {kDown, kExit},
         Inside(test::ReadOf(0, 0x17), failBus),
         {k40, kSilent + kUnreadAtPress},
         {},
         {{"SetupSource: vid_value=0x40 Voltage=1.2500", 1}}},
        {"0x1C names 0x18 between the press's read and its write",
         {kUp, kExit},
         Inside(test::ReadOf(0, 0x17), [](Window& w) { w.chip.regs[0x1C] = 0x30; }),
         {k40, k18 + "\n\nNothing written: register 0x1C changed during the press."},
         {{0, 0, 0x70, 0x18, 0x44}}},
        {"another tool steps the VID two codes up just before the write",
         {kUp, kExit},
         Inside([n = 0](const sim::HostAccess& a) mutable { return !a.write && a.reg == 0x1C && ++n == 2; },
                [](Window& w) { w.chip.regs[0x17] = 0x42; }),
         {k40, k42 + "\n\nNothing written: the VID changed during the press."},
         {{0, 0, 0x70, 0x17, 0x42}}},
        {"0x1C stops answering between the press's read and its write",
         {kUp, kExit},
         Inside(test::ReadOf(0, 0x17), failRegister(0x1C)),
         {k40, kSilent + "\n\nNothing written: the VT1165 stopped answering during the press."},
         {}},
        {"the bus fails after the press wrote",
         {kUp, kExit},
         Inside(
             [written = false](const sim::HostAccess& a) mutable { return (written = written || a.write) && !a.write; },
             failBus),
         {k40, kSilent + "\n\nWritten: VID=0x41 (1.2625 V) to register 0x17; not read back."},
         {{0, 0, 0x70, 0x17, 0x41}}},
        {"EXIT's read of 0x1C fails",
         {kExit},
         [](Window& w) { w.h.model.faults.failNext = 1; },
         {k40},
         {},
         {{"SetupSource: EXIT wrote nothing: the VID could not be read.", 1}}},
        {"the VID changes while the box is up",
         {kExit},
         [](Window& w) { w.chip.regs[0x17] = 0x3B; },
         {k40},
         {},
         {{"SetupSource: EXIT wrote nothing: the chip no longer holds the VID shown.", 1}}},
        {"the VID register cannot be read",
         {kUp, kDown, kExit},
         nullptr,
         {kSilent, kSilent, kSilent},
         {},
         {{"SetupSource: VID register 0x17 could not be read", 3}, {"vid_value=", 0}},
         failRegister(0x17)},
        {"the GPU is described again from inside the box and the chip does not answer then",
         {kUp, kUp, kDown, kExit},
         [](Window& w) {
             g_state.g_bDetectFailShown.TryClaim();  // the warning was seen earlier in this load
             w.h.model.faults.failingRegisters.insert({0, 0x1A});
             EXPECT_EQ(test::Describe(0), 0);
             w.h.model.faults.failingRegisters.clear();
         },
         {k40, kSilent + "\n\nNothing written: the VT1165 is not answering.", kSilent, kSilent},
         {}},
        {"the GPU is described again from inside the box, then its VID cannot be read",
         {kDown, kExit},
         [](Window& w) {
             EXPECT_EQ(test::Describe(0), 1);
             w.h.model.faults.failingRegisters.insert({0, 0x17});
         },
         {k40, kSilent + kUnreadAtPress},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        if (c.before)
            c.before(w);
        std::size_t pass = 0;
        w.h.onPrompt = [&](const test::PromptCall&) {
            if (pass == 0 && c.firstBox)
                c.firstBox(w);
            return pass < c.answers.size() ? c.answers[pass++] : kExit;
        };
        EXPECT_EQ(SetupSource(0, kHostWindow), 1);
        std::vector<std::string> shown;
        for (const test::PromptCall& call : w.h.prompts)
            shown.push_back(call.text);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(w.h.Writes(), c.writes);
        for (const auto& line : c.logged)
            EXPECT_EQ(w.h.Logged(line.first), line.second) << line.first;
    }
}

// GPU 0 is described again while its window is up, with bus 0 failing: its
// second VT1165, on bus 1, is detected now. A press acts only on the chip
// the window showed, so it writes nothing and says why; the next showing
// reads the chip on bus 1, and EXIT writes back only what that showing read.
TEST(VoltageWindowTest, APressAfterTheChipWasDetectedElsewhereWritesNothing)
{
    test::PluginHarness h;
    h.model.AddGpu(2);
    for (uint8_t bus : {0, 1}) {
        sim::Device& chip = h.model.AddVt1165(0, bus);
        chip.regs[0x1C] = 0x20;
        chip.regs[0x17] = 0x40;
    }
    ASSERT_EQ(test::Describe(0), 1);
    h.onPrompt = [&h](const test::PromptCall&) {
        if (h.prompts.size() > 1)
            return kExit;
        h.model.faults.failingBuses.insert({0, 0});
        EXPECT_EQ(test::Describe(0), 1);
        h.model.faults.failingBuses.clear();
        return kUp;
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);
    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_NE(h.prompts[1].text.find("/wi1,70,17,40"), std::string::npos) << h.prompts[1].text;
    EXPECT_NE(h.prompts[1].text.find("Nothing written: the VT1165 was detected again since this was shown."),
              std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(h.Writes(), (Writes{{0, 1, 0x70, 0x17, 0x40}})) << "only EXIT's write-back, on bus 1";
}

// An old host whose user applies settings to both GPUs sets GPU 1 up (for
// any GPU but the first) and repeats each write on GPU 2, but only on GPU
// 2's own chip at the same bus and address, using the same register, and
// one code at most in the direction pressed from what it holds. Unchecked,
// one UP moved a GPU 2 at 0x30 to 0x4A (+325 mV), or wrote to a bus where
// GPU 2 has no chip. Each skip says why, in the window and in the log.
TEST(VoltageWindowTest, TheMirrorToAnOldHostsGpuTwo)
{
    struct Case {
        const char* what;
        uint32_t hostVersion;
        int button;
        uint8_t gpu1Vid;                               // GPU 1: the chip on bus 2, 0x1C = 0x20
        uint8_t gpu2Bus, gpu2Control, gpu2Vid;         // GPU 2's chip
        std::vector<std::pair<uint32_t, int>> writes;  // GPU and value of each write, all to 0x17 on bus 2
        const char* note = nullptr;                    // why GPU 2 was skipped, after "Mirror to GPU 2 skipped: "
        float limit = 0.0f;
    };
    const Case cases[] = {
        {"in step", test::kOldHost, kUp, 0x3C, 2, 0x20, 0x3C, {{1, 0x3D}, {2, 0x3D}, {1, 0x3D}, {2, 0x3D}}},
        {"bus 1", test::kOldHost, kUp, 0x3C, 1, 0x20, 0x3C, {{1, 0x3D}, {1, 0x3D}}, "its VT1165 is on bus 1 at 0x70."},
        {"another VID", test::kOldHost, kUp, 0x3C, 2, 0x20, 0x30, {{1, 0x3D}, {1, 0x3D}}, "it holds VID 0x30."},
        {"one code ahead", test::kOldHost, kUp, 0x3C, 2, 0x20, 0x3E, {{1, 0x3D}, {1, 0x3D}}, "it holds VID 0x3E."},
        {"bit 7 differs", test::kOldHost, kUp, 0x3C, 2, 0x20, 0xBC, {{1, 0x3D}, {1, 0x3D}}, "it holds VID 0xBC."},
        {"0x16", test::kOldHost, kUp, 0x3C, 2, 0x10, 0x3C, {{1, 0x3D}, {1, 0x3D}}, "it uses VID register 0x16."},
        // DOWN is always allowed, above the limit too; it must not raise GPU 2.
        {"DOWN", test::kOldHost, kDown, 0x53, 2, 0x20, 0x51, {{1, 0x52}, {1, 0x52}}, "it holds VID 0x51.", 1.45f},
        {"a new host", 0x02170000u, kUp, 0x3C, 2, 0x20, 0x3C, {{1, 0x3D}, {1, 0x3D}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::PluginHarness h;
        h.model.hostVersion = c.hostVersion;
        const bool oldHost = c.hostVersion == test::kOldHost;
        h.AddDetectedGpu();
        test::SetVid(h.AddDetectedGpu(3, 2), 0x20, c.gpu1Vid);
        test::SetVid(h.AddDetectedGpu(3, c.gpu2Bus), c.gpu2Control, c.gpu2Vid);
        g_state.g_bApplyToBoth = 1;
        g_state.g_bVoltageLimit = c.limit > 0;
        g_state.g_voltageLimit = c.limit;

        EXPECT_EQ(h.Window(Index(oldHost ? 3 : 1, 0), {c.button, kExit}), 1);
        ASSERT_EQ(h.prompts.size(), 2u);
        EXPECT_EQ(h.prompts[0].text.substr(0, 6), "GPU=0 ");
        EXPECT_NE(h.prompts[0].text.find("/sd0 /wi2,70,17,"), std::string::npos) << h.prompts[0].text;
        std::vector<std::pair<uint32_t, int>> writes;
        for (const test::Write& w : h.Writes()) {
            writes.emplace_back(w.gpu, w.value);
            EXPECT_TRUE(w.bus == 2 && w.dev == 0x70 && w.reg == 0x17) << w;
        }
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(h.Logged("SetupSource: Using the same settings on GPU 1 and GPU 2"), oldHost ? 1 : 0);
        if (c.note) {
            const std::string note = std::string("Mirror to GPU 2 skipped: ") + c.note;
            EXPECT_NE(h.prompts[1].text.find(note), std::string::npos) << h.prompts[1].text;
            EXPECT_GE(h.Logged("SetupSource: " + note), 1);
        } else {
            EXPECT_EQ(h.prompts[1].text.find("Mirror"), std::string::npos) << h.prompts[1].text;
        }
    }
}

// VoltageLimit in the configuration: UP never writes a code above it, the
// text shows it and says when it is reached, DOWN still works, and the
// mirror to GPU 2 obeys it as well.
TEST(VoltageWindowTest, TheVoltageLimitStopsUpAndIsShown)
{
    test::PluginHarness h;
    h.model.hostVersion = test::kOldHost;
    g_state.g_bVoltageLimit = 1;
    g_state.g_voltageLimit = 1.45f;  // code 0x50 exactly
    h.AddDetectedGpu();
    sim::Device& first = h.AddDetectedGpu();
    sim::Device& second = h.AddDetectedGpu();
    first.regs[0x17] = 0x4F;
    second.regs[0x17] = 0x4F;
    g_state.g_bApplyToBoth = 1;

    EXPECT_EQ(h.Window(0x00010000u, {kUp, kUp, kUp, kDown, kExit}), 1);
    EXPECT_EQ(first.regs[0x17], 0x4F);
    EXPECT_EQ(second.regs[0x17], 0x4F);
    for (const test::Write& w : h.Writes())
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

}  // namespace
