// The five exports through the DLL boundary, called as the host calls them:
// the plug-in binds the host's I2C functions by name from this executable,
// which exports them as the host does, finds the chip through them, and
// hands back descriptors, capabilities and readings as floats. What each
// door decides is tested natively (tests/vrm, tests/plugin).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "plugin/source_descriptor.h"
#include "tests/wine/host_fixture.h"

namespace {

std::string Field(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

using WineExports = test::HostFixture;

TEST_F(WineExports, EveryExportCrossesTheBoundary)
{
    model.AddGpu(3);
    model.AddOtherDevice(0, 0, 0x70, 0x0B);
    model.AddVt1165(0, 2);
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_TRUE(plugin.GetSourcesNum && plugin.GetSourceDesc && plugin.GetSourceCaps && plugin.GetSourceData &&
                plugin.SetupSource);

    EXPECT_EQ(plugin.GetSourcesNum(), 11u);
    SourceDescriptor desc;
    std::memset(&desc, 0xAB, sizeof desc);
    desc.dwDescVersion = kDescVersionWithFormat;
    ASSERT_EQ(plugin.GetSourceDesc(0x00000000u, &desc), 1);
    EXPECT_EQ(Field(desc.szSourceName, sizeof desc.szSourceName), "VRM Output Voltage");
    EXPECT_EQ(Field(desc.szUnitText, sizeof desc.szUnitText), "V");
    EXPECT_FLOAT_EQ(desc.fltRangeTop, 1.3f);
    EXPECT_EQ(Field(desc.szDescription, sizeof desc.szDescription),
              "Output voltage reported by VT1165 voltage regulator");
    EXPECT_EQ(Field(desc.szGroupName, sizeof desc.szGroupName), "VRM");
    EXPECT_EQ(Field(desc.szValueFormat, sizeof desc.szValueFormat), "%6.4f");

    uint32_t caps = 0;
    EXPECT_EQ(plugin.GetSourceCaps(0x7FFFFFFFu, 0, &caps), 1);
    EXPECT_EQ(caps, 1u);
    EXPECT_EQ(plugin.GetSourceCaps(0, 1, &caps), 0);

    EXPECT_FLOAT_EQ(plugin.GetSourceData(0x00000000u), 1.2f);   // VID register 0x17 = 0x3C
    EXPECT_FLOAT_EQ(plugin.GetSourceData(0x00000003u), 60.0f);  // phase 1
    EXPECT_EQ(plugin.GetSourceData(0x00100000u), 0.0f);         // GPU 16
    EXPECT_EQ(plugin.GetSourceData(0x0000000Bu), 3.4028235e38f);
    EXPECT_EQ(plugin.SetupSource(0x00000000u, nullptr), 1);
    EXPECT_EQ(plugin.SetupSource(0x00000002u, nullptr), 0);
}

}  // namespace
