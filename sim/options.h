// Command-line options of the host simulator.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct Options {
    std::string pluginPath;    // empty: VT1165.dll beside the simulator
    std::string scenarioPath;  // empty: the built-in scenario
    bool printScenario = false;
    bool help = false;
    uint32_t polls = 5;          // rounds of readings of every source; 0: until Ctrl+C
    uint32_t intervalMs = 1000;  // between two polls
    bool plain = false;          // print each poll below the last, never in place
    int setupGpu = -1;           // open the voltage window of this GPU (-1: none)
    std::string presses;         // buttons to press in the plug-in's boxes, "UP,UP,EXIT"
    bool unattended = false;     // then close every further box: EXIT, or its default button
    uint32_t descVersion = 0x00010003u;
    std::string hostPattern;  // play this host pattern (sim/host_patterns.h) instead of the plain run
    int pressCount = -1;      // the pattern's UP and DOWN presses; negative: the pattern's own
};

// Parses argv; returns false with a message for an unknown or malformed
// option.
bool ParseOptions(int argc, const char* const* argv, Options* out, std::string* error);

extern const char* const kUsage;

}  // namespace sim
