#include "sim/plugin_module.h"

namespace sim {

namespace {
template <typename Fn>
Fn Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

bool PluginModule::Load(const std::string& path)
{
    Unload();
    module_ = LoadLibraryA(path.c_str());
    if (!module_) {
        loadError_ = GetLastError();
        return false;
    }
    GetSourcesNum = Export<PFN_GetSourcesNum>(module_, "GetSourcesNum");
    GetSourceDesc = Export<PFN_GetSourceDesc>(module_, "GetSourceDesc");
    GetSourceCaps = Export<PFN_GetSourceCaps>(module_, "GetSourceCaps");
    GetSourceData = Export<PFN_GetSourceData>(module_, "GetSourceData");
    SetupSource = Export<PFN_SetupSource>(module_, "SetupSource");
    return true;
}

void PluginModule::Unload()
{
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    GetSourcesNum = nullptr;
    GetSourceDesc = nullptr;
    GetSourceCaps = nullptr;
    GetSourceData = nullptr;
    SetupSource = nullptr;
}

std::string SiblingPath(const std::string& modulePath, const char* extension)
{
    std::string stem = modulePath.size() >= 4 ? modulePath.substr(0, modulePath.size() - 4) : modulePath;
    return stem + extension;
}

}  // namespace sim
