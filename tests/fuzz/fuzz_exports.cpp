// The plug-in's exports driven by an arbitrary sequence of host calls with
// arbitrary indexes and descriptor versions, against simulated GPUs with
// arbitrary faults and a scripted message box. Besides what the sanitizers
// catch, the invariants hold: readings are the last good value or the
// no-value marker, status sources are 0 or 1, and every write the chip sees
// is either a phase selection at the chip's address or a VID write that the
// voltage window may make.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/exports.h"
#include "plugin/plugin_state.h"
#include "sim/host_exports.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/plugin_harness.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void SetUpModel(FuzzInput& in, sim::Vt1165Model& model)
{
    model.hostVersion = in.Bool() ? 0x02160000u : 0x02170000u;
    int gpus = 1 + in.Byte() % 4;
    for (int gpu = 0; gpu < gpus; ++gpu) {
        uint32_t buses = in.Byte() % 5;
        model.AddGpu(buses == 4 ? 256 : buses);
        if (in.Bool())
            model.AddOtherDevice(gpu, in.Byte() % 4, 0x70, in.Byte());
        if (in.Byte() % 4 != 0) {
            sim::Device& chip = model.AddVt1165(gpu, in.Byte() % 4);
            for (int n = in.Byte() % 8; n > 0; --n)
                chip.regs[in.Byte()] = in.Byte();
        }
    }
    model.faults.failNext = in.Byte() % 4;
    model.faults.failProbability = (in.Byte() % 5) * 0.25;
    model.Seed(in.Byte());
}

// Every write in the trace: phase selection, or a VID write that follows a
// read of 0x1C naming its register and a read of that register, at most one
// code away, at the chip's address.
// Trace positions of accesses made by readings: the voltage window's safety
// is judged against what the window itself read.
std::vector<bool> g_byReading;

float Reading(sim::Vt1165Model& model, uint32_t index)
{
    std::size_t start = model.trace.size();
    float value = GetSourceData(index);
    g_byReading.resize(start, false);
    g_byReading.resize(model.trace.size(), true);
    return value;
}

void CheckWrites(const sim::Vt1165Model& model)
{
    g_byReading.resize(model.trace.size(), false);
    if (std::getenv("FUZZ_DUMP_TRACE"))
        for (const sim::BusAccess& a : model.trace)
            std::fprintf(stderr, "gpu %u bus %u dev %02X reg %02X %s %02X %s\n", a.gpu, a.bus, a.dev, a.reg,
                         a.write ? "W" : "R", a.value, a.ok ? "ok" : "FAIL");
    int named[16];
    int read[16][256];
    for (int g = 0; g < 16; ++g) {
        named[g] = -1;
        for (int& v : read[g])
            v = -1;
    }
    for (std::size_t i = 0; i < model.trace.size(); ++i) {
        const sim::BusAccess& a = model.trace[i];
        Check(a.dev == 0x70);  // never the general-call address
        uint32_t g = a.gpu < 16 ? a.gpu : 15;
        if (!a.write) {
            if (g_byReading[i])
                continue;
            if (a.ok && a.reg == 0x1C)
                named[g] = 0x15 + ((a.value >> 4) & 3);
            if (a.ok)
                read[g][a.reg] = a.value;
            continue;
        }
        if (a.reg == 0x07 || a.reg == 0x08)
            continue;
        Check(a.reg >= 0x15 && a.reg <= 0x18);
        // A mirrored write reaches GPU 2 with the first GPUs' reads behind it.
        bool matched = false;
        for (uint32_t source : {a.gpu, 0u, 1u}) {
            if (source >= 16 || named[source] != a.reg || read[source][a.reg] < 0)
                continue;
            int distance = (a.value & 0x7F) - (read[source][a.reg] & 0x7F);
            if (distance >= -1 && distance <= 1 && (a.value & 0x80) == (read[source][a.reg] & 0x80))
                matched = true;
        }
        if (!matched && std::getenv("FUZZ_DUMP_TRACE"))
            std::fprintf(stderr, "unsafe write: gpu %u reg %02X value %02X\n", a.gpu, a.reg, a.value);
        Check(matched);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    test::PluginHarness h;
    SetUpModel(in, h.model);
    g_state.g_bLogging = in.Bool();
    g_byReading.clear();
    h.onPrompt = [&in, &h](const test::PromptCall&) -> int {
        static const int kAnswers[] = {23, 24, 25, 25, 1, 2, -1, 23};
        if (in.Empty())
            return 25;  // the person at the card has stopped pressing: EXIT
        if (in.Byte() % 5 == 0)
            Reading(h.model, in.U32() % 0x30000);  // a reading from inside the box
        return kAnswers[in.Byte() % 8];
    };

    for (int call = 0; call < 64 && !in.Empty(); ++call) {
        uint32_t index = in.Bool() ? in.U32() : (in.Byte() % 5) << 16 | in.Byte() % 12;
        uint32_t gpu = index >> 16;
        switch (in.Byte() % 6) {
        case 0: {
            SourceDescriptor desc;
            std::memset(&desc, 0xAB, sizeof desc);
            desc.dwDescVersion = in.U32();
            GetSourceDesc(index, in.Byte() == 0xFF ? nullptr : &desc);
            break;
        }
        case 1:
        case 2: {
            float value = Reading(h.model, index);
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
        case 4:
            SetupSource(index, in.Bool() ? reinterpret_cast<void*>(0x10) : nullptr);
            break;
        default:
            Check(GetSourcesNum() == 11);
            break;
        }
    }
    CheckWrites(h.model);
    return 0;
}
