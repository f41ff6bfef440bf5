// A temporary folder holding a copy of the plug-in DLL, for tests that load it
// the way a host does and then read the files it leaves beside itself; and
// the plug-in loaded from there, its exports typed as the host sees them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "sim/plugin_module.h"

namespace test {

class PluginFolder {
public:
    // Copies VT1165.dll from beside the test program into a new folder.
    PluginFolder();
    ~PluginFolder();
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;

    const std::string& Path() const { return folder_; }
    std::string DllPath() const { return folder_ + "\\VT1165.dll"; }
    std::string LogPath() const { return folder_ + "\\VT1165.log"; }
    std::string CfgPath() const { return folder_ + "\\VT1165.cfg"; }

    void WriteFile(const std::string& path, const std::string& bytes) const;
    std::string ReadFile(const std::string& path) const;
    // How many lines of the plug-in's log carry exactly this message (after
    // the time stamp).
    int LogLines(const std::string& message) const;

private:
    std::string folder_;
};

// The plug-in module loaded for the lifetime of the object.
class LoadedPlugin : public sim::PluginModule {
public:
    explicit LoadedPlugin(const std::string& path) { Load(path); }

    // GetSourceDesc with a fresh descriptor of the newest version.
    int32_t Describe(uint32_t index) const;
};

}  // namespace test
