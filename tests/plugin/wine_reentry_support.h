// Shared by the re-entry and thread tests: their fixture (a model served by
// the locked host, a folder with the DLL), and what they judge after the
// fact: which log line follows which. Each write in the model's trace is
// judged with the tests' one write judge (tests/support/write_judge.h).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/vt1165_model.h"
#include "tests/plugin/wine_locked_host.h"
#include "tests/wine/plugin_folder.h"

namespace test {

class ReentryTest : public ::testing::Test {
protected:
    // GPU gpu's chip on bus at 0x70, whose 0x1C is control (naming the VID
    // register 0x15 + bits 4..5) and whose VID register holds vid.
    sim::Device& Chip(uint32_t gpu, uint8_t bus, uint8_t control, uint8_t vid)
    {
        sim::Device& chip = model.AddVt1165(gpu, bus);
        chip.regs[sim::reg::kVidControl] = control;
        chip.regs[sim::reg::kVidFirst + ((control >> 4) & 3)] = vid;
        return chip;
    }

    sim::Vt1165Model model;
    LockedHost host{model};
    PluginFolder folder;
};

// The messages of the log lines that directly follow a line whose message
// begins with first (lines are "YYYY-MM-DD hh:mm:ss message\r").
inline std::vector<std::string> LinesAfter(const std::string& log, const std::string& first)
{
    constexpr std::size_t kStamp = 20;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\r', start);
        if (end == std::string::npos)
            end = log.size();
        lines.push_back(end - start > kStamp ? log.substr(start + kStamp, end - start - kStamp) : std::string());
        start = end + 1;
    }
    std::vector<std::string> after;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].compare(0, first.size(), first) == 0)
            after.push_back(lines[i + 1]);
    return after;
}

// Whether a line whose message begins with first is directly followed by one
// that says exactly second; the failure lists the lines that do follow.
inline ::testing::AssertionResult LineFollows(const std::string& log, const std::string& first,
                                              const std::string& second)
{
    std::string followers;
    for (const std::string& line : LinesAfter(log, first)) {
        if (line == second)
            return ::testing::AssertionSuccess();
        followers += "\n  " + line;
    }
    return ::testing::AssertionFailure() << "after \"" << first << "\" come:" << followers;
}

}  // namespace test
