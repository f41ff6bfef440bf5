// Test support for the plug-in core: a fresh PluginState, fake platform
// services (an in-memory log, a configuration, the host's exports backed by
// the VT1165 model) and a scripted message box; and what the tests say of
// the plug-in and the bus time and again, said once here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "plugin/platform.h"
#include "plugin/plugin_boxes.h"
#include "plugin/plugin_state.h"
#include "plugin/source_descriptor.h"
#include "sim/vt1165_model.h"

struct PromptBoxParams;

namespace test {

// What the plug-in's boxes give back when a button is pressed
// (plugin/plugin_boxes.h): the voltage control window, and an old host's
// multi-GPU prompt.
constexpr int kUp = kVoltageButtonUp, kDown = kVoltageButtonDown, kExit = kVoltageButtonExit;
constexpr int kFirstGpuOnly = kAnswerFirstGpuOnly, kBothGpus = kAnswerBothGpus;

// The host's window, the owner of every voltage window it opens.
void* const kHostWindow = reinterpret_cast<void*>(0x1234);
// The host's version that has no multi-GPU support (2.22).
constexpr uint32_t kOldHost = 0x02160000u;

constexpr uint32_t Index(uint32_t gpu, uint32_t source)
{
    return gpu << 16 | source;
}

// GetSourceDesc with a fresh record of the host's descriptor version.
int32_t Describe(uint32_t index);

// Sets the chip's 0x1C to control and the VID register it names to value.
void SetVid(sim::Device& chip, uint8_t control, uint8_t value);

// One write of the bus trace.
struct Write {
    uint32_t gpu;
    int bus, dev, reg, value;
    bool operator==(const Write& o) const
    {
        return gpu == o.gpu && bus == o.bus && dev == o.dev && reg == o.reg && value == o.value;
    }
};
std::ostream& operator<<(std::ostream& os, const Write& w);

struct PromptCall {
    void* owner;
    std::string text;
    std::string caption;
    uint32_t type;
    const PromptBoxParams* params;
};

class PluginHarness {
public:
    // Starts from a freshly loaded plug-in whose log is open.
    PluginHarness();
    ~PluginHarness();
    PluginHarness(const PluginHarness&) = delete;
    PluginHarness& operator=(const PluginHarness&) = delete;

    sim::Vt1165Model model;

    // Fake platform state.
    std::string logBytes;  // everything written to the log
    bool logOpenFails = false;
    std::map<std::string, std::string> config;  // "Section/Key" -> value
    bool hostModulePresent = true;
    std::set<std::string> missingExports;  // host functions not exported
    LocalTime clock = {2009, 3, 5, 7, 4, 9};

    // Scripted message box: each call is recorded and answered by the next
    // entry of promptAnswers (or by onPrompt when set; 1 when neither).
    std::vector<PromptCall> prompts;
    std::vector<int> promptAnswers;
    std::function<int(const PromptCall&)> onPrompt;

    // The log's messages without their stamps, in order; those that contain
    // part, and how many do.
    std::vector<std::string> LogMessages() const;
    std::vector<std::string> LogLines(const std::string& part) const;
    int Logged(const std::string& part) const { return static_cast<int>(LogLines(part).size()); }

    // Adds a VT1165 GPU to the model (typical registers) and returns its chip.
    sim::Device& AddGpuWithChip(uint32_t busCount = 1, uint8_t chipBus = 0);
    // The same, and the chip detected.
    sim::Device& AddDetectedGpu(uint32_t busCount = 1, uint8_t chipBus = 0);
    // The GPU described, so that its chip is detected anew; the trace and
    // the log start afresh after it. What GetSourceDesc returned.
    int32_t Detect(uint32_t gpu = 0);

    // SetupSource(index, kHostWindow) with the boxes answered in turn by
    // answers; the boxes and the trace are of this call alone.
    int32_t Window(uint32_t index, std::vector<int> answers);

    // The trace's writes; those to the VID registers.
    std::vector<Write> Writes() const;
    std::vector<Write> VidWrites() const;
    // The trace as short strings: "r1C" a read, "w08=81" a write, a trailing
    // "!" when the access failed; and those that one call makes.
    std::vector<std::string> Accesses() const;
    template <typename Call>
    std::vector<std::string> AccessesOf(Call call)
    {
        model.ClearTrace();
        call();
        return Accesses();
    }

private:
    static PluginHarness* current_;
    // The log and the record of boxes may be written from several of the
    // host's threads at once.
    std::mutex platformMutex_;
    friend struct HarnessPlatform;
};

}  // namespace test
