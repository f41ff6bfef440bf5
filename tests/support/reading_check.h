// Whether each reading a test got is one the plug-in may give back, for
// chips with the model's typical registers (sim::SetTypicalRegisters) whose
// VID may have been stepped anywhere: the source's last good value or the
// no-value marker, within what such a chip holds; a status source (9, 10)
// exactly 0 or 1, never the marker. Readings may come from several threads.
// Portable: the native tests and the wine programs use it alike.
#pragma once

#include <cstdint>
#include <limits>
#include <mutex>
#include <string>

#include "sim/watchdog.h"

namespace test {

class ReadingCheck {
public:
    void Note(uint32_t index, float value)
    {
        constexpr float kNoValue = std::numeric_limits<float>::max();
        const uint32_t source = index & 0xFFFF;
        bool plausible = false;
        if (source == 9 || source == 10)
            plausible = value == 0.0f || value == 1.0f;
        else if (value == kNoValue)
            plausible = true;
        else if (source == 0)
            plausible = value >= 0.45f && value <= 2.05f;  // VID codes 0..127 of VID mode 3
        else if (source == 2)
            plausible = value >= 0.0f && value <= 100.0f;
        else if (source >= 3 && source <= 8)
            plausible = value >= 0.0f && value <= 150.0f;
        std::lock_guard<std::mutex> lock(mutex_);
        ++readings_;
        if (!plausible && implausible_++ == 0)
            first_ = "index " + std::to_string(index) + " read " + std::to_string(value);
    }

    int Readings() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return readings_;
    }
    int Implausible() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return implausible_;
    }
    // The first implausible reading ("" when none).
    std::string First() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return first_;
    }

private:
    mutable std::mutex mutex_;
    int readings_ = 0;
    int implausible_ = 0;
    std::string first_;
};

// One reading of read(index), GetSourceData or the DLL's export: watched,
// so that the watchdog names it should it hang, and noted in check.
template <typename ReadFn>
float WatchedReading(ReadingCheck& check, ReadFn read, uint32_t index)
{
    float value = sim::Watchdog::Watch("GetSourceData", index, [&] { return read(index); });
    check.Note(index, value);
    return value;
}

// Every source of every GPU, each source on every GPU in turn (as a host
// shows one graph per source).
template <typename ReadFn>
void PollRound(ReadingCheck& check, uint32_t gpus, ReadFn read)
{
    constexpr uint32_t kSourcesPerGpu = 11;
    for (uint32_t s = 0; s < kSourcesPerGpu; ++s)
        for (uint32_t g = 0; g < gpus; ++g)
            WatchedReading(check, read, g << 16 | s);
}

}  // namespace test
