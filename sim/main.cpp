// orvane-sim: stands in for the host application. It exports the host's six
// functions backed by the VT1165 model, loads a plug-in DLL, and calls it the
// way the host does: the catalogue first, then periodic readings.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/host_exports.h"
#include "sim/monitor_table.h"
#include "sim/options.h"
#include "sim/plugin_module.h"
#include "sim/scenario.h"
#include "sim/vt1165_model.h"

namespace {

volatile LONG g_stopRequested = 0;

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        InterlockedExchange(&g_stopRequested, 1);
        return TRUE;
    }
    return FALSE;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

bool ReadWholeFile(const std::string& path, std::string* out)
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
    if (!ReadWholeFile(logPath, &log)) {
        std::printf("(no log at %s)\n", logPath.c_str());
        return;
    }
    std::printf("\nplug-in log (%s):\n", logPath.c_str());
    std::string line;
    for (std::size_t i = static_cast<std::size_t>(offset); i <= log.size(); ++i) {
        char c = i < log.size() ? log[i] : '\r';
        if (c == '\r' || c == '\n') {
            if (!line.empty())
                std::printf("  %s\n", line.c_str());
            line.clear();
        } else {
            line += c;
        }
    }
}

// Asks for every source of every GPU, as the host does after loading.
std::vector<sim::MonitorRow> ReadCatalogue(sim::PluginModule& plugin, sim::Vt1165Model& model,
                                           uint32_t descVersion)
{
    std::vector<sim::MonitorRow> rows;
    uint32_t count = plugin.GetSourcesNum ? plugin.GetSourcesNum() : 0;
    std::printf("GetSourcesNum: %u\n", count);
    if (!plugin.GetSourceDesc)
        return rows;
    for (uint32_t gpu = 0; gpu < model.GpuCount() && gpu < 16; ++gpu) {
        int offered = 0;
        for (uint32_t source = 0; source < count; ++source) {
            sim::MonitorRow row = {};
            row.index = (gpu << 16) | source;
            row.desc.dwDescVersion = descVersion;
            if (!plugin.GetSourceDesc(row.index, &row.desc))
                continue;
            ++offered;
            rows.push_back(row);
        }
        std::printf("GPU %u: %d source(s) offered\n", gpu, offered);
    }
    if (plugin.GetSourceCaps && !rows.empty()) {
        uint32_t caps = 0;
        int32_t answered = plugin.GetSourceCaps(rows.front().index, 0, &caps);
        std::printf("GetSourceCaps(0): %d, value %u\n", answered, caps);
    }
    return rows;
}

bool IsConsole()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void Poll(sim::PluginModule& plugin, sim::Vt1165Model& model, std::vector<sim::MonitorRow>& rows,
          const sim::Options& options)
{
    if (!plugin.GetSourceData || rows.empty() || options.polls == 0)
        return;
    bool inPlace = !options.plain && IsConsole();
    std::size_t lastLines = 0;
    for (uint32_t poll = 1; poll <= options.polls && !g_stopRequested; ++poll) {
        model.Advance(options.intervalMs);
        for (sim::MonitorRow& row : rows)
            row.value = plugin.GetSourceData(row.index);
        std::string table = sim::FormatTable(rows, poll);
        if (inPlace && lastLines)
            std::printf("\x1b[%uA", static_cast<unsigned>(lastLines));  // back to the table's top
        std::fputs(table.c_str(), stdout);
        std::fflush(stdout);
        lastLines = static_cast<std::size_t>(std::count(table.begin(), table.end(), '\n'));
        if (poll < options.polls)
            Sleep(options.intervalMs);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    std::string error;
    if (!sim::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), sim::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(sim::kUsage, stdout);
        return 0;
    }
    if (options.printScenario) {
        std::fputs(sim::kDefaultScenario, stdout);
        return 0;
    }

    std::string scenario = sim::kDefaultScenario;
    if (!options.scenarioPath.empty() && !ReadWholeFile(options.scenarioPath, &scenario)) {
        std::fprintf(stderr, "cannot read scenario %s\n", options.scenarioPath.c_str());
        return 2;
    }
    sim::Vt1165Model model;
    if (!sim::LoadScenario(scenario, &model, &error)) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 2;
    }
    sim::SetHostModel(&model);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    std::string pluginPath = options.pluginPath.empty() ? ProgramFolder() + "VT1165.dll" : options.pluginPath;
    std::string logPath = sim::SiblingPath(pluginPath, ".log");
    long long logStart = FileSize(logPath);

    std::printf("Orvane host simulator: host version %u.%u\n", static_cast<unsigned>(model.hostVersion >> 24),
                static_cast<unsigned>((model.hostVersion >> 16) & 0xFF));
    std::fputs(sim::DescribeModel(model).c_str(), stdout);

    sim::PluginModule plugin;
    if (!plugin.Load(pluginPath)) {
        std::printf("loading %s failed (error %lu)\n", pluginPath.c_str(),
                    static_cast<unsigned long>(plugin.LoadError()));
        PrintLogSince(logPath, logStart);
        return 1;
    }
    std::printf("loaded %s\n", pluginPath.c_str());

    std::vector<sim::MonitorRow> rows = ReadCatalogue(plugin, model, options.descVersion);
    Poll(plugin, model, rows, options);

    plugin.Unload();
    PrintLogSince(logPath, logStart);
    return 0;
}
