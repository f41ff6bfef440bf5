// Several of the host's threads at once. A phase temperature is a
// select-then-read sequence of four bus accesses on a selection that every
// reader shares: two threads polling different phases each get their own.
//
// Three host threads, as a host's timers and its user make them: one
// presses UP, DOWN and EXIT in voltage windows, one describes the GPUs again
// and again (with the chip on bus 0 failing to answer at times, so that
// detection moves to a second VT1165 on bus 1 and back), one polls every
// source. Every bus sequence must stay on one chip: every write is judged
// (tests/support/write_judge.h) once the threads are done.
//
// Two ordinary hosts whose own way of running their I2C functions meets the
// plug-in's per-GPU locks: one holds its hardware mutex across a whole
// polling round, the other runs its I2C functions on its UI thread. Every
// call returns (a watchdog ends the program and names the calls still in
// flight should two threads wait for each other), and the work gets done.
//
// The chip model is not thread-safe: each bus transaction runs under the
// model's transaction lock, as a real bus carries one transaction at a time,
// and so do the fault injections; each host call first waits a little, as a
// real transaction takes time, so that other threads' calls come between
// two of a sequence's transactions whatever the machine's load.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "chip/vid_codes.h"
#include "exports/exports.h"
#include "sim/host_exports.h"
#include "sim/host_policy.h"
#include "sim/watchdog.h"
#include "tests/support/gpu_lock_fake.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/reading_check.h"
#include "tests/support/write_judge.h"

namespace {

using test::kBothGpus;
using test::kDown;
using test::kExit;
using test::kHostWindow;
using test::kUp;
constexpr uint32_t kSourcesPerGpu = 11;

// The host's hook: each call first takes as long as a transaction.
template <int kMicroseconds>
void TransactionTime()
{
    std::this_thread::sleep_for(std::chrono::microseconds(kMicroseconds));
}

TEST(PhaseThreadsTest, TwoThreadsPollingDifferentPhasesEachGetTheirOwn)
{
    test::PluginHarness h;
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x0E] = 6;
    for (int p = 0; p < 6; ++p)
        chip.phaseTemps[p] = static_cast<uint8_t>(41 + 5 * p);
    ASSERT_EQ(test::Describe(3), 1);
    h.model.tracing = false;
    std::mutex bus;
    h.model.transactionLock = &bus;
    sim::g_onHostCall = &TransactionTime<20>;

    constexpr int kReadings = 1500;
    std::atomic<int> wrong{0};
    auto poll = [&](uint32_t source, float expected) {
        for (int i = 0; i < kReadings; ++i)
            if (GetSourceData(source) != expected)
                ++wrong;
    };
    std::thread first(poll, 3u, 41.0f);  // phase 1
    std::thread sixth(poll, 8u, 66.0f);  // phase 6
    first.join();
    sixth.join();
    h.model.transactionLock = nullptr;
    EXPECT_EQ(wrong.load(), 0) << "of " << 2 * kReadings << " readings";
}

// How much each thread does. Many presses find the chip's context being
// described again, or detected on the other chip since the window showed
// it, and write nothing; how many do depends on the machine's load. So the
// pressing thread goes on, within a bound, until both enough windows were
// closed and enough VID writes were made for the run to judge. The
// describing and polling threads go on while windows are still being
// pressed, within their bounds.
constexpr int kWindows = 300, kMaxSetupCalls = 50 * kWindows, kMinVidWrites = 20;
constexpr int kMinDescriptions = 600, kMaxDescriptions = 20000;
constexpr int kMinPollRounds = 300, kMaxPollRounds = 20000;

struct Config {
    bool oldHost;          // 2.22, "Apply settings to both GPUs": presses mirrored to GPU 2
    uint32_t gpus;         // GPUs in the model
    uint32_t windowGpu;    // the GPU whose window is pressed
    uint32_t twoChipGpus;  // bit g: GPU g has a second VT1165 on bus 1

    bool TwoChips(uint32_t g) const { return (twoChipGpus >> g & 1) != 0; }
};

class BusStressTest : public ::testing::Test {
protected:
    void Run(const Config& config);

    // GPU g: a VT1165 on bus 0 using 0x17 = 0x40; on a two-chip GPU a
    // second one on bus 1 using 0x15, with 0x15 and 0x17 at 0x50, so that a
    // step computed on one chip and written to the other breaks a rule.
    void BuildGpus(const Config& config)
    {
        h.model.hostVersion = config.oldHost ? test::kOldHost : 0x02170000u;
        for (uint32_t g = 0; g < config.gpus; ++g) {
            bool two = config.TwoChips(g);
            test::SetVid(h.AddGpuWithChip(two ? 2 : 1, 0), 0x20, 0x40);
            if (two) {
                sim::Device& second = h.model.AddVt1165(g, 1);
                test::SetVid(second, 0x00, 0x50);
                second.regs[0x17] = 0x50;
            }
        }
    }

    test::PluginHarness h;
    std::mutex bus;  // the model's transaction lock
};

void BusStressTest::Run(const Config& config)
{
    BuildGpus(config);

    // The boxes: answered from a seeded generator. Only the pressing thread
    // opens windows, but the guard keeps any box from another thread safe.
    std::mutex boxes;
    std::mt19937 answers(20261208);
    int presses = 0, exits = 0, otherBoxes = 0;
    h.onPrompt = [&](const test::PromptCall& call) {
        std::lock_guard<std::mutex> guard(boxes);
        if (call.caption != "VRM Voltage Control") {
            ++otherBoxes;
            return call.caption == "Limited MultiGPU support" ? kBothGpus : 1;
        }
        uint32_t pick = answers() % 10;
        if (pick < 2) {
            ++exits;
            return kExit;
        }
        ++presses;
        return pick < 6 ? kUp : kDown;
    };
    auto windowsDone = [&] {
        std::lock_guard<std::mutex> guard(boxes);
        return exits;
    };

    // As a host starts: a SetupSource without a window, then every GPU
    // described once (an old host's user chooses both GPUs here).
    SetupSource(0, nullptr);
    for (uint32_t g = 0; g < config.gpus; ++g)
        ASSERT_EQ(h.Detect(g), 1) << "GPU " << g;
    h.model.transactionLock = &bus;
    sim::g_onHostCall = &TransactionTime<20>;

    std::atomic<bool> pressing{true}, describing{true};
    std::atomic<int> descriptions{0}, pollRounds{0};
    int injected = 0;

    // VID writes in the trace so far, counted as the trace grows.
    std::size_t counted = 0;
    int vidWritesSoFar = 0;
    auto enoughVidWrites = [&] {
        std::lock_guard<std::mutex> transaction(bus);
        for (; counted < h.model.trace.size(); ++counted) {
            const sim::BusAccess& a = h.model.trace[counted];
            vidWritesSoFar += a.write && IsVidRegister(a.reg) ? 1 : 0;
        }
        return vidWritesSoFar >= kMinVidWrites;
    };

    std::thread presser([&] {
        for (int n = 0; n < kMaxSetupCalls && (windowsDone() < kWindows || !enoughVidWrites()); ++n) {
            int before = descriptions;
            if (SetupSource(config.windowGpu << 16, kHostWindow) == 0) {
                // No window: the chip's context was being reset. Again once
                // the describing thread has moved on.
                while (descriptions == before && describing)
                    std::this_thread::yield();
            }
        }
        pressing = false;
    });
    std::thread describer([&] {
        std::mt19937 random(7);
        for (int n = 0; n < kMaxDescriptions && (n < kMinDescriptions || pressing); ++n) {
            // Half the requests for the window's GPU, the rest for any.
            uint32_t g = random() % 2 ? config.windowGpu : random() % config.gpus;
            // Bus 0's chip fails to answer for this one request: detection
            // moves to bus 1, and the next request moves it back.
            bool fail = config.TwoChips(g) && random() % 3 == 0;
            if (fail) {
                std::lock_guard<std::mutex> transaction(bus);
                h.model.faults.failingBuses.insert({g, 0});
                ++injected;
            }
            test::Describe(g << 16 | random() % kSourcesPerGpu);
            if (fail) {
                std::lock_guard<std::mutex> transaction(bus);
                h.model.faults.failingBuses.erase({g, 0});
            }
            ++descriptions;
            // A short pause, so that presses find a detected chip often
            // enough to write.
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        describing = false;
    });
    test::ReadingCheck readings;
    std::thread poller([&] {
        for (int n = 0; n < kMaxPollRounds && (n < kMinPollRounds || pressing); ++n, ++pollRounds)
            test::PollRound(readings, config.gpus, GetSourceData);
    });
    presser.join();
    describer.join();
    poller.join();
    h.model.transactionLock = nullptr;
    sim::g_onHostCall = nullptr;

    const test::WriteJudge judge = test::JudgeWrites(h.model.trace);
    EXPECT_TRUE(judge.Clean()) << "of " << judge.Writes() << " writes (" << judge.VidWrites() << " to VID registers), "
                               << h.model.trace.size() << " accesses, " << presses << " presses, " << descriptions
                               << " descriptor requests (" << injected << " with bus 0 failing), " << pollRounds
                               << " polling rounds:\n"
                               << judge.Report();
    EXPECT_EQ(readings.Implausible(), 0) << "first: " << readings.First();

    // The run must reach what it is for.
    EXPECT_GE(exits, kWindows);
    EXPECT_GT(injected, kMinDescriptions / 16);
    EXPECT_GE(judge.VidWrites(), kMinVidWrites);
    EXPECT_EQ(otherBoxes, config.oldHost ? 1 : 0);
}

// GPU 0 with two chips, its window pressed; GPU 1 polled and described
// beside it.
TEST_F(BusStressTest, NewHostTwoChipsOnGpuZero)
{
    Run(Config{false, 2, 0, 0x1});
}

// An old host whose user applies settings to both GPUs: GPU 1's window, its
// presses mirrored to GPU 2, both GPUs with two chips.
TEST_F(BusStressTest, OldHostMirroringToGpuTwo)
{
    Run(Config{true, 3, 1, 0x6});
}

// The host's I2C calls, counted per calling thread before the host runs
// them as it does: how many bus accesses the calls of one thread made,
// wherever the host carried them out.
class CountingHost : public sim::HostPolicy {
public:
    explicit CountingHost(sim::HostPolicy& inner) : inner_(inner) {}
    int32_t Run(const std::function<int32_t()>& access) override
    {
        ++t_accesses;
        return inner_.Run(access);
    }
    static int ThreadAccesses() { return t_accesses; }

private:
    sim::HostPolicy& inner_;
    static thread_local int t_accesses;
};
thread_local int CountingHost::t_accesses = 0;

// Three GPUs, each with one chip; GPU 0's window pressed on the host's UI
// thread while the host's polling goes on. Besides safety, the tests count
// what got done: presses written, descriptions given, rounds whose readings
// reached the bus.
class HostPatternTest : public ::testing::Test {
protected:
    static constexpr uint32_t kGpus = 3;

    static constexpr int kPresses = 20;  // UP, UP, DOWN, DOWN, ...

    HostPatternTest()
        : watchdog(std::string("HostPatternTest.") + ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
    }
    ~HostPatternTest() override { sim::SetHostPolicy(nullptr); }

    // The GPUs, each listed once as a host does at start (what each source
    // gave is kept); from then on every transaction runs under the model's
    // lock and takes a little time, as on a real bus, and the host runs its
    // I2C calls as `host` does.
    void StartHost(sim::HostPolicy& host)
    {
        for (uint32_t g = 0; g < kGpus; ++g)
            h.AddGpuWithChip(1, 0);
        for (uint32_t g = 0; g < kGpus; ++g)
            for (uint32_t s = 0; s < kSourcesPerGpu; ++s)
                listed[g][s] = test::Describe(g << 16 | s);
        ASSERT_EQ(listed[0][0], 1);
        h.model.ClearTrace();
        h.model.transactionLock = &bus;
        sim::g_onHostCall = &TransactionTime<200>;  // a register access on a 100 kHz bus
        counting = std::make_unique<CountingHost>(host);
        sim::SetHostPolicy(counting.get());
    }

    float Read(uint32_t index) { return test::WatchedReading(readings, GetSourceData, index); }

    // One polling round of every source of `gpus` GPUs (every source of GPU
    // 0 when 1): true when its readings reached the bus.
    bool PollRound(uint32_t gpus)
    {
        const int before = CountingHost::ThreadAccesses();
        test::PollRound(readings, gpus, GetSourceData);
        return CountingHost::ThreadAccesses() > before;
    }

    // Every source of the given GPUs described again, as the host lists
    // them; counts the requests that gave less than the first listing.
    void Redescribe(uint32_t firstGpu, uint32_t gpus)
    {
        for (uint32_t g = firstGpu; g < firstGpu + gpus; ++g)
            for (uint32_t s = 0; s < kSourcesPerGpu; ++s, ++descriptions)
                refused += sim::Watchdog::Watch("GetSourceDesc", g << 16 | s,
                                                [&] { return test::Describe(g << 16 | s); }) < listed[g][s];
    }

    // GPU 0's voltage window: whileUp runs while each box is up, then the
    // box is answered with the next of the presses, and EXIT after them.
    int32_t PressWindow(const std::function<void()>& whileUp)
    {
        h.onPrompt = [this, whileUp](const test::PromptCall& call) {
            if (call.caption != "VRM Voltage Control")
                return 1;
            shownTexts.push_back(call.text);
            whileUp();
            const int n = static_cast<int>(answers.size());
            const int answer = n < kPresses ? (n % 4 < 2 ? kUp : kDown) : kExit;
            answers.push_back(answer);
            return answer;
        };
        return sim::Watchdog::Watch("SetupSource", 0, [] { return SetupSource(0, kHostWindow); });
    }

    // Every write kept the safety rule, every reading was one the plug-in may
    // give back, and the window ended with EXIT.
    test::WriteJudge ExpectSafeAndSane(int32_t setupResult)
    {
        sim::SetHostPolicy(nullptr);
        h.model.transactionLock = nullptr;
        test::WriteJudge judge = test::JudgeWrites(h.model.trace);
        EXPECT_TRUE(judge.Clean()) << "of " << judge.Writes() << " writes (" << judge.VidWrites()
                                   << " to VID registers):\n"
                                   << judge.Report();
        EXPECT_EQ(readings.Implausible(), 0)
            << "of " << readings.Readings() << " readings; first: " << readings.First();
        EXPECT_EQ(setupResult, 1);
        EXPECT_EQ(answers.empty() ? 0 : answers.back(), kExit);
        return judge;
    }

    // Every press was written (and EXIT wrote the value shown back once),
    // and no showing said that the chip was busy.
    void ExpectEveryPressWritten(const test::WriteJudge& judge)
    {
        EXPECT_EQ(judge.VidWrites(), kPresses + 1) << "VID writes of " << kPresses << " presses and EXIT";
        int busy = 0;
        for (const std::string& text : shownTexts)
            busy += text.find("is busy") != std::string::npos ? 1 : 0;
        EXPECT_EQ(busy, 0) << "of " << shownTexts.size() << " showings";
    }

    // Readings reached the bus in most of the rounds.
    void ExpectReadingsReachedTheBus(int rounds, int roundsOnTheBus)
    {
        EXPECT_GT(rounds, 0);
        EXPECT_GT(2 * roundsOnTheBus, rounds) << roundsOnTheBus << " of " << rounds << " rounds reached the bus";
    }

    // Declared first, so that it watches until everything else is gone.
    sim::Watchdog watchdog;
    test::PluginHarness h;
    std::mutex bus;  // the model's transaction lock
    std::unique_ptr<CountingHost> counting;
    test::ReadingCheck readings;
    int32_t listed[kGpus][kSourcesPerGpu] = {};
    int descriptions = 0, refused = 0;
    std::vector<int> answers;
    std::vector<std::string> shownTexts;
};

// A host that serialises its hardware access: one recursive hardware mutex,
// which its I2C functions take and its polling thread holds across a whole
// polling round of GPU 0's sources, describing them again inside the round,
// while the person presses UP and DOWN in GPU 0's window on the UI thread.
// A press that holds GPU 0's lock waits in the host's I2C function for the
// mutex; the polling thread, holding the mutex, comes to GPU 0 in its round.
// Every press is written, and no description is refused.
TEST_F(HostPatternTest, HostHoldingItsHardwareMutexAcrossAPollingRound)
{
    constexpr int kMaxRounds = 5000;
    sim::SerialisedHost host;
    StartHost(host);
    sim::Watchdog::NameThread("UI thread");
    std::atomic<bool> pressing{true};
    int rounds = 0, roundsOnTheBus = 0;
    std::thread poller([&] {
        sim::Watchdog::NameThread("polling thread");
        for (; rounds < kMaxRounds && pressing; ++rounds) {
            {
                std::lock_guard<sim::SerialisedHost> holding(host);
                roundsOnTheBus += PollRound(1) ? 1 : 0;
                if (rounds % 4 == 0)
                    Redescribe(0, 1);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the polling interval
        }
    });
    // The person looks at the window a moment before each press.
    int32_t result = PressWindow([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    pressing = false;
    poller.join();
    ExpectEveryPressWritten(ExpectSafeAndSane(result));
    EXPECT_GT(descriptions, 0);
    EXPECT_EQ(refused, 0) << "of " << descriptions << " descriptor requests";
    ExpectReadingsReachedTheBus(rounds, roundsOnTheBus);
}

// A host whose I2C functions run on its UI thread: a worker thread polls
// every source of every GPU nonstop, its calls queued for the UI thread and
// waited for; the UI thread reads one source of every GPU on each tick of
// its timer and describes every source again now and then, serving the
// queue as its message loop does, also while it waits for a GPU's lock.
// Every press is written, no showing says the chip is busy, and no
// description is refused.
TEST_F(HostPatternTest, HostRunningItsI2CFunctionsOnItsUiThread)
{
    constexpr int kMaxRounds = 5000;
    sim::Watchdog::NameThread("UI thread");
    sim::UiQueueHost host;
    test::SentMessageQueue queue([&host] { return host.Serve() > 0; });
    StartHost(host);
    std::atomic<bool> working{true}, workerDone{false};
    std::atomic<int> rounds{0}, roundsOnTheBus{0};
    std::thread worker([&] {
        sim::Watchdog::NameThread("worker");
        for (; rounds < kMaxRounds && working; ++rounds)
            roundsOnTheBus += PollRound(kGpus) ? 1 : 0;
        workerDone = true;
    });
    uint32_t tick = 0;
    // The UI thread's message loop for a while: the timer's readings, a
    // listing of every source now and then, and the queued calls served
    // between them.
    auto runMessages = [&](std::chrono::milliseconds span) {
        const auto end = std::chrono::steady_clock::now() + span;
        do {
            host.Serve();
            const uint32_t source = tick++ % kSourcesPerGpu;
            for (uint32_t g = 0; g < kGpus; ++g)
                Read(g << 16 | source);
            if (tick % 8 == 0)
                Redescribe(0, kGpus);
            host.Serve();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (std::chrono::steady_clock::now() < end);
    };
    runMessages(std::chrono::milliseconds(100));
    // The window's message loop runs the same while the box is up.
    int32_t result = PressWindow([&] { runMessages(std::chrono::milliseconds(20)); });
    working = false;
    while (!workerDone) {
        host.Serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    ExpectEveryPressWritten(ExpectSafeAndSane(result));
    EXPECT_GT(descriptions, 0);
    EXPECT_EQ(refused, 0) << "of " << descriptions << " descriptor requests";
    ExpectReadingsReachedTheBus(rounds, roundsOnTheBus);
}

// Eight of the host's threads poll GPU 0 in tight loops: every press of its
// window and every descriptor request still gets through.
TEST_F(HostPatternTest, EightThreadsPollingOneGpuStarveNoPressAndNoDescription)
{
    sim::SerialisedHost host;  // the bus is one: each access under the mutex
    StartHost(host);
    std::atomic<bool> pressing{true};
    std::vector<std::thread> pollers;
    for (int t = 0; t < 8; ++t)
        pollers.emplace_back([&] {
            while (pressing)
                PollRound(1);
        });
    int32_t result = PressWindow([this] { Redescribe(0, 1); });
    pressing = false;
    for (std::thread& t : pollers)
        t.join();
    ExpectEveryPressWritten(ExpectSafeAndSane(result));
    EXPECT_EQ(refused, 0) << "of " << descriptions << " descriptor requests";
}

}  // namespace
