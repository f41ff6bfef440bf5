// The host calls back into the plug-in from inside its own I2C functions,
// through the real DLL and with real boxes: in the middle of every bus
// sequence of the plug-in (a reading, a press's read-before-write, EXIT's
// write-back, the mirror to GPU 2, a description's scan) it asks for a
// description, a reading and a voltage window, and changes a chip. Those
// calls touch no bus and no context; a press writes only where the chip sat
// when the press began, to the register 0x1C names at the write.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "sim/vt1165_model.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_locked_host.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/plugin/wine_reentry_support.h"
#include "tests/support/write_judge.h"
#include "tests/wine/box_clicker.h"
#include "tests/wine/plugin_folder.h"

namespace {

using test::CountLines;
using test::Describe;
using test::LineFollows;
using test::PFN_GetSourceData;
using test::PFN_SetupSource;

const char* const kDescRefused = "GetSourceDesc: called from inside a bus access of the plug-in; refused";
const char* const kSetupRefused = "SetupSource: called from inside a bus access of the plug-in; nothing opened";
constexpr uint32_t kCurrentSource = 2;

float VidVolts(uint8_t value)
{
    return 0.45f + 0.0125f * static_cast<float>(value & 0x7F);
}

// What the host's calls from inside an access of the plug-in got back, and
// how many bus accesses each made.
struct NestedCalls {
    bool made = false;
    float reading = 0.0f;
    int32_t setUp = -1;
    int32_t described = -1;
    std::size_t readingAccesses = 0;
    std::size_t setupAccesses = 0;
    std::size_t describeAccesses = 0;
};

class WineBusReentry : public test::ReentryTest {
protected:
    // As a host's I2C function may: reads the current of GPU gpu, sets up
    // its voltage window, and describes it while failingBus fails (so that a
    // description that went ahead would find the GPU's other chip).
    NestedCalls CallBackInto(const test::LoadedPlugin& plugin, uint32_t gpu, uint8_t failingBus, HWND window)
    {
        NestedCalls calls;
        calls.made = true;
        std::size_t before = host.Accesses();
        calls.reading = plugin.Export<PFN_GetSourceData>("GetSourceData")(gpu << 16 | kCurrentSource);
        calls.readingAccesses = host.Accesses() - before;

        before = host.Accesses();
        calls.setUp = plugin.Export<PFN_SetupSource>("SetupSource")(gpu << 16, window);
        calls.setupAccesses = host.Accesses() - before;

        host.Locked([&] { model.faults.failingBuses.insert({gpu, failingBus}); });
        before = host.Accesses();
        calls.described = Describe(plugin, gpu << 16);
        calls.describeAccesses = host.Accesses() - before;
        host.Locked([&] { model.faults.failingBuses.clear(); });
        return calls;
    }
};

// ---------------------------------------------------------------------------
// Every bus sequence of a GPU with two chips: the detected one on bus 0 (VID
// register 0x17 = 0x40) and another on bus 1 (0x1C = 0x00, 0x17 = 0x50). From
// inside one access of the sequence the host reads, sets up and describes
// GPU 0 with bus 0 failing.

enum class Outer { VoltageReading, PhaseReading, Description, Window };

struct SequenceCase {
    const char* name;
    Outer outer;
    std::vector<std::string> presses;               // a window's buttons; the host calls in after the first press
    int triggerRegister;                            // the read of this register, or -1: the sequence's first access
    std::vector<std::tuple<int, int, int>> writes;  // bus, register, value, in order
};

void PrintTo(const SequenceCase& c, std::ostream* out)
{
    *out << c.name;
}

class WineBusSequence : public WineBusReentry, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(WineBusSequence, CallsFromInsideTouchNoBusAndMoveNothing)
{
    const SequenceCase& c = GetParam();
    model.AddGpu(2);
    sim::Device& chip = Chip(0, 0, 0x20, 0x40);
    sim::Device& other = Chip(0, 1, 0x00, 0x30);
    other.regs[0x17] = 0x50;
    chip.regs[sim::reg::kCurrent] = 62;  // 25 A
    const float firstCurrent = 62 * 50.0f / 124;
    const float laterCurrent = 74 * 50.0f / 124;

    NestedCalls nested;
    std::vector<test::SeenBox> seen;
    float freshVoltage = 0.0f;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
        auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
        ASSERT_FLOAT_EQ(getSourceData(kCurrentSource), firstCurrent);
        chip.regs[sim::reg::kCurrent] = 74;  // a reading from the chip now differs from the last good one
        model.ClearTrace();

        test::HostWindow window;
        std::atomic<bool> armed{c.outer != Outer::Window};
        host.beforeAccess = [&](const test::I2CAccess& a) {
            if (armed && !nested.made && a.gpu == 0 &&
                (c.triggerRegister < 0 || (!a.write && a.reg == c.triggerRegister)))
                nested = CallBackInto(plugin, 0, 0, window.window);
            return true;
        };
        // Any box of the plug-in is answered: EXIT ends a window opened inside.
        std::vector<std::string> presses = c.presses;
        presses.insert(presses.end(), {"EXIT", "EXIT"});
        std::function<int()> call;
        switch (c.outer) {
        case Outer::VoltageReading: call = [&] { return getSourceData(0x00000000u) < 100.0f ? 1 : 0; }; break;
        case Outer::PhaseReading: call = [&] { return getSourceData(0x00000003u) < 100.0f ? 1 : 0; }; break;
        case Outer::Description: call = [&] { return Describe(plugin, 0x00000000u); }; break;
        case Outer::Window:
            call = [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, window.window); };
            break;
        }
        EXPECT_EQ(test::PressThrough(presses, call, &seen,
                                     [&] {
                                         if (seen.size() == 1)
                                             armed = true;
                                         return true;
                                     }),
                  1);
        host.beforeAccess = nullptr;
        freshVoltage = getSourceData(0x00000000u);
    }

    ASSERT_TRUE(nested.made) << "the host never called in";
    EXPECT_EQ(seen.size(), c.presses.size()) << "a window opened from inside a bus access";
    EXPECT_EQ(nested.setUp, 0);
    EXPECT_EQ(nested.setupAccesses, 0u);
    EXPECT_EQ(nested.described, 0);
    EXPECT_EQ(nested.describeAccesses, 0u);
    EXPECT_EQ(nested.readingAccesses, 0u);
    EXPECT_NE(nested.reading, laterCurrent) << "read from the chip";
    if (c.outer != Outer::Description) {
        EXPECT_FLOAT_EQ(nested.reading, firstCurrent) << "the last good value";
    }

    // The context stayed on bus 0: every access of the sequence and of the
    // reading after it went there, and only the sequence's own writes.
    std::vector<std::tuple<int, int, int>> writes;
    int otherBus = 0;
    for (const sim::BusAccess& a : model.trace) {
        otherBus += a.bus != 0 || a.dev != sim::kVt1165Address;
        if (a.write)
            writes.emplace_back(a.bus, a.reg, a.value);
    }
    EXPECT_EQ(otherBus, 0) << "accesses off the detected chip";
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(test::JudgeWrites(model.trace).Report(), "");
    EXPECT_EQ(other.regs[0x15], 0x30);
    EXPECT_EQ(other.regs[0x17], 0x50);
    EXPECT_FLOAT_EQ(freshVoltage, VidVolts(chip.regs[0x17]));

    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(LineFollows(log, "GetSourceDesc: dwIndex=0x00000000 dwGpu=0 dwSource=0", kDescRefused));
    EXPECT_TRUE(LineFollows(log, "SetupSource: dwIndex=0x00000000 dwGpu=0 dwSource=0 ", kSetupRefused));
    EXPECT_EQ(CountLines(log, "InitContext: dwGpu=0"), c.outer == Outer::Description ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, WineBusSequence,
    ::testing::Values(
        SequenceCase{"VoltageReading", Outer::VoltageReading, {}, -1, {}},
        SequenceCase{"PhaseReading", Outer::PhaseReading, {}, -1, {{0, 0x08, 0x00}, {0, 0x07, 0xA7}, {0, 0x08, 0x81}}},
        SequenceCase{"DescriptionScan", Outer::Description, {}, -1, {}},
        SequenceCase{"PressAtItsControlRead", Outer::Window, {"UP", "EXIT"}, -1, {{0, 0x17, 0x41}, {0, 0x17, 0x41}}},
        SequenceCase{"PressAtItsVidRead", Outer::Window, {"UP", "EXIT"}, 0x17, {{0, 0x17, 0x41}, {0, 0x17, 0x41}}},
        SequenceCase{"ExitWriteBack", Outer::Window, {"EXIT"}, -1, {{0, 0x17, 0x40}}}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

// The host switches the chip to another VID register (0x1C 0x20 -> 0x30)
// from inside the press's read of the register 0x1C named before: the step
// was computed for a register no longer in use, so nothing is written, and
// the window says why.
TEST_F(WineBusReentry, ControlRegisterChangedDuringThePressWritesNothing)
{
    model.AddGpu(2);
    sim::Device& chip = Chip(0, 0, 0x20, 0x40);
    chip.regs[0x18] = 0x48;
    std::vector<test::SeenBox> seen;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
        test::HostWindow window;
        std::atomic<bool> armed{false};
        bool switched = false;
        host.beforeAccess = [&](const test::I2CAccess& a) {
            if (armed && !switched && !a.write && a.reg == 0x17) {
                switched = true;
                host.Locked([&] { chip.regs[sim::reg::kVidControl] = 0x30; });
            }
            return true;
        };
        model.ClearTrace();
        EXPECT_EQ(test::PressThrough(
                      {"UP", "EXIT"},
                      [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, window.window); }, &seen,
                      [&] {
                          if (seen.size() == 1)
                              armed = true;
                          return true;
                      }),
                  1);
        host.beforeAccess = nullptr;
        EXPECT_TRUE(switched);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[1].message.find("Nothing written: register 0x1C changed during the press."), std::string::npos)
        << seen[1].message;
    for (const sim::BusAccess& a : model.trace)
        if (a.write) {
            EXPECT_EQ(a.value, a.before) << "a write moved register 0x" << std::hex << int(a.reg);
        }
    EXPECT_EQ(test::JudgeWrites(model.trace).Report(), "");
    EXPECT_EQ(chip.regs[0x17], 0x40);
    EXPECT_EQ(chip.regs[0x18], 0x48);
}

// The host reads phase 6 from inside the selection of phase 1: the inner
// reading answers phase 6's last good value without selecting anything, and
// phase 1 is reported with its own temperature.
TEST_F(WineBusReentry, PhaseReadingInsideAPhaseReadingKeepsBothApart)
{
    model.AddGpu(2);
    sim::Device& chip = Chip(0, 0, 0x20, 0x40);
    chip.regs[sim::reg::kPhaseCount] = 6;
    for (int p = 0; p < 6; ++p)
        chip.phaseTemps[p] = static_cast<uint8_t>(61 + p);
    float inner = 0.0f;
    float outer = 0.0f;
    std::size_t innerAccesses = 1;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
        auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
        ASSERT_FLOAT_EQ(getSourceData(0x00000008u), 66.0f);
        chip.phaseTemps[5] = 70;  // phase 6 read from the chip now differs from its last good value
        bool called = false;
        host.beforeAccess = [&](const test::I2CAccess& a) {
            if (!called && a.write && a.reg == sim::reg::kPhaseKey) {
                called = true;
                std::size_t before = host.Accesses();
                inner = getSourceData(0x00000008u);
                innerAccesses = host.Accesses() - before;
            }
            return true;
        };
        outer = getSourceData(0x00000003u);
        host.beforeAccess = nullptr;
        EXPECT_TRUE(called);
    }
    EXPECT_FLOAT_EQ(inner, 66.0f) << "phase 6's last good value";
    EXPECT_EQ(innerAccesses, 0u);
    EXPECT_FLOAT_EQ(outer, 61.0f) << "phase 1's own temperature";
}

// A voltage window for a GPU whose chip was never found opens and says so:
// nothing is read or written, UP writes nothing, EXIT closes it.
struct NoChipCase {
    const char* name;
    uint32_t gpu;
    bool described;  // described once (and the detection warning answered) before
};

void PrintTo(const NoChipCase& c, std::ostream* out)
{
    *out << c.name;
}

class WineNoChipWindow : public WineBusReentry, public ::testing::WithParamInterface<NoChipCase> {};

TEST_P(WineNoChipWindow, OpensSaysSoAndTouchesNoBus)
{
    const NoChipCase& c = GetParam();
    model.AddGpu(2);
    sim::Device& chip = Chip(0, 0, 0x20, 0x40);  // there, but never looked for
    model.AddGpu(2);                             // no chip at all
    std::vector<test::SeenBox> seen;
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    if (c.described) {
        ASSERT_EQ(test::PressThrough(
                      {"OK"}, [&] { return Describe(plugin, c.gpu << 16); }, &seen),
                  0);
        ASSERT_EQ(seen.size(), 1u);
        seen.clear();
    }
    test::HostWindow window;
    model.ClearTrace();
    EXPECT_EQ(test::PressThrough(
                  {"UP", "DOWN", "EXIT"},
                  [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(c.gpu << 16, window.window); }, &seen),
              1);
    ASSERT_EQ(seen.size(), 3u);
    const std::string text = "GPU=" + std::to_string(static_cast<int>(c.gpu) - 1) +
                             ": the VT1165 is not answering.\n\nUP and DOWN write nothing until it answers "
                             "again.\nEXIT closes this window.";
    EXPECT_EQ(seen[0].title, "VRM Voltage Control");
    EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"UP", "DOWN", "EXIT"}));
    EXPECT_EQ(seen[0].message, text);
    for (const test::SeenBox& box : seen)
        EXPECT_NE(box.message.find("the VT1165 is not answering."), std::string::npos) << box.message;
    EXPECT_EQ(model.trace.size(), 0u) << "a bus access without a detected chip";
    EXPECT_EQ(chip.regs[0x17], 0x40);
}

INSTANTIATE_TEST_SUITE_P(Gpus, WineNoChipWindow,
                         ::testing::Values(NoChipCase{"NeverDescribed", 0, false}, NoChipCase{"NotFound", 1, true}),
                         [](const ::testing::TestParamInfo<NoChipCase>& info) { return std::string(info.param.name); });

// An old host (2.22) whose user applies settings to both GPUs: from inside
// the mirror's read of GPU 2's VID register, the host describes GPU 2 again
// while its chip's bus fails, so that a description that went ahead would
// find GPU 2's other chip on bus 3. The mirror never writes there.
TEST_F(WineBusReentry, MirrorWritesOnlyWhereGpuTwosChipSat)
{
    model.hostVersion = 0x02160000u;
    model.AddGpu(3);
    Chip(0, 0, 0x30, 0x48);
    model.AddGpu(3);
    sim::Device& first = Chip(1, 1, 0x30, 0x48);
    model.AddGpu(4);
    sim::Device& second = Chip(2, 1, 0x30, 0x48);
    sim::Device& stranger = Chip(2, 3, 0x20, 0x30);
    stranger.regs[0x18] = 0x40;

    NestedCalls nested;
    std::vector<test::SeenBox> seen;
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");
        EXPECT_EQ(setupSource(0x00000002u, nullptr), 0);  // any setup call makes the prompt due
        test::PressThrough(
            {"Apply settings to both GPUs"},
            [&] {
                int32_t found = 0;
                for (uint32_t gpu = 0; gpu < 3; ++gpu)
                    found += Describe(plugin, gpu << 16);
                return found;
            },
            &seen);
        ASSERT_EQ(seen.size(), 1u);
        ASSERT_EQ(seen[0].title, "Limited MultiGPU support");
        seen.clear();

        test::HostWindow window;
        std::atomic<bool> armed{false};
        host.beforeAccess = [&](const test::I2CAccess& a) {
            if (armed && !nested.made && a.gpu == 2 && !a.write && a.reg == 0x18)
                nested = CallBackInto(plugin, 2, 1, window.window);
            return true;
        };
        model.ClearTrace();
        EXPECT_EQ(test::PressThrough(
                      {"UP", "EXIT"}, [&] { return setupSource(0x00020000u, window.window); }, &seen,
                      [&] {
                          if (seen.size() == 1)
                              armed = true;
                          return true;
                      }),
                  1);
        host.beforeAccess = nullptr;
    }
    ASSERT_TRUE(nested.made) << "the mirror never read GPU 2";
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(nested.described, 0);
    EXPECT_EQ(nested.describeAccesses, 0u);
    EXPECT_EQ(nested.setUp, 0);
    EXPECT_EQ(nested.setupAccesses, 0u);
    EXPECT_EQ(nested.readingAccesses, 0u);
    for (const sim::BusAccess& a : model.trace) {
        EXPECT_FALSE(a.gpu == 2 && a.bus != 1) << "GPU 2 bus " << int(a.bus) << " register 0x" << std::hex << int(a.reg)
                                               << (a.write ? " written" : " read");
    }
    EXPECT_EQ(test::JudgeWrites(model.trace).Report(), "");
    EXPECT_EQ(stranger.regs[0x17], 0x30);
    EXPECT_EQ(stranger.regs[0x18], 0x40);
    EXPECT_EQ(first.regs[0x18], 0x49);
    EXPECT_TRUE(second.regs[0x18] == 0x48 || second.regs[0x18] == 0x49) << int(second.regs[0x18]);

    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_TRUE(LineFollows(log, "GetSourceDesc: dwIndex=0x00020000 dwGpu=2 dwSource=0", kDescRefused));
    // An old host's choice of both GPUs is logged before the refusal.
    EXPECT_TRUE(LineFollows(log, "SetupSource: Using the same settings on GPU 1 and GPU 2", kSetupRefused));
}

}  // namespace
