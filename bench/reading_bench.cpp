// GetSourceData per source against the in-process VT1165 model, with the
// per-reading log off and on. Caches are filled before timing starts.
#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "exports/exports.h"
#include "plugin/bus_sequence.h"
#include "plugin/platform.h"
#include "plugin/log.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"

namespace {

void BM_GetSourceData(benchmark::State& state)
{
    const uint32_t source = static_cast<uint32_t>(state.range(0));
    const bool logging = state.range(1) != 0;

    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, logging);
    GetSourceData(source);   // fills the VID mode and phase count caches

    std::size_t logBefore = bench::LogBytesWritten();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetSourceData(source));
    state.counters["log_bytes/call"] = benchmark::Counter(
        static_cast<double>(bench::LogBytesWritten() - logBefore) / static_cast<double>(state.iterations()));
    state.SetLabel(logging ? "log on" : "log off");
    sim::SetHostModel(nullptr);
}

// Voltage (mode 3, three reads), current, phase 1, phase 5 (beyond the four
// phases), OVP, OCP, and source 1 (no reading).
BENCHMARK(BM_GetSourceData)->ArgNames({"source", "log"})->ArgsProduct({{0, 2, 3, 7, 9, 10, 1}, {0, 1}});

// One log line: local time, stamp and message formatted, one write to the sink.
void BM_WriteLogLine(benchmark::State& state)
{
    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, false);
    for (auto _ : state)
        WriteLogLine("GetSourceData: dwIndex=0x00000002 dwGpu=0 dwSource=2");
    sim::SetHostModel(nullptr);
}

BENCHMARK(BM_WriteLogLine);

// A bus sequence entered and left with nobody else holding the GPU's lock:
// what every reading, press and descriptor request now pays, against about
// 100 us for one bus access at 400 kHz. Argument 0: no lock installed (the
// sequence's own cost: the thread number and the check for re-entry).
void BM_BusSequenceUncontended(benchmark::State& state)
{
    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, false);
    if (state.range(0) == 0) {
        g_platform.lockGpuBus = nullptr;
        g_platform.unlockGpuBus = nullptr;
    }
    for (auto _ : state) {
        BusSequence sequence(0);
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) ? "std::mutex" : "no lock installed");
    sim::SetHostModel(nullptr);
}

BENCHMARK(BM_BusSequenceUncontended)->ArgName("locked")->Arg(1)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
