// The detection prompts while the host keeps calling: a host timer asks for
// descriptions every 20 ms while the detection-failure warning or the
// multi-GPU prompt is up and nobody answers for two seconds. There is one box
// throughout, the host's timer keeps running (no box opens inside another,
// so nothing nests deeper and deeper until the stack runs out), and the
// first call returns once the person answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/plugin/wine_box_watch.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/wine/plugin_folder.h"

namespace {

using test::CountLines;
using test::Describe;

constexpr UINT kHostTimerMs = 20;
constexpr DWORD kUnansweredMs = 2000;
constexpr int kTicksWithTheBoxUp = 50;

// The host's timer work, counted: how often it began and finished, how deep
// its calls nested inside one another, and what they returned.
struct TimerCalls {
    std::atomic<bool> asking{true};
    std::atomic<int> begun{0};
    std::atomic<int> finished{0};
    int depth = 0;
    int deepest = 0;
    std::vector<int32_t> answers;
};

// What the person saw while not answering, then answering.
struct Watch {
    int mostBoxes = 0;  // largest number of boxes of the caption at once
    int ticksBeforeBox = 0;
    bool timerKeptRunning = false;
    bool answered = false;
};

// Runs call on this thread; a second thread waits for the box captioned
// caption, counts the process's boxes of that caption for two seconds and
// until the timer has ticked kTicksWithTheBoxUp times with the box up, stops
// the host's asking, and then answers every such box with the button answer.
int WatchThenAnswer(const std::string& caption, const std::string& answer, TimerCalls& timer,
                    const std::function<int()>& call, Watch& watch)
{
    return test::WithPerson(
        [&](DWORD caller, const std::atomic<bool>& returned) {
            if (test::WaitUntil([&] { return !test::DialogsCaptioned(caption).empty() || returned.load(); }, 15000) &&
                !returned.load()) {
                watch.ticksBeforeBox = timer.begun.load();
                auto count = [&] {
                    watch.mostBoxes =
                        std::max(watch.mostBoxes, static_cast<int>(test::DialogsCaptioned(caption).size()));
                };
                DWORD start = GetTickCount();
                while (GetTickCount() - start < kUnansweredMs && !returned.load()) {
                    count();
                    Sleep(10);
                }
                watch.timerKeptRunning =
                    test::WaitUntil(
                        [&] {
                            count();
                            return timer.begun.load() - watch.ticksBeforeBox >= kTicksWithTheBoxUp || returned.load();
                        },
                        15000) &&
                    !returned.load();
                count();
            }
            timer.asking = false;
            // Answer every box of the caption, nested ones too, until the call is back.
            watch.answered = test::WaitUntil(
                [&] {
                    for (HWND box : test::DialogsCaptioned(caption))
                        test::ClickButton(box, answer);
                    return returned.load();
                },
                15000);
            if (!watch.answered)
                PostThreadMessageA(caller, WM_QUIT, 0, 0);
        },
        call);
}

class WinePromptReentry : public ::testing::Test {
protected:
    ~WinePromptReentry() override { sim::SetHostModel(nullptr); }

    // Every kHostTimerMs, while asked to, describes the sources in indexes.
    void AskEvery(test::HostWindow& host, const test::LoadedPlugin& plugin, std::vector<uint32_t> indexes)
    {
        host.Every(kHostTimerMs, [this, &plugin, indexes] {
            if (!timer.asking)
                return;
            ++timer.begun;
            timer.deepest = std::max(timer.deepest, ++timer.depth);
            for (uint32_t index : indexes)
                timer.answers.push_back(Describe(plugin, index));
            --timer.depth;
            ++timer.finished;
        });
    }

    sim::Vt1165Model model;
    test::PluginFolder folder;
    TimerCalls timer;
    Watch watch;
};

TEST_F(WinePromptReentry, OneDetectionWarningWhileTheHostAsksAgainAndAgain)
{
    model.AddGpu(2);  // GPU 0: buses, but no chip on them
    sim::SetHostModel(&model);
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        test::HostWindow host;
        AskEvery(host, plugin, {0x00000000u});
        int32_t result = WatchThenAnswer(
            "VT1165 Detection Failed", "OK", timer, [&] { return Describe(plugin, 0x00000000u); }, watch);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(watch.answered) << "the first call came back once the box was answered";
    }
    EXPECT_EQ(watch.mostBoxes, 1) << "boxes stacked inside one another";
    EXPECT_TRUE(watch.timerKeptRunning) << "the host's timer stopped while the box was up";
    EXPECT_EQ(timer.deepest, 1) << "a timer tick ran inside another tick's call";
    EXPECT_EQ(timer.finished.load(), timer.begun.load());
    EXPECT_GE(timer.begun.load(), kTicksWithTheBoxUp);
    EXPECT_EQ(std::count(timer.answers.begin(), timer.answers.end(), 0), static_cast<long>(timer.answers.size()))
        << "a GPU without a chip is never described";

    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(CountLines(log, "GetSourceDesc: GPU 0: No VT1165 Voltage Regulator detected!"), 1);
    EXPECT_EQ(CountLines(log, "GetSourceDesc: dwIndex=0x00000000 dwGpu=0 dwSource=0"), timer.begun.load() + 1)
        << "every call of the host was served";
}

TEST_F(WinePromptReentry, OneMultiGpuPromptWhileTheHostDescribesBothGpus)
{
    model.hostVersion = 0x02160000u;  // 2.22: the prompt is due once a source was set up
    for (uint32_t gpu = 0; gpu < 2; ++gpu) {
        model.AddGpu(2);
        model.AddVt1165(gpu, static_cast<uint8_t>(gpu));
    }
    sim::SetHostModel(&model);
    const std::string firstOnly = "Apply settings to first GPU only";
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        EXPECT_EQ(plugin.Export<test::PFN_SetupSource>("SetupSource")(0x00000002u, nullptr), 0);
        test::HostWindow host;
        AskEvery(host, plugin, {0x00000000u, 0x00010000u});
        int32_t result = WatchThenAnswer(
            "Limited MultiGPU support", firstOnly, timer, [&] { return Describe(plugin, 0x00000000u); }, watch);
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(watch.answered) << "the first call came back once the prompt was answered";
    }
    EXPECT_EQ(watch.mostBoxes, 1) << "prompts stacked inside one another";
    EXPECT_TRUE(watch.timerKeptRunning) << "the host's timer stopped while the prompt was up";
    EXPECT_EQ(timer.deepest, 1) << "a timer tick ran inside another tick's call";
    EXPECT_EQ(timer.finished.load(), timer.begun.load());
    EXPECT_GE(timer.begun.load(), kTicksWithTheBoxUp);
    // Meanwhile the scan goes on as after the prompt: both chips described.
    EXPECT_EQ(std::count(timer.answers.begin(), timer.answers.end(), 1), static_cast<long>(timer.answers.size()));
    EXPECT_EQ(timer.answers.size(), 2u * static_cast<unsigned>(timer.begun.load()));

    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(CountLines(log, "GetSourceDesc: Orvane V2.22 detected. Settings will be applied to first GPU only!"), 1);
    EXPECT_EQ(CountLines(log, "GetSourceDesc: dwIndex=0x00010000 dwGpu=1 dwSource=0"), timer.begun.load());
}

}  // namespace
