// A host may call back into the plug-in from inside its own I2C functions
// (one that pumps messages while it waits for the bus does). Each case calls
// in from inside one access of a bus sequence and checks that the sequence
// still addresses only the chip it began with, writes only to the register
// 0x1C names just before the write, and that nothing opens a box or cuts
// into the sequence.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "exports/exports.h"
#include "plugin/claim_flag.h"
#include "plugin/plugin_state.h"
#include "sim/host_exports.h"
#include "tests/support/box_buttons.h"
#include "tests/support/gpu_lock_fake.h"
#include "tests/support/inside_access.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::InsideAccess;
using test::ReadOf;
using test::WriteOf;

constexpr int UP = test::kUp, EXIT = test::kExit;
void* const kHostWindow = reinterpret_cast<void*>(0x1234);

int32_t Describe(uint32_t index)
{
    SourceDescriptor desc = {};
    return GetSourceDesc(index, &desc);
}

struct VidWrite {
    uint32_t gpu;
    int bus, reg, value;
    bool operator==(const VidWrite& o) const
    {
        return gpu == o.gpu && bus == o.bus && reg == o.reg && value == o.value;
    }
};

std::ostream& operator<<(std::ostream& os, const VidWrite& w)
{
    return os << "{gpu " << w.gpu << " bus " << w.bus << std::hex << " reg 0x" << w.reg << " value 0x" << w.value
              << std::dec << "}";
}

std::vector<VidWrite> VidWrites(const sim::Vt1165Model& model)
{
    std::vector<VidWrite> writes;
    for (const sim::BusAccess& a : model.trace)
        if (a.write && a.reg >= 0x15 && a.reg <= 0x18)
            writes.push_back(VidWrite{a.gpu, a.bus, a.reg, a.value});
    return writes;
}

bool Logged(const test::PluginHarness& h, const std::string& message)
{
    for (const std::string& m : h.LogMessages())
        if (m == message)
            return true;
    return false;
}

class BusReentryTest : public ::testing::Test {
protected:
    test::PluginHarness h;
    InsideAccess inside;
};

// The host's other thread holding GPU 0's bus: its reading of the current
// waits inside the host's I2C function until Release().
class BusHolder {
public:
    explicit BusHolder(InsideAccess& inside) : released_(release_.get_future().share())
    {
        inside.matches = ReadOf(0, 0x1E);
        inside.action = [this] {
            holding_.set_value();
            released_.wait();
        };
        inside.Arm();
        thread_ = std::thread([] { GetSourceData(2); });
        holding_.get_future().wait();
    }
    ~BusHolder() { Release(); }
    BusHolder(const BusHolder&) = delete;
    BusHolder& operator=(const BusHolder&) = delete;

    void Release()
    {
        if (!thread_.joinable())
            return;
        release_.set_value();
        thread_.join();
    }

private:
    std::promise<void> holding_, release_;
    std::shared_future<void> released_;
    std::thread thread_;
};

// Every wait for a bus lock's event, counted.
std::atomic<int> g_waits{0};
WakeWait (*g_realWait)(void*, uint32_t) = nullptr;
WakeWait CountedWait(void* event, uint32_t ms)
{
    ++g_waits;
    return g_realWait(event, ms);
}
void CountWaits()
{
    g_waits = 0;
    g_realWait = g_platform.waitEvent;
    g_platform.waitEvent = &CountedWait;
}

std::vector<std::string> BusyLines(const test::PluginHarness& h)
{
    std::vector<std::string> lines;
    for (const std::string& m : h.LogMessages())
        if (m.rfind("GPU 0 was busy", 0) == 0)
            lines.push_back(m);
    return lines;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// GPU 0 carries two VT1165s: the one on bus 0 is detected. From inside the
// press's VID read the host describes GPU 0 again while bus 0 fails: had
// the request been served, detection would have moved to bus 1 and the
// press would have written into bus 1's chip, 15 codes from what it held.
TEST_F(BusReentryTest, APressWritesOnlyToTheChipItBeganWith)
{
    h.model.AddGpu(2);
    sim::Device& first = h.model.AddVt1165(0, 0);
    sim::Device& second = h.model.AddVt1165(0, 1);
    first.regs[0x1C] = 0x20;
    first.regs[0x17] = 0x40;
    second.regs[0x1C] = 0x00;
    second.regs[0x17] = 0x50;
    ASSERT_EQ(Describe(0), 1);
    ASSERT_EQ(g_state.g_context[0].m_bus, 0);

    int32_t nested = -1;
    inside.matches = ReadOf(0, 0x17);
    inside.action = [&] {
        h.model.faults.failingBuses.insert({0, 0});
        nested = Describe(0);
        h.model.faults.failingBuses.clear();
    };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    EXPECT_EQ(nested, 0);
    EXPECT_TRUE(Logged(h, "GetSourceDesc: called from inside a bus access of the plug-in; refused"));
    EXPECT_EQ(VidWrites(h.model), (std::vector<VidWrite>{{0, 0, 0x17, 0x41}, {0, 0, 0x17, 0x41}}))
        << "UP, then EXIT's write-back";
    EXPECT_EQ(second.regs[0x17], 0x50);
    for (const sim::BusAccess& a : h.model.trace)
        EXPECT_EQ(a.bus, 0) << "an access to bus " << int(a.bus) << " register 0x" << std::hex << int(a.reg);
    EXPECT_EQ(g_state.g_context[0].m_bus, 0);
    EXPECT_EQ(g_state.g_context[0].m_dev, 0x70);
}

// 0x1C switches to register 0x18 between the press's VID read and its
// write: the write would land on a register 0x1C no longer names.
TEST_F(BusReentryTest, A0x1cChangeDuringThePressWritesNothingAndIsSaid)
{
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x1C] = 0x20;
    chip.regs[0x17] = 0x40;
    chip.regs[0x18] = 0x44;
    ASSERT_EQ(Describe(0), 1);

    inside.matches = ReadOf(0, 0x17);
    inside.action = [&] { chip.regs[0x1C] = 0x30; };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_NE(h.prompts[1].text.find("Nothing written: register 0x1C changed during the press."), std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(chip.regs[0x17], 0x40);
    EXPECT_EQ(chip.regs[0x18], 0x44);
    EXPECT_EQ(VidWrites(h.model), (std::vector<VidWrite>{{0, 0, 0x18, 0x44}})) << "only EXIT's write-back";
}

// The mirror to an old host's GPU 2 runs on GPU 2's own pinned chip: a
// request from inside its read that would move GPU 2's detection to bus 3
// is refused, and nothing is written on bus 3.
TEST_F(BusReentryTest, TheMirrorWritesOnlyWhereGpuTwosChipWasPinned)
{
    h.model.hostVersion = 0x02160000u;
    h.model.AddGpu(1);
    h.model.AddVt1165(0, 0);
    h.model.AddGpu(1);
    sim::Device& first = h.model.AddVt1165(1, 0);
    h.model.AddGpu(4);
    sim::Device& second = h.model.AddVt1165(2, 0);
    sim::Device& elsewhere = h.model.AddVt1165(2, 3);
    first.regs[0x17] = 0x48;
    second.regs[0x17] = 0x48;
    elsewhere.regs[0x1C] = 0x30;
    elsewhere.regs[0x18] = 0x30;
    for (uint32_t gpu = 0; gpu < 3; ++gpu)
        ASSERT_EQ(Describe(gpu << 16), 1);
    g_state.g_bApplyToBoth = 1;

    int32_t nested = -1;
    inside.matches = ReadOf(2, 0x17);
    inside.action = [&] {
        h.model.faults.failingBuses.insert({2, 0});
        nested = Describe(0x00020000u);
        h.model.faults.failingBuses.clear();
    };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0x00010000u, kHostWindow), 1);

    EXPECT_EQ(nested, 0);
    EXPECT_EQ(elsewhere.regs[0x18], 0x30);
    EXPECT_EQ(second.regs[0x17], 0x49);
    for (const VidWrite& w : VidWrites(h.model))
        EXPECT_EQ(w.bus, 0) << w;
}

// A SetupSource from inside the host's write during a phase reading would
// show the window under the GPU's lock, holding back every other thread's
// reading of that GPU for as long as the window is up.
TEST_F(BusReentryTest, NoWindowOpensFromInsideAReading)
{
    h.AddGpuWithChip();
    ASSERT_EQ(Describe(0), 1);
    int32_t nested = -1;
    inside.matches = WriteOf(0, 0x08);
    inside.action = [&] { nested = SetupSource(0, kHostWindow); };
    inside.Arm();
    EXPECT_EQ(GetSourceData(3), 60.0f);
    EXPECT_EQ(nested, 0);
    EXPECT_TRUE(h.prompts.empty());
    EXPECT_TRUE(Logged(h, "SetupSource: called from inside a bus access of the plug-in; nothing opened"));
}

// Phase 6 asked for from inside phase 1's selection would select phase 6,
// and phase 1 would be reported with phase 6's temperature. The inner call
// gets phase 6's last good value, without a bus access; so does a reading
// of another GPU.
TEST_F(BusReentryTest, AReadingFromInsideAReadingGetsTheLastGoodValue)
{
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x0E] = 6;
    chip.phaseTemps[0] = 41;
    chip.phaseTemps[5] = 66;
    h.AddGpuWithChip();
    ASSERT_EQ(Describe(0), 1);
    ASSERT_EQ(Describe(0x00010000u), 1);
    ASSERT_EQ(GetSourceData(8), 66.0f);
    ASSERT_EQ(GetSourceData(0x00010002u), GetSourceData(0x00010002u));
    const float otherGpuCurrent = GetSourceData(0x00010002u);
    chip.phaseTemps[5] = 70;  // a fresh reading would see this

    float innerPhase6 = 0.0f;
    float innerOtherGpu = 0.0f;
    std::size_t accessesInside = 0;
    inside.matches = WriteOf(0, 0x07);
    inside.action = [&] {
        std::size_t before = h.model.trace.size();
        innerPhase6 = GetSourceData(8);
        innerOtherGpu = GetSourceData(0x00010002u);
        accessesInside = h.model.trace.size() - before;
    };
    inside.Arm();
    EXPECT_EQ(GetSourceData(3), 41.0f);
    EXPECT_EQ(innerPhase6, 66.0f);
    EXPECT_EQ(innerOtherGpu, otherGpuCurrent);
    EXPECT_EQ(accessesInside, 0u);
}

// The host's other thread holds GPU 0's bus in a reading that waits inside
// the host's I2C function (for the host's own lock, say). Nobody waits for
// it without a bound: readings return the stored values, a status 0.0 before
// its first good read (never the no-value marker), a descriptor request
// describes from the last detection without scanning, the window says the
// chip is busy and a press writes nothing. The log names the busy spell
// once, when it ends.
TEST_F(BusReentryTest, CallsThatFindTheBusBusyGoOnWithoutItAndWriteNothing)
{
    sim::Device& chip = h.AddGpuWithChip();
    ASSERT_EQ(Describe(0), 1);
    ASSERT_FLOAT_EQ(GetSourceData(0), 1.2f);

    std::promise<void> holding, release;
    std::shared_future<void> released = release.get_future().share();
    inside.matches = ReadOf(0, 0x1E);
    inside.action = [&] {
        holding.set_value();
        released.wait();
    };
    std::thread holder;
    float voltage = 0.0f, ovp = 0.0f, ocp = 0.0f;
    int32_t described = -1;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall& call) {
        switch (pass++) {
        case 0:  // shown with the chip's value; then the other thread takes the bus
            inside.Arm();
            holder = std::thread([] { GetSourceData(2); });
            holding.get_future().wait();
            return UP;
        case 1:
            EXPECT_EQ(call.text.find("GPU=-1: the VT1165 is busy with another access."), 0u) << call.text;
            EXPECT_NE(call.text.find("Nothing written: the VT1165 was busy."), std::string::npos) << call.text;
            voltage = GetSourceData(0);
            ovp = GetSourceData(9);
            ocp = GetSourceData(10);
            described = Describe(0);
            release.set_value();
            holder.join();
            return UP;  // the window showed no value: nothing to step from
        case 2: EXPECT_EQ(call.text.find("GPU=-1 VID=0x3C Voltage=1.2000"), 0u) << call.text; return EXIT;
        default: return EXIT;
        }
    };
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    EXPECT_FLOAT_EQ(voltage, 1.2f);
    EXPECT_EQ(ovp, 0.0f);
    EXPECT_EQ(ocp, 0.0f);
    EXPECT_EQ(described, 1);
    EXPECT_TRUE(Logged(h, "GetSourceDesc: GPU 0 is busy; described from its last detection without scanning again"));
    EXPECT_EQ(VidWrites(h.model), (std::vector<VidWrite>{{0, 0, 0x17, 0x3C}})) << "only EXIT's write-back";
    EXPECT_EQ(chip.regs[0x17], 0x3C);
    int spells = 0;
    for (const std::string& m : h.LogMessages())
        spells += m.rfind("GPU 0 was busy for ", 0) == 0;
    EXPECT_EQ(spells, 1);
}

// The VID register is stepped by another tool between the press's read and
// its write, two codes up: UP's value would now move it one code down.
// Nothing is written, and the text says why.
TEST_F(BusReentryTest, AVidChangeJustBeforeTheWriteWritesNothingAndIsSaid)
{
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x1C] = 0x20;
    chip.regs[0x17] = 0x40;
    ASSERT_EQ(Describe(0), 1);

    int controlReads = 0;  // the press reads 0x1C twice: at the press and just before the write
    inside.matches = [&](const sim::HostAccess& a) {
        return a.gpu == 0 && !a.write && a.reg == 0x1C && ++controlReads == 2;
    };
    inside.action = [&] { chip.regs[0x17] = 0x42; };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    h.model.ClearTrace();
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_NE(h.prompts[1].text.find("Nothing written: the VID changed during the press."), std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(chip.regs[0x17], 0x42);
    EXPECT_EQ(VidWrites(h.model), (std::vector<VidWrite>{{0, 0, 0x17, 0x42}})) << "only EXIT's write-back";
}

// While another thread holds GPU 0's bus, the first reading waits and gets
// the stored value; later readings and a descriptor request of that busy
// spell do not wait again. The log says so in one line a minute at most,
// with every call that went on counted, from any number of threads.
TEST_F(BusReentryTest, ABusySpellCostsOneWaitAndTheLogOneLineAMinute)
{
    h.AddGpuWithChip();
    ASSERT_EQ(Describe(0), 1);
    ASSERT_FLOAT_EQ(GetSourceData(0), 1.2f);
    CountWaits();
    auto spell = [&](int readings, int threads) {
        BusHolder holder(inside);
        EXPECT_FLOAT_EQ(GetSourceData(0), 1.2f);
        const int waited = g_waits;
        std::vector<std::thread> pollers;
        for (int t = 0; t < threads; ++t)
            pollers.emplace_back([readings] {
                for (int i = 0; i < readings; ++i)
                    GetSourceData(i % 2 ? 9 : 0);
            });
        for (std::thread& t : pollers)
            t.join();
        EXPECT_EQ(g_waits.load(), waited) << "a reading waited again during the spell";
        holder.Release();
        GetSourceData(0);  // gets the lock: the spell ends
        return waited;
    };

    EXPECT_GT(spell(7, 1), 0) << "the first reading of the spell waits";
    {
        BusHolder holder(inside);
        EXPECT_FLOAT_EQ(GetSourceData(0), 1.2f);
        const int waited = g_waits;
        EXPECT_EQ(Describe(0), 1);
        EXPECT_EQ(g_waits.load(), waited) << "the descriptor request waited during the spell";
        EXPECT_TRUE(Logged(h, "GetSourceDesc: GPU 0 is busy; described from its last detection without scanning "
                              "again"));
    }
    GetSourceData(0);
    std::vector<std::string> lines = BusyLines(h);
    ASSERT_EQ(lines.size(), 1u) << "the second spell came within the minute";
    EXPECT_EQ(lines[0].rfind("GPU 0 was busy for ", 0), 0u) << lines[0];
    EXPECT_TRUE(EndsWith(lines[0], " ms: 8 calls went on without waiting longer")) << lines[0];

    test::AdvanceClock(60000);
    spell(0, 0);
    lines = BusyLines(h);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("GPU 0 was busy 2 times since the last such line, for at most ", 0), 0u) << lines[1];
    EXPECT_TRUE(EndsWith(lines[1], " ms: 3 calls went on without waiting longer")) << lines[1];

    test::AdvanceClock(60000);
    spell(0, 0);
    lines = BusyLines(h);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(EndsWith(lines[2], " ms: 1 call went on without waiting longer")) << lines[2];

    test::AdvanceClock(60000);
    spell(25, 4);
    lines = BusyLines(h);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(EndsWith(lines[3], " ms: 101 calls went on without waiting longer")) << lines[3];
}

// Register 0x1C stops answering between the press's read and its write:
// nothing is written, and the text says so rather than that 0x1C changed.
TEST_F(BusReentryTest, AChipThatStopsAnsweringDuringThePressIsToldApart)
{
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x1C] = 0x20;
    chip.regs[0x17] = 0x40;
    ASSERT_EQ(Describe(0), 1);

    inside.matches = ReadOf(0, 0x17);
    inside.action = [&] { h.model.faults.failingRegisters.insert({0, 0x1C}); };
    h.onPrompt = test::PressOnceWithHookArmed(inside, UP, EXIT);
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    ASSERT_EQ(h.prompts.size(), 2u);
    EXPECT_NE(h.prompts[1].text.find("Nothing written: the VT1165 stopped answering during the press."),
              std::string::npos)
        << h.prompts[1].text;
    EXPECT_EQ(chip.regs[0x17], 0x40);
}

// Two of the host's threads describe GPUs 0 and 1 for the first time at
// once: each binds the host's functions while the other's scan already
// calls through them.
TEST(HostTableTest, TwoGpusDescribedForTheFirstTimeOnTwoThreads)
{
    for (int round = 0; round < 20; ++round) {
        test::PluginHarness h;
        std::mutex bus;
        h.model.transactionLock = &bus;
        h.AddGpuWithChip();
        h.AddGpuWithChip();
        std::atomic<int> ready{0};
        int32_t found[2] = {-1, -1};
        auto describe = [&](int g) {
            ++ready;
            while (ready.load() < 2) {
            }
            found[g] = Describe(static_cast<uint32_t>(g) << 16);
        };
        std::thread first(describe, 0), second(describe, 1);
        first.join();
        second.join();
        h.model.transactionLock = nullptr;
        EXPECT_EQ(found[0], 1);
        EXPECT_EQ(found[1], 1);
    }
}

// Of many threads that try at once, exactly one claims the flag, and a
// claim that was not taken never releases the one that was.
TEST(ClaimFlagTest, OneClaimantAtATimeAndOnlyItReleases)
{
    ClaimFlag flag;
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> ready{0};
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                ++ready;
                while (ready.load() < 4) {
                }
                winners += flag.TryClaim() ? 1 : 0;
            });
        for (std::thread& t : threads)
            t.join();
        EXPECT_EQ(winners.load(), 1);
        {
            FlagClaim late(flag);
            EXPECT_FALSE(late.Taken());
        }
        EXPECT_TRUE(flag.IsSet()) << "released by a claim that was not taken";
        flag.Release();
    }
}

}  // namespace
