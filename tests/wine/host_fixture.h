// The wine tests' host: the VT1165 model that this program's exported I2C
// functions serve (the plug-in binds them by name, as in the real host), and
// a folder with a copy of the DLL beside its log and configuration file.
#pragma once

#include <gtest/gtest.h>

#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/wine/plugin_folder.h"

namespace test {

class HostFixture : public ::testing::Test {
protected:
    HostFixture() { sim::SetHostModel(&model); }
    ~HostFixture() override { sim::SetHostModel(nullptr); }

    sim::Vt1165Model model;
    PluginFolder folder;
};

}  // namespace test
