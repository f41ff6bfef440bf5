// The plug-in's exports driven by an arbitrary sequence of host calls with
// arbitrary indexes and descriptor versions, against simulated GPUs with
// arbitrary faults, and a hostile host that calls back from inside every box
// (nested windows, readings, descriptor requests with detection failing) and
// changes the chips from outside while a box is up. Besides what the
// sanitizers catch: readings are the last good value or the no-value marker,
// status sources are 0 or 1, and the safety checker passes every write the
// chips see (an old host's mirror writes to GPU 2 included).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exports/exports.h"
#include "plugin/plugin_state.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/hostile_host.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/safety_oracle.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Arbitrary register contents on top of the hostile host's GPUs, and faults.
void Disturb(FuzzInput& in, sim::Vt1165Model& model)
{
    for (uint32_t gpu = 0; gpu < model.GpuCount(); ++gpu)
        for (sim::Device& device : model.GpuAt(gpu)->devices)
            for (int n = in.Byte() % 4; n > 0; --n)
                device.regs[in.Byte()] = in.Byte();
    model.faults.failNext = in.Byte() % 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    test::PluginHarness h;
    test::SafetyOracle oracle(h);
    test::HostileHost host(h, oracle, [&in](uint32_t n) -> uint32_t {
        if (n == 0)
            return 0;
        return n <= 256 ? in.Byte() % n : in.U16() % n;
    });
    h.onPrompt = [&host](const test::PromptCall& call) { return host.Prompt(call); };
    host.BuildGpus();
    Disturb(in, h.model);
    g_state.g_bLogging = in.Bool();
    if (in.Bool())
        host.Start();

    for (int call = 0; call < 64 && !in.Empty(); ++call) {
        uint32_t index = in.Bool() ? in.U32() : (in.Byte() % 5) << 16 | in.Byte() % 12;
        uint32_t gpu = index >> 16;
        switch (in.Byte() % 7) {
        case 0: {
            SourceDescriptor desc;
            std::memset(&desc, 0xAB, sizeof desc);
            desc.dwDescVersion = in.U32();
            oracle.GetSourceDesc(index, in.Byte() == 0xFF ? nullptr : &desc);
            break;
        }
        case 1:
        case 2: {
            float value = GetSourceData(index);
            if (gpu >= kMaxGpus) {
                Check(value == 0.0f);
                break;
            }
            const GpuContext& ctx = g_state.g_context[gpu];
            uint32_t source = index & 0xFFFF;
            if (source == 0)
                Check(value == kNoValue || value == ctx.m_voltage);
            else if (source == 2)
                Check(value == kNoValue || value == ctx.m_current);
            else if (source >= 3 && source <= 8)
                Check(value == kNoValue || value == ctx.m_phaseTemp[source - 3]);
            else if (source == 9)
                Check(value == ((ctx.m_OVP_OCP_State & 2) ? 1.0f : 0.0f));
            else if (source == 10)
                Check(value == ((ctx.m_OVP_OCP_State & 1) ? 1.0f : 0.0f));
            else
                Check(value == kNoValue);
            break;
        }
        case 3: {
            uint32_t result = 0xDEADBEEF;
            uint32_t capability = in.Byte() % 3;
            int32_t answered = GetSourceCaps(index, capability, in.Bool() ? nullptr : &result);
            Check(answered == 0 || answered == 1);
            break;
        }
        case 4: oracle.SetupSource(index, in.Bool() ? reinterpret_cast<void*>(0x10) : nullptr); break;
        case 5: host.Step(); break;
        default: Check(GetSourcesNum() == 11); break;
        }
    }
    // FUZZ_WRITES_ONLY=1 judges the writes alone, to go on fuzzing them past
    // a known fault in the boxes.
    bool broken = false;
    oracle.Check();
    for (const auto& rule : oracle.BrokenRules())
        broken = broken || !(std::getenv("FUZZ_WRITES_ONLY") && test::SafetyOracle::IsBoxRule(rule.first));
    if (broken) {
        for (const std::string& violation : oracle.Violations())
            std::fprintf(stderr, "%s\n", violation.c_str());
        std::fprintf(stderr, "--- history ---\n%s", oracle.History().c_str());
        std::abort();
    }
    return 0;
}
