// The voltage window's hardware safety under a hostile host: the checker
// itself, and seeded random sessions with re-entry from inside every box,
// outside changes to the chip while a box is up, and an old host's second
// GPU with its own bus and VID. (The situations that once broke it, each
// with its exact writes: voltage_control_test.cpp, bus_reentry_test.cpp and
// tests/plugin/detection_prompts_test.cpp.)
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "exports/exports.h"
#include "sim/host_exports.h"
#include "tests/support/hostile_host.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/safety_oracle.h"

namespace {

std::string Report(const test::SafetyOracle& oracle)
{
    std::string text;
    for (const std::string& v : oracle.Violations())
        text += v + "\n";
    return text + "--- history ---\n" + oracle.History();
}

// The checker must see what it is for: a write the user did not press, and a
// write more than one code away, made here by the host's own function from
// inside the box.
TEST(VoltageSafetyTest, TheCheckerFlagsWritesNoPressAsksFor)
{
    test::PluginHarness h;
    test::SafetyOracle oracle(h);
    test::SetVid(h.AddGpuWithChip(), 0x20, 0x40);
    SourceDescriptor desc = {};
    oracle.GetSourceDesc(0, &desc);
    h.onPrompt = [&](const test::PromptCall& call) {
        oracle.Shown(call);
        uint8_t value = 0x42;
        WriteI2CEx(0, 0, 0x70, 0x17, &value);
        return oracle.Answered(call, test::kExit);
    };
    oracle.SetupSource(0, test::kHostWindow);
    EXPECT_FALSE(oracle.Check());
    EXPECT_EQ(oracle.BrokenRules().count("VID write without a press (polling, a descriptor request or inside a box)"),
              1u)
        << Report(oracle);
}

// Whatever the host does between and inside the boxes, every write is one
// the person at the card asked for, at the chip, one code at most.
TEST(VoltageSafetySessions, RandomHostileSessionsOnlyEverMakeSafeWrites)
{
    constexpr int kSessions = 400;
    std::mt19937 random(20261208);
    int vidWrites = 0, mirrorWrites = 0, presses = 0, otherDevices = 0, failing = 0;
    std::map<std::string, int> broken;
    std::map<std::string, std::string> shortestExample;
    for (int session = 0; session < kSessions; ++session) {
        test::PluginHarness h;
        test::SafetyOracle oracle(h);
        test::HostileHost host(h, oracle, [&random](uint32_t n) { return n ? random() % n : 0u; });
        h.onPrompt = [&host](const test::PromptCall& call) { return host.Prompt(call); };
        // The model refuses two devices at one GPU, bus and address (it
        // would send every access to one of them while the checker judged
        // the press against the other): BuildGpus throws then.
        host.BuildGpus();
        for (uint32_t gpu = 0; gpu < h.model.GpuCount(); ++gpu)
            for (const sim::Device& device : h.model.GpuAt(gpu)->devices)
                otherDevices += device.isVt1165 ? 0 : 1;
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
    RecordProperty("otherDevices", otherDevices);
    EXPECT_GT(presses, 1500);
    EXPECT_GT(vidWrites, 800);
    EXPECT_GT(mirrorWrites, 20);
    EXPECT_GT(otherDevices, 100) << "the other devices at 0x70 are still there";
}

}  // namespace
