// What the exports' doors give the host's calls made from inside each kind
// of the plug-in's own bus sequences (the host's I2C function calling back
// on the thread that holds the GPU's lock): a reading gets the last good
// value, a descriptor request and a voltage window are refused, and none of
// them touches the bus. And a window asked for from another thread while
// one is up is refused.
#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <thread>

#include "exports/exports.h"
#include "tests/support/inside_access.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::Describe;
using test::Index;
using test::kExit;
using test::kHostWindow;
using test::kUp;

enum class Sequence { VoltageReading, PhaseReading, Description, Press, ExitWriteBack, MirrorToGpuTwo };

struct SequenceCase {
    const char* name;
    Sequence sequence;
};

void PrintTo(const SequenceCase& c, std::ostream* out)
{
    *out << c.name;
}

class InsideSequenceTest : public ::testing::TestWithParam<SequenceCase> {
protected:
    test::PluginHarness h;
    test::InsideAccess inside;
};

// Three GPUs with a chip each; from inside the first access of the sequence
// on GPU gpu (GPU 2 for an old host's mirror), the host reads gpu's current,
// sets up and describes gpu.
TEST_P(InsideSequenceTest, CallsFromInsideTouchNoBus)
{
    const Sequence sequence = GetParam().sequence;
    const bool mirror = sequence == Sequence::MirrorToGpuTwo;
    if (mirror)
        h.model.hostVersion = test::kOldHost;
    for (uint32_t gpu = 0; gpu < 3; ++gpu)
        h.AddDetectedGpu();
    const uint32_t gpu = mirror ? 2 : 0;
    const float lastGood = GetSourceData(Index(gpu, 2));
    h.model.Vt1165Of(gpu)->regs[0x1E] = 0x10;  // a current read from the chip now differs
    if (mirror)
        g_state.g_bApplyToBoth = 1;

    float reading = 0.0f;
    int32_t setUp = -1, described = -1;
    std::size_t accesses = 1;
    inside.matches = [gpu](const sim::HostAccess& a) { return a.gpu == gpu; };
    inside.action = [&] {
        const std::size_t before = h.model.trace.size();
        reading = GetSourceData(Index(gpu, 2));
        setUp = SetupSource(Index(gpu, 0), kHostWindow);
        described = Describe(Index(gpu, 0));
        accesses = h.model.trace.size() - before;
    };
    if (sequence >= Sequence::Press)
        h.onPrompt = test::PressOnceWithHookArmed(inside, sequence == Sequence::ExitWriteBack ? kExit : kUp, kExit);
    else
        inside.Arm();
    switch (sequence) {
    case Sequence::VoltageReading: GetSourceData(Index(0, 0)); break;
    case Sequence::PhaseReading: GetSourceData(Index(0, 3)); break;
    case Sequence::Description: Describe(Index(0, 0)); break;
    default: EXPECT_EQ(SetupSource(Index(mirror ? 1 : 0, 0), kHostWindow), 1); break;
    }

    ASSERT_TRUE(inside.Fired());
    EXPECT_EQ(accesses, 0u);
    EXPECT_FLOAT_EQ(reading, lastGood);
    EXPECT_EQ(setUp, 0);
    EXPECT_EQ(described, 0);
    EXPECT_EQ(h.Logged("GetSourceDesc: called from inside a bus access of the plug-in; refused"), 1);
    EXPECT_EQ(h.Logged("SetupSource: called from inside a bus access of the plug-in; nothing opened"), 1);
}

INSTANTIATE_TEST_SUITE_P(Sequences, InsideSequenceTest,
                         ::testing::Values(SequenceCase{"VoltageReading", Sequence::VoltageReading},
                                           SequenceCase{"PhaseReading", Sequence::PhaseReading},
                                           SequenceCase{"Description", Sequence::Description},
                                           SequenceCase{"Press", Sequence::Press},
                                           SequenceCase{"ExitWriteBack", Sequence::ExitWriteBack},
                                           SequenceCase{"MirrorToGpuTwo", Sequence::MirrorToGpuTwo}),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                             return std::string(info.param.name);
                         });

// While GPU 0's window is up, another of the host's threads asks for a
// window of GPU 0 and of GPU 1: both are refused and logged, and once the
// window is closed the next one opens.
TEST(WindowFromAnotherThreadTest, IsRefusedWhileOneIsUp)
{
    test::PluginHarness h;
    h.AddDetectedGpu();
    h.AddDetectedGpu();
    bool asked = false;
    int32_t other[2] = {-1, -1};
    h.onPrompt = [&](const test::PromptCall&) {
        if (!asked) {
            asked = true;
            std::thread([&] {
                other[0] = SetupSource(Index(0, 0), kHostWindow);
                other[1] = SetupSource(Index(1, 0), kHostWindow);
            }).join();
        }
        return kExit;
    };
    EXPECT_EQ(SetupSource(Index(0, 0), kHostWindow), 1);
    EXPECT_EQ(other[0], 0);
    EXPECT_EQ(other[1], 0);
    EXPECT_EQ(h.prompts.size(), 1u);
    EXPECT_EQ(h.Logged("SetupSource: a voltage control window is already open; nothing opened"), 2);
    EXPECT_EQ(h.Window(Index(0, 0), {kExit}), 1);
    EXPECT_EQ(h.prompts.size(), 1u);
}

}  // namespace
