// The host calls the plug-in from several threads, through the real DLL and
// with real boxes: a window asked for from inside a phase reading (under the
// GPU's bus lock) neither opens nor holds up another thread's reading; two
// threads asking for a window at once get one; and a thread describing the
// GPU again and again while another presses UP and DOWN never makes a press
// write anywhere but to a chip, in the register its 0x1C names, one code on.
// And two ordinary hosts whose way of running their I2C functions meets the
// plug-in's per-GPU locks (a hardware mutex held across a polling round; I2C
// functions that run on the UI thread), played by the simulator's host
// patterns: every write is safe and the work gets done (presses written,
// descriptor requests served, readings that reach the bus); a run that does
// not end winds down at its bound, and a watchdog ends the program and names
// the calls still in flight should anything hang.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/host_patterns.h"
#include "sim/host_policy.h"
#include "sim/plugin_module.h"
#include "sim/scenario.h"
#include "sim/vt1165_model.h"
#include "tests/plugin/wine_box_watch.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_locked_host.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/plugin/wine_reentry_support.h"
#include "tests/support/reading_check.h"
#include "tests/support/watchdog.h"
#include "tests/support/write_judge.h"
#include "tests/wine/box_clicker.h"
#include "tests/wine/plugin_folder.h"

namespace {

using test::CountLines;
using test::Describe;
using test::PFN_GetSourceData;
using test::PFN_SetupSource;

const char* const kWindowCaption = "VRM Voltage Control";

// A top-level window of the calling thread, the owner of the boxes that
// thread shows (a box's owner must belong to a thread that runs messages).
class ThreadWindow {
public:
    ThreadWindow()
        : window(CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr))
    {
    }
    ~ThreadWindow() { DestroyWindow(window); }
    ThreadWindow(const ThreadWindow&) = delete;
    ThreadWindow& operator=(const ThreadWindow&) = delete;

    HWND window;
};

using WineThreadReentry = test::ReentryTest;

// From inside its WriteI2CEx during a phase reading, the host asks for a
// voltage window: the request is answered 0 at once, with no window. Were a
// window shown there, it would stand under the GPU's bus lock, and a reading
// of the GPU on another thread would wait for the person to close it.
TEST_F(WineThreadReentry, WindowAskedForInsideAPhaseReadingOpensNothing)
{
    model.AddGpu(2);
    sim::Device& chip = Chip(0, 0, 0x20, 0x40);
    for (int p = 0; p < 6; ++p)
        chip.phaseTemps[p] = static_cast<uint8_t>(61 + p);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
    auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
    auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");
    test::HostWindow window;

    const DWORD reader = GetCurrentThreadId();
    bool asked = false;
    int32_t nested = -1;
    std::size_t nestedAccesses = 0;
    host.beforeAccess = [&](const test::I2CAccess& a) {
        if (!asked && a.thread == reader && a.write) {
            asked = true;
            std::size_t before = host.Accesses();
            nested = setupSource(0x00000000u, window.window);
            nestedAccesses = host.Accesses() - before;
        }
        return true;
    };

    // Should a window show, the person starts a reading of phase 2 on another
    // thread, sees whether it is served while the window is up, then EXITs.
    bool windowShown = false;
    bool servedWhileShown = false;
    std::atomic<bool> otherDone{false};
    float otherReading = 0.0f;
    std::thread other;
    float reading = 0.0f;
    test::WithPerson(
        [&](DWORD caller, const std::atomic<bool>& returned) {
            HWND box = test::WaitForNextBox(caller, returned);
            if (!box)
                return;
            windowShown = true;
            other = std::thread([&] {
                otherReading = getSourceData(0x00000004u);
                otherDone = true;
            });
            servedWhileShown = test::WaitUntil([&] { return otherDone.load(); }, 5000);
            test::ClickButton(box, "EXIT");
            if (!test::WaitUntil([&] { return returned.load(); }, 15000))
                PostThreadMessageA(caller, WM_QUIT, 0, 0);
        },
        [&] {
            reading = getSourceData(0x00000003u);
            return 0;
        });
    if (other.joinable())
        other.join();
    host.beforeAccess = nullptr;

    EXPECT_TRUE(asked);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(nestedAccesses, 0u);
    EXPECT_FALSE(windowShown) << "a window opened under the GPU's bus lock";
    EXPECT_TRUE(!windowShown || servedWhileShown) << "the other thread's reading waited for the window";
    EXPECT_FLOAT_EQ(reading, 61.0f);
    if (windowShown) {
        EXPECT_FLOAT_EQ(otherReading, 62.0f);
    }
    // Served on another thread afterwards, as ever.
    float later = 0.0f;
    std::thread([&] { later = getSourceData(0x00000004u); }).join();
    EXPECT_FLOAT_EQ(later, 62.0f);
}

// Two threads ask for a voltage window at the same moment, round after
// round: one window opens, the other request is refused and logged, and once
// the window is closed the next one opens.
TEST_F(WineThreadReentry, TwoThreadsAskingForAWindowAtOnceGetOne)
{
    constexpr int kRounds = 12;
    model.AddGpu(2);
    Chip(0, 0, 0x20, 0x40);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
    auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");

    for (int round = 0; round < kRounds; ++round) {
        std::atomic<int> arrived{0};
        std::atomic<bool> returned[2] = {{false}, {false}};
        std::atomic<std::size_t> mostWindows{0};
        int32_t results[2] = {-1, -1};
        std::vector<test::SeenBox> seen[2];
        auto ask = [&](int i) {
            ThreadWindow owner;
            ++arrived;
            while (arrived.load() < 2) {
            }
            // A window stays up until the other request was answered or a
            // second window shows.
            results[i] = test::PressThrough(
                {"EXIT"}, [&] { return setupSource(0x00000000u, owner.window); }, &seen[i],
                [&] {
                    std::size_t up = test::DialogsCaptioned(kWindowCaption).size();
                    std::size_t most = mostWindows.load();
                    while (up > most && !mostWindows.compare_exchange_weak(most, up)) {
                    }
                    return returned[1 - i].load() || up >= 2;
                });
            returned[i] = true;
        };
        std::thread first(ask, 0);
        std::thread second(ask, 1);
        first.join();
        second.join();
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(std::min(results[0], results[1]), 0);
        EXPECT_EQ(std::max(results[0], results[1]), 1);
        EXPECT_EQ(seen[0].size() + seen[1].size(), 1u);
        EXPECT_EQ(mostWindows.load(), 1u);
    }
    // The window is closed: the next request opens one.
    test::HostWindow window;
    std::vector<test::SeenBox> seen;
    EXPECT_EQ(test::PressThrough(
                  {"EXIT"}, [&] { return setupSource(0x00000000u, window.window); }, &seen),
              1);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(CountLines(folder.ReadFile(folder.LogPath()),
                         "SetupSource: a voltage control window is already open; nothing opened"),
              kRounds);
}

// One thread describes GPU 0 again and again, every other time with the
// detected chip's bus failing so that it finds the GPU's second chip, while
// the test's thread presses UP and DOWN a few dozen times, each of its bus
// accesses a little delayed so that descriptions fall between them. Every
// VID write goes to a chip, in the register its 0x1C names just before, at
// most one code from what it held.
TEST_F(WineThreadReentry, PressesWhileAnotherThreadRedescribesWriteOnlyToAChip)
{
    constexpr int kMaxDescriptions = 100000;
    model.AddGpu(2);
    Chip(0, 0, 0x20, 0x40);
    Chip(0, 1, 0x00, 0x30).regs[0x17] = 0x50;
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(Describe(plugin, 0x00000000u), 1);
    model.ClearTrace();

    const DWORD presser = GetCurrentThreadId();
    std::atomic<DWORD> describer{0};
    std::atomic<bool> chipBusFails{false};
    host.beforeAccess = [&](const test::I2CAccess& a) {
        if (a.thread == presser) {
            Sleep(1);
            return true;
        }
        return !(a.thread == describer.load() && chipBusFails.load() && a.bus == 0);
    };
    std::atomic<bool> done{false};
    int descriptions = 0;
    int found = 0;
    std::thread redescribe([&] {
        describer = GetCurrentThreadId();
        for (; !done.load() && descriptions < kMaxDescriptions; ++descriptions) {
            chipBusFails = descriptions % 2 == 1;
            found += Describe(plugin, 0x00000000u);
        }
    });

    std::vector<std::string> presses;
    for (int i = 0; i < 36; ++i)
        presses.push_back(i % 3 == 2 ? "DOWN" : "UP");
    presses.push_back("EXIT");
    test::HostWindow window;
    std::vector<test::SeenBox> seen;
    int32_t result = test::PressThrough(
        presses, [&] { return plugin.Export<PFN_SetupSource>("SetupSource")(0x00000000u, window.window); }, &seen);
    done = true;
    redescribe.join();
    host.beforeAccess = nullptr;

    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.size(), presses.size());
    EXPECT_GT(descriptions, 1);
    EXPECT_EQ(found, descriptions) << "a chip is always there to find";
    int vidWrites = 0;
    for (const sim::BusAccess& a : model.trace)
        vidWrites += a.write && a.reg >= sim::reg::kVidFirst && a.reg <= sim::reg::kVid18;
    EXPECT_GT(vidWrites, 0) << "no press was written at all";
    EXPECT_EQ(test::JudgeWrites(model.trace).Report(), "");
}

// The host patterns of the simulator (sim/host_patterns.h), played with the
// DLL on three GPUs, each with a chip on bus 0, described as a host does at
// start: GPU 0's window pressed UP and DOWN on the host's UI thread (the
// test's) while the host's polling goes on. Each run is judged for safety
// (every write, every reading) and for progress: the presses are written,
// the window never says the chip is busy, descriptor requests are served,
// and the polling rounds' readings reach the bus.
class WineHostPattern : public test::ReentryTest {
protected:
    WineHostPattern()
        : watchdog(std::string("WineHostPattern.") + ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        test::Watchdog::NameThread("UI thread");
    }
    ~WineHostPattern() override { sim::SetHostPolicy(nullptr); }

    // Plays the pattern; the report's table goes into every failure below.
    sim::HostPatternReport Play(sim::HostPattern pattern)
    {
        std::string error;
        EXPECT_TRUE(sim::LoadScenario(sim::kHostPatternScenario, &model, &error)) << error;
        sim::PluginModule plugin;
        EXPECT_TRUE(plugin.Load(folder.DllPath()));
        sim::HostPatternConfig config;
        config.pattern = pattern;
        config.logPath = folder.LogPath();
        // Winds down well before the test's watchdog ends the program.
        config.boundMs = 40000;
        config.onReading = [this](uint32_t index, float value) { readings.Note(index, value); };
        sim::HostPatternReport report = sim::RunHostPattern(plugin, model, config);
        reportText = sim::FormatHostPatternReport(report);
        return report;
    }

    // Every write kept the safety rule, every reading was one the plug-in may
    // give back, and the window ended with EXIT after every press.
    void ExpectSafeAndSane(const sim::HostPatternReport& report)
    {
        SCOPED_TRACE(reportText);
        EXPECT_EQ(report.problem, "");
        test::WriteJudge judge = test::JudgeWrites(model.trace);
        EXPECT_TRUE(judge.Clean()) << "of " << judge.Writes() << " writes (" << judge.VidWrites()
                                   << " to VID registers):\n"
                                   << judge.Report();
        EXPECT_GT(readings.Readings(), 0);
        EXPECT_EQ(readings.Implausible(), 0)
            << "of " << readings.Readings() << " readings; first: " << readings.First();
        EXPECT_EQ(report.setupResult, 1);
        EXPECT_EQ(report.pressesMade, report.pressesPlanned);
        EXPECT_EQ(report.showings, report.pressesPlanned + 1) << "the window did not take every press and EXIT";
        for (const std::string& box : report.boxes)
            EXPECT_EQ(box.compare(0, std::strlen(kWindowCaption) + 1, std::string(kWindowCaption) + ":"), 0) << box;
    }

    // Every press reached the chip, and no showing said it was busy.
    void ExpectEveryPressWritten(const sim::HostPatternReport& report)
    {
        SCOPED_TRACE(reportText);
        EXPECT_EQ(report.pressesWritten, report.pressesPlanned);
        EXPECT_EQ(report.busyShowings, 0);
    }

    // The polling rounds' readings reached the bus in most rounds, rather
    // than handing back stored values.
    void ExpectMostRoundsReachTheBus(const sim::HostPatternReport& report)
    {
        SCOPED_TRACE(reportText);
        EXPECT_GT(report.Rounds(), 0);
        EXPECT_GT(2 * report.roundsTouchingBus, report.Rounds());
    }

    // Before the plug-in is loaded, so that it watches its unloading too.
    test::Watchdog watchdog;
    test::ReadingCheck readings;
    std::string reportText;
};

// A host that serialises its hardware access: one recursive hardware mutex,
// which its I2C functions take and its polling thread holds across each
// round of readings of GPU 0, while the person presses UP and DOWN in GPU
// 0's window on the UI thread. A press that holds GPU 0's lock waits in the
// host's I2C function for the mutex; the polling thread, holding the mutex,
// comes to GPU 0's sources in its round.
TEST_F(WineHostPattern, HostHoldingItsHardwareMutexAcrossAPollingRound)
{
    const sim::HostPatternReport report = Play(sim::HostPattern::Serialised);
    ExpectSafeAndSane(report);
    ExpectEveryPressWritten(report);
    ExpectMostRoundsReachTheBus(report);
}

// The same host, describing GPU 0's sources again inside each round: no
// request is refused, however the rounds meet the presses.
TEST_F(WineHostPattern, HostHoldingItsHardwareMutexDescribingInsideTheRound)
{
    const sim::HostPatternReport report = Play(sim::HostPattern::SerialisedRedescribe);
    ExpectSafeAndSane(report);
    SCOPED_TRACE(reportText);
    EXPECT_GT(report.descriptorRequests, 0);
    EXPECT_EQ(report.descriptorRefused, 0) << "of " << report.descriptorRequests << " descriptor requests";
    ExpectMostRoundsReachTheBus(report);
}

// A host whose I2C functions run on its UI thread: a worker thread's call is
// sent to a window of the UI thread (SendMessage) and waits for it; the
// worker polls every source of every GPU nonstop, and the UI thread's timer
// reads one source of every GPU every 10 ms, before and while GPU 0's window
// is up (the box's message loop runs the timer and the sent calls). A
// worker's reading holds its GPU's lock while it waits for the UI thread;
// the UI thread's next tick, or the person's press, wants that GPU.
TEST_F(WineHostPattern, HostRunningItsI2CFunctionsOnItsUiThread)
{
    const sim::HostPatternReport report = Play(sim::HostPattern::UiThread);
    ExpectSafeAndSane(report);
    ExpectEveryPressWritten(report);
    ExpectMostRoundsReachTheBus(report);
}

// The same host, its UI thread describing every source of every GPU again
// between two presses, every few presses (a host re-listing its sources):
// none is refused.
TEST_F(WineHostPattern, HostRunningItsI2CFunctionsOnItsUiThreadRelistingItsSources)
{
    const sim::HostPatternReport report = Play(sim::HostPattern::UiThreadRedescribe);
    ExpectSafeAndSane(report);
    SCOPED_TRACE(reportText);
    EXPECT_GE(report.descriptorRequests, 3 * 11);
    EXPECT_EQ(report.descriptorRefused, 0) << "of " << report.descriptorRequests << " descriptor requests";
}

}  // namespace
