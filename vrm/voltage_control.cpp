// SetupSource and the voltage control window.
#include "vrm/voltage_control.h"

#include <cstdio>

#include "msgbox/prompt_box_params.h"
#include "plugin/exports.h"
#include "plugin/gpu_bus_lock.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "vrm/chip_access.h"
#include "vrm/vid_writes.h"
#include "vrm/voltage_window_text.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr uint32_t kLightGrey = 0xC0C0C0u;
constexpr int kBoxNotShown = -1;

// What the window shows of the chip's VID register: the last pair read in
// this call, and the last press's notes for the next showing.
struct WindowState {
    bool known = false;        // a VID register and its value were read in this call
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = kNoValue;  // volts of the last successful VID read
    VidWriteOutcome lastPress;
};

// Marks the one voltage window of the process for the length of a call.
class OpenWindowMark {
public:
    OpenWindowMark() { g_state.g_bVoltageWindowOpen = 1; }
    ~OpenWindowMark() { g_state.g_bVoltageWindowOpen = 0; }
    OpenWindowMark(const OpenWindowMark&) = delete;
    OpenWindowMark& operator=(const OpenWindowMark&) = delete;
};

// Reads register 0x1C and the VID register it selects for the next showing.
// A failed read keeps the pair of the pass before.
void ReadForShowing(uint32_t g, WindowState& window)
{
    GpuBusLock lock(g);
    uint8_t control = 0;
    if (!ReadChipRegister(g, kRegVidControl, &control))
        return;
    uint8_t vid_register = VidRegisterOf(control);
    LogPrintf("SetupSource: data=0x%02X vid_register=0x%02X", control, vid_register);

    uint8_t value = 0;
    if (ReadChipRegister(g, vid_register, &value)) {
        window.known = true;
        window.vid_register = vid_register;
        window.vid_value = value;
        window.voltage = VidRegisterToVolts(value);
    }
    GpuContext& ctx = ContextOf(g);
    if (window.voltage != kNoValue)
        ctx.m_voltage = window.voltage;
    LogPrintf("SetupSource: vid_value=0x%02X Voltage=%6.4f", window.vid_value, static_cast<double>(ctx.m_voltage));
}

void FormatText(char* text, uint32_t g, const WindowState& window)
{
    const GpuContext& ctx = ContextOf(g);
    VoltageWindowView view;
    view.g = g;
    // The host may describe the GPU again from inside the box and find no
    // chip: the window then has nothing to show or write.
    view.chipAnswering = window.known && ctx.m_dev != 0;
    view.vid_register = window.vid_register;
    view.vid_value = window.vid_value;
    // A reset of the context (a new descriptor request) clears m_voltage;
    // the window's own reading is shown then.
    view.voltage = ctx.m_voltage != kNoValue ? ctx.m_voltage : window.voltage;
    view.note = window.lastPress.note;
    view.mirrorNote = window.lastPress.mirrorNote;
    FormatVoltageWindowText(text, view);
}

int ShowVoltageWindow(void* hWnd, const char* text, const PromptBoxParams& params)
{
    if (!g_platform.showPromptBox)
        return kBoxNotShown;
    return g_platform.showPromptBox(hWnd, text, "VRM Voltage Control", kVoltageWindowType, &params);
}

// Runs the window until EXIT. Returns 1 after EXIT, 0 when the box fails.
int32_t VoltageControlLoop(void* hWnd, uint32_t g)
{
    OpenWindowMark mark;
    PromptBoxParams params;
    params.backgroundColor = kLightGrey;
    std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", "UP\nDOWN\nEXIT");

    WindowState window;
    for (;;) {
        ReadForShowing(g, window);

        char text[kWindowTextCapacity];
        FormatText(text, g, window);
        int result = ShowVoltageWindow(hWnd, text, params);

        if (result == kVoltageButtonExit) {
            if (window.known)
                WriteBackOnExit(g, window.vid_register, window.vid_value);
            return 1;
        }
        if (result != kVoltageButtonUp && result != kVoltageButtonDown) {
            // The box could not be shown (or answered with something it never
            // gives here): the same would happen on every pass, so stop now.
            return 0;
        }
        if (!window.known || ContextOf(g).m_dev == 0) {
            // Nothing read in this call, or the chip is gone: a press has
            // nothing to step from.
            window.lastPress = VidWriteOutcome();
            continue;
        }
        window.lastPress = PressVid(g, result == kVoltageButtonUp ? VidMove::Up : VidMove::Down);
        if (window.lastPress.written) {
            // Shown until the next read succeeds: the pair just written.
            window.vid_register = window.lastPress.vid_register;
            window.vid_value = window.lastPress.vid_value;
            window.voltage = VidRegisterToVolts(window.vid_value);
        }
    }
}

}  // namespace

extern "C" int32_t SetupSource(uint32_t dwIndex, void* hWnd)
{
    g_state.g_bSetupOpened = 1;

    uint32_t dwGpu = GpuOfIndex(dwIndex);
    uint32_t dwSource = SourceOfIndex(dwIndex);
    if (dwGpu >= kMaxGpus)
        return 0;

    LogPrintf("SetupSource: dwIndex=0x%08X dwGpu=%u dwSource=%u g_bSupportsMultiGPU=%u hWnd=%X", dwIndex, dwGpu,
              dwSource, static_cast<unsigned>(g_state.g_bSupportsMultiGPU),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(hWnd)));

    // The host's timers keep running inside the window's message loop; a
    // second window opened from there would step the same register from a
    // value the first one no longer shows.
    if (g_state.g_bVoltageWindowOpen) {
        WriteLogLine("SetupSource: a voltage control window is already open; nothing opened");
        return 0;
    }

    // An old host sets every GPU up through the first GPU's context.
    uint32_t g = dwGpu;
    if (g_state.g_bSupportsMultiGPU == 0) {
        if (dwGpu >= 1)
            g = 1;
        if (g_state.g_bApplyToBoth)
            WriteLogLine("SetupSource: Using the same settings on GPU 1 and GPU 2");
    }

    if (dwSource != 0)
        return 0;
    if (!hWnd)
        return 1;
    // Without a chip there is nothing to read or write: device address 0
    // would reach every device on the bus.
    if (ContextOf(g).m_dev == 0)
        return 0;
    return VoltageControlLoop(hWnd, g);
}
