// The voltage window's hardware safety under a hostile host: the checker
// itself, the situations that once broke it, and seeded random sessions with
// re-entry from inside every box, outside changes to the chip while a box is
// up, and an old host's second GPU with its own bus and VID.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <string>

#include "exports/exports.h"
#include "sim/host_exports.h"
#include "tests/support/box_buttons.h"
#include "tests/support/hostile_host.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/safety_oracle.h"

namespace {

using test::kBothGpus;
using test::kDown;
using test::kExit;
using test::kUp;
void* const kHostWindow = reinterpret_cast<void*>(0x1234);

std::string Report(const test::SafetyOracle& oracle)
{
    std::string text;
    for (const std::string& v : oracle.Violations())
        text += v + "\n";
    return text + "--- history ---\n" + oracle.History();
}

class VoltageSafetyTest : public ::testing::Test {
protected:
    VoltageSafetyTest() : oracle(h) {}

    sim::Device& AddGpu(uint32_t busCount, uint8_t chipBus, uint8_t control, uint8_t vid)
    {
        sim::Device& chip = h.AddGpuWithChip(busCount, chipBus);
        chip.regs[0x1C] = control;
        chip.regs[0x15 + ((control >> 4) & 3)] = vid;
        return chip;
    }
    void Describe(uint32_t gpu)
    {
        SourceDescriptor desc = {};
        oracle.GetSourceDesc(gpu << 16, &desc);
    }
    // A box answered by script, with something done inside it first.
    void Script(std::vector<int> answers, std::function<void(int pass)> inside = nullptr)
    {
        h.onPrompt = [this, answers, inside, pass = 0](const test::PromptCall& call) mutable {
            oracle.Shown(call);
            int n = pass++;
            if (inside)
                inside(n);
            return oracle.Answered(call, n < static_cast<int>(answers.size()) ? answers[n] : kExit);
        };
    }

    test::PluginHarness h;
    test::SafetyOracle oracle;
};

// The checker must see what it is for: a write the user did not press, and a
// write more than one code away, made here by the host's own function from
// inside the box.
TEST_F(VoltageSafetyTest, TheCheckerFlagsWritesNoPressAsksFor)
{
    AddGpu(1, 0, 0x20, 0x40);
    Describe(0);
    Script({kExit}, [](int) {
        uint8_t value = 0x42;
        WriteI2CEx(0, 0, 0x70, 0x17, &value);
    });
    oracle.SetupSource(0, kHostWindow);
    EXPECT_FALSE(oracle.Check());
    EXPECT_EQ(oracle.BrokenRules().count("VID write without a press (polling, a descriptor request or inside a box)"),
              1u)
        << Report(oracle);
}

// The VID register moves while the box is up (a power-state switch, or a
// second window opened by the host's timer): EXIT must not put the old value
// back, and UP must step from what the chip holds now.
TEST_F(VoltageSafetyTest, AChipThatChangesUnderTheWindow)
{
    sim::Device& chip = AddGpu(1, 0, 0x20, 0x40);
    Describe(0);
    Script({kUp, kExit}, [&](int pass) { chip.regs[0x17] = pass == 0 ? 0x44 : 0x3D; });
    oracle.SetupSource(0, kHostWindow);
    EXPECT_TRUE(oracle.Check()) << Report(oracle);
    EXPECT_EQ(chip.regs[0x17], 0x3D);  // EXIT left the outside change alone

    // The other register comes into use while the box is up.
    Script({kDown, kExit}, [&](int pass) {
        if (pass == 0)
            chip.regs[0x1C] = 0x10;
    });
    chip.regs[0x16] = 0x50;
    oracle.SetupSource(0, kHostWindow);
    EXPECT_TRUE(oracle.Check()) << Report(oracle);
    EXPECT_EQ(chip.regs[0x17], 0x3D);
    EXPECT_GE(chip.regs[0x16], 0x4F);
}

TEST_F(VoltageSafetyTest, ASecondWindowFromInsideTheBox)
{
    sim::Device& chip = AddGpu(1, 0, 0x20, 0x40);
    Describe(0);
    int windows = 0;
    h.onPrompt = [&](const test::PromptCall& call) {
        oracle.Shown(call);
        int answer = kExit;
        if (windows++ == 0) {
            // The host's timer opens the same window again; its user steps up.
            oracle.SetupSource(0, kHostWindow);
            answer = kUp;
        } else if (windows <= 3) {
            answer = kUp;
        }
        return oracle.Answered(call, answer);
    };
    oracle.SetupSource(0, kHostWindow);
    EXPECT_TRUE(oracle.Check()) << Report(oracle);
    EXPECT_LE(chip.regs[0x17], 0x43);
}

// An old host with "Apply settings to both GPUs": GPU 2's chip on another
// bus, or with a VID far from GPU 1's, is never written.
class MirrorSafetyTest : public VoltageSafetyTest {
protected:
    void UpOnGpuOneWithGpuTwoOn(uint8_t secondBus)
    {
        h.model.hostVersion = 0x02160000u;
        AddGpu(1, 0, 0x20, 0x40);
        AddGpu(3, 2, 0x20, 0x49);                                // GPU 1, chip on bus 2
        sim::Device& second = AddGpu(3, secondBus, 0x20, 0x30);  // GPU 2, 25 codes lower
        oracle.SetupSource(2, nullptr);
        Script({kBothGpus});
        for (uint32_t gpu = 0; gpu < 3; ++gpu)
            Describe(gpu);
        Script({kUp, kExit});
        oracle.SetupSource(1 << 16, kHostWindow);
        EXPECT_TRUE(oracle.Check()) << Report(oracle);
        EXPECT_EQ(second.regs[0x17], 0x30);
        for (const sim::BusAccess& a : h.model.trace)
            EXPECT_FALSE(a.write && a.gpu == 2) << "GPU 2 written at bus " << int(a.bus);
    }
};

TEST_F(MirrorSafetyTest, GpuTwoWithItsChipOnAnotherBus)
{
    UpOnGpuOneWithGpuTwoOn(1);
}

TEST_F(MirrorSafetyTest, GpuTwoFarFromGpuOnesValue)
{
    UpOnGpuOneWithGpuTwoOn(2);
}

// The window's GPU is described again from inside the box and detection
// fails: the window must neither print the no-value marker nor name device
// 00, and it writes nothing.
TEST_F(VoltageSafetyTest, TheChipLostWhileTheWindowIsUp)
{
    AddGpu(1, 0, 0x20, 0x40);
    Describe(0);
    Script({kUp, kUp, kExit}, [&](int pass) {
        if (pass != 0)
            return;
        h.model.faults.failingRegisters.insert({0, 0x1A});
        Describe(0);
        h.model.faults.failingRegisters.clear();
    });
    oracle.SetupSource(0, kHostWindow);
    EXPECT_TRUE(oracle.Check()) << Report(oracle);
    EXPECT_EQ(oracle.VidWrites(), 0);
}

// The host describes a GPU without a chip while the multi-GPU prompt is up:
// no second box opens inside the prompt, and each box shows at most once.
TEST_F(VoltageSafetyTest, TheDetectionBoxesNeverNest)
{
    h.model.hostVersion = 0x02160000u;
    AddGpu(1, 0, 0x20, 0x40);
    h.model.AddGpu(1);  // GPU 1: no chip
    oracle.SetupSource(2, nullptr);
    Script({kBothGpus, 1, 1}, [&](int pass) {
        if (pass == 0)
            Describe(1);
    });
    Describe(0);
    Describe(1);
    EXPECT_TRUE(oracle.Check()) << Report(oracle);
}

// The hostile host's GPUs are ones a real bus can have: never two devices at
// one GPU, bus and address (the model would send every access to one of them
// while the checker judged the press against the other).
TEST(HostileHostGpus, NeverTwoDevicesAtOneAddress)
{
    int others = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        test::PluginHarness h;
        test::SafetyOracle oracle(h);
        test::HostileHost host(h, oracle, [&random](uint32_t n) { return n ? random() % n : 0u; });
        ASSERT_NO_THROW(host.BuildGpus()) << "seed " << seed;
        for (uint32_t gpu = 0; gpu < h.model.GpuCount(); ++gpu) {
            const std::deque<sim::Device>& devices = h.model.GpuAt(gpu)->devices;
            for (std::size_t i = 0; i < devices.size(); ++i) {
                others += devices[i].isVt1165 ? 0 : 1;
                for (std::size_t j = i + 1; j < devices.size(); ++j)
                    EXPECT_FALSE(devices[i].bus == devices[j].bus && devices[i].address == devices[j].address)
                        << "seed " << seed << ": GPU " << gpu << " bus " << int(devices[i].bus)
                        << " holds two devices at 0x" << std::hex << int(devices[i].address);
            }
        }
    }
    EXPECT_GT(others, 50);  // the other devices are still there
}

// Whatever the host does between and inside the boxes, every write is one
// the person at the card asked for, at the chip, one code at most.
TEST(VoltageSafetySessions, RandomHostileSessionsOnlyEverMakeSafeWrites)
{
    constexpr int kSessions = 400;
    std::mt19937 random(20261208);
    int vidWrites = 0, mirrorWrites = 0, presses = 0, failing = 0;
    std::map<std::string, int> broken;
    std::map<std::string, std::string> shortestExample;
    for (int session = 0; session < kSessions; ++session) {
        test::PluginHarness h;
        test::SafetyOracle oracle(h);
        test::HostileHost host(h, oracle, [&random](uint32_t n) { return n ? random() % n : 0u; });
        h.onPrompt = [&host](const test::PromptCall& call) { return host.Prompt(call); };
        host.BuildGpus();
        host.Start();
        for (int step = 0; step < 8; ++step)
            host.Step();
        vidWrites += oracle.VidWrites();
        mirrorWrites += oracle.MirrorWrites();
        presses += oracle.Presses();
        if (oracle.Check())
            continue;
        ++failing;
        std::string example = "session " + std::to_string(session) + ":\n" + Report(oracle);
        for (const auto& rule : oracle.BrokenRules()) {
            broken[rule.first] += rule.second;
            std::string& kept = shortestExample[rule.first];
            if (kept.empty() || example.size() < kept.size())
                kept = example;
        }
    }
    // Write safety first; what the person at the card sees apart.
    std::string writes, boxes;
    for (const auto& rule : broken) {
        std::string line = "  " + std::to_string(rule.second) + " x " + rule.first + "\n" +
                           "=== shortest session breaking it: " + shortestExample[rule.first] + "\n";
        (test::SafetyOracle::IsBoxRule(rule.first) ? boxes : writes) += line;
    }
    EXPECT_TRUE(writes.empty()) << failing << " of " << kSessions << " sessions broke the rules; writes:\n" << writes;
    EXPECT_TRUE(boxes.empty()) << failing << " of " << kSessions << " sessions broke the rules; boxes:\n" << boxes;
    // The sessions must reach what they are for.
    RecordProperty("presses", presses);
    RecordProperty("vidWrites", vidWrites);
    RecordProperty("mirrorWrites", mirrorWrites);
    EXPECT_GT(presses, 1500);
    EXPECT_GT(vidWrites, 800);
    EXPECT_GT(mirrorWrites, 20);
}

}  // namespace
