#include "sim/options.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

const char* const kUsage =
    "usage: orvane-sim [options]\n"
    "  --plugin PATH       plug-in DLL to load (default: VT1165.dll beside this program)\n"
    "  --scenario FILE     host and GPU scenario in INI format (default: built in)\n"
    "  --print-scenario    print the built-in scenario and exit\n"
    "  --polls N           poll every source N times after the catalogue (default 5; 0: until Ctrl+C)\n"
    "  --interval MS       milliseconds between two polls (default 1000)\n"
    "  --plain             print every poll below the last instead of in place\n"
    "  --setup GPU         open the voltage control window of that GPU's voltage source\n"
    "  --press LIST        press these buttons of the plug-in's boxes in turn, e.g. UP,UP,DOWN,EXIT\n"
    "                      (without it the boxes wait for a person at the display)\n"
    "  --unattended        after the --press buttons, close every box: EXIT, or its default button\n"
    "  --desc-version V    dwDescVersion the host puts in each descriptor (default 0x00010003)\n"
    "  --host-pattern NAME play a host pattern against the plug-in and print what it measured:\n"
    "                      plain                  one thread: the UI timer reads while the window is pressed\n"
    "                      ui-thread              I2C runs on the UI thread (SendMessage from others), a worker\n"
    "                                             polls every source nonstop, the UI timer reads every 10 ms\n"
    "                      ui-thread-redescribe   the same, and the UI thread describes every source again\n"
    "                                             between two presses, every fifth press\n"
    "                      serialised             a hardware mutex held across each polling round of GPU 0\n"
    "                      serialised-redescribe  the same, GPU 0's sources described inside each round\n"
    "                      The person presses UP and DOWN in GPU 0's voltage window, then EXIT. Without\n"
    "                      --scenario: three GPUs, each with a VT1165. Leave out --setup and --press.\n"
    "  --press-count N     UP and DOWN presses of the host pattern (default 20; 10 for serialised-redescribe)\n"
    "  --help              this text\n";

namespace {

bool ParseUnsigned(const char* text, uint32_t* out)
{
    if (!text || !*text || *text == '-')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 0);
    if (errno || *end || value > 0xFFFFFFFFull)
        return false;
    *out = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options* out, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto fail = [&](const std::string& why) {
            if (error)
                *error = arg + ": " + why;
            return false;
        };
        uint32_t number = 0;
        if (arg == "--plugin" || arg == "--scenario" || arg == "--press") {
            if (!value)
                return fail("needs a value");
            (arg == "--plugin" ? out->pluginPath : arg == "--scenario" ? out->scenarioPath : out->presses) = value;
            ++i;
        } else if (arg == "--host-pattern") {
            // The name is checked by the simulator, which has the patterns.
            if (!value || !*value)
                return fail("needs a pattern name");
            out->hostPattern = value;
            ++i;
        } else if (arg == "--polls" || arg == "--interval" || arg == "--setup" || arg == "--desc-version" ||
                   arg == "--press-count") {
            if (!ParseUnsigned(value, &number))
                return fail("needs a number");
            if (arg == "--press-count" && number > 1000)
                return fail("at most 1000 presses");
            if (arg == "--press-count")
                out->pressCount = static_cast<int>(number);
            else if (arg == "--polls")
                out->polls = number;
            else if (arg == "--interval")
                out->intervalMs = number;
            else if (arg == "--desc-version")
                out->descVersion = number;
            else if (number > 15)
                return fail("GPU numbers go from 0 to 15");
            else
                out->setupGpu = static_cast<int>(number);
            ++i;
        } else if (arg == "--print-scenario") {
            out->printScenario = true;
        } else if (arg == "--unattended") {
            out->unattended = true;
        } else if (arg == "--plain") {
            out->plain = true;
        } else if (arg == "--help" || arg == "-h") {
            out->help = true;
        } else {
            return fail("unknown option");
        }
    }
    if (!out->hostPattern.empty() && (out->setupGpu >= 0 || !out->presses.empty())) {
        if (error)
            *error =
                "--host-pattern: the pattern opens and presses GPU 0's window itself; leave out --setup and --press";
        return false;
    }
    return true;
}

}  // namespace sim
