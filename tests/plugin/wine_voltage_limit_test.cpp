// The optional voltage limit, read from the real VT1165.cfg beside the DLL:
// UP stops at the highest code within it and the window says so; DOWN and
// EXIT go on working. A value that is not a voltage sets no limit, and the
// log says why.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/plugin/wine_host_window.h"
#include "tests/plugin/wine_plugin_calls.h"
#include "tests/wine/box_clicker.h"
#include "tests/wine/plugin_folder.h"

namespace {

using test::CountLines;

class WineVoltageLimit : public ::testing::Test {
protected:
    WineVoltageLimit()
    {
        model.AddGpu(2);
        chip = &model.AddVt1165(0, 1);
        chip->regs[0x1C] = 0x30;  // VID register 0x18
        chip->regs[0x18] = 0x48;  // 1.3500 V
        sim::SetHostModel(&model);
    }
    ~WineVoltageLimit() override { sim::SetHostModel(nullptr); }

    // Opens GPU 0's window, presses through it and returns the boxes seen and
    // the VID register writes made.
    std::vector<test::SeenBox> Press(const std::vector<std::string>& presses, std::vector<int>* writes)
    {
        std::vector<test::SeenBox> seen;
        test::LoadedPlugin plugin(folder.DllPath());
        EXPECT_TRUE(plugin.Loaded());
        if (!plugin.Loaded())
            return seen;
        EXPECT_EQ(test::Describe(plugin, 0x00000000u), 1);
        test::HostWindow host;
        model.ClearTrace();
        EXPECT_EQ(test::PressThrough(
                      presses,
                      [&] { return plugin.Export<test::PFN_SetupSource>("SetupSource")(0x00000000u, host.window); },
                      &seen),
                  1);
        for (const sim::BusAccess& a : model.trace)
            if (a.write)
                writes->push_back(a.reg == 0x18 ? a.value : -1);
        return seen;
    }

    sim::Vt1165Model model;
    sim::Device* chip = nullptr;
    test::PluginFolder folder;
};

TEST_F(WineVoltageLimit, UpStopsAtTheLimitDownAndExitStillWork)
{
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nVoltageLimit=1.3625\r\n");  // code 0x49
    std::vector<int> writes;
    std::vector<test::SeenBox> seen = Press({"UP", "UP", "DOWN", "EXIT"}, &writes);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NE(seen[0].message.find("Voltage limit: 1.3625 V"), std::string::npos) << seen[0].message;
    EXPECT_EQ(seen[0].message.find("(reached)"), std::string::npos) << seen[0].message;
    EXPECT_NE(seen[1].message.find("VID=0x49"), std::string::npos) << seen[1].message;
    EXPECT_NE(seen[1].message.find("Voltage limit: 1.3625 V (reached)"), std::string::npos) << seen[1].message;
    EXPECT_NE(seen[2].message.find("Nothing written: the voltage limit is reached."), std::string::npos)
        << seen[2].message;
    EXPECT_NE(seen[3].message.find("VID=0x48"), std::string::npos) << seen[3].message;
    // UP, DOWN, and EXIT's write-back; the second UP wrote nothing.
    EXPECT_EQ(writes, (std::vector<int>{0x49, 0x48, 0x48}));
    EXPECT_EQ(chip->regs[0x18], 0x48);
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(CountLines(log, "VoltageLimit is 1.3625 V: UP never sets a higher voltage"), 1) << log;
}

TEST_F(WineVoltageLimit, AValueThatIsNotAVoltageSetsNoLimit)
{
    folder.WriteFile(folder.CfgPath(), "[VT1165]\r\nVoltageLimit=1,3625\r\n");
    std::vector<int> writes;
    std::vector<test::SeenBox> seen = Press({"UP", "UP", "EXIT"}, &writes);
    ASSERT_EQ(seen.size(), 3u);
    for (const test::SeenBox& box : seen)
        EXPECT_EQ(box.message.find("limit"), std::string::npos) << box.message;
    EXPECT_EQ(writes, (std::vector<int>{0x49, 0x4A, 0x4A}));
    std::string log = folder.ReadFile(folder.LogPath());
    EXPECT_EQ(CountLines(log, "VoltageLimit=1,3625 is not a voltage such as 1.4500: no limit is set"), 1) << log;
}

}  // namespace
