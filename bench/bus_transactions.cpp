// Counts the I2C transactions that the plug-in makes, from the VT1165
// model's trace, and sets them against the least that the design needs:
// one descriptor pass over 16 GPUs, and full polls of every source of a GPU.
#include <cstdio>

#include "bench/alloc_counter.h"
#include "bench/bench_host.h"
#include "exports/exports.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "vrm/data_sources.h"

namespace {

// Least transactions of one reading with filled caches.
unsigned MinimumReading(uint32_t source, unsigned phases, bool threeReadVoltage)
{
    if (source == kSourceOutputVoltage)
        return threeReadVoltage ? 3 : 2;
    if (source == kSourceOutputCurrent || source == kSourceOvpStatus || source == kSourceOcpStatus)
        return 1;
    if (source >= kSourceFirstPhase && source <= kSourceLastPhase)
        return source - kSourceFirstPhase < phases ? 4 : 0;  // three writes, one read
    return 0;
}

std::size_t Measure(sim::Vt1165Model& model, uint32_t dwIndex)
{
    model.ClearTrace();
    GetSourceData(dwIndex);
    return model.trace.size();
}

bool PollReport(const char* title, uint8_t vidMode, uint8_t voltageMode)
{
    sim::Vt1165Model model;
    model.AddGpu(1);
    sim::Device& chip = model.AddVt1165(0, 0);
    chip.regs[0x04] = static_cast<uint8_t>(vidMode << 1);
    chip.regs[0x19] = voltageMode;
    const unsigned phases = chip.regs[0x0E];
    const bool threeReads = vidMode == 3 && (voltageMode & 1);

    bench::InstallPlugin(&model, false);
    bench::DescribeAllSources(0);

    std::printf("\n%s\n  source  cold  steady  minimum\n", title);
    std::size_t cold = 0, steady = 0, minimum = 0;
    for (uint32_t source = 0; source < kSourcesPerGpu; ++source) {
        std::size_t first = Measure(model, source);
        std::size_t second = Measure(model, source);
        unsigned least = MinimumReading(source, phases, threeReads);
        std::printf("  %6u  %4zu  %6zu  %7u\n", source, first, second, least);
        cold += first, steady += second, minimum += least;
    }
    // Cold adds the configuration bytes (registers 0x03, 0x04) and the
    // phase count, each read once after the descriptor pass reset them.
    std::printf("  total   %4zu  %6zu  %7zu  (cold minimum %zu)\n", cold, steady, minimum, minimum + 3);
    sim::SetHostModel(nullptr);
    return steady == minimum && cold == minimum + 3;
}

bool DescriptorReport()
{
    sim::Vt1165Model model;
    for (uint32_t gpu = 0; gpu < 16; ++gpu) {
        model.AddGpu(1);
        model.AddVt1165(gpu, 0);
    }
    bench::InstallPlugin(&model, false);
    model.ClearTrace();
    for (uint32_t gpu = 0; gpu < 16; ++gpu)
        bench::DescribeAllSources(gpu);

    // Every request resets the context and scans again (one identifier read
    // with the chip on the first bus); a phase source also reads the phase count.
    const std::size_t minimum = 16 * (kSourcesPerGpu + (kSourceLastPhase - kSourceFirstPhase + 1));
    std::printf("Descriptor pass, GetSourceDesc of sources 0..10 on 16 GPUs:\n"
                "  measured %zu  minimum %zu\n",
                model.trace.size(), minimum);
    sim::SetHostModel(nullptr);
    return model.trace.size() == minimum;
}

// Heap allocations of 1000 full polls with filled caches.
bool AllocationReport(bool verboseLog)
{
    sim::Vt1165Model model;
    bench::SetUpDescribedChip(&model, verboseLog);
    for (uint32_t source = 0; source < kSourcesPerGpu; ++source)
        GetSourceData(source);

    std::size_t before = bench::AllocationCount();
    for (int poll = 0; poll < 1000; ++poll)
        for (uint32_t source = 0; source < kSourcesPerGpu; ++source)
            GetSourceData(source);
    std::size_t allocations = bench::AllocationCount() - before;
    sim::SetHostModel(nullptr);
    std::printf("Heap allocations in 1000 polls, log %s: %zu\n", verboseLog ? "on " : "off", allocations);
    return allocations == 0;
}

}  // namespace

int main()
{
    bool ok = DescriptorReport();
    ok &= PollReport("Poll of GPU 0, VID mode 3, voltage from the VID register in use (0x19 bit 0 set):", 3, 0x01);
    ok &= PollReport("Poll of GPU 0, VID mode 0, voltage from the VID table (0x19 bit 0 clear):", 0, 0x00);
    std::printf("\n");
    if (bench::AllocationCountAvailable()) {
        ok &= AllocationReport(false);
        ok &= AllocationReport(true);
    }
    std::printf("\n%s\n", ok ? "All at the minimum." : "ABOVE THE MINIMUM.");
    return ok ? 0 : 1;
}
