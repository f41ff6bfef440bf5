#include "plugin/startup.h"

#include <cstdio>
#include <cstring>

#include "plugin/bus_sequence.h"
#include "plugin/config_comment.h"
#include "plugin/log.h"
#include "plugin/plugin_state.h"
#include "plugin/voltage_limit.h"

namespace {

constexpr std::size_t kExtensionCut = 4;  // ".dll": cut by count, whatever it is
// Room for a value with a comment after it, so that the comment can be
// named in the log; only "TRUE" itself switches on.
constexpr unsigned kSwitchCapacity = 64;

// True only for the exact value "TRUE" (with case).
bool ReadSwitch(const char* section, const char* key)
{
    if (!g_platform.readProfileString)
        return false;
    char value[kSwitchCapacity] = {};
    unsigned copied = g_platform.readProfileString(section, key, "", value, kSwitchCapacity, g_state.g_cfgPath);
    value[kSwitchCapacity - 1] = '\0';
    bool on = copied > 0 && std::strcmp(value, "TRUE") == 0;
    if (!on && HasTrailingComment(value))
        LogTrailingComment(key);
    return on;
}

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

    if (ReadSwitch("VT1165", "Logging"))
        g_state.g_bLogging = 1;
    WriteLogLine(g_state.g_bLogging == 1 ? "Logging is Enabled" : "Logging is Disabled");

    if (ReadSwitch("Trevask", "Debug"))
        g_state.g_bDebug = 1;
    WriteLogLine(g_state.g_bDebug == 1 ? "EnableDebugLogging is Enabled" : "EnableDebugLogging is Disabled");

    LoadVoltageLimit();
    return true;
}

void PluginDetach()
{
    // Exports entered from now on return at once.
    g_state.g_bDetaching = 1;
    if (g_state.g_logFile == kLogClosed) {
        ReleaseBusLocks();
        return;
    }
    LogOpenBusySpells();
    WriteLogLine("DllMain: DLL_PROCESS_DETACH\n");
    // Marked closed before it is closed: a line formed on another thread
    // from now on is dropped, never written to a closed or reused descriptor.
    const int fd = g_state.g_logFile;
    g_state.g_logFile = kLogClosed;
    if (g_platform.closeLog)
        g_platform.closeLog(fd);
    ReleaseBusLocks();
}
