// The keys a person presses to get rid of a box, in the voltage control
// window: Enter (or Space) in a fresh window ends it as EXIT does, with the
// write-back of the unchanged value and nothing else. A held key that
// repeats into each new window moves the voltage no further either.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/plugin/wine_box_watch.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/wine/plugin_folder.h"

namespace {

using Write = std::tuple<uint32_t, int, int, int, int>;  // gpu, bus, device, register, value

std::vector<Write> WritesOf(const sim::Vt1165Model& model)
{
    std::vector<Write> writes;
    for (const sim::BusAccess& a : model.trace)
        if (a.write)
            writes.emplace_back(a.gpu, a.bus, a.dev, a.reg, a.value);
    return writes;
}

class WineDismissKey : public ::testing::TestWithParam<UINT> {
protected:
    ~WineDismissKey() override { sim::SetHostModel(nullptr); }
    sim::Vt1165Model model;
    test::PluginFolder folder;
};

TEST_P(WineDismissKey, KeyInEachNewWindowWritesOnlyTheUnchangedValueBack)
{
    const UINT key = GetParam();
    model.AddGpu(2);
    sim::Device& chip = model.AddVt1165(0, 1);
    chip.regs[0x1C] = 0x30;  // VID register 0x18
    chip.regs[0x18] = 0x48;
    model.AddGpu(2);
    model.AddVt1165(1, 0);  // another card, never to be touched
    sim::SetHostModel(&model);

    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    ASSERT_EQ(test::Describe(plugin, 0x00000000u), 1);
    ASSERT_EQ(test::Describe(plugin, 0x00010000u), 1);
    auto setupSource = plugin.Export<test::PFN_SetupSource>("SetupSource");
    auto getSourceData = plugin.Export<test::PFN_GetSourceData>("GetSourceData");
    test::HostWindow host;

    // Four times over: open the window and hold the key, so that it repeats
    // into each new window up to four times; EXIT ends what is still up.
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("window " + std::to_string(round + 1));
        model.ClearTrace();
        std::vector<test::KeyedBox> seen;
        int32_t result = test::PressKeyThrough(
            key, 4, "EXIT", [&] { return setupSource(0x00000000u, host.window); }, &seen);
        EXPECT_EQ(result, 1);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.size(), 1u) << "the key did not end the window";
        EXPECT_EQ(seen[0].focused, "EXIT");
        EXPECT_EQ(seen[0].defaultButton, "EXIT");
        EXPECT_NE(seen[0].message.find("VID=0x48 Voltage=1.3500"), std::string::npos) << seen[0].message;
        EXPECT_EQ(WritesOf(model), (std::vector<Write>{{0, 1, 0x70, 0x18, 0x48}}))
            << "only the write-back of the unchanged value";
        EXPECT_EQ(chip.regs[0x18], 0x48);
    }
    EXPECT_FLOAT_EQ(getSourceData(0x00000000u), 1.35f);
    EXPECT_EQ(model.Vt1165Of(1)->regs[0x17], 0x3C);
}

INSTANTIATE_TEST_SUITE_P(Keys, WineDismissKey, ::testing::Values(VK_RETURN, VK_SPACE),
                         [](const ::testing::TestParamInfo<UINT>& info) {
                             return std::string(info.param == VK_RETURN ? "Enter" : "Space");
                         });

}  // namespace
