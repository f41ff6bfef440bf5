// Binding the host, the version check, the bus scan and the context reset.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
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
    int32_t RequestDetection(uint32_t gpu)
    {
        SourceDescriptor desc = {};
        return GetSourceDesc((gpu << 16) | 1u, &desc);
    }
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

TEST_F(DetectionTest, ADeviceWithAnotherIdentifierDoesNotStopTheScan)
{
    h.model.AddGpu(2);
    h.model.AddOtherDevice(0, 0, 0x70, 0x0B);
    h.model.AddVt1165(0, 1);
    RequestDetection(0);
    EXPECT_EQ(g_state.g_context[0].m_bus, 1);
    EXPECT_EQ(g_state.g_context[0].m_dev, 0x70);
}

TEST_F(DetectionTest, OnlyAnotherDeviceLeavesNoChipAndItsIdentifier)
{
    h.model.AddGpu(2);
    h.model.AddOtherDevice(0, 1, 0x70, 0x0B);
    EXPECT_EQ(RequestDetection(0), 0);
    EXPECT_EQ(g_state.g_context[0].m_dev, 0);
    EXPECT_EQ(g_state.g_context[0].m_devID, 0x0B);
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

TEST_F(DetectionTest, NoHostModuleRefusesBeforeAnything)
{
    h.AddGpuWithChip();
    h.hostModulePresent = false;
    EXPECT_EQ(RequestDetection(0), 0);
    EXPECT_TRUE(h.logBytes.empty());
    EXPECT_TRUE(h.model.trace.empty());
}

TEST_F(DetectionTest, VersionThresholdClearsMultiGpuSupportOnlyBelow223)
{
    h.AddGpuWithChip();
    for (uint32_t version : {0x02170000u, 0x02170005u, 0x03000000u}) {
        h.model.hostVersion = version;
        RequestDetection(0);
        EXPECT_EQ(g_state.g_bSupportsMultiGPU, 1) << std::hex << version;
    }
    h.model.hostVersion = 0x02160000u;
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
    int found = 0;
    for (const std::string& m : h.LogMessages())
        found += m.find("found I2C device") != std::string::npos;
    EXPECT_EQ(found, 2);
}

TEST_F(DetectionTest, GpuSixteenIsRefusedBeforeAnyLogLine)
{
    SourceDescriptor desc = {};
    EXPECT_EQ(GetSourceDesc(0x00100000u, &desc), 0);
    EXPECT_EQ(GetSourceDesc(0xFFFFFFFFu, &desc), 0);
    EXPECT_TRUE(h.logBytes.empty());
}

TEST_F(DetectionTest, NullDescriptorIsRefusedAndNothingIsTouched)
{
    h.AddGpuWithChip();
    g_state.g_context[0].m_voltage = 1.25f;
    EXPECT_EQ(GetSourceDesc(0, nullptr), 0);
    EXPECT_TRUE(h.logBytes.empty());
    EXPECT_TRUE(h.model.trace.empty());
    EXPECT_EQ(g_state.g_context[0].m_voltage, 1.25f);
}

TEST_F(DetectionTest, InitContextResetsOneGpuOnly)
{
    for (GpuContext& ctx : g_state.g_context) {
        ctx.m_bus = 4;
        ctx.m_dev = 0x70;
        ctx.m_vidMode = 3;
        ctx.m_voltage = 1.2f;
    }
    InitContext(7);
    const GpuContext& reset = g_state.g_context[7];
    EXPECT_EQ(reset.m_bus, 0);
    EXPECT_EQ(reset.m_dev, 0);
    EXPECT_EQ(reset.m_devID, 0);
    for (uint8_t field : reset.m_config)
        EXPECT_EQ(field, 0xFF);
    EXPECT_EQ(reset.m_vidMode, 0xFF);
    EXPECT_EQ(reset.m_phaseCount, 0xFF);
    EXPECT_EQ(reset.m_OVP_OCP_State, 0);
    EXPECT_EQ(reset.m_voltage, kNoValue);
    EXPECT_EQ(reset.m_current, kNoValue);
    for (float t : reset.m_phaseTemp)
        EXPECT_EQ(t, kNoValue);
    EXPECT_EQ(reset.m_currentScale, 50.0f);
    for (uint32_t gpu = 0; gpu < kMaxGpus; ++gpu) {
        if (gpu == 7)
            continue;
        EXPECT_EQ(g_state.g_context[gpu].m_dev, 0x70) << gpu;
        EXPECT_EQ(g_state.g_context[gpu].m_voltage, 1.2f) << gpu;
    }
    EXPECT_EQ(h.LogMessages(), (Messages{"InitContext: dwGpu=7"}));
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
