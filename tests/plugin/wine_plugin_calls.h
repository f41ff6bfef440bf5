// The plug-in's exports as the wine tests call them, and reading its log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin/source_descriptor.h"
#include "tests/wine/plugin_folder.h"

namespace test {

typedef int32_t (*PFN_GetSourceDesc)(uint32_t, SourceDescriptor*);
typedef float (*PFN_GetSourceData)(uint32_t);
typedef int32_t (*PFN_SetupSource)(uint32_t, HWND);

// GetSourceDesc with a fresh descriptor of the newest version.
inline int32_t Describe(const LoadedPlugin& plugin, uint32_t index)
{
    SourceDescriptor desc = {};
    desc.dwDescVersion = 0x00010003;
    return plugin.Export<PFN_GetSourceDesc>("GetSourceDesc")(index, &desc);
}

// How many log lines carry exactly this message (after the time stamp).
inline int CountLines(const std::string& log, const std::string& message)
{
    int count = 0;
    const std::string line = " " + message + "\r";
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
        ++count;
    return count;
}

}  // namespace test
