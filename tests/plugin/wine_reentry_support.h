// Shared by the re-entry and thread tests: their fixture (a model served by
// the locked host, a folder with the DLL), and what they judge after the
// fact: each write in the model's trace against the chip's state just before
// it, and which log line follows which.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
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

// Why a write breaks the hardware safety rule, or "" when it keeps it. A
// write goes to a VT1165 (a device at 0x70 where one sits); the phase
// selection (0x07, 0x08) aside, only to the VID register that the chip's
// 0x1C names just before it, at most one code from what that register held,
// bit 7 kept.
inline std::string UnsafeWrite(const sim::BusAccess& a)
{
    std::ostringstream why;
    why << std::hex << "write of 0x" << int(a.value) << " to GPU " << a.gpu << " bus " << int(a.bus) << " device 0x"
        << int(a.dev) << " register 0x" << int(a.reg) << ": ";
    if (!a.device || a.dev != sim::kVt1165Address)
        return why.str() + "no VT1165 there";
    if (a.reg == sim::reg::kPhaseKey || a.reg == sim::reg::kPhaseSelect)
        return "";
    const int named = sim::reg::kVidFirst + ((a.vidControl >> 4) & 3);
    if (a.reg != named) {
        why << "its 0x1C (0x" << int(a.vidControl) << ") names 0x" << named;
        return why.str();
    }
    const int step = (a.value & 0x7F) - (a.before & 0x7F);
    if ((a.value & 0x80) != (a.before & 0x80) || step < -1 || step > 1) {
        why << "it held 0x" << int(a.before);
        return why.str();
    }
    return "";
}

// Every unsafe write of the trace, one per line ("" when there is none).
inline std::string UnsafeWrites(const std::vector<sim::BusAccess>& trace)
{
    std::string all;
    for (const sim::BusAccess& a : trace)
        if (a.write) {
            std::string why = UnsafeWrite(a);
            if (!why.empty())
                all += why + "\n";
        }
    return all;
}

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
