#include "plugin/startup.h"

#include <cstdio>
#include <cstring>

#include "plugin/configuration.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"

namespace {

constexpr std::size_t kExtensionCut = 4;  // ".dll": cut by count, whatever it is
}  // namespace

bool DeriveSiblingPath(char* out, const char* modulePath, const char* extension)
{
    out[0] = '\0';
    if (!modulePath)
        return false;
    const void* end = std::memchr(modulePath, '\0', kPathCapacity);
    if (!end)
        return false;  // the module path itself does not fit the platform limit
    std::size_t length = static_cast<std::size_t>(static_cast<const char*>(end) - modulePath);
    if (length < kExtensionCut)
        return false;
    std::size_t stem = length - kExtensionCut;
    std::size_t extensionLength = std::strlen(extension);
    if (stem + extensionLength + 1 > kPathCapacity)
        return false;
    std::memcpy(out, modulePath, stem);
    std::memcpy(out + stem, extension, extensionLength + 1);
    return true;
}

bool PluginAttach(const char* modulePath)
{
    if (!DeriveSiblingPath(g_state.g_logPath, modulePath, ".log"))
        return false;
    g_state.g_logFile = g_platform.openLog ? g_platform.openLog(g_state.g_logPath) : kLogClosed;
    if (g_state.g_logFile == kLogClosed)
        return false;

    WriteLogLine("DllMain: DLL_PROCESS_ATTACH");

    DeriveSiblingPath(g_state.g_cfgPath, modulePath, ".cfg");
    LoadConfiguration();
    return true;
}

void PluginDetach()
{
    // Exports entered from now on return at once.
    g_state.g_bDetaching = 1;
    if (g_state.g_logFile == kLogClosed)
        return;
    WriteLogLine("DllMain: DLL_PROCESS_DETACH\n");
    // Marked closed before it is closed: a line formed on another thread
    // from now on is dropped, never written to a closed or reused descriptor.
    const int fd = g_state.g_logFile;
    g_state.g_logFile = kLogClosed;
    if (g_platform.closeLog)
        g_platform.closeLog(fd);
}
