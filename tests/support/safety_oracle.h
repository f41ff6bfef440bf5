// An independent judge of the plug-in's hardware safety. It watches the
// export calls a test makes through it, the message boxes the plug-in shows
// (with their answers) and the model's bus trace, and keeps its own account
// of where each GPU's chip was detected, which voltage window is open and
// which button was pressed last. Against that account it checks every write
// the chip sees:
//   - the rule of every single write (tests/support/write_judge.h);
//   - a phase selection or VID write at the bus where that GPU's chip was
//     last detected;
//   - a VID write only while a voltage window acts on UP, DOWN or EXIT, on
//     that window's GPU, or on GPU 2 when an old host's user chose "both";
//   - per press, at most one code in the pressed direction from what the
//     chip held when the button was pressed; EXIT changes no value.
// The state a write is judged against is the addressed device's as the model
// routes the access (sim::Vt1165Model::DeviceAt): the trace entry's values
// just before the write, and the snapshot at the press, which takes each
// device through that same lookup.
// It also checks what the person at the card sees: one voltage window at a
// time, the detection boxes never nested and each at most once per load, and
// no window text with the no-value marker or a device address of 00.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/source_descriptor.h"
#include "tests/support/plugin_harness.h"

namespace test {

// printf into a string, for reports.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...);

class SafetyOracle {
public:
    explicit SafetyOracle(PluginHarness& harness);

    // The export calls whose effects the oracle must know. Every SetupSource
    // and GetSourceDesc of a checked session goes through these.
    int32_t SetupSource(uint32_t index, void* hWnd);
    int32_t GetSourceDesc(uint32_t index, SourceDescriptor* desc);

    // From the harness's onPrompt: Shown on entry, before anything the box's
    // message loop does; Answered with the result the box gives back.
    void Shown(const PromptCall& call);
    int Answered(const PromptCall& call, int answer);

    // A change made to the chip from outside the plug-in (for the history).
    void Note(const std::string& what);

    // Judges the trace up to now; returns true when nothing was broken.
    bool Check();
    const std::vector<std::string>& Violations() const { return violations_; }
    // How often each rule was broken, by the rule's short name.
    const std::map<std::string, int>& BrokenRules() const { return rules_; }
    // Rules about the boxes (nesting, repetition, window text) rather than
    // about the writes.
    static bool IsBoxRule(const std::string& rule);
    // The calls, boxes, answers and writes so far, one per line, for a
    // failure message.
    std::string History() const;
    int VidWrites() const { return vidWrites_; }
    int MirrorWrites() const { return mirrorWrites_; }
    int Presses() const { return presses_; }

private:
    enum class Press { None, Up, Down, Exit };
    using DeviceKey = std::tuple<uint32_t, uint8_t, uint8_t>;  // GPU, bus, address
    struct Window {
        uint32_t gpu;  // the GPU the window works on
        bool boxUp = false;
        Press press = Press::None;
        std::map<DeviceKey, std::vector<uint8_t>> atPress;  // every reachable device's 0x15..0x18 at the press
    };

    void Sync();
    void Judge(std::size_t position);
    void Fail(std::size_t position, const char* rule, const std::string& detail);
    bool OldHostMode() const;
    void Log(const std::string& line);

    PluginHarness& h_;
    std::size_t judged_ = 0;                // trace entries already judged
    std::map<uint32_t, uint8_t> detected_;  // GPU -> bus of its chip
    bool versionChecked_ = false;           // a descriptor request has seen the host's version
    bool applyToBoth_ = false;              // the multi-GPU prompt answered "both GPUs"
    std::vector<Window> windows_;           // open voltage windows, innermost last
    int detectionBoxesUp_ = 0;
    int multiGpuPrompts_ = 0;
    int detectionWarnings_ = 0;
    int vidWrites_ = 0;
    int mirrorWrites_ = 0;
    int presses_ = 0;
    std::vector<std::string> violations_;
    std::map<std::string, int> rules_;
    std::vector<std::string> history_;
};

}  // namespace test
