// GetSourceData per source against the in-process VT1165 model, with the
// per-reading log off and on. Caches are filled before timing starts.
#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "exports/exports.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "vrm/timed_lock.h"
#include "vrm/vt1165_device.h"

namespace {

void BM_GetSourceData(benchmark::State& state)
{
    const uint32_t source = static_cast<uint32_t>(state.range(0));
    const bool logging = state.range(1) != 0;

    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, logging);
    GetSourceData(source);  // fills the VID mode and phase count caches

    std::size_t logBefore = bench::LogBytesWritten();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetSourceData(source));
    state.counters["log_bytes/call"] = benchmark::Counter(static_cast<double>(bench::LogBytesWritten() - logBefore) /
                                                          static_cast<double>(state.iterations()));
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

// The GPU's bus lock taken and given back with nobody else wanting it:
// one compare-and-exchange, one store and one load, against 0.39 ms for one
// bus transaction at 100 kHz. The same code runs in the DLL; only a caller
// that finds the lock held waits on the platform's event.
void BM_TimedLockUncontended(benchmark::State& state)
{
    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, false);
    TimedLock lock;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lock.Lock(kReadingWaitMs));
        lock.Unlock();
    }
    lock.Release();
    sim::SetHostModel(nullptr);
}

BENCHMARK(BM_TimedLockUncontended);

// A whole bus sequence entered and left uncontended: what every reading,
// press and descriptor request pays besides its bus accesses (the check for
// a call from inside a sequence, the thread number, the lock, the end of a
// busy spell, pinning the chip, the snapshot of the last good values).
void BM_BusSequenceUncontended(benchmark::State& state)
{
    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, false);
    Vt1165Device& device = Vt1165Device::OfGpu(0);
    for (auto _ : state) {
        ChipAccess chip(device, kReadingWaitMs);
        benchmark::DoNotOptimize(chip.Entered());
    }
    sim::SetHostModel(nullptr);
}

BENCHMARK(BM_BusSequenceUncontended);

}  // namespace

BENCHMARK_MAIN();
