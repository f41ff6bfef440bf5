// A plug-in with a VT1165 on GPU 0, and the bus trace as short strings:
// "r1C" a read, "w08=81" a write, a trailing "!" when the access failed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "exports/exports.h"
#include "plugin/plugin_state.h"
#include "tests/support/plugin_harness.h"
#include "vrm/vt1165_device.h"

namespace vrmtest {

using Accesses = std::vector<std::string>;

// GPU 0's chip under its device's lock, for the one call of a helper that
// takes it: LockedChip() where a ChipAccess& goes.
struct LockedChip {
    ChipAccess chip{Vt1165Device::OfGpu(0), kReadingWaitMs};
    operator ChipAccess&() { return chip; }
};

inline uint32_t Index(uint32_t gpu, uint32_t source)
{
    return (gpu << 16) | source;
}

class VrmTest : public ::testing::Test {
protected:
    VrmTest() : chip(h.AddGpuWithChip()) {}

    // Source 1 is never offered: the request only resets and detects.
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

    // The accesses that one call makes.
    template <typename F>
    Accesses TraceOf(F call)
    {
        h.model.ClearTrace();
        call();
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

    test::PluginHarness h;
    sim::Device& chip;
};

}  // namespace vrmtest
