// orvane-sim: stands in for the host application. It exports the host's six
// functions backed by the VT1165 model, loads a plug-in DLL, and calls it the
// way the host does.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/host_exports.h"
#include "sim/plugin_module.h"
#include "sim/scenario.h"
#include "sim/vt1165_model.h"

namespace {

struct Options {
    std::string pluginPath;
    std::string scenarioPath;
    bool printScenario = false;
};

void PrintUsage()
{
    std::printf(
        "usage: orvane-sim [--plugin PATH] [--scenario FILE] [--print-scenario]\n"
        "  --plugin PATH     plug-in DLL to load (default: VT1165.dll beside this program)\n"
        "  --scenario FILE   host and GPU scenario in INI format (default: built in)\n"
        "  --print-scenario  print the built-in scenario and exit\n");
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&](std::string* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        if (arg == "--plugin") {
            if (!next(&options->pluginPath))
                return false;
        } else if (arg == "--scenario") {
            if (!next(&options->scenarioPath))
                return false;
        } else if (arg == "--print-scenario") {
            options->printScenario = true;
        } else {
            return false;
        }
    }
    return true;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool ReadFile(const std::string& path, std::string* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    *out = text.str();
    return true;
}

long long FileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : 0;
}

// Prints the plug-in's log lines written since offset, one per console line
// (the log ends its lines with a lone carriage return).
void PrintLogSince(const std::string& logPath, long long offset)
{
    std::string log;
    if (!ReadFile(logPath, &log)) {
        std::printf("(no log at %s)\n", logPath.c_str());
        return;
    }
    std::printf("\nplug-in log (%s):\n", logPath.c_str());
    std::string line;
    for (std::size_t i = static_cast<std::size_t>(offset); i < log.size(); ++i) {
        char c = log[i];
        if (c == '\r' || c == '\n') {
            if (!line.empty())
                std::printf("  %s\n", line.c_str());
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        std::printf("  %s\n", line.c_str());
}

void DescribeSources(sim::PluginModule& plugin, sim::Vt1165Model& model)
{
    uint32_t count = plugin.GetSourcesNum ? plugin.GetSourcesNum() : 0;
    std::printf("GetSourcesNum: %u\n", count);
    if (!plugin.GetSourceDesc) {
        std::printf("the plug-in exports no GetSourceDesc\n");
        return;
    }
    for (uint32_t gpu = 0; gpu < model.GpuCount(); ++gpu) {
        int offered = 0;
        // Source 0 first: its request alone detects the chip.
        for (uint32_t source = 0; source < (count ? count : 1); ++source) {
            SourceDescriptor desc;
            std::memset(&desc, 0, sizeof desc);
            desc.dwDescVersion = kDescVersionWithFormat;
            uint32_t index = (gpu << 16) | source;
            if (!plugin.GetSourceDesc(index, &desc))
                continue;
            if (offered++ == 0)
                std::printf("GPU %u: VT1165 found\n", gpu);
            std::printf("  0x%08X  %-26s %-8s %-24s [%g .. %g] %s\n", index, desc.szSourceName,
                        desc.szGroupName, desc.szUnitText, desc.fltRangeBottom, desc.fltRangeTop,
                        desc.szValueFormat);
        }
        if (offered == 0)
            std::printf("GPU %u: no source offered\n", gpu);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        PrintUsage();
        return 2;
    }
    if (options.printScenario) {
        std::fputs(sim::kDefaultScenario, stdout);
        return 0;
    }

    std::string scenario = sim::kDefaultScenario;
    if (!options.scenarioPath.empty() && !ReadFile(options.scenarioPath, &scenario)) {
        std::fprintf(stderr, "cannot read scenario %s\n", options.scenarioPath.c_str());
        return 2;
    }
    sim::Vt1165Model model;
    std::string error;
    if (!sim::LoadScenario(scenario, &model, &error)) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 2;
    }
    sim::SetHostModel(&model);

    std::string pluginPath =
        options.pluginPath.empty() ? ProgramFolder() + "VT1165.dll" : options.pluginPath;
    std::string logPath = sim::SiblingPath(pluginPath, ".log");
    long long logStart = FileSize(logPath);

    std::printf("Orvane host simulator: host version %u.%u, %u GPU(s)\n",
                static_cast<unsigned>(model.hostVersion >> 24),
                static_cast<unsigned>((model.hostVersion >> 16) & 0xFF),
                static_cast<unsigned>(model.GpuCount()));
    sim::PluginModule plugin;
    if (!plugin.Load(pluginPath)) {
        std::printf("loading %s failed (error %lu)\n", pluginPath.c_str(),
                    static_cast<unsigned long>(plugin.LoadError()));
        PrintLogSince(logPath, logStart);
        return 1;
    }
    std::printf("loaded %s\n", pluginPath.c_str());

    DescribeSources(plugin, model);

    plugin.Unload();
    PrintLogSince(logPath, logStart);
    return 0;
}
