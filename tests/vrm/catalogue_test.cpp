// The source catalogue: GetSourcesNum, GetSourceDesc's descriptor and GetSourceCaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "exports/exports.h"
#include "tests/support/plugin_harness.h"

namespace {

using test::Index;

class CatalogueTest : public ::testing::Test {
protected:
    // Describes into desc, which starts filled with 0xCD so that untouched
    // bytes show.
    int32_t Fill(uint32_t gpu, uint32_t source, uint32_t version = 0x00010003u)
    {
        std::memset(&desc, 0xCD, sizeof desc);
        desc.dwDescVersion = version;
        return GetSourceDesc(Index(gpu, source), &desc);
    }
    // Whether the record is untouched from a field's offset to its end.
    bool UntouchedFrom(std::size_t offset) const
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&desc);
        return std::all_of(p + offset, p + sizeof desc, [](unsigned char c) { return c == 0xCD; });
    }
    SourceDescriptor desc = {};
    test::PluginHarness h;
    sim::Device& chip = h.AddGpuWithChip();
};

// Every field of every row that a six-phase chip offers, as the host reads it.
TEST_F(CatalogueTest, EveryRowOfTheTable)
{
    struct Row {
        uint32_t source;
        const char *name, *unit, *group;
        uint32_t top, bottom, aux;  // bit patterns
        const char *format, *description;
    };
    const char* const kProtection = "Active = 1 / Normal = 0";
    const char* const kDegrees = "\xB0"
                                 "C";
    const Row rows[] = {
        {0, "VRM Output Voltage", "V", "VRM", 0x3FA66666, 0x3F800000, 0x3F800000, "%6.4f",
         "Output voltage reported by VT1165 voltage regulator"},
        {2, "VRM Output Current", "A", "VRM0", 0x42480000, 0x00000000, 0x3F800000, "%6.2f",
         "Average current reported by VT1165 voltage regulator"},
        {3, "VRM Phase 1 Temperature", kDegrees, "VRM0", 0x42B40000, 0x42480000, 0x3F800000, "%6.0f",
         "Temperature reported by phase 1 of VT1165 voltage regulator"},
        {5, "VRM Phase 3 Temperature", kDegrees, "VRM0", 0x42B40000, 0x42480000, 0x3F800000, "%6.0f",
         "Temperature reported by phase 3 of VT1165 voltage regulator"},
        {8, "VRM Phase 6 Temperature", kDegrees, "VRM0", 0x42B40000, 0x42480000, 0x3F800000, "%6.0f",
         "Temperature reported by phase 6 of VT1165 voltage regulator"},
        {9, "OVP Status", kProtection, "OVP0", 0x3F800000, 0x00000000, 0x00000000, "%6.0f",
         "Over Voltage Protection Status reported by VT1165 VT1165"},
        {10, "OCP Status", kProtection, "OCP0", 0x3F800000, 0x00000000, 0x00000000, "%6.0f",
         "Over Current Protection Status reported by VT1165 VT1165"},
    };
    sim::Device& second = h.AddGpuWithChip();
    second.regs[0x0E] = 6;
    auto bits = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    for (const Row& row : rows) {
        ASSERT_EQ(Fill(1, row.source), 1) << row.source;
        EXPECT_STREQ(desc.szSourceName, row.name) << row.source;
        EXPECT_STREQ(desc.szUnitText, row.unit) << row.source;
        EXPECT_STREQ(desc.szGroupName, row.group) << row.source;
        EXPECT_EQ(bits(desc.fltRangeTop), row.top) << row.source;
        EXPECT_EQ(bits(desc.fltRangeBottom), row.bottom) << row.source;
        EXPECT_EQ(bits(desc.fltAux), row.aux) << row.source;
        EXPECT_STREQ(desc.szValueFormat, row.format) << row.source;
        EXPECT_STREQ(desc.szDescription, row.description) << row.source;
    }
}

TEST_F(CatalogueTest, GroupsCarryTheGpuNumberLessOneButVoltage)
{
    // GPU 1's groups: EveryRowOfTheTable.
    const char* expected[4] = {"VRM", "VRM-1", "OVP-1", "OCP-1"};
    const uint32_t sources[4] = {0, 2, 9, 10};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(Fill(0, sources[i]), 1);
        EXPECT_STREQ(desc.szGroupName, expected[i]);
    }

    // The last GPU number is served like any other.
    while (h.model.GpuCount() < 15)
        h.model.AddGpu(1);
    h.AddGpuWithChip();
    h.logBytes.clear();
    ASSERT_EQ(Fill(15, 10), 1);
    EXPECT_STREQ(desc.szGroupName, "OCP14");
    EXPECT_EQ(h.LogMessages().front(), "GetSourceDesc: dwIndex=0x000F000A dwGpu=15 dwSource=10");
}

TEST_F(CatalogueTest, DescriptorVersionDecidesGroupAndFormat)
{
    ASSERT_EQ(Fill(0, 2, 0x00010001u), 1);
    EXPECT_TRUE(UntouchedFrom(offsetof(SourceDescriptor, szGroupName)));
    ASSERT_EQ(Fill(0, 2, 0x00010002u), 1);
    EXPECT_STREQ(desc.szGroupName, "VRM-1");
    EXPECT_TRUE(UntouchedFrom(offsetof(SourceDescriptor, szValueFormat)));
    ASSERT_EQ(Fill(0, 2, 0xFFFFFFFFu), 1);
    EXPECT_STREQ(desc.szValueFormat, "%6.2f");
}

TEST_F(CatalogueTest, PhaseSourcesFollowThePhaseCountAndRefusalsWriteNothing)
{
    auto offered = [this] {
        std::string mask;
        for (uint32_t source = 0; source <= 11; ++source)
            mask += Fill(0, source) ? '1' : '0';
        return mask;
    };
    EXPECT_EQ(offered(), "101111100110");  // four phases
    chip.regs[0x0E] = 0;
    EXPECT_EQ(offered(), "101000000110");
    h.model.faults.failingRegisters.insert({0u, 0x0E});
    EXPECT_EQ(offered(), "101111111110");

    h.model.faults.failingRegisters.clear();
    chip.regs[0x0E] = 4;
    for (uint32_t source : {1u, 7u, 0xFFFFu}) {
        ASSERT_EQ(Fill(0, source), 0);
        EXPECT_TRUE(UntouchedFrom(offsetof(SourceDescriptor, szSourceName))) << source;
    }
}

TEST_F(CatalogueTest, CountAndCapabilityQueries)
{
    EXPECT_EQ(GetSourcesNum(), 11u);
    EXPECT_EQ(GetSourcesNum(), 11u);
    uint32_t result = 7;
    EXPECT_EQ(GetSourceCaps(0xFFFFFFFFu, 0, &result), 1);
    EXPECT_EQ(result, 1u);
    result = 7;
    EXPECT_EQ(GetSourceCaps(0, 1, &result), 0);
    EXPECT_EQ(result, 7u);
    EXPECT_EQ(GetSourceCaps(0, 0, nullptr), 0);
    EXPECT_EQ(h.LogMessages(), (std::vector<std::string>(2, "GetSourcesNum: Number of Data Sources: 11")));
}

}  // namespace
