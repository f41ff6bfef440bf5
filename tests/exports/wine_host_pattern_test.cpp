// Two ordinary hosts whose way of running their I2C functions meets the
// plug-in's per-GPU locks (a hardware mutex held across a polling round; I2C
// functions that run on the UI thread, reached from other threads with a
// real SendMessage), played by the simulator's host patterns: every write is
// safe and the work gets done (presses written, descriptor requests served,
// readings that reach the bus); a run that does not end winds down at its
// bound, and a watchdog ends the program and names the calls still in
// flight should anything hang.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "sim/host_patterns.h"
#include "sim/host_policy.h"
#include "sim/plugin_module.h"
#include "sim/scenario.h"
#include "sim/watchdog.h"
#include "tests/support/reading_check.h"
#include "tests/support/write_judge.h"
#include "tests/wine/host_fixture.h"

namespace {

const char* const kWindowCaption = "VRM Voltage Control";

// The host patterns of the simulator (sim/host_patterns.h), played with the
// DLL on three GPUs, each with a chip on bus 0, described as a host does at
// start: GPU 0's window pressed UP and DOWN on the host's UI thread (the
// test's) while the host's polling goes on. Each run is judged for safety
// (every write, every reading) and for progress: the presses are written,
// the window never says the chip is busy, descriptor requests are served,
// and the polling rounds' readings reach the bus.
class WineHostPattern : public test::HostFixture {
protected:
    WineHostPattern()
        : watchdog(std::string("WineHostPattern.") + ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        sim::Watchdog::NameThread("UI thread");
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
    sim::Watchdog watchdog;
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
