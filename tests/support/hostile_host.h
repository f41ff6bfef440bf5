// A host that uses every freedom a real one has, driven by a source of
// choices (a seeded generator in the random sessions, the fuzzer's bytes in
// the fuzz target): GPUs whose chips sit on different buses with different
// VID values, an old host whose user applies settings to both GPUs, calls
// back into the plug-in from inside every box (a nested SetupSource, readings,
// descriptor requests for the same and other GPUs with detection failing at
// times), and changes to the chips from outside while a box is up, as a
// power-state switch would make them. Every SetupSource, descriptor request
// and box goes through the safety oracle.
#pragma once

#include <cstdint>
#include <functional>

#include "tests/support/plugin_harness.h"
#include "tests/support/safety_oracle.h"

namespace test {

class HostileHost {
public:
    // Returns a value below n (0 when n is 0).
    using Choose = std::function<uint32_t(uint32_t n)>;

    HostileHost(PluginHarness& harness, SafetyOracle& oracle, Choose choose);
    HostileHost(const HostileHost&) = delete;
    HostileHost& operator=(const HostileHost&) = delete;

    // Three or four GPUs. GPU 1 and GPU 2 are the old host's pair, each with
    // its chip on a bus and VID registers of its own (at times the same bus,
    // at times GPU 2's VID close to GPU 1's); GPU 0 and GPU 3 may lack a bus
    // or a chip or carry another device at 0x70 on a bus other than the
    // chip's. The host is old or new.
    void BuildGpus();
    // What a host does after loading: a SetupSource without a window (so the
    // multi-GPU prompt is due), then every GPU described once.
    void Start();
    // One call of the host's own (outside any box): a voltage window, a
    // reading, a descriptor request, or an outside change to a chip.
    void Step();
    // The harness's onPrompt.
    int Prompt(const PromptCall& call);

    int pressesLeft = 16;  // UP or DOWN presses left in the session; then only EXIT
    int maxDepth = 3;      // boxes within boxes

private:
    uint32_t Pick(uint32_t n) { return choose_(n); }
    bool OneIn(uint32_t n) { return Pick(n) == 0; }
    void Reenter(const PromptCall& call);
    void DescribeFailingAtTimes(uint32_t gpu);
    void OutsideChange();
    int WindowAnswer();

    PluginHarness& h_;
    SafetyOracle& oracle_;
    Choose choose_;
    int depth_ = 0;
};

}  // namespace test
