// The five exports through the DLL boundary, called by a host program that
// exports the host's I2C functions: descriptor bytes as the host sees them
// and readings returned as floats.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "plugin/source_descriptor.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/wine/plugin_folder.h"

namespace {

typedef uint32_t (*PFN_GetSourcesNum)(void);
typedef int32_t (*PFN_GetSourceDesc)(uint32_t, SourceDescriptor*);
typedef int32_t (*PFN_GetSourceCaps)(uint32_t, uint32_t, uint32_t*);
typedef float (*PFN_GetSourceData)(uint32_t);
typedef int32_t (*PFN_SetupSource)(uint32_t, HWND);

class WineExports : public ::testing::Test {
protected:
    WineExports()
    {
        model.AddGpu(3);
        model.AddOtherDevice(0, 0, 0x70, 0x0B);
        model.AddVt1165(0, 2);
        sim::SetHostModel(&model);
    }
    ~WineExports() override { sim::SetHostModel(nullptr); }

    sim::Vt1165Model model;
    test::PluginFolder folder;
};

std::string Field(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

TEST_F(WineExports, DescriptorBytesAndReadingsCrossTheBoundary)
{
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    auto getSourcesNum = plugin.Export<PFN_GetSourcesNum>("GetSourcesNum");
    auto getSourceDesc = plugin.Export<PFN_GetSourceDesc>("GetSourceDesc");
    auto getSourceCaps = plugin.Export<PFN_GetSourceCaps>("GetSourceCaps");
    auto getSourceData = plugin.Export<PFN_GetSourceData>("GetSourceData");
    auto setupSource = plugin.Export<PFN_SetupSource>("SetupSource");
    ASSERT_TRUE(getSourcesNum && getSourceDesc && getSourceCaps && getSourceData && setupSource);

    EXPECT_EQ(getSourcesNum(), 11u);

    unsigned char bytes[sizeof(SourceDescriptor)];
    std::memset(bytes, 0xAB, sizeof bytes);
    SourceDescriptor* desc = reinterpret_cast<SourceDescriptor*>(bytes);
    desc->dwDescVersion = 0x00010003;
    ASSERT_EQ(getSourceDesc(0x00000000u, desc), 1);
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 4), 32), "VRM Output Voltage");
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 36), 32), "V");
    uint32_t top;
    std::memcpy(&top, bytes + 68, 4);
    EXPECT_EQ(top, 0x3FA66666u);
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 80), 64), "Output voltage reported by VT1165 voltage regulator");
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 144), 16), "VRM");
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 160), 16), "%6.4f");

    // An older descriptor version: the group and format fields stay the host's.
    std::memset(bytes, 0xAB, sizeof bytes);
    desc->dwDescVersion = 0x00010001;
    ASSERT_EQ(getSourceDesc(0x00000005u, desc), 1);
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 4), 32), "VRM Phase 3 Temperature");
    EXPECT_EQ(Field(reinterpret_cast<char*>(bytes + 36), 32), "\xB0\x43");
    for (std::size_t i = 144; i < sizeof bytes; ++i)
        ASSERT_EQ(bytes[i], 0xAB) << "offset " << i;

    uint32_t caps = 0;
    EXPECT_EQ(getSourceCaps(0x7FFFFFFFu, 0, &caps), 1);
    EXPECT_EQ(caps, 1u);
    EXPECT_EQ(getSourceCaps(0, 1, &caps), 0);
    EXPECT_EQ(getSourceCaps(0, 0, nullptr), 0);

    EXPECT_FLOAT_EQ(getSourceData(0x00000000u), 1.2f);     // VID register 0x17 = 0x3C
    EXPECT_FLOAT_EQ(getSourceData(0x00000003u), 60.0f);    // phase 1
    EXPECT_EQ(getSourceData(0x00100000u), 0.0f);           // GPU 16
    EXPECT_EQ(getSourceData(0x0000000Bu), 3.4028235e38f);  // no such source
    EXPECT_EQ(setupSource(0x00000000u, nullptr), 1);
    EXPECT_EQ(setupSource(0x00000002u, nullptr), 0);
}

TEST_F(WineExports, ReadingsLogWhenTheConfigurationSaysSo)
{
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nLogging=TRUE\r\n");
    {
        test::LoadedPlugin plugin(folder.DllPath());
        ASSERT_TRUE(plugin.Loaded());
        SourceDescriptor desc = {};
        plugin.Export<PFN_GetSourceDesc>("GetSourceDesc")(0x00000002u, &desc);
        plugin.Export<PFN_GetSourceData>("GetSourceData")(0x00000002u);
    }
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_NE(log.find(" GetSourceData: dwIndex=0x00000002 dwGpu=0 dwSource=2\r"), std::string::npos) << log;
}

}  // namespace
