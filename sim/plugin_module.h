// A loaded plug-in DLL and its exports, as the host sees them. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin/source_descriptor.h"

namespace sim {

class PluginModule {
public:
    typedef uint32_t (*PFN_GetSourcesNum)(void);
    typedef int32_t (*PFN_GetSourceDesc)(uint32_t, SourceDescriptor*);
    typedef int32_t (*PFN_GetSourceCaps)(uint32_t, uint32_t, uint32_t*);
    typedef float (*PFN_GetSourceData)(uint32_t);
    typedef int32_t (*PFN_SetupSource)(uint32_t, HWND);

    PluginModule() = default;
    ~PluginModule() { Unload(); }
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Loads the module; false (with GetLastError's code) when Windows refuses.
    bool Load(const std::string& path);
    void Unload();
    bool Loaded() const { return module_ != nullptr; }
    DWORD LoadError() const { return loadError_; }

    // Each null when the module does not export it.
    PFN_GetSourcesNum GetSourcesNum = nullptr;
    PFN_GetSourceDesc GetSourceDesc = nullptr;
    PFN_GetSourceCaps GetSourceCaps = nullptr;
    PFN_GetSourceData GetSourceData = nullptr;
    PFN_SetupSource SetupSource = nullptr;

private:
    HMODULE module_ = nullptr;
    DWORD loadError_ = 0;
};

// The plug-in's log path: the module path with its extension replaced.
std::string SiblingPath(const std::string& modulePath, const char* extension);

}  // namespace sim
