#include "tests/support/write_judge.h"

#include <cstdio>

#include "chip/vid_codes.h"

namespace test {

std::string BrokenWriteRule(const sim::BusAccess& a)
{
    if (!a.write)
        return "";
    if (a.dev != sim::kVt1165Address)
        return "device address other than 0x70";
    if (!a.device)
        return "write where no device answers";
    if (a.reg == sim::reg::kPhaseKey || a.reg == sim::reg::kPhaseSelect)
        return "";
    if (!IsVidRegister(a.reg))
        return "write to a register other than VID or phase selection";
    if (a.reg != VidRegisterOf(a.vidControl))
        return "VID write to a register 0x1C does not name";
    const int step = VidCodeOf(a.value) - VidCodeOf(a.before);
    if (step < -1 || step > 1 || (a.value & 0x80) != (a.before & 0x80))
        return "VID write more than one code from the register's value (or bit 7 changed)";
    return "";
}

std::string DescribeWrite(const sim::BusAccess& a)
{
    char text[192];
    if (a.device)
        std::snprintf(text, sizeof text,
                      "write GPU %u bus %u dev 0x%02X reg 0x%02X = 0x%02X (%s held 0x%02X, 0x1C=0x%02X names 0x%02X)%s",
                      static_cast<unsigned>(a.gpu), a.bus, a.dev, a.reg, a.value,
                      a.vt1165 ? "VT1165" : "another device", a.before, a.vidControl, VidRegisterOf(a.vidControl),
                      a.ok ? "" : " failed");
    else
        std::snprintf(text, sizeof text, "write GPU %u bus %u dev 0x%02X reg 0x%02X = 0x%02X (no device there)%s",
                      static_cast<unsigned>(a.gpu), a.bus, a.dev, a.reg, a.value, a.ok ? "" : " failed");
    return text;
}

std::string WriteJudge::Judge(const sim::BusAccess& access)
{
    if (!access.write)
        return "";
    ++writes_;
    if (IsVidRegister(access.reg))
        ++vidWrites_;
    std::string rule = BrokenWriteRule(access);
    if (!rule.empty()) {
        ++broken_;
        std::pair<int, std::string>& entry = rules_[rule];
        if (entry.first++ == 0)
            entry.second = DescribeWrite(access);
    }
    return rule;
}

void WriteJudge::JudgeAll(const std::vector<sim::BusAccess>& trace)
{
    for (const sim::BusAccess& access : trace)
        Judge(access);
}

std::string WriteJudge::Report() const
{
    std::string text;
    for (const auto& rule : rules_)
        text += "  " + std::to_string(rule.second.first) + " x " + rule.first + ", first: " + rule.second.second + "\n";
    return text;
}

WriteJudge JudgeWrites(const std::vector<sim::BusAccess>& trace)
{
    WriteJudge judge;
    judge.JudgeAll(trace);
    return judge;
}

}  // namespace test
