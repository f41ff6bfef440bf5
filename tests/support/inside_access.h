// Calls back into the plug-in from inside one of the host's I2C accesses,
// as a host that pumps messages while it waits for the bus does.
#pragma once

#include <functional>

#include "sim/host_exports.h"
#include "tests/support/plugin_harness.h"

namespace test {

// Runs `action` once, from inside the first host access that `matches`,
// after `Arm()`.
class InsideAccess {
public:
    InsideAccess()
    {
        sim::g_onHostAccess = &Trampoline;
        current_ = this;
    }
    ~InsideAccess()
    {
        sim::g_onHostAccess = nullptr;
        current_ = nullptr;
    }

    std::function<bool(const sim::HostAccess&)> matches;
    std::function<void()> action;
    void Arm() { armed_ = true; }
    bool Fired() const { return fired_; }

private:
    static bool Trampoline(const sim::HostAccess& access)
    {
        InsideAccess& self = *current_;
        if (!self.armed_ || !self.matches(access))
            return true;
        self.armed_ = false;
        self.fired_ = true;
        self.action();
        return true;
    }
    static inline InsideAccess* current_ = nullptr;
    bool armed_ = false;
    bool fired_ = false;
};

inline std::function<bool(const sim::HostAccess&)> ReadOf(uint32_t gpu, uint8_t reg)
{
    return [gpu, reg](const sim::HostAccess& a) { return a.gpu == gpu && !a.write && a.reg == reg; };
}

inline std::function<bool(const sim::HostAccess&)> WriteOf(uint32_t gpu, uint8_t reg)
{
    return [gpu, reg](const sim::HostAccess& a) { return a.gpu == gpu && a.write && a.reg == reg; };
}

// The harness's box answer for a window that is pressed once with `button`,
// the hook armed for that press (not for the showing before it), then left
// with EXIT.
inline std::function<int(const PromptCall&)> PressOnceWithHookArmed(InsideAccess& inside, int button, int exitButton)
{
    return [&inside, button, exitButton](const PromptCall&) {
        if (inside.Fired())
            return exitButton;
        inside.Arm();
        return button;
    };
}

}  // namespace test
