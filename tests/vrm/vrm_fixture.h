// A plug-in with one detected VT1165 on GPU 0, and the bus trace written as
// short strings: "r1C" for a read, "w08=81" for a write, "!" when it failed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin/exports.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_harness.h"

namespace vrmtest {

using Accesses = std::vector<std::string>;

inline uint32_t Index(uint32_t gpu, uint32_t source) { return (gpu << 16) | source; }

class VrmTest : public ::testing::Test {
protected:
    VrmTest() : chip(h.AddGpuWithChip()) {}

    // A descriptor request for source 1 resets and detects without reading
    // anything else; trace and log start empty afterwards.
    void Detect(uint32_t gpu = 0)
    {
        SourceDescriptor desc = {};
        GetSourceDesc(Index(gpu, 1), &desc);
        h.model.ClearTrace();
        h.logBytes.clear();
    }
    float Read(uint32_t source, uint32_t gpu = 0) { return GetSourceData(Index(gpu, source)); }
    void SetVidMode(uint8_t mode) { chip.regs[0x04] = static_cast<uint8_t>((chip.regs[0x04] & ~0x0E) | (mode << 1)); }
    void FailRegister(uint8_t reg) { h.model.faults.failingRegisters.insert({0u, reg}); }
    void Heal() { h.model.faults.failingRegisters.clear(); }

    Accesses Trace() const
    {
        Accesses out;
        for (const sim::BusAccess& a : h.model.trace) {
            char text[16];
            if (a.write)
                std::snprintf(text, sizeof text, "w%02X=%02X%s", a.reg, a.value, a.ok ? "" : "!");
            else
                std::snprintf(text, sizeof text, "r%02X%s", a.reg, a.ok ? "" : "!");
            out.push_back(text);
        }
        return out;
    }
    // Runs one call and returns the accesses it made.
    template <typename F>
    Accesses TraceOf(F call)
    {
        h.model.ClearTrace();
        call();
        return Trace();
    }

    test::PluginHarness h;
    sim::Device& chip;
};

}  // namespace vrmtest
