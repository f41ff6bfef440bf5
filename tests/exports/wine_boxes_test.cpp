// The plug-in's own boxes, real dialogs pressed through the DLL: the voltage
// control window end to end with its texts while the host's timer calls in
// from inside its message loop; an old host's multi-GPU prompt answered by
// its caption, with each press then repeated on GPU 2; and the keys that end
// a window as EXIT does. What each box decides is tested natively
// (tests/vrm/voltage_control_test.cpp, tests/plugin/detection_prompts_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "sim/box_driver.h"
#include "sim/dialog_finder.h"
#include "tests/wine/host_fixture.h"
#include "tests/wine/host_window.h"

namespace {

using Write = std::tuple<uint32_t, int, int, int>;  // gpu, bus, register, value

std::vector<Write> WritesOf(const sim::Vt1165Model& model)
{
    std::vector<Write> writes;
    for (const sim::BusAccess& a : model.trace)
        if (a.write)
            writes.emplace_back(a.gpu, a.bus, a.reg, a.value);
    return writes;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using WineBoxes = test::HostFixture;

// GPU 0's window pressed UP, UP, DOWN, EXIT while the host's timer, each tick
// inside the box's message loop, describes GPU 0 again (reset and detected)
// and GPU 1, and reads both: each press steps the chip, every call of every
// tick is answered and logged once (Logging=TRUE in the configuration file).
TEST_F(WineBoxes, VoltageWindowPressedEndToEndWhileTheHostCallsIn)
{
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nLogging=TRUE\r\n");
    for (uint32_t gpu = 0; gpu < 2; ++gpu) {
        model.AddGpu(2);
        model.AddVt1165(gpu, 1);
    }
    sim::Device& chip = *model.Vt1165Of(0);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    int ticks = 0, described = 0;
    std::vector<float> voltages, currents;
    std::vector<std::string> seen;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(plugin.Describe(0x00000000u), 1);
        ASSERT_EQ(plugin.Describe(0x00010000u), 1);
        model.ClearTrace();
        test::HostWindow host;
        EXPECT_EQ(test::PressThrough(
                      host, {"UP", "UP", "DOWN", "EXIT"}, [&] { return plugin.SetupSource(0x00000000u, host.window); },
                      &seen,
                      [&] {
                          ++ticks;
                          described += plugin.Describe(0x00000000u) + plugin.Describe(0x00010003u);
                          voltages.push_back(plugin.GetSourceData(0x00000000u));
                          currents.push_back(plugin.GetSourceData(0x00010002u));
                      }),
                  1);
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "VRM Voltage Control: GPU=-1 VID=0x48 Voltage=1.3500 | Parameters: /sd4294967295 "
                       "/wi1,70,18,48 | OVP/OCP=0");
    EXPECT_TRUE(Has(seen[1], "VID=0x49 Voltage=1.3625")) << seen[1];
    EXPECT_TRUE(Has(seen[2], "VID=0x4A Voltage=1.3750")) << seen[2];
    EXPECT_TRUE(Has(seen[3], "VID=0x49 Voltage=1.3625")) << seen[3];
    // UP, UP, DOWN, and EXIT's write-back.
    EXPECT_EQ(WritesOf(model),
              (std::vector<Write>{{0, 1, 0x18, 0x49}, {0, 1, 0x18, 0x4A}, {0, 1, 0x18, 0x49}, {0, 1, 0x18, 0x49}}));
    EXPECT_EQ(model.Vt1165Of(1)->regs[0x17], 0x3C);

    EXPECT_GE(ticks, 4) << "the host's timer ran inside every box";
    EXPECT_EQ(described, 2 * ticks);
    for (float volts : voltages)
        EXPECT_TRUE(volts >= 1.349f && volts <= 1.376f) << volts;
    for (float amps : currents)
        EXPECT_LT(amps, 100.0f) << "a reading, not the no-value marker";
    const std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(std::regex_search(
        log, std::regex(" SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 g_bSupportsMultiGPU=1 hWnd=[0-9A-F]+\r")))
        << log;
    EXPECT_EQ(folder.LogLines("SetupSource: data=0x30 vid_register=0x18"), 4);
    EXPECT_EQ(folder.LogLines("SetupSource: vid_value=0x48 Voltage=1.3500"), 1);
    EXPECT_EQ(folder.LogLines("GetSourceDesc: dwIndex=0x00010003 dwGpu=1 dwSource=3"), ticks);
    EXPECT_EQ(folder.LogLines("GetSourceData: dwIndex=0x00010002 dwGpu=1 dwSource=2"), ticks);
}

// An old host (2.22): the multi-GPU prompt comes up with the first
// description after a setup call, the host's timer describes GPU 1 from
// inside it, and "Apply settings to both GPUs" is pressed; GPU 2's window is
// set up through GPU 1, and UP and EXIT's write-back each go to GPU 2's own
// chip as well.
TEST_F(WineBoxes, OldHostsPromptAnsweredForBothGpusRepeatsEachWriteOnGpuTwo)
{
    model.hostVersion = 0x02160000u;
    for (uint32_t gpu = 0; gpu < 3; ++gpu) {
        model.AddGpu(2);
        model.AddVt1165(gpu, 1).regs[0x17] = 0x49;
    }
    std::vector<int32_t> describedInside;
    std::vector<std::string> prompt, window;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        EXPECT_EQ(plugin.SetupSource(0x00000002u, nullptr), 0);  // any setup call makes the prompt due
        test::HostWindow host;
        EXPECT_EQ(test::PressThrough(
                      host, {"Apply settings to both GPUs"}, [&] { return plugin.Describe(0x00000000u); }, &prompt,
                      [&] { describedInside.push_back(plugin.Describe(0x00010000u)); }),
                  1);
        ASSERT_EQ(plugin.Describe(0x00020000u), 1);
        model.ClearTrace();
        EXPECT_EQ(test::PressThrough(
                      host, {"UP", "EXIT"}, [&] { return plugin.SetupSource(0x00020000u, host.window); }, &window),
                  1);
    }
    ASSERT_EQ(prompt.size(), 1u);
    EXPECT_EQ(prompt[0].rfind("Limited MultiGPU support: Orvane V2.22 detected. | ", 0), 0u) << prompt[0];
    EXPECT_FALSE(describedInside.empty());
    EXPECT_EQ(describedInside, std::vector<int32_t>(describedInside.size(), 1)) << "served while the prompt is up";
    ASSERT_EQ(window.size(), 2u);
    EXPECT_EQ(window[0].rfind("VRM Voltage Control: GPU=0 VID=0x49", 0), 0u) << window[0];
    EXPECT_EQ(WritesOf(model),
              (std::vector<Write>{{1, 1, 0x17, 0x4A}, {2, 1, 0x17, 0x4A}, {1, 1, 0x17, 0x4A}, {2, 1, 0x17, 0x4A}}));
    EXPECT_EQ(folder.LogLines("GetSourceDesc: Orvane V2.22 detected. Settings will be applied to both GPUs!"), 1);
    EXPECT_EQ(folder.LogLines("SetupSource: Using the same settings on GPU 1 and GPU 2"), 1);
}

// Enter or Space in a fresh window, where EXIT has the focus and is the
// default button, ends it as EXIT does: the write-back of the unchanged value
// and nothing else.
TEST_F(WineBoxes, EnterOrSpaceEndsTheWindowAsExitDoes)
{
    model.AddGpu(2);
    sim::Device& chip = model.AddVt1165(0, 1);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(plugin.Describe(0x00000000u), 1);
    for (UINT key : {VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Space");
        model.ClearTrace();
        test::HostWindow host;
        // The key goes to the first box; a box still up at a later tick (the
        // key's messages, posted before that tick, were handled by then), or
        // a new one, is closed with EXIT.
        sim::BoxDriver stillUp({}, true);
        stillUp.Quiet();
        std::string focused, defaultButton;
        bool keyed = false;
        host.Every(20, [&] {
            HWND box = sim::FindVisibleDialog(GetCurrentThreadId());
            if (box && keyed) {
                stillUp.Tick();
            } else if (box) {
                keyed = true;
                SetForegroundWindow(box);  // the keyboard's, even while another program's box is up
                HWND focus = GetFocus();
                focused = sim::WithoutAmpersands(sim::TextOfWindow(focus));
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                    char className[16] = {};
                    GetClassNameA(child, className, sizeof className);
                    if (lstrcmpA(className, "Button") == 0 &&
                        (GetWindowLongA(child, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON)
                        defaultButton = sim::WithoutAmpersands(sim::TextOfWindow(child));
                }
                PostMessageA(focus, WM_KEYDOWN, key, 1);
                PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
            }
        });
        EXPECT_EQ(plugin.SetupSource(0x00000000u, host.window), 1);
        host.Stop();
        EXPECT_EQ(focused, "EXIT");
        EXPECT_EQ(defaultButton, "EXIT");
        EXPECT_TRUE(stillUp.Seen().empty()) << "the key did not end the window: " << stillUp.Seen()[0];
        EXPECT_EQ(WritesOf(model), (std::vector<Write>{{0, 1, 0x18, 0x48}}));
    }
}

}  // namespace
