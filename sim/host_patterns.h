// Host patterns: the ways real hosts call a plug-in from several threads
// while their I2C functions run under their own rules (sim/host_policy.h),
// played against a loaded plug-in and the model, with a person pressing UP
// and DOWN in a voltage window meanwhile. A run measures whether the work
// gets done (presses written, descriptor requests served, readings that
// reach the bus) and what it costs (how long presses, rounds and readings
// take), so that the demo and the wine tests look at one implementation of
// each pattern. Windows only.
//
// The run's calling thread is the host's UI thread: it owns the host's
// window, its timers and the voltage window's boxes. Every wait is bounded:
// at the run's bound the run winds down (the remaining presses are dropped,
// EXIT pressed, the other threads stopped); if it has not ended some seconds
// later (a plug-in call that never returns), the report so far and the calls
// in flight are printed and the process ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/plugin_module.h"
#include "sim/vt1165_model.h"

namespace sim {

enum class HostPattern {
    // One thread, no host policy: the UI thread's timer reads while the
    // person presses, as the simulator's plain run does.
    Plain,
    // I2C functions run on the UI thread (UiWindowHost); a worker thread
    // polls every source of every GPU nonstop; the UI thread's timer reads
    // one source of every GPU every 10 ms, also while the window is up.
    UiThread,
    // The same, and between two presses, every fifth press and at the last
    // box, the UI thread (from its timer) describes every source of every
    // GPU again, as a host re-listing its sources does.
    UiThreadRedescribe,
    // A hardware mutex (SerialisedHost) that the polling thread holds across
    // each round of 8 readings of the window's GPU, rounds every ~10 ms; each
    // register access takes a millisecond.
    Serialised,
    // The same, with every source of the window's GPU described again inside
    // each round; 10 presses.
    SerialisedRedescribe,
};

// "plain", "ui-thread", "ui-thread-redescribe", "serialised",
// "serialised-redescribe"; false for any other name.
bool ParseHostPattern(const std::string& name, HostPattern* out);
const char* HostPatternName(HostPattern pattern);
// The names, comma-separated, for a usage text.
extern const char* const kHostPatternNames;

// The topology the patterns run on unless a scenario is given: a 2.23 host,
// three GPUs, each with a VT1165 in its typical state on bus 0.
extern const char* const kHostPatternScenario;

struct HostPatternConfig {
    HostPattern pattern = HostPattern::Plain;
    // UP and DOWN presses (UP, UP, DOWN, DOWN, ...) before EXIT; negative:
    // the pattern's own count (20; 10 for serialised-redescribe).
    int pressCount = -1;
    // The GPU whose voltage window is pressed (and whose sources the
    // serialised patterns' rounds read and describe).
    uint32_t windowGpu = 0;
    // How long the person looks at each box before pressing.
    uint32_t lookMs = 30;
    // Host work before the window opens.
    uint32_t warmUpMs = 200;
    // How long each register access takes; negative: the pattern's own
    // (1 ms for the serialised patterns, none otherwise).
    int accessDelayMs = -1;
    // When the run winds down; the process ends 10 s later if it has not.
    uint32_t boundMs = 45000;
    // The plug-in's log, to count its "was busy" lines written during the
    // run (empty: not counted).
    std::string logPath;
    // Each reading that any thread of the run got; called on that thread.
    std::function<void(uint32_t index, float value)> onReading;
};

// What a run did. Times in milliseconds.
struct HostPatternReport {
    std::string pattern;
    std::string pollerName;  // "worker", "polling thread"; "" when the pattern has none
    uint32_t gpus = 0;
    std::string problem;    // why the run could not start ("" when it ran)
    bool finished = false;  // ended on its own within its bound
    double elapsedMs = 0;
    int32_t setupResult = -1;  // what SetupSource returned

    // The person's presses of UP and DOWN (EXIT not counted). A press is
    // written when the window's GPU got a VID-register write between the
    // click and the next box; its time runs from the click to that box.
    int pressesPlanned = 0;
    int pressesMade = 0;
    int pressesWritten = 0;
    std::vector<double> pressMs;
    // Boxes the person saw, and those whose text says the VT1165 is busy.
    int showings = 0;
    int busyShowings = 0;
    std::vector<std::string> boxes;  // "title: text" of each

    // Descriptor requests after the host's first listing of its sources; a
    // request is refused when it returns 0 for a source that was offered
    // at that first listing.
    int descriptorRequests = 0;
    int descriptorRefused = 0;
    double descriptorMs = 0;  // inside GetSourceDesc, all threads

    // Readings by thread: the UI thread's timer, and the worker (the
    // polling thread of the serialised patterns).
    int uiReadings = 0;
    int pollerReadings = 0;
    double uiReadingMs = 0;  // the UI thread's time inside GetSourceData
    int slowReadings = 0;    // readings that took 25 ms or more

    // The plug-in's log lines with "was busy" written during the run.
    int wasBusyLogLines = -1;  // -1: no log path given

    // Rounds of the worker or polling thread, by whether the person was
    // waiting for the plug-in at some moment of the round: for the window
    // to open, for the next box after a press, or for EXIT to close it. A round touched the bus when its
    // readings reached the host's I2C functions.
    std::vector<double> idleRoundMs;
    std::vector<double> pressRoundMs;
    int roundsTouchingBus = 0;
    int pressRoundsTouchingBus = 0;

    int Rounds() const { return static_cast<int>(idleRoundMs.size() + pressRoundMs.size()); }
    double UiReadingShare() const { return elapsedMs > 0 ? uiReadingMs / elapsedMs : 0.0; }
};

// Plays the pattern on the calling thread (the host's UI thread) against
// plugin, loaded, and model, which the host's exports serve
// (SetHostModel). Installs the pattern's host policy and access hook for
// the run and removes them again. One run at a time in a process.
HostPatternReport RunHostPattern(PluginModule& plugin, Vt1165Model& model, const HostPatternConfig& config);

// The report as a small table.
std::string FormatHostPatternReport(const HostPatternReport& report);

}  // namespace sim
