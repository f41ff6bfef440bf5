// A host may call back into the plug-in from inside its own I2C functions
// (one that pumps messages while it waits for the bus does), and another of
// its threads may hold a GPU's bus. Each case calls in from inside one
// access of a bus sequence, or while another thread's sequence waits inside
// the host: the sequence still addresses only the chip it began with,
// nothing opens a box or cuts into it, and nobody waits without a bound.
// (What a press does when the chip changes between its read and its write:
// voltage_control_test.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "exports/exports.h"
#include "plugin/plugin_state.h"
#include "tests/support/gpu_lock_fake.h"
#include "tests/support/inside_access.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::Describe;
using test::kExit;
using test::kHostWindow;
using test::kUp;
using test::ReadOf;
using Writes = std::vector<test::Write>;

class BusReentryTest : public ::testing::Test {
protected:
    test::PluginHarness h;
    test::InsideAccess inside;
};

// The host's other thread holding GPU 0's bus: its reading of the current
// waits inside the host's I2C function until Release().
class BusHolder {
public:
    explicit BusHolder(test::InsideAccess& inside) : released_(release_.get_future().share())
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

// GPU 0 carries two VT1165s: the one on bus 0 is detected. From inside the
// press's VID read the host describes GPU 0 again while bus 0 fails: had
// the request been served, the press would have written into bus 1's chip,
// 15 codes from what it held; had it reset the context, EXIT would have
// found no chip. (That every call from inside each kind of sequence is
// refused without a bus access: tests/exports/door_test.cpp.)
TEST_F(BusReentryTest, APressWritesOnlyToTheChipItBeganWith)
{
    h.model.AddGpu(2);
    test::SetVid(h.model.AddVt1165(0, 0), 0x20, 0x40);
    sim::Device& second = h.model.AddVt1165(0, 1);
    second.regs[0x1C] = 0x00;
    second.regs[0x17] = 0x50;
    ASSERT_EQ(h.Detect(0), 1);

    int32_t nested = -1;
    inside.matches = ReadOf(0, 0x17);
    inside.action = [&] {
        h.model.faults.failingBuses.insert({0, 0});
        nested = Describe(0);
        h.model.faults.failingBuses.clear();
    };
    h.onPrompt = test::PressOnceWithHookArmed(inside, kUp, kExit);
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    EXPECT_EQ(nested, 0);
    EXPECT_EQ(h.Logged("GetSourceDesc: called from inside a bus access of the plug-in; refused"), 1);
    EXPECT_EQ(h.VidWrites(), (Writes{{0, 0, 0x70, 0x17, 0x41}, {0, 0, 0x70, 0x17, 0x41}})) << "UP, then EXIT's";
    EXPECT_EQ(second.regs[0x17], 0x50);
    for (const sim::BusAccess& a : h.model.trace)
        EXPECT_EQ(a.bus, 0) << "an access to bus " << int(a.bus) << " register 0x" << std::hex << int(a.reg);
    EXPECT_EQ(g_state.g_context[0].m_bus, 0);
    EXPECT_EQ(g_state.g_context[0].m_dev, 0x70);
}

// A reading of another GPU from inside GPU 0's phase selection would take
// a second GPU's lock and cut into the selection with its own accesses: it
// gets GPU 1's last good value without a bus access, and phase 1 its own
// temperature. (Calls from inside for the sequence's own GPU:
// tests/exports/door_test.cpp.)
TEST_F(BusReentryTest, AReadingOfAnotherGpuFromInsideGetsTheLastGoodValue)
{
    h.AddDetectedGpu().phaseTemps[0] = 41;
    sim::Device& other = h.AddDetectedGpu();
    const float lastGood = GetSourceData(0x00010002u);
    other.regs[0x1E] = 0x10;  // a fresh reading would see this
    float inner = 0.0f;
    std::size_t accessesInside = 1;
    inside.matches = test::WriteOf(0, 0x07);
    inside.action = [&] {
        const std::size_t before = h.model.trace.size();
        inner = GetSourceData(0x00010002u);
        accessesInside = h.model.trace.size() - before;
    };
    inside.Arm();
    EXPECT_EQ(GetSourceData(3), 41.0f);
    EXPECT_TRUE(inside.Fired());
    EXPECT_EQ(inner, lastGood);
    EXPECT_EQ(accessesInside, 0u);
}

// The host's other thread holds GPU 0's bus while the window is up: the
// window says the chip is busy and a press writes nothing; a status read
// meanwhile is 0.0 before its first good read, never the no-value marker.
// (Readings and descriptor requests during a busy spell:
// ABusySpellCostsOneWaitAndTheLogOneLineAMinute.)
TEST_F(BusReentryTest, AWindowThatFindsTheBusBusyWritesNothing)
{
    sim::Device& chip = h.AddDetectedGpu();
    std::unique_ptr<BusHolder> holder;
    float ovp = -1.0f, ocp = -1.0f;
    int pass = 0;
    h.onPrompt = [&](const test::PromptCall& call) {
        switch (pass++) {
        case 0:  // shown with the chip's value; then the other thread takes the bus
            holder = std::make_unique<BusHolder>(inside);
            return kUp;
        case 1:
            EXPECT_EQ(call.text.find("GPU=-1: the VT1165 is busy with another access."), 0u) << call.text;
            EXPECT_NE(call.text.find("Nothing written: the VT1165 was busy."), std::string::npos) << call.text;
            ovp = GetSourceData(9);
            ocp = GetSourceData(10);
            holder->Release();
            return kUp;  // the window showed no value: nothing to step from
        case 2: EXPECT_EQ(call.text.find("GPU=-1 VID=0x3C Voltage=1.2000"), 0u) << call.text; return kExit;
        default: return kExit;
        }
    };
    EXPECT_EQ(SetupSource(0, kHostWindow), 1);

    EXPECT_EQ(ovp, 0.0f);
    EXPECT_EQ(ocp, 0.0f);
    EXPECT_EQ(h.VidWrites(), (Writes{{0, 0, 0x70, 0x17, 0x3C}})) << "only EXIT's write-back";
    EXPECT_EQ(chip.regs[0x17], 0x3C);
}

// Every wait for a bus lock's event, counted.
std::atomic<int> g_waits{0};
WakeWait (*g_realWait)(void*, uint32_t) = nullptr;
WakeWait CountedWait(void* event, uint32_t ms)
{
    ++g_waits;
    return g_realWait(event, ms);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A thread with a message queue waits for GPU 0's lock, which another of
// the host's threads holds; meanwhile a call sent to it is delivered, as a
// host's UI thread serves calls sent by its other threads. That call is an
// ordinary one: it reads GPU 1 from the bus, and its reading of GPU 0 waits
// only within its own bound and gets the last good value.
TEST_F(BusReentryTest, ACallDeliveredWhileWaitingForALockIsAnOrdinaryCall)
{
    h.AddDetectedGpu();
    sim::Device& second = h.AddDetectedGpu();
    ASSERT_FLOAT_EQ(GetSourceData(0), 1.2f);
    second.regs[0x1E] = 62;  // a fresh reading of GPU 1's current sees this
    BusHolder holder(inside);
    bool delivered = false;
    float secondCurrent = 0.0f, firstVoltage = 0.0f;
    test::SentMessageQueue queue([&] {
        if (delivered)
            return false;
        delivered = true;
        secondCurrent = GetSourceData(0x00010002u);
        firstVoltage = GetSourceData(0);
        return true;
    });
    EXPECT_FLOAT_EQ(GetSourceData(0), 1.2f);
    holder.Release();
    EXPECT_TRUE(delivered) << "the sent call waited until the wait was over";
    EXPECT_FLOAT_EQ(secondCurrent, 25.0f) << "read from the bus, as any call outside a sequence";
    EXPECT_FLOAT_EQ(firstVoltage, 1.2f);
}

// While another thread holds GPU 0's bus, the first reading waits and gets
// the stored value; later readings and a descriptor request of that busy
// spell do not wait again, and the request describes from the last
// detection without scanning. The log says so in one line a minute at most,
// with every call that went on counted, from any number of threads.
TEST_F(BusReentryTest, ABusySpellCostsOneWaitAndTheLogOneLineAMinute)
{
    h.AddDetectedGpu();
    ASSERT_FLOAT_EQ(GetSourceData(0), 1.2f);
    g_realWait = g_platform.waitEvent;
    g_platform.waitEvent = &CountedWait;
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
    auto busyLines = [&] { return h.LogLines("GPU 0 was busy"); };

    g_waits = 0;
    EXPECT_GT(spell(7, 1), 0) << "the first reading of the spell waits";
    {
        BusHolder holder(inside);
        EXPECT_FLOAT_EQ(GetSourceData(0), 1.2f);
        const int waited = g_waits;
        EXPECT_EQ(Describe(0), 1);
        EXPECT_EQ(g_waits.load(), waited) << "the descriptor request waited during the spell";
        EXPECT_EQ(h.Logged("GetSourceDesc: GPU 0 is busy; described from its last detection without scanning again"),
                  1);
    }
    GetSourceData(0);
    std::vector<std::string> lines = busyLines();
    ASSERT_EQ(lines.size(), 1u) << "the second spell came within the minute";
    EXPECT_EQ(lines[0].rfind("GPU 0 was busy for ", 0), 0u) << lines[0];
    EXPECT_TRUE(EndsWith(lines[0], " ms: 8 calls went on without waiting longer")) << lines[0];

    test::AdvanceClock(60000);
    spell(0, 0);
    lines = busyLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("GPU 0 was busy 2 times since the last such line, for at most ", 0), 0u) << lines[1];
    EXPECT_TRUE(EndsWith(lines[1], " ms: 3 calls went on without waiting longer")) << lines[1];

    test::AdvanceClock(60000);
    spell(0, 0);
    lines = busyLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(EndsWith(lines[2], " ms: 1 call went on without waiting longer")) << lines[2];

    test::AdvanceClock(60000);
    spell(25, 4);
    lines = busyLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(EndsWith(lines[3], " ms: 101 calls went on without waiting longer")) << lines[3];
}

}  // namespace
