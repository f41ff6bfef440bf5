// A temporary folder holding a copy of the plug-in DLL, for tests that load it
// the way a host does and then read the files it leaves beside itself.
#pragma once

#include <windows.h>

#include <string>

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

private:
    std::string folder_;
};

// The plug-in module loaded for the lifetime of the object.
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~LoadedPlugin() { Unload(); }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    void Unload()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    template <typename Fn>
    Fn Export(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

}  // namespace test
