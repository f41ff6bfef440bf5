// The host calls the plug-in from several threads, through the real DLL and
// with real boxes: a window asked for from inside a phase reading (under the
// GPU's bus lock) neither opens nor holds up another thread's reading; two
// threads asking for a window at once get one; and a thread describing the
// GPU again and again while another presses UP and DOWN never makes a press
// write anywhere but to a chip, in the register its 0x1C names, one code on.
// And two ordinary hosts whose way of running their I2C functions meets the
// plug-in's per-GPU locks (a hardware mutex held across a polling round; I2C
// functions that run on the UI thread): every call returns, or a watchdog
// ends the program and names the calls still in flight.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/host_exports.h"
#include "sim/host_policy.h"
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

// Runs the calling thread's messages (its timers, the calls other threads
// send it) until done() holds or ms have passed; with INFINITE only done()
// ends it, and the test's watchdog bounds it.
void RunMessages(const std::function<bool()>& done, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (!done() && (ms == INFINITE || GetTickCount() - start < ms)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Three GPUs, each with a chip on bus 0, described as a host does at start;
// GPU 0's window pressed on the host's UI thread (the test's) while the
// host's polling goes on.
class WineHostPattern : public test::ReentryTest {
protected:
    static constexpr uint32_t kGpus = 3;
    static constexpr uint32_t kSourcesPerGpu = 11;

    WineHostPattern()
        : watchdog(std::string("WineHostPattern.") + ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        test::Watchdog::NameThread("UI thread");
    }

    // Loads the DLL and describes every GPU; true when every chip was found.
    bool Start()
    {
        for (uint32_t g = 0; g < kGpus; ++g) {
            model.AddGpu(1);
            Chip(g, 0, 0x20, 0x3C);
        }
        if (!plugin.Loaded())
            return false;
        getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
        setupSource = plugin.Export<PFN_SetupSource>("SetupSource");
        int found = 0;
        for (uint32_t g = 0; g < kGpus; ++g)
            found += Describe(plugin, g << 16);
        model.ClearTrace();
        return found == static_cast<int>(kGpus);
    }

    float Read(uint32_t index) { return test::WatchedReading(readings, getSourceData, index); }
    void PollRound() { test::PollRound(readings, kGpus, getSourceData); }

    // GPU 0's voltage window, owned by owner: the person looks at each box a
    // moment, so that the host's work goes on while it is up, then presses
    // the next of kPresses.
    int32_t PressWindow(HWND owner)
    {
        DWORD shown = 0;
        auto lookedAMoment = [&shown] {
            if (!shown)
                shown = GetTickCount();
            if (GetTickCount() - shown < 30)
                return false;
            shown = 0;
            return true;
        };
        return test::PressThrough(
            kPresses, [&] { return test::Watchdog::Watch("SetupSource", 0, [&] { return setupSource(0, owner); }); },
            &seen, lookedAMoment);
    }

    // Every write kept the safety rule, every reading was one the plug-in may
    // give back, and the window ended with EXIT. A press may have written
    // nothing (the chip was busy): that is not judged.
    void ExpectSafeAndSane(int32_t setupResult)
    {
        test::WriteJudge judge = test::JudgeWrites(model.trace);
        EXPECT_TRUE(judge.Clean()) << "of " << judge.Writes() << " writes (" << judge.VidWrites()
                                   << " to VID registers):\n"
                                   << judge.Report();
        EXPECT_EQ(readings.Implausible(), 0)
            << "of " << readings.Readings() << " readings; first: " << readings.First();
        EXPECT_EQ(setupResult, 1);
        EXPECT_EQ(seen.size(), kPresses.size()) << "the window did not take every press and EXIT";
        for (const test::SeenBox& box : seen)
            EXPECT_EQ(box.title, kWindowCaption);
    }

    ~WineHostPattern() override { sim::SetHostPolicy(nullptr); }

    // Before the plug-in is loaded, so that it watches its unloading too.
    test::Watchdog watchdog;
    test::LoadedPlugin plugin{folder.DllPath()};
    PFN_GetSourceData getSourceData = nullptr;
    PFN_SetupSource setupSource = nullptr;
    test::ReadingCheck readings;
    const std::vector<std::string> kPresses = {"UP", "UP", "DOWN", "DOWN", "EXIT"};
    std::vector<test::SeenBox> seen;
};

// A host that serialises its hardware access: one recursive hardware mutex,
// which its I2C functions take and its polling thread holds across a whole
// round of readings of every source of every GPU, while the person presses
// UP and DOWN in GPU 0's window on the UI thread. A press that holds GPU 0's
// lock waits in the host's I2C function for the mutex; the polling thread,
// holding the mutex, comes to GPU 0's sources in its round.
TEST_F(WineHostPattern, HostHoldingItsHardwareMutexAcrossAPollingRound)
{
    constexpr int kMaxRounds = 5000;
    ASSERT_TRUE(Start());
    sim::SerialisedHost hardware;
    sim::SetHostPolicy(&hardware);
    // A register access takes a moment on a real bus (here a millisecond,
    // the shortest sleep Windows has).
    sim::g_onHostCall = [] { Sleep(1); };
    std::atomic<bool> pressing{true};
    std::thread poller([&] {
        test::Watchdog::NameThread("polling thread");
        for (int round = 0; round < kMaxRounds && pressing.load(); ++round) {
            {
                std::lock_guard<sim::SerialisedHost> holding(hardware);
                PollRound();
            }
            Sleep(10);  // the polling interval
        }
    });
    test::HostWindow window;
    int32_t result = PressWindow(window.window);
    pressing = false;
    poller.join();
    sim::g_onHostCall = nullptr;
    sim::SetHostPolicy(nullptr);
    ExpectSafeAndSane(result);
}

// A host whose I2C functions run on its UI thread: a worker thread's call is
// sent to a window of the UI thread (SendMessage) and waits for it, and the
// UI thread's timer reads one source of every GPU on each tick, before and
// while GPU 0's window is up (the box's message loop runs the timer and the
// sent calls). A worker's reading holds its GPU's lock while it waits for
// the UI thread; the UI thread's next tick reads that GPU.
TEST_F(WineHostPattern, HostRunningItsI2CFunctionsOnItsUiThread)
{
    constexpr int kMaxRounds = 5000;
    ASSERT_TRUE(Start());
    sim::UiWindowHost uiThread;
    sim::SetHostPolicy(&uiThread);
    std::atomic<bool> working{true}, workerDone{false};
    std::thread worker([&] {
        test::Watchdog::NameThread("worker");
        for (int round = 0; round < kMaxRounds && working.load(); ++round)
            PollRound();
        workerDone = true;
    });
    int32_t result = 0;
    {
        test::HostWindow window;
        uint32_t tick = 0;
        window.Every(10, [&] {
            const uint32_t source = tick++ % kSourcesPerGpu;
            for (uint32_t g = 0; g < kGpus; ++g)
                Read(g << 16 | source);
        });
        // The UI thread's own message loop for a while, then the window's.
        RunMessages([] { return false; }, 200);
        result = PressWindow(window.window);
        working = false;
        RunMessages([&] { return workerDone.load(); }, INFINITE);
    }
    worker.join();
    sim::SetHostPolicy(nullptr);
    ExpectSafeAndSane(result);
}

}  // namespace
