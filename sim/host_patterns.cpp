#include "sim/host_patterns.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "sim/box_driver.h"
#include "sim/host_exports.h"
#include "sim/host_policy.h"
#include "sim/watchdog.h"

namespace sim {

const char* const kHostPatternNames = "plain, ui-thread, ui-thread-redescribe, serialised, serialised-redescribe";

const char* const kHostPatternScenario = "[host]\n"
                                         "version = 2.23\n"
                                         "[gpu0]\n"
                                         "buses = 1\n"
                                         "chip_bus = 0\n"
                                         "[gpu1]\n"
                                         "buses = 1\n"
                                         "chip_bus = 0\n"
                                         "[gpu2]\n"
                                         "buses = 1\n"
                                         "chip_bus = 0\n";

namespace {

struct PatternName {
    HostPattern pattern;
    const char* name;
};
constexpr PatternName kPatterns[] = {
    {HostPattern::Plain, "plain"},
    {HostPattern::UiThread, "ui-thread"},
    {HostPattern::UiThreadRedescribe, "ui-thread-redescribe"},
    {HostPattern::Serialised, "serialised"},
    {HostPattern::SerialisedRedescribe, "serialised-redescribe"},
};

constexpr uint32_t kMaxGpus = 16;
constexpr uint32_t kMaxSources = 64;  // more than any plug-in offers a GPU
constexpr int kMaxPresses = 1000;
constexpr UINT_PTR kReadingTimer = 1;
constexpr UINT_PTR kDriverTimer = 2;
constexpr UINT kTimerMs = 10;
constexpr uint32_t kRoundReadings = 8;  // a serialised host's round of the window's GPU
constexpr int kRelistEveryPresses = 5;
constexpr DWORD kPollingIntervalMs = 10;
constexpr double kSlowReadingMs = 25.0;
constexpr DWORD kGraceMs = 10000;  // after the bound, before the process is ended
constexpr uint32_t kDescVersion = 0x00010003u;

bool IsSerialised(HostPattern pattern)
{
    return pattern == HostPattern::Serialised || pattern == HostPattern::SerialisedRedescribe;
}

double NowMs()
{
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool IsVidRegister(uint8_t reg)
{
    return reg >= reg::kVidFirst && reg <= reg::kVid18;
}

long long FileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long long>(in.tellg()) : 0;
}

// Lines of the file from offset on that contain text (lines end with a
// carriage return or a line feed).
int CountLinesWith(const std::string& path, long long offset, const std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    in.seekg(offset);
    int count = 0;
    std::string line;
    char c;
    while (in.get(c)) {
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        count += line.find(text) != std::string::npos;
        line.clear();
    }
    return count + (line.find(text) != std::string::npos);
}

class PatternRun;
// The run in progress: the host's window procedure and the hooks find it here.
PatternRun* g_run = nullptr;

class PatternRun {
public:
    PatternRun(PluginModule& plugin, Vt1165Model& model, const HostPatternConfig& config);
    HostPatternReport Play();

    void OnTimer(UINT_PTR timer);
    void OnBoxCreated();
    void OnHostCall();

private:
    bool UiThreadHost() const
    {
        return pattern_ == HostPattern::UiThread || pattern_ == HostPattern::UiThreadRedescribe;
    }
    bool SerialisedHostPattern() const { return IsSerialised(pattern_); }
    bool Stopping() const { return windowClosed_.load() || windingDown_.load(); }

    void ListSources();
    float Read(uint32_t index, bool onUiThread);
    void Describe(uint32_t index);
    void UiTick();
    void WorkerLoop();
    void PollerLoop();

    // One polling round's start, and its entry in the report at its end.
    struct Round {
        double start;
        bool pendingAtStart;
        long clicksAtStart;
        long accessesAtStart;
    };
    Round BeginRound() const;
    bool ReachedTheBus(const Round& round) const { return pollerAccesses_.load() != round.accessesAtStart; }
    void EndRound(const Round& round, bool readingsReachedTheBus);
    void OnPress(const std::string& caption, const std::string& box);
    std::size_t TraceSize();
    int VidWritesSince(std::size_t from);
    void PumpMessages(const std::function<bool()>& done, DWORD ms);
    void Watch();
    HostPatternReport Snapshot();

    PluginModule& plugin_;
    Vt1165Model& model_;
    HostPatternConfig config_;
    HostPattern pattern_;
    uint32_t gpus_;
    uint32_t sourceCount_ = 0;
    int accessDelayMs_;
    std::vector<std::vector<bool>> offered_;          // per GPU and source, at the first listing
    std::vector<std::vector<uint32_t>> offeredList_;  // the offered source numbers per GPU
    std::vector<std::string> presses_;
    BoxDriver driver_;
    SerialisedHost* hardware_ = nullptr;

    std::mutex statsMutex_;
    HostPatternReport report_;  // the counts, under statsMutex_

    std::atomic<bool> windingDown_{false};
    std::atomic<bool> windowClosed_{false};
    std::atomic<bool> pollerDone_{false};
    std::atomic<DWORD> pollerThread_{0};
    std::atomic<long> pollerAccesses_{0};
    std::atomic<bool> pressPending_{false};
    std::atomic<long> clicks_{0};
    std::atomic<double> runStart_{0.0};

    // The UI thread's own state.
    bool inTimer_ = false;
    bool skipped_ = false;
    int lastRelisting_ = -1;  // the press count at the last re-listing
    uint32_t readCursor_ = 0;
    int boxesCreated_ = 0;
    bool awaitingBox_ = false;
    bool awaitingIsPress_ = false;
    double clickMs_ = 0;
    std::size_t clickTrace_ = 0;

    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool ended_ = false;
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && g_run) {
        g_run->OnTimer(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK BoxCreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && g_run) {
        char className[16] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0)
            g_run->OnBoxCreated();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void OnHostCallHook()
{
    if (g_run)
        g_run->OnHostCall();
}

// The host's main window on the UI thread: the voltage window's owner and
// home of the timers.
class HostWindow {
public:
    HostWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SimHostPatternWindow";
        RegisterClassA(&wc);  // fails harmlessly once registered
        window = CreateWindowA(wc.lpszClassName, "Orvane (host pattern)", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480,
                               320, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~HostWindow()
    {
        KillTimer(window, kReadingTimer);
        KillTimer(window, kDriverTimer);
        DestroyWindow(window);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND window;
};

// Sees every dialog the UI thread creates, as it is created.
class BoxCreationWatch {
public:
    BoxCreationWatch() : hook_(SetWindowsHookExA(WH_CBT, BoxCreationHook, nullptr, GetCurrentThreadId())) {}
    ~BoxCreationWatch()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
    }
    BoxCreationWatch(const BoxCreationWatch&) = delete;
    BoxCreationWatch& operator=(const BoxCreationWatch&) = delete;

private:
    HHOOK hook_;
};

// The model's transaction lock for the run, when its owner has set none:
// the run reads the trace while other threads reach the bus.
class TransactionLockForRun {
public:
    explicit TransactionLockForRun(Vt1165Model& model) : model_(model), installed_(!model.transactionLock)
    {
        if (installed_)
            model_.transactionLock = &own_;
    }
    ~TransactionLockForRun()
    {
        if (installed_)
            model_.transactionLock = nullptr;
    }
    TransactionLockForRun(const TransactionLockForRun&) = delete;
    TransactionLockForRun& operator=(const TransactionLockForRun&) = delete;

private:
    Vt1165Model& model_;
    bool installed_;
    std::mutex own_;
};

// The pattern's host policy and the run's access hook, installed for the
// run (while no host call runs).
class HostForRun {
public:
    explicit HostForRun(std::unique_ptr<HostPolicy> policy) : policy_(std::move(policy)), previousHook_(g_onHostCall)
    {
        SetHostPolicy(policy_.get());
        g_onHostCall = OnHostCallHook;
    }
    ~HostForRun()
    {
        g_onHostCall = previousHook_;
        SetHostPolicy(nullptr);
    }
    HostForRun(const HostForRun&) = delete;
    HostForRun& operator=(const HostForRun&) = delete;

private:
    std::unique_ptr<HostPolicy> policy_;
    void (*previousHook_)();
};

std::vector<std::string> PressesOf(int count)
{
    std::vector<std::string> presses;
    for (int i = 0; i < count; ++i)
        presses.push_back(i % 4 < 2 ? "UP" : "DOWN");
    presses.push_back("EXIT");
    return presses;
}

int PressCountOf(const HostPatternConfig& config)
{
    if (config.pressCount >= 0)
        return std::min(config.pressCount, kMaxPresses);
    return config.pattern == HostPattern::SerialisedRedescribe ? 10 : 20;
}

PatternRun::PatternRun(PluginModule& plugin, Vt1165Model& model, const HostPatternConfig& config)
    : plugin_(plugin), model_(model), config_(config), pattern_(config.pattern),
      gpus_(static_cast<uint32_t>(std::min<std::size_t>(model.GpuCount(), kMaxGpus))),
      accessDelayMs_(config.accessDelayMs >= 0      ? config.accessDelayMs
                     : IsSerialised(config.pattern) ? 1
                                                    : 0),
      presses_(PressesOf(PressCountOf(config))), driver_(presses_, true)
{
    report_.pattern = HostPatternName(pattern_);
    report_.gpus = gpus_;
    report_.pressesPlanned = PressCountOf(config);
    if (pattern_ != HostPattern::Plain)
        report_.pollerName = SerialisedHostPattern() ? "polling thread" : "worker";
    report_.wasBusyLogLines = config_.logPath.empty() ? -1 : 0;
    driver_.Quiet();
    driver_.LookAtEachBox(config_.lookMs);
    driver_.OnPress([this](const std::string& caption, const std::string& box) { OnPress(caption, box); });
}

std::size_t PatternRun::TraceSize()
{
    std::lock_guard<std::mutex> lock(*model_.transactionLock);
    return model_.trace.size();
}

int PatternRun::VidWritesSince(std::size_t from)
{
    std::lock_guard<std::mutex> lock(*model_.transactionLock);
    int writes = 0;
    for (std::size_t i = from; i < model_.trace.size(); ++i) {
        const BusAccess& a = model_.trace[i];
        writes += a.write && a.gpu == config_.windowGpu && IsVidRegister(a.reg);
    }
    return writes;
}

void PatternRun::ListSources()
{
    sourceCount_ = plugin_.GetSourcesNum ? std::min(plugin_.GetSourcesNum(), kMaxSources) : 0;
    offered_.assign(gpus_, std::vector<bool>(sourceCount_, false));
    offeredList_.assign(gpus_, std::vector<uint32_t>());
    for (uint32_t g = 0; g < gpus_; ++g)
        for (uint32_t s = 0; s < sourceCount_; ++s) {
            SourceDescriptor desc = {};
            desc.dwDescVersion = kDescVersion;
            Watchdog::InCall in("GetSourceDesc", g << 16 | s);
            if (plugin_.GetSourceDesc(g << 16 | s, &desc)) {
                offered_[g][s] = true;
                offeredList_[g].push_back(s);
            }
        }
}

float PatternRun::Read(uint32_t index, bool onUiThread)
{
    const double start = NowMs();
    float value;
    {
        Watchdog::InCall in("GetSourceData", index);
        value = plugin_.GetSourceData(index);
    }
    const double ms = NowMs() - start;
    if (config_.onReading)
        config_.onReading(index, value);
    std::lock_guard<std::mutex> lock(statsMutex_);
    (onUiThread ? report_.uiReadings : report_.pollerReadings)++;
    if (onUiThread)
        report_.uiReadingMs += ms;
    report_.slowReadings += ms >= kSlowReadingMs;
    return value;
}

void PatternRun::Describe(uint32_t index)
{
    SourceDescriptor desc = {};
    desc.dwDescVersion = kDescVersion;
    const double start = NowMs();
    int32_t offered;
    {
        Watchdog::InCall in("GetSourceDesc", index);
        offered = plugin_.GetSourceDesc(index, &desc);
    }
    const double ms = NowMs() - start;
    const uint32_t g = index >> 16, s = index & 0xFFFF;
    std::lock_guard<std::mutex> lock(statsMutex_);
    ++report_.descriptorRequests;
    report_.descriptorMs += ms;
    report_.descriptorRefused += !offered && g < gpus_ && s < sourceCount_ && offered_[g][s];
}

void PatternRun::OnHostCall()
{
    if (accessDelayMs_ > 0)
        Sleep(static_cast<DWORD>(accessDelayMs_));
    // On the UI-thread host the worker's accesses arrive as sent messages.
    const bool forPoller = UiThreadHost() ? InSendMessage() != FALSE : GetCurrentThreadId() == pollerThread_.load();
    if (forPoller)
        ++pollerAccesses_;
}

void PatternRun::OnTimer(UINT_PTR timer)
{
    // A plug-in call that delivers messages while it waits must not start
    // another tick inside this one.
    if (inTimer_)
        return;
    inTimer_ = true;
    if (timer == kDriverTimer) {
        if (windingDown_.load() && !skipped_) {
            skipped_ = true;
            driver_.SkipRemaining();
        }
        driver_.Tick();
    } else if (timer == kReadingTimer) {
        UiTick();
    }
    inTimer_ = false;
}

void PatternRun::UiTick()
{
    const uint32_t turn = readCursor_++;
    for (uint32_t g = 0; g < gpus_; ++g)
        if (!offeredList_[g].empty())
            Read(g << 16 | offeredList_[g][turn % offeredList_[g].size()], true);
    // Between two presses, every few presses and at the last box, the host
    // lists its sources again.
    const int answered = boxesCreated_ - 1;  // presses the window has answered
    const bool relistHere =
        answered >= 0 && !awaitingBox_ && answered != lastRelisting_ &&
        ((answered > 0 && answered % kRelistEveryPresses == 0) || answered == report_.pressesPlanned);
    if (pattern_ == HostPattern::UiThreadRedescribe && relistHere && !Stopping()) {
        lastRelisting_ = answered;
        for (uint32_t g = 0; g < gpus_; ++g)
            for (uint32_t s = 0; s < sourceCount_; ++s)
                Describe(g << 16 | s);
    }
}

void PatternRun::OnPress(const std::string& caption, const std::string& box)
{
    awaitingBox_ = true;
    awaitingIsPress_ = caption == "UP" || caption == "DOWN";
    clickMs_ = NowMs();
    clickTrace_ = TraceSize();
    pressPending_ = true;
    ++clicks_;
    std::lock_guard<std::mutex> lock(statsMutex_);
    report_.pressesMade += awaitingIsPress_;
    report_.boxes.push_back(box);
    ++report_.showings;
    report_.busyShowings += box.find("is busy") != std::string::npos;
}

void PatternRun::OnBoxCreated()
{
    ++boxesCreated_;
    pressPending_ = false;
    if (!awaitingBox_)
        return;
    awaitingBox_ = false;
    if (!awaitingIsPress_)
        return;
    const double ms = NowMs() - clickMs_;
    const bool written = VidWritesSince(clickTrace_) > 0;
    std::lock_guard<std::mutex> lock(statsMutex_);
    report_.pressMs.push_back(ms);
    report_.pressesWritten += written;
}

PatternRun::Round PatternRun::BeginRound() const
{
    return Round{NowMs(), pressPending_.load(), clicks_.load(), pollerAccesses_.load()};
}

// A round's readings reached the bus when the poller's own calls made
// register accesses (wherever the host ran them); it had a press pending
// when one was pending or clicked at any time during it.
void PatternRun::EndRound(const Round& round, bool touched)
{
    const bool withPress = round.pendingAtStart || pressPending_.load() || clicks_.load() != round.clicksAtStart;
    const double ms = NowMs() - round.start;
    std::lock_guard<std::mutex> lock(statsMutex_);
    (withPress ? report_.pressRoundMs : report_.idleRoundMs).push_back(ms);
    report_.roundsTouchingBus += touched;
    report_.pressRoundsTouchingBus += touched && withPress;
}

void PatternRun::WorkerLoop()
{
    pollerThread_ = GetCurrentThreadId();
    Watchdog::NameThread("worker");
    std::size_t mostSources = 0;
    for (const std::vector<uint32_t>& list : offeredList_)
        mostSources = std::max(mostSources, list.size());
    while (!Stopping()) {
        const Round round = BeginRound();
        // Every source of every GPU, each source on every GPU in turn.
        for (std::size_t i = 0; i < mostSources && !windingDown_.load(); ++i)
            for (uint32_t g = 0; g < gpus_; ++g)
                if (i < offeredList_[g].size())
                    Read(g << 16 | offeredList_[g][i], false);
        EndRound(round, ReachedTheBus(round));
        if (mostSources == 0)
            break;
    }
    pollerDone_ = true;
}

void PatternRun::PollerLoop()
{
    pollerThread_ = GetCurrentThreadId();
    Watchdog::NameThread("polling thread");
    const uint32_t g = config_.windowGpu;
    const std::vector<uint32_t> sources =
        g < gpus_ && !offeredList_[g].empty() ? offeredList_[g] : std::vector<uint32_t>{0};
    uint32_t turn = 0;
    while (!Stopping()) {
        {
            std::lock_guard<SerialisedHost> holding(*hardware_);
            const Round round = BeginRound();
            for (uint32_t i = 0; i < kRoundReadings && !windingDown_.load(); ++i)
                Read(g << 16 | sources[turn++ % sources.size()], false);
            const bool touched = ReachedTheBus(round);
            if (pattern_ == HostPattern::SerialisedRedescribe)
                for (uint32_t s = 0; s < sourceCount_ && !windingDown_.load(); ++s)
                    Describe(g << 16 | s);
            EndRound(round, touched);
        }
        Sleep(kPollingIntervalMs);
    }
    pollerDone_ = true;
}

void PatternRun::PumpMessages(const std::function<bool()>& done, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HostPatternReport PatternRun::Snapshot()
{
    // Tried for a while rather than waited for: a report is printed
    // whatever hangs.
    std::unique_lock<std::mutex> lock(statsMutex_, std::defer_lock);
    for (int attempt = 0; !lock.try_lock(); ++attempt) {
        if (attempt == 200) {
            HostPatternReport unknown;
            unknown.pattern = report_.pattern;
            unknown.problem = "its record stayed locked";
            return unknown;
        }
        Sleep(10);
    }
    HostPatternReport report = report_;
    report.elapsedMs = runStart_.load() > 0 ? NowMs() - runStart_.load() : 0;
    return report;
}

void PatternRun::Watch()
{
    std::unique_lock<std::mutex> lock(watchMutex_);
    if (watchWake_.wait_for(lock, std::chrono::milliseconds(config_.boundMs), [this] { return ended_; }))
        return;
    windingDown_ = true;
    std::fprintf(stderr, "host pattern %s: not done within %u ms; winding down (EXIT, threads stopped)\n",
                 report_.pattern.c_str(), static_cast<unsigned>(config_.boundMs));
    if (watchWake_.wait_for(lock, std::chrono::milliseconds(kGraceMs), [this] { return ended_; }))
        return;
    lock.unlock();
    std::string text = "host pattern " + report_.pattern + ": still not ended " + std::to_string(kGraceMs / 1000) +
                       " s after its bound; the export calls in flight:\n" + Watchdog::CallsInFlight();
    text += "the run so far:\n" + FormatHostPatternReport(Snapshot());
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    std::fflush(stdout);
    std::_Exit(3);
}

HostPatternReport PatternRun::Play()
{
    if (!plugin_.Loaded() || !plugin_.GetSourcesNum || !plugin_.GetSourceDesc || !plugin_.GetSourceData ||
        !plugin_.SetupSource) {
        report_.problem = "the plug-in is not loaded or lacks one of its exports";
        return report_;
    }
    if (config_.windowGpu >= gpus_) {
        report_.problem = "the window's GPU " + std::to_string(config_.windowGpu) + " is not among the " +
                          std::to_string(gpus_) + " GPU(s)";
        return report_;
    }
    Watchdog::NameThread("UI thread");
    if (g_run) {
        report_.problem = "another host pattern is running";
        return report_;
    }
    const long long logStart = config_.logPath.empty() ? 0 : FileSize(config_.logPath);
    std::thread watch([this] { Watch(); });
    g_run = this;
    double elapsed = 0;
    {
        TransactionLockForRun transactions(model_);
        std::unique_ptr<HostPolicy> policy;
        if (UiThreadHost()) {
            policy = std::make_unique<UiWindowHost>();
        } else if (SerialisedHostPattern()) {
            std::unique_ptr<SerialisedHost> hardware = std::make_unique<SerialisedHost>();
            hardware_ = hardware.get();
            policy = std::move(hardware);
        }
        HostForRun host(std::move(policy));
        ListSources();

        HostWindow window;
        BoxCreationWatch boxes;
        std::thread poller;
        const double start = NowMs();
        runStart_ = start;
        if (UiThreadHost())
            poller = std::thread([this] { WorkerLoop(); });
        else if (SerialisedHostPattern())
            poller = std::thread([this] { PollerLoop(); });
        if (!SerialisedHostPattern())
            SetTimer(window.window, kReadingTimer, kTimerMs, nullptr);
        PumpMessages([this] { return windingDown_.load(); }, config_.warmUpMs);
        SetTimer(window.window, kDriverTimer, kTimerMs, nullptr);
        if (!windingDown_.load()) {
            // The person waits for the window as for the box after a press.
            pressPending_ = true;
            ++clicks_;
            int32_t result;
            {
                Watchdog::InCall in("SetupSource", config_.windowGpu << 16);
                result = plugin_.SetupSource(config_.windowGpu << 16, window.window);
            }
            std::lock_guard<std::mutex> lock(statsMutex_);
            report_.setupResult = result;
        }
        awaitingBox_ = false;
        pressPending_ = false;
        windowClosed_ = true;
        KillTimer(window.window, kReadingTimer);
        KillTimer(window.window, kDriverTimer);
        // The worker may be waiting for the UI thread to run its access.
        if (poller.joinable()) {
            PumpMessages([this] { return pollerDone_.load(); }, INFINITE);
            poller.join();
        }
        elapsed = NowMs() - start;
    }
    g_run = nullptr;
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        ended_ = true;
    }
    watchWake_.notify_all();
    watch.join();

    HostPatternReport report = report_;
    report.finished = !windingDown_.load();
    report.elapsedMs = elapsed;
    if (!config_.logPath.empty())
        report.wasBusyLogLines = CountLinesWith(config_.logPath, logStart, "was busy");
    return report;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> values)
{
    Spread spread;
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    spread.min = values.front();
    spread.median = values[values.size() / 2];
    spread.max = values.back();
    return spread;
}

void AddRow(std::string& text, const char* label, const std::string& value)
{
    char line[256];
    std::snprintf(line, sizeof line, "  %-34s %s\n", label, value.c_str());
    text += line;
}

std::string Printed(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string RoundsRow(const std::vector<double>& rounds)
{
    if (rounds.empty())
        return "0";
    Spread spread = SpreadOf(rounds);
    return Printed("%zu: median %.0f ms, max %.0f ms", rounds.size(), spread.median, spread.max);
}

}  // namespace

bool ParseHostPattern(const std::string& name, HostPattern* out)
{
    for (const PatternName& entry : kPatterns)
        if (name == entry.name) {
            *out = entry.pattern;
            return true;
        }
    return false;
}

const char* HostPatternName(HostPattern pattern)
{
    for (const PatternName& entry : kPatterns)
        if (entry.pattern == pattern)
            return entry.name;
    return "?";
}

HostPatternReport RunHostPattern(PluginModule& plugin, Vt1165Model& model, const HostPatternConfig& config)
{
    PatternRun run(plugin, model, config);
    return run.Play();
}

std::string FormatHostPatternReport(const HostPatternReport& r)
{
    if (!r.problem.empty())
        return "host pattern " + r.pattern + " did not run: " + r.problem + "\n";
    std::string text = Printed("host pattern %s: %u GPU(s), %d presses planned, %.1f s\n", r.pattern.c_str(),
                               static_cast<unsigned>(r.gpus), r.pressesPlanned, r.elapsedMs / 1000.0);
    if (!r.finished)
        text += "  (stopped at its bound: the figures are those of the run so far)\n";
    AddRow(text, "SetupSource returned", std::to_string(r.setupResult));
    AddRow(text, "presses written", Printed("%d of %d made", r.pressesWritten, r.pressesMade));
    if (!r.pressMs.empty()) {
        Spread spread = SpreadOf(r.pressMs);
        AddRow(text, "press, click to next box",
               Printed("min %.0f ms, median %.0f ms, max %.0f ms", spread.min, spread.median, spread.max));
    }
    AddRow(text, "showings saying \"is busy\"", Printed("%d of %d", r.busyShowings, r.showings));
    AddRow(text, "descriptor requests",
           Printed("%d made, %d refused; %.0f ms inside GetSourceDesc", r.descriptorRequests, r.descriptorRefused,
                   r.descriptorMs));
    std::string readings = Printed("UI thread %d", r.uiReadings);
    if (!r.pollerName.empty())
        readings += Printed(", %s %d", r.pollerName.c_str(), r.pollerReadings);
    AddRow(text, "readings", readings);
    AddRow(text, "readings of 25 ms or more", std::to_string(r.slowReadings));
    AddRow(text, "UI thread inside GetSourceData", Printed("%.1f %% of the run", 100.0 * r.UiReadingShare()));
    AddRow(text, "log lines with \"was busy\"",
           r.wasBusyLogLines < 0 ? std::string("(no log given)") : std::to_string(r.wasBusyLogLines));
    if (!r.pollerName.empty()) {
        AddRow(text, ("idle rounds of the " + r.pollerName).c_str(), RoundsRow(r.idleRoundMs));
        AddRow(text, "rounds with a press pending", RoundsRow(r.pressRoundMs));
        AddRow(text, "rounds whose readings reached the bus",
               Printed("%d of %d (with a press pending: %d of %zu)", r.roundsTouchingBus, r.Rounds(),
                       r.pressRoundsTouchingBus, r.pressRoundMs.size()));
    }
    return text;
}

}  // namespace sim
