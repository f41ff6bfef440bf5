#include "tests/support/plugin_harness.h"

#include <cstdio>
#include <cstring>

#include "chip/vid_codes.h"
#include "exports/exports.h"
#include "sim/host_exports.h"
#include "tests/support/gpu_lock_fake.h"
#include "vrm/vt1165_device.h"

namespace test {

PluginHarness* PluginHarness::current_ = nullptr;

struct HarnessPlatform {
    static PluginHarness& H() { return *PluginHarness::current_; }

    static int OpenLog(const char*) { return H().logOpenFails ? -1 : 3; }
    static void WriteLog(int, const char* data, unsigned length)
    {
        std::lock_guard<std::mutex> guard(H().platformMutex_);
        H().logBytes.append(data, length);
    }
    static void CloseLog(int) {}
    static void GetTime(LocalTime* out) { *out = H().clock; }
    static unsigned ReadProfile(const char* section, const char* key, const char* defaultValue, char* out,
                                unsigned capacity, const char*)
    {
        auto it = H().config.find(std::string(section) + "/" + key);
        std::string value = it == H().config.end() ? defaultValue : it->second;
        if (capacity == 0)
            return 0;
        std::size_t n = value.size() < capacity - 1 ? value.size() : capacity - 1;
        std::memcpy(out, value.data(), n);
        out[n] = '\0';
        return static_cast<unsigned>(n);
    }
    static bool HostPresent() { return H().hostModulePresent; }
    static void* FindExport(const char* name)
    {
        if (H().missingExports.count(name))
            return nullptr;
        return sim::FindHostFunction(name);
    }
    static int ShowPrompt(void* owner, const char* text, const char* caption, uint32_t type,
                          const PromptBoxParams* params)
    {
        PluginHarness& h = H();
        // A copy: a box opened from inside onPrompt grows the list and would
        // leave a reference into it dangling.
        const PromptCall call{owner, text ? text : "", caption ? caption : "", type, params};
        {
            std::lock_guard<std::mutex> guard(h.platformMutex_);
            h.prompts.push_back(call);
            if (!h.onPrompt) {
                if (h.promptAnswers.empty())
                    return 1;
                int answer = h.promptAnswers.front();
                h.promptAnswers.erase(h.promptAnswers.begin());
                return answer;
            }
        }
        // Never under the lock: the box's answer may call back into the
        // plug-in, which may open another box. onPrompt itself is set before
        // the host's threads start; what it shares is its own to guard.
        return h.onPrompt(call);
    }
};

PluginHarness::PluginHarness()
{
    current_ = this;
    g_state = PluginState();
    g_platform = PlatformServices();
    g_platform.openLog = &HarnessPlatform::OpenLog;
    g_platform.writeLog = &HarnessPlatform::WriteLog;
    g_platform.closeLog = &HarnessPlatform::CloseLog;
    g_platform.getLocalTime = &HarnessPlatform::GetTime;
    g_platform.readProfileString = &HarnessPlatform::ReadProfile;
    g_platform.hostModulePresent = &HarnessPlatform::HostPresent;
    g_platform.findHostExport = &HarnessPlatform::FindExport;
    g_platform.showPromptBox = &HarnessPlatform::ShowPrompt;
    InstallGpuLockFake(g_platform);
    g_state.g_logFile = 3;  // the log of a loaded plug-in is open
    sim::SetHostModel(&model);
}

PluginHarness::~PluginHarness()
{
    Vt1165Device::ReleaseAll();
    sim::SetHostModel(nullptr);
    sim::g_onHostCall = nullptr;
    sim::g_onHostAccess = nullptr;
    g_platform = PlatformServices();
    g_state = PluginState();
    current_ = nullptr;
}

std::vector<std::string> PluginHarness::LogMessages() const
{
    std::vector<std::string> messages;
    std::size_t start = 0;
    while (start < logBytes.size()) {
        std::size_t end = logBytes.find('\r', start);
        if (end == std::string::npos)
            end = logBytes.size();
        std::string line = logBytes.substr(start, end - start);
        messages.push_back(line.size() >= 20 ? line.substr(20) : line);
        start = end + 1;
    }
    return messages;
}

std::vector<std::string> PluginHarness::LogLines(const std::string& part) const
{
    std::vector<std::string> lines;
    for (const std::string& m : LogMessages())
        if (m.find(part) != std::string::npos)
            lines.push_back(m);
    return lines;
}

sim::Device& PluginHarness::AddGpuWithChip(uint32_t busCount, uint8_t chipBus)
{
    uint32_t index = static_cast<uint32_t>(model.GpuCount());
    model.AddGpu(busCount);
    return model.AddVt1165(index, chipBus);
}

sim::Device& PluginHarness::AddDetectedGpu(uint32_t busCount, uint8_t chipBus)
{
    sim::Device& chip = AddGpuWithChip(busCount, chipBus);
    Detect(static_cast<uint32_t>(model.GpuCount() - 1));
    return chip;
}

int32_t PluginHarness::Detect(uint32_t gpu)
{
    const int32_t found = Describe(Index(gpu, 0));
    model.ClearTrace();
    logBytes.clear();
    return found;
}

int32_t PluginHarness::Window(uint32_t index, std::vector<int> answers)
{
    promptAnswers = std::move(answers);
    prompts.clear();
    model.ClearTrace();
    return SetupSource(index, kHostWindow);
}

std::vector<Write> PluginHarness::Writes() const
{
    std::vector<Write> writes;
    for (const sim::BusAccess& a : model.trace)
        if (a.write)
            writes.push_back(Write{a.gpu, a.bus, a.dev, a.reg, a.value});
    return writes;
}

std::vector<Write> PluginHarness::VidWrites() const
{
    std::vector<Write> writes;
    for (const Write& w : Writes())
        if (IsVidRegister(static_cast<uint8_t>(w.reg)))
            writes.push_back(w);
    return writes;
}

std::vector<std::string> PluginHarness::Accesses() const
{
    std::vector<std::string> out;
    for (const sim::BusAccess& a : model.trace) {
        char text[16];
        if (a.write)
            std::snprintf(text, sizeof text, "w%02X=%02X%s", a.reg, a.value, a.ok ? "" : "!");
        else
            std::snprintf(text, sizeof text, "r%02X%s", a.reg, a.ok ? "" : "!");
        out.push_back(text);
    }
    return out;
}

int32_t Describe(uint32_t index)
{
    SourceDescriptor desc = {};
    desc.dwDescVersion = 0x00010003u;
    return GetSourceDesc(index, &desc);
}

void SetVid(sim::Device& chip, uint8_t control, uint8_t value)
{
    chip.regs[0x1C] = control;
    chip.regs[VidRegisterOf(control)] = value;
}

std::ostream& operator<<(std::ostream& os, const Write& w)
{
    return os << "{gpu " << w.gpu << " bus " << w.bus << " dev 0x" << std::hex << w.dev << " reg 0x" << w.reg
              << " value 0x" << w.value << std::dec << "}";
}

}  // namespace test
