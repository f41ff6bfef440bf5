// orvane-sim: stands in for the host application. It exports the host's six
// functions backed by the VT1165 model, loads a plug-in DLL, and calls it the
// way the host does: the catalogue first, then periodic readings.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/box_driver.h"
#include "sim/host_exports.h"
#include "sim/host_patterns.h"
#include "sim/monitor_table.h"
#include "sim/options.h"
#include "sim/plugin_module.h"
#include "sim/scenario.h"
#include "sim/vt1165_model.h"

namespace {

volatile LONG g_stopRequested = 0;

constexpr UINT_PTR kDriverTimer = 1;
constexpr UINT_PTR kReadingTimer = 2;

// What the host window's timers work on while a box of the plug-in is up.
struct HostWindowState {
    sim::BoxDriver* driver = nullptr;
    sim::PluginModule* plugin = nullptr;
    sim::Vt1165Model* model = nullptr;
    uint32_t readingIndex = 0;  // the source the host keeps reading meanwhile
    bool reading = false;
};
HostWindowState g_hostWindow;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kDriverTimer && g_hostWindow.driver) {
        g_hostWindow.driver->Tick();
        return 0;
    }
    if (message == WM_TIMER && wParam == kReadingTimer && g_hostWindow.reading && g_hostWindow.plugin->GetSourceData) {
        // The host keeps monitoring while the plug-in's window is open.
        g_hostWindow.model->Advance(500);
        float volts = g_hostWindow.plugin->GetSourceData(g_hostWindow.readingIndex);
        std::printf("  (reading while the window is open: 0x%08X = %s V)\n", g_hostWindow.readingIndex,
                    sim::FormatReading("%6.4f", volts).c_str());
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The host's main window: owner of the setup window and home of its timers.
HWND CreateHostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneSimHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    return CreateWindowA("OrvaneSimHost", "Orvane (simulated host)", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

void RunSetup(sim::PluginModule& plugin, sim::Vt1165Model& model, HWND hostWindow, uint32_t gpu)
{
    if (!plugin.SetupSource) {
        std::printf("the plug-in exports no SetupSource\n");
        return;
    }
    uint32_t index = gpu << 16;
    std::printf("SetupSource(0x%08X): the \"VRM Voltage Control\" window opens\n", index);
    g_hostWindow.readingIndex = index;
    g_hostWindow.reading = true;
    int32_t result = plugin.SetupSource(index, hostWindow);
    g_hostWindow.reading = false;
    std::printf("SetupSource returned %d\n", result);
    if (sim::Device* chip = model.Vt1165Of(gpu)) {
        uint8_t control = chip->regs[sim::reg::kVidControl];
        uint8_t vidRegister = static_cast<uint8_t>(sim::reg::kVidFirst + ((control >> 4) & 3));
        std::printf("GPU %u chip: VID register 0x%02X = 0x%02X, output %.4f V\n", gpu, vidRegister,
                    chip->regs[vidRegister], sim::Vt1165Model::ReportedVoltage(*chip));
    }
}

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
// (the log ends its lines with a lone carriage return); of more than
// lastLines, only the last ones and how many came before.
void PrintLogSince(const std::string& logPath, long long offset, std::size_t lastLines = SIZE_MAX)
{
    std::string log;
    if (!ReadWholeFile(logPath, &log)) {
        std::printf("(no log at %s)\n", logPath.c_str());
        return;
    }
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = static_cast<std::size_t>(offset); i <= log.size(); ++i) {
        char c = i < log.size() ? log[i] : '\r';
        if (c == '\r' || c == '\n') {
            if (!line.empty())
                lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    std::printf("\nplug-in log (%s):\n", logPath.c_str());
    std::size_t first = lines.size() > lastLines ? lines.size() - lastLines : 0;
    if (first)
        std::printf("  (%u earlier line(s))\n", static_cast<unsigned>(first));
    for (std::size_t i = first; i < lines.size(); ++i)
        std::printf("  %s\n", lines[i].c_str());
}

// Plays a host pattern against the loaded plug-in and prints its report;
// false when the pattern could not run.
bool PlayHostPattern(sim::HostPattern pattern, sim::PluginModule& plugin, sim::Vt1165Model& model,
                     const sim::Options& options, const std::string& logPath)
{
    sim::HostPatternConfig config;
    config.pattern = pattern;
    config.pressCount = options.pressCount;
    config.logPath = logPath;
    std::printf("playing host pattern %s: the person presses GPU 0's voltage window...\n",
                sim::HostPatternName(pattern));
    std::fflush(stdout);
    sim::HostPatternReport report = sim::RunHostPattern(plugin, model, config);
    std::printf("\n%s", sim::FormatHostPatternReport(report).c_str());
    return report.problem.empty();
}

// Asks for every source of every GPU, as the host does after loading.
std::vector<sim::MonitorRow> ReadCatalogue(sim::PluginModule& plugin, sim::Vt1165Model& model, uint32_t descVersion)
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
    if (!plugin.GetSourceData || rows.empty())
        return;
    bool forever = options.polls == 0;
    bool inPlace = !options.plain && IsConsole();
    std::size_t lastLines = 0;
    for (uint32_t poll = 1; (forever || poll <= options.polls) && !g_stopRequested; ++poll) {
        model.Advance(options.intervalMs);
        for (sim::MonitorRow& row : rows)
            row.value = plugin.GetSourceData(row.index);
        std::string table = sim::FormatTable(rows, poll);
        if (inPlace && lastLines)
            std::printf("\x1b[%uA", static_cast<unsigned>(lastLines));  // back to the table's top
        std::fputs(table.c_str(), stdout);
        std::fflush(stdout);
        lastLines = static_cast<std::size_t>(std::count(table.begin(), table.end(), '\n'));
        if (forever || poll < options.polls)
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

    sim::HostPattern pattern = sim::HostPattern::Plain;
    const bool playPattern = !options.hostPattern.empty();
    if (playPattern && !sim::ParseHostPattern(options.hostPattern, &pattern)) {
        std::fprintf(stderr, "--host-pattern: %s is none of %s\n%s", options.hostPattern.c_str(),
                     sim::kHostPatternNames, sim::kUsage);
        return 2;
    }

    std::string scenario = playPattern ? sim::kHostPatternScenario : sim::kDefaultScenario;
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
    if (playPattern) {
        const bool played = PlayHostPattern(pattern, plugin, model, options, logPath);
        plugin.Unload();
        PrintLogSince(logPath, logStart, 20);
        return played ? 0 : 1;
    }

    HWND hostWindow = CreateHostWindow();
    sim::BoxDriver driver(sim::SplitPresses(options.presses), options.unattended);
    g_hostWindow.driver = &driver;
    g_hostWindow.plugin = &plugin;
    g_hostWindow.model = &model;
    if (!options.presses.empty() || options.unattended)
        SetTimer(hostWindow, kDriverTimer, 150, nullptr);
    SetTimer(hostWindow, kReadingTimer, 500, nullptr);

    std::vector<sim::MonitorRow> rows = ReadCatalogue(plugin, model, options.descVersion);
    if (options.setupGpu >= 0) {
        RunSetup(plugin, model, hostWindow, static_cast<uint32_t>(options.setupGpu));
        // The host asks for the sources again once a setup window has closed.
        rows = ReadCatalogue(plugin, model, options.descVersion);
    }
    Poll(plugin, model, rows, options);

    if (!driver.Done())
        std::printf("(%u of the --press buttons were not pressed: no box asked for them)\n",
                    static_cast<unsigned>(sim::SplitPresses(options.presses).size() - driver.Seen().size()));
    KillTimer(hostWindow, kDriverTimer);
    KillTimer(hostWindow, kReadingTimer);
    g_hostWindow = HostWindowState();
    DestroyWindow(hostWindow);

    plugin.Unload();
    PrintLogSince(logPath, logStart);
    return 0;
}
