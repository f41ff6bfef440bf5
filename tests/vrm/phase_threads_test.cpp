// A phase temperature is a select-then-read sequence of four bus accesses,
// and the selection is the chip's, shared by every reader. A host that polls
// from two threads must still get each phase's own temperature.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "exports/exports.h"
#include "plugin/plugin_state.h"
#include "sim/host_exports.h"
#include "tests/support/plugin_harness.h"

namespace {

// Each transaction is atomic on the bus, as on real hardware, but takes time:
// another thread's transaction can come between two of ours.
std::mutex g_bus;

void BusDelay()
{
    std::this_thread::sleep_for(std::chrono::microseconds(20));
}

int32_t SlowRead(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    BusDelay();
    std::lock_guard<std::mutex> transaction(g_bus);
    return ReadI2CEx(gpu, bus, dev, reg, data);
}

int32_t SlowWrite(uint32_t gpu, uint8_t bus, uint8_t dev, uint8_t reg, uint8_t* data)
{
    BusDelay();
    std::lock_guard<std::mutex> transaction(g_bus);
    return WriteI2CEx(gpu, bus, dev, reg, data);
}

TEST(PhaseThreadsTest, TwoThreadsPollingDifferentPhasesEachGetTheirOwn)
{
    test::PluginHarness h;
    sim::Device& chip = h.AddGpuWithChip();
    chip.regs[0x0E] = 6;
    for (int p = 0; p < 6; ++p)
        chip.phaseTemps[p] = static_cast<uint8_t>(41 + 5 * p);
    SourceDescriptor desc = {};
    ASSERT_EQ(GetSourceDesc(3, &desc), 1);
    h.model.tracing = false;
    g_state.g_hostServices.ReadI2CEx = &SlowRead;
    g_state.g_hostServices.WriteI2CEx = &SlowWrite;

    constexpr int kReadings = 1500;
    std::atomic<int> wrong{0};
    auto poll = [&](uint32_t source, float expected) {
        for (int i = 0; i < kReadings; ++i)
            if (GetSourceData(source) != expected)
                ++wrong;
    };
    std::thread first(poll, 3u, 41.0f);  // phase 1
    std::thread sixth(poll, 8u, 66.0f);  // phase 6
    first.join();
    sixth.join();
    EXPECT_EQ(wrong.load(), 0) << "of " << 2 * kReadings << " readings";
}

}  // namespace
