// End to end through the DLL with real dialogs: the voltage control window
// stepping the simulated chip, also while the host calls in from inside it
// and while the chip changes or stops answering under it, the
// detection-failure warning, and the multi-GPU prompt of an old host with
// each of its answers and the mirrored writes to GPU 2.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/plugin/wine_box_watch.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/wine/box_clicker.h"
#include "tests/wine/plugin_folder.h"

namespace {

using test::CountLines;
using test::Describe;
using test::PFN_GetSourceData;
using test::PFN_SetupSource;

class WineBoxes : public ::testing::Test {
protected:
    ~WineBoxes() override { sim::SetHostModel(nullptr); }
    sim::Vt1165Model model;
    test::PluginFolder folder;
};

TEST_F(WineBoxes, VoltageWindowStepsTheChipAndServesReadingsMeanwhile)
{
    model.AddGpu(2);
    sim::Device& chip = model.AddVt1165(0, 1);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    sim::SetHostModel(&model);
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
        auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
        std::vector<float> readings;
        std::atomic<int> readingCount{0};  // seen by the thread that presses
        test::HostWindow host;
        host.Every(50, [&] {
            readings.push_back(getSourceData(0x00000000u));
            ++readingCount;
        });
        auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");

        std::vector<test::SeenBox> seen;
        // Each press waits until the host has read the voltage once per box
        // shown so far (the person's thread fills seen before it waits).
        int32_t result = test::PressThrough(
            {"UP", "UP", "DOWN", "EXIT"}, [&] { return setupSource(0x00000000u, host.window); }, &seen,
            [&] { return readingCount.load() >= static_cast<int>(seen.size()); });
        EXPECT_EQ(result, 1);
        ASSERT_EQ(seen.size(), 4u);
        EXPECT_EQ(seen[0].title, "VRM Voltage Control");
        EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"UP", "DOWN", "EXIT"}));
        EXPECT_EQ(seen[0].message,
                  "GPU=-1 VID=0x48 Voltage=1.3500\n\nParameters: /sd4294967295 /wi1,70,18,48\n\nOVP/OCP=0");
        EXPECT_NE(seen[1].message.find("VID=0x49 Voltage=1.3625"), std::string::npos) << seen[1].message;
        EXPECT_NE(seen[2].message.find("VID=0x4A Voltage=1.3750"), std::string::npos) << seen[2].message;
        EXPECT_NE(seen[3].message.find("VID=0x49"), std::string::npos) << seen[3].message;
        EXPECT_EQ(chip.regs[0x18], 0x49);

        // The writes: UP, UP, DOWN, and EXIT's write-back, all to 0x18 on bus 1.
        std::vector<int> writes;
        for (const sim::BusAccess& a : model.trace)
            if (a.write && a.reg == 0x18 && a.bus == 1 && a.dev == 0x70)
                writes.push_back(a.value);
        EXPECT_EQ(writes, (std::vector<int>{0x49, 0x4A, 0x49, 0x49}));

        // The host's timer read the voltage between the presses, and got the
        // chip's voltage of the moment.
        ASSERT_FALSE(readings.empty());
        for (float volts : readings)
            EXPECT_TRUE(volts >= 1.349f && volts <= 1.376f) << volts;
    }
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(std::regex_search(
        log, std::regex(" SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 g_bSupportsMultiGPU=1 hWnd=[0-9A-F]+\r")))
        << log;
    EXPECT_EQ(CountLines(log, "SetupSource: data=0x30 vid_register=0x18"), 4);
    EXPECT_EQ(CountLines(log, "SetupSource: vid_value=0x48 Voltage=1.3500"), 1);
}

TEST_F(WineBoxes, DetectionFailureWarnsOnceWithItsText)
{
    model.AddGpu(2);
    model.AddGpu(1);
    sim::SetHostModel(&model);
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        std::vector<test::SeenBox> seen;
        EXPECT_EQ(test::PressThrough(
                      {"OK"}, [&] { return Describe(plugin, 0x00010000u); }, &seen),
                  0);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].title, "VT1165 Detection Failed");
        EXPECT_EQ(seen[0].message, "Unable to detect a VT1165 Voltage Regulator on GPU 1!\n\nGPU 1 does not support "
                                   "the usage of this plugin!");
        EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"OK"}));

        // Later failures are silent: a box now would be pressed and seen.
        seen.clear();
        EXPECT_EQ(test::PressThrough(
                      {"OK"}, [&] { return Describe(plugin, 0x00000000u) + Describe(plugin, 0x00010002u); }, &seen),
                  0);
        EXPECT_TRUE(seen.empty());
    }
    EXPECT_EQ(
        CountLines(folder.ReadFile(folder.LogPath()), "GetSourceDesc: GPU 1: No VT1165 Voltage Regulator detected!"),
        1);
}

// The host keeps asking for descriptions and readings, of the window's GPU
// and of another, from a timer of its window while the voltage window is up:
// every call is served, exactly once per tick, and the window goes on working.
TEST_F(WineBoxes, HostCallsFromInsideTheWindowsMessageLoopAreServed)
{
    for (uint32_t gpu = 0; gpu < 2; ++gpu) {
        model.AddGpu(2);
        model.AddVt1165(gpu, 1);
    }
    sim::SetHostModel(&model);
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nLogging=TRUE\r\n");  // a log line for every reading
    int described = 0;
    int timerRuns = 0;
    std::atomic<int> finishedRuns{0};  // seen by the thread that presses
    std::vector<float> readings;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
        ASSERT_EQ(Describe(plugin, 0x00010000u), 1);
        auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");

        test::HostWindow host;
        host.Every(40, [&] {
            ++timerRuns;
            described += Describe(plugin, 0x00000000u);  // the window's own GPU: reset and detected again
            described += Describe(plugin, 0x00010003u);
            readings.push_back(getSourceData(0x00000000u));
            readings.push_back(getSourceData(0x00010002u));
            ++finishedRuns;
        });
        std::vector<test::SeenBox> seen;
        int32_t result = test::PressThrough(
            {"UP", "UP", "EXIT"},
            [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, host.window); }, &seen,
            [&] { return finishedRuns.load() >= static_cast<int>(seen.size()); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(seen.size(), 3u);
        EXPECT_EQ(model.Vt1165Of(0)->regs[0x17], 0x3E);  // two codes up from 0x3C
        EXPECT_EQ(model.Vt1165Of(1)->regs[0x17], 0x3C);
    }
    // Every tick ran to its end, each box waited for one, and every call of
    // every tick was answered and logged once: none lost, none repeated.
    EXPECT_EQ(finishedRuns.load(), timerRuns);
    EXPECT_GE(timerRuns, 3);
    EXPECT_EQ(described, 2 * timerRuns) << "every description was given";
    EXPECT_EQ(readings.size(), 2u * static_cast<unsigned>(timerRuns));
    for (float value : readings)
        EXPECT_LT(value, 100.0f) << "a reading, not the no-value marker";
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(CountLines(log, "GetSourceDesc: dwIndex=0x00000000 dwGpu=0 dwSource=0"), timerRuns + 1);
    EXPECT_EQ(CountLines(log, "GetSourceDesc: dwIndex=0x00010003 dwGpu=1 dwSource=3"), timerRuns);
    EXPECT_EQ(CountLines(log, "GetSourceData: dwIndex=0x00000000 dwGpu=0 dwSource=0"), timerRuns);
    EXPECT_EQ(CountLines(log, "GetSourceData: dwIndex=0x00010002 dwGpu=1 dwSource=2"), timerRuns);
}

// A second setup request while the window is up, from the host's timer inside
// the window's loop, for the same GPU and for another: it opens no window
// inside the first and touches no bus; the first window goes on working.
TEST_F(WineBoxes, SetupSourceFromInsideTheWindowOpensNothing)
{
    for (uint32_t gpu = 0; gpu < 2; ++gpu) {
        model.AddGpu(2);
        model.AddVt1165(gpu, 1);
    }
    sim::SetHostModel(&model);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
    ASSERT_EQ(Describe(plugin, 0x00010000u), 1);
    auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");

    test::HostWindow host;
    bool asked = false;
    std::atomic<bool> answered{false};  // seen by the thread that presses
    std::vector<int32_t> nestedResults;
    std::size_t nestedAccesses = 0;
    host.Every(20, [&] {
        if (asked)
            return;
        asked = true;
        std::size_t before = model.trace.size();
        nestedResults.push_back(setupSource(0x00000000u, host.window));
        nestedResults.push_back(setupSource(0x00010000u, host.window));
        nestedAccesses = model.trace.size() - before;
        answered = true;
    });
    // The person presses once the nested requests were answered, or as soon
    // as a second window shows that one was opened; spare EXITs end those.
    std::vector<test::SeenBox> seen;
    std::size_t mostWindows = 0;
    int32_t result = test::PressThrough(
        {"UP", "EXIT", "EXIT", "EXIT", "EXIT"}, [&] { return setupSource(0x00000000u, host.window); }, &seen,
        [&] {
            mostWindows = std::max(mostWindows, test::DialogsCaptioned("VRM Voltage Control").size());
            return answered.load() || mostWindows > 1;
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(mostWindows, 1u) << "a window opened inside the window";
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(nestedResults, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(nestedAccesses, 0u) << "a refused setup request touched the bus";
    EXPECT_EQ(model.Vt1165Of(0)->regs[0x17], 0x3D);  // the first window's UP
    EXPECT_EQ(model.Vt1165Of(1)->regs[0x17], 0x3C);
}

// The host describes the window's GPU again from inside the window and the
// chip does not answer that once: the window says so instead of showing the
// no-value marker or a device 00 parameter line, and no press writes.
TEST_F(WineBoxes, ChipLostWhileTheWindowIsUpIsShownAndNothingIsWritten)
{
    model.AddGpu(2);
    sim::Device& chip = model.AddVt1165(0, 1);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    model.AddGpu(2);  // GPU 1 without a chip: its warning comes first, once per load
    sim::SetHostModel(&model);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    std::vector<test::SeenBox> seen;
    ASSERT_EQ(test::PressThrough(
                  {"OK"}, [&] { return Describe(plugin, 0x00010000u); }, &seen),
              0);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);

    test::HostWindow host;
    std::atomic<bool> lost{false};  // seen by the thread that presses
    int32_t lostDescription = -1;
    host.Every(20, [&] {
        if (lost)
            return;
        model.faults.failingBuses.insert({0, 1});
        lostDescription = Describe(plugin, 0x00000000u);
        model.faults.failingBuses.clear();
        lost = true;
    });
    model.ClearTrace();
    seen.clear();
    int32_t result = test::PressThrough(
        {"UP", "DOWN", "EXIT"}, [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, host.window); },
        &seen, [&] { return lost.load(); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(lostDescription, 0);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_NE(seen[0].message.find("VID=0x48 Voltage=1.3500"), std::string::npos) << seen[0].message;
    for (std::size_t i = 1; i < seen.size(); ++i) {
        const std::string& text = seen[i].message;
        EXPECT_NE(text.find("the VT1165 is not answering"), std::string::npos) << text;
        EXPECT_EQ(text.find("340282"), std::string::npos) << text;
        EXPECT_EQ(text.find("/wi"), std::string::npos) << text;
    }
    for (const sim::BusAccess& a : model.trace) {
        EXPECT_FALSE(a.write) << "register 0x" << std::hex << int(a.reg);
        EXPECT_NE(a.dev, 0) << "the general call address";
    }
    EXPECT_EQ(chip.regs[0x18], 0x48);
}

// The chip changes under the window (a power state switch, another tool):
// each press steps from what the chip holds at the press, in the register
// 0x1C names then, and EXIT writes nothing once the chip no longer holds the
// value shown.
TEST_F(WineBoxes, PressesStepFromTheChipNotFromTheWindow)
{
    model.AddGpu(2);
    sim::Device& chip = model.AddVt1165(0, 1);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    chip.regs[0x17] = 0x3C;
    sim::SetHostModel(&model);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);

    // While box n is up, the host's timer makes the n-th outside change.
    std::atomic<int> wanted{0};
    std::atomic<int> made{0};
    test::HostWindow host;
    host.Every(20, [&] {
        if (made >= wanted)
            return;
        switch (made.load()) {
        case 0: chip.regs[0x18] = 0x45; break;  // three codes down
        case 1: chip.regs[0x1C] = 0x20; break;  // now VID register 0x17
        case 2: chip.regs[0x17] = 0x40; break;  // four codes up
        }
        ++made;
    });
    model.ClearTrace();
    std::vector<test::SeenBox> seen;
    int32_t result = test::PressThrough(
        {"UP", "DOWN", "EXIT"}, [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, host.window); },
        &seen,
        [&] {
            wanted = static_cast<int>(seen.size());
            return made.load() >= wanted.load();
        });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_NE(seen[0].message.find("/wi1,70,18,48"), std::string::npos) << seen[0].message;
    EXPECT_NE(seen[1].message.find("/wi1,70,18,46"), std::string::npos) << seen[1].message;
    EXPECT_NE(seen[2].message.find("/wi1,70,17,3b"), std::string::npos) << seen[2].message;

    std::vector<std::pair<int, int>> writes;  // register, value
    for (const sim::BusAccess& a : model.trace)
        if (a.write)
            writes.emplace_back(a.reg, a.value);
    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{0x18, 0x46}, {0x17, 0x3B}}));
    EXPECT_EQ(chip.regs[0x18], 0x46);
    EXPECT_EQ(chip.regs[0x17], 0x40);
}

// An old host's second card: the prompt's answer, where GPU 2's chip sits and
// what it holds decide whether a press is repeated on GPU 2.
struct MirrorCase {
    const char* name;
    bool both;          // the answer "Apply settings to both GPUs"
    uint8_t secondBus;  // bus of GPU 2's chip (GPU 1's is bus 1)
    uint8_t secondVid;  // GPU 2's VID register 0x17 (GPU 1's holds 0x49)
    bool mirrored;
    const char* skipped;  // the window's and the log's line, or ""
};

void PrintTo(const MirrorCase& c, std::ostream* out)
{
    *out << c.name;
}

class WineMultiGpuPrompt : public WineBoxes, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(WineMultiGpuPrompt, GpuTwoIsWrittenOnlyWhenAskedAndInStep)
{
    const MirrorCase& c = GetParam();
    model.hostVersion = 0x02160000u;
    const uint8_t buses[3] = {0, 1, c.secondBus};
    for (uint32_t gpu = 0; gpu < 3; ++gpu) {
        model.AddGpu(3);
        model.AddVt1165(gpu, buses[gpu]).regs[0x17] = 0x49;
    }
    model.Vt1165Of(2)->regs[0x17] = c.secondVid;
    sim::SetHostModel(&model);
    const std::string first = "Apply settings to first GPU only";
    const std::string second = "Apply settings to both GPUs";
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");
        EXPECT_EQ(setupSource(0x00000002u, nullptr), 0);  // any setup call makes the prompt due

        std::vector<test::SeenBox> seen;
        test::PressThrough(
            {c.both ? second : first},
            [&] {
                int32_t r = 0;
                for (uint32_t gpu = 0; gpu < 3; ++gpu)
                    r += Describe(plugin, gpu << 16);
                return r;
            },
            &seen);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].title, "Limited MultiGPU support");
        EXPECT_EQ(seen[0].message.substr(0, 24), "Orvane V2.22 detected.\n\n");
        EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{first, second}));

        test::HostWindow host;
        model.ClearTrace();
        seen.clear();
        EXPECT_EQ(test::PressThrough(
                      {"UP", "EXIT"}, [&] { return setupSource(0x00020000u, host.window); }, &seen),
                  1);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].message.substr(0, 6), "GPU=0 ") << "GPU 2 is set up through GPU 1";
        if (*c.skipped) {
            EXPECT_NE(seen[1].message.find(c.skipped), std::string::npos) << seen[1].message;
        } else {
            EXPECT_EQ(seen[1].message.find("Mirror"), std::string::npos) << seen[1].message;
        }

        // UP, then EXIT's write-back of the value UP wrote; GPU 2's copies go
        // to its own chip, the same address as GPU 1's.
        std::vector<std::tuple<uint32_t, int, int, int, int>> writes;  // gpu, bus, device, register, value
        for (const sim::BusAccess& a : model.trace)
            if (a.write)
                writes.emplace_back(a.gpu, a.bus, a.dev, a.reg, a.value);
        std::vector<std::tuple<uint32_t, int, int, int, int>> expected = {{1, 1, 0x70, 0x17, 0x4A},
                                                                          {1, 1, 0x70, 0x17, 0x4A}};
        if (c.mirrored)
            expected = {
                {1, 1, 0x70, 0x17, 0x4A}, {2, 1, 0x70, 0x17, 0x4A}, {1, 1, 0x70, 0x17, 0x4A}, {2, 1, 0x70, 0x17, 0x4A}};
        EXPECT_EQ(writes, expected);
        EXPECT_EQ(model.Vt1165Of(2)->regs[0x17], c.mirrored ? 0x4A : c.secondVid);
    }
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(
        CountLines(log, c.both ? "GetSourceDesc: Orvane V2.22 detected. Settings will be applied to both GPUs!"
                               : "GetSourceDesc: Orvane V2.22 detected. Settings will be applied to first GPU only!"),
        1);
    EXPECT_EQ(CountLines(log, "SetupSource: Using the same settings on GPU 1 and GPU 2"), c.both ? 1 : 0);
    if (*c.skipped) {
        EXPECT_EQ(CountLines(log, std::string("SetupSource: ") + c.skipped), 2) << "once for UP, once for EXIT";
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, WineMultiGpuPrompt,
                         ::testing::Values(MirrorCase{"FirstOnly", false, 1, 0x49, false, ""},
                                           MirrorCase{"BothInStep", true, 1, 0x49, true, ""},
                                           MirrorCase{"BothButGpuTwoOnAnotherBus", true, 2, 0x49, false,
                                                      "Mirror to GPU 2 skipped: its VT1165 is on bus 2 at 0x70."},
                                           MirrorCase{"BothButGpuTwoFarApart", true, 1, 0x30, false,
                                                      "Mirror to GPU 2 skipped: it holds VID 0x30."}),
                         [](const ::testing::TestParamInfo<MirrorCase>& info) { return std::string(info.param.name); });

}  // namespace
