// Test support for the plug-in core: a fresh PluginState, fake platform
// services (an in-memory log, a configuration, the host's exports backed by
// the VT1165 model) and a scripted message box.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "sim/vt1165_model.h"

struct PromptBoxParams;

namespace test {

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

    // The log's messages without their stamps, in order.
    std::vector<std::string> LogMessages() const;
    // Adds a VT1165 GPU to the model (typical registers) and returns its chip.
    sim::Device& AddGpuWithChip(uint32_t busCount = 1, uint8_t chipBus = 0);

private:
    static PluginHarness* current_;
    // The log and the record of boxes may be written from several of the
    // host's threads at once.
    std::mutex platformMutex_;
    friend struct HarnessPlatform;
};

}  // namespace test
