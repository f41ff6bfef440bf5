// The hardware safety rule for a single write, judged from the model's record
// of it (sim::BusAccess carries the addressed device's state just before the
// access). A write goes to address 0x70, where a device answers; the phase
// selection (0x07, 0x08) aside, only to a VID register (0x15..0x18), the one
// that the device's 0x1C names just before the write (0x15 + bits 4..5), and
// at most one code (bits 0..6) from what that register held then, bit 7 kept.
//
// The device that answers at 0x70 is taken for the chip: a single write does
// not say on which bus detection found the chip, nor which press it belongs
// to. A checker that follows detection and the voltage windows (the safety
// oracle) adds those rules of its own.
//
// Portable, and free of GoogleTest: the native tests and the wine programs
// judge their traces with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/vt1165_model.h"

namespace test {

// The rule that this write breaks, by its short name; "" when it keeps the
// rule (and for a read, which this rule does not govern).
std::string BrokenWriteRule(const sim::BusAccess& access);

// One line naming the write and the state it met, for reports.
std::string DescribeWrite(const sim::BusAccess& access);

// Judges writes one at a time and keeps count: writes, VID writes, and per
// broken rule how often and its first example.
class WriteJudge {
public:
    // Returns the rule broken ("" when kept, and for a read).
    std::string Judge(const sim::BusAccess& access);
    void JudgeAll(const std::vector<sim::BusAccess>& trace);

    int Writes() const { return writes_; }
    int VidWrites() const { return vidWrites_; }
    // Writes that broke the rule.
    int Broken() const { return broken_; }
    bool Clean() const { return broken_ == 0; }
    // One line per broken rule: "  <count> x <rule>, first: <write>"; ""
    // when every write kept the rule.
    std::string Report() const;

private:
    int writes_ = 0;
    int vidWrites_ = 0;
    int broken_ = 0;
    std::map<std::string, std::pair<int, std::string>> rules_;
};

// Every write of the trace judged.
WriteJudge JudgeWrites(const std::vector<sim::BusAccess>& trace);

}  // namespace test
