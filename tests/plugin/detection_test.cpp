// Binding the host, the version check, the bus scan and the context reset.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "exports/exports.h"
#include "plugin/chip_detection.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_harness.h"

namespace {

using Messages = std::vector<std::string>;

// Register reads of 0x1A in trace order, as (bus, ok) pairs.
std::vector<std::pair<int, bool>> IdReads(const sim::Vt1165Model& model)
{
    std::vector<std::pair<int, bool>> reads;
    for (const sim::BusAccess& a : model.trace)
        if (!a.write && a.reg == 0x1A && a.dev == 0x70)
            reads.emplace_back(a.bus, a.ok);
    return reads;
}

class DetectionTest : public ::testing::Test {
protected:
    // Source 1 never exists, so the request runs detection and is refused
    // after it whatever the catalogue offers.
    int32_t RequestDetection(uint32_t gpu) { return test::Describe(test::Index(gpu, 1)); }
    test::PluginHarness h;
};

TEST_F(DetectionTest, ScansBusesInOrderAndTakesTheChipsBus)
{
    h.model.AddGpu(5);
    h.model.AddVt1165(0, 3);
    RequestDetection(0);

    EXPECT_EQ(IdReads(h.model), (std::vector<std::pair<int, bool>>{{0, false}, {1, false}, {2, false}, {3, true}}));
    const GpuContext& ctx = g_state.g_context[0];
    EXPECT_EQ(ctx.m_bus, 3);
    EXPECT_EQ(ctx.m_dev, 0x70);
    EXPECT_EQ(ctx.m_devID, 0x0A);
    EXPECT_EQ(h.LogMessages(),
              (Messages{"GetSourceDesc: dwIndex=0x00000001 dwGpu=0 dwSource=1", "InitContext: dwGpu=0",
                        "GetSourceDesc: GPU 0: found I2C device on Bus: 3 DevAddr: 0x70 Reg: 0x1A DevID: 0x0A"}));
}

// A device with another identifier does not stop the scan; on its own it
// leaves no chip, and its identifier.
TEST_F(DetectionTest, ADeviceWithAnotherIdentifierIsNoChip)
{
    h.model.AddGpu(2);
    h.model.AddOtherDevice(0, 0, 0x70, 0x0B);
    h.model.AddVt1165(0, 1);
    h.model.AddGpu(2);
    h.model.AddOtherDevice(1, 1, 0x70, 0x0B);
    RequestDetection(0);
    EXPECT_EQ(g_state.g_context[0].m_bus, 1);
    EXPECT_EQ(g_state.g_context[0].m_dev, 0x70);
    EXPECT_EQ(RequestDetection(1), 0);
    EXPECT_EQ(g_state.g_context[1].m_dev, 0);
    EXPECT_EQ(g_state.g_context[1].m_devID, 0x0B);
}

TEST_F(DetectionTest, NoBusOrAWrappedCountIsRefusedWithoutScanning)
{
    h.model.AddGpu(0);
    h.model.AddGpu(256);  // only the low 8 bits count: no bus
    h.model.AddVt1165(1, 0);
    ASSERT_TRUE(BindHostServices());
    EXPECT_EQ(ScanForChip(0).result, ScanResult::NoBus);
    EXPECT_EQ(ScanForChip(1).result, ScanResult::NoBus);
    EXPECT_TRUE(IdReads(h.model).empty());
}

TEST_F(DetectionTest, AMissingHostFunctionRefusesEveryRequestSilently)
{
    h.AddGpuWithChip();
    for (const char* missing :
         {"GetHostAppID", "GetHostAppVersion", "GetDeviceIDEx", "GetI2CBusNumEx", "ReadI2CEx", "WriteI2CEx"}) {
        h.missingExports = {missing};
        h.logBytes.clear();
        h.model.ClearTrace();
        EXPECT_EQ(RequestDetection(0), 0) << missing;
        EXPECT_EQ(h.LogMessages(),
                  (Messages{"GetSourceDesc: dwIndex=0x00000001 dwGpu=0 dwSource=1", "InitContext: dwGpu=0"}))
            << missing;
        EXPECT_TRUE(h.model.trace.empty()) << missing;
    }
}

TEST_F(DetectionTest, BindingStopsAtTheFirstMissingNameKeepingEarlierSlots)
{
    h.AddGpuWithChip();
    ASSERT_TRUE(BindHostServices());
    h.missingExports = {"GetI2CBusNumEx"};
    EXPECT_FALSE(BindHostServices());
    const HostServices& host = g_state.g_hostServices;
    EXPECT_NE(host.GetHostAppVersion, nullptr);
    EXPECT_EQ(host.GetI2CBusNumEx, nullptr);
    EXPECT_NE(host.ReadI2CEx, nullptr);  // as the earlier binding left it
}

TEST_F(DetectionTest, VersionThresholdClearsMultiGpuSupportOnlyBelow223)
{
    h.AddGpuWithChip();
    for (uint32_t version : {0x02170000u, 0x02170005u, 0x03000000u}) {
        h.model.hostVersion = version;
        RequestDetection(0);
        EXPECT_EQ(g_state.g_bSupportsMultiGPU, 1) << std::hex << version;
    }
    h.model.hostVersion = test::kOldHost;
    RequestDetection(0);
    EXPECT_EQ(g_state.g_bSupportsMultiGPU, 0);
    h.model.hostVersion = 0x02170000u;  // never returns to 1
    RequestDetection(0);
    EXPECT_EQ(g_state.g_bSupportsMultiGPU, 0);
}

TEST_F(DetectionTest, EachRequestRereadsEveryBusUpToTheChipAndLogsAgain)
{
    h.model.AddGpu(3);
    h.model.AddVt1165(0, 2);
    RequestDetection(0);
    RequestDetection(0);
    EXPECT_EQ(IdReads(h.model).size(), 6u);
    EXPECT_EQ(h.Logged("found I2C device"), 2);
}

// Refused before anything is logged or touched: GPU 16 and up, a request
// without a record, a host without its module.
TEST_F(DetectionTest, RequestsRefusedBeforeAnything)
{
    h.AddGpuWithChip();
    g_state.g_context[0].m_voltage = 1.25f;
    EXPECT_EQ(test::Describe(0x00100000u), 0);
    EXPECT_EQ(test::Describe(0xFFFFFFFFu), 0);
    EXPECT_EQ(GetSourceDesc(0, nullptr), 0);
    h.hostModulePresent = false;
    EXPECT_EQ(RequestDetection(0), 0);
    EXPECT_TRUE(h.logBytes.empty());
    EXPECT_TRUE(h.model.trace.empty());
    EXPECT_EQ(g_state.g_context[0].m_voltage, 1.25f);
}

// Two of the host's threads describe GPUs 0 and 1 for the first time at
// once: each binds the host's functions while the other's scan already
// calls through them.
TEST(HostTableTest, TwoGpusDescribedForTheFirstTimeOnTwoThreads)
{
    for (int round = 0; round < 20; ++round) {
        test::PluginHarness h;
        std::mutex bus;
        h.model.transactionLock = &bus;
        h.AddGpuWithChip();
        h.AddGpuWithChip();
        std::atomic<int> ready{0};
        int32_t found[2] = {-1, -1};
        auto describe = [&](int g) {
            ++ready;
            while (ready.load() < 2) {
            }
            found[g] = test::Describe(static_cast<uint32_t>(g) << 16);
        };
        std::thread first(describe, 0), second(describe, 1);
        first.join();
        second.join();
        h.model.transactionLock = nullptr;
        EXPECT_EQ(found[0], 1);
        EXPECT_EQ(found[1], 1);
    }
}

TEST(PluginStateTest, NoValueMarkerAndDefaults)
{
    uint32_t bits;
    std::memcpy(&bits, &kNoValue, sizeof bits);
    EXPECT_EQ(bits, 0x7F7FFFFFu);
    PluginState fresh;
    EXPECT_EQ(fresh.g_bSupportsMultiGPU, 1);
    EXPECT_EQ(fresh.g_logFile, -1);
    EXPECT_EQ(fresh.g_context[15].m_currentScale, 0.0f);  // untouched until its first request
}

}  // namespace
