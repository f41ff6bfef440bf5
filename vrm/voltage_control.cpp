// SetupSource and the voltage control window.
#include "vrm/voltage_control.h"

#include <cstdio>

#include "msgbox/prompt_box_params.h"
#include "plugin/exports.h"
#include "plugin/bus_sequence.h"
#include "plugin/log.h"
#include "plugin/platform.h"
#include "plugin/plugin_state.h"
#include "vrm/pinned_chip.h"
#include "vrm/vid_writes.h"
#include "vrm/voltage_window_text.h"
#include "vrm/vt1165_regs.h"

namespace {

constexpr uint32_t kLightGrey = 0xC0C0C0u;
constexpr int kBoxNotShown = -1;

// What the window shows of the chip's VID register, read anew for every
// showing, and the last press's outcome for the next showing.
struct WindowState {
    bool answering = false;    // the VID was read for this showing
    ShownChip chip;            // where it was read
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = kNoValue;  // volts of vid_value
    uint8_t protection = 0;    // the GPU's OVP/OCP state at the read
    VidWriteOutcome lastPress;
};

// Reads register 0x1C and the VID register it selects for the next showing,
// as one bus sequence on the pinned chip. Without a detected chip nothing is
// accessed; when a read fails the window says the chip is not answering,
// and shows no value it did not read just now.
void ReadForShowing(uint32_t g, WindowState& window)
{
    window.answering = false;
    PinnedChip chip(g);
    if (!chip.Present())
        return;
    uint8_t control = 0;
    if (!chip.Read(kRegVidControl, &control))
        return;
    uint8_t vid_register = VidRegisterOf(control);
    LogPrintf("SetupSource: data=0x%02X vid_register=0x%02X", control, vid_register);

    uint8_t value = 0;
    if (!chip.Read(vid_register, &value)) {
        LogPrintf("SetupSource: VID register 0x%02X could not be read", vid_register);
        return;
    }
    window.answering = true;
    window.chip.bus = chip.Bus();
    window.chip.dev = chip.Dev();
    window.vid_register = vid_register;
    window.vid_value = value;
    window.voltage = VidRegisterToVolts(value);
    GpuContext& ctx = chip.Context();
    ctx.m_voltage = window.voltage;
    window.protection = ctx.m_OVP_OCP_State;
    LogPrintf("SetupSource: vid_value=0x%02X Voltage=%6.4f", value, static_cast<double>(ctx.m_voltage));
}

void FormatText(char* text, uint32_t g, const WindowState& window)
{
    VoltageWindowView view;
    view.g = g;
    view.chipAnswering = window.answering;
    view.bus = window.chip.bus;
    view.dev = window.chip.dev;
    view.vid_register = window.vid_register;
    view.vid_value = window.vid_value;
    view.voltage = window.voltage;
    view.protection = window.protection;
    view.written = window.lastPress.written;
    view.writtenRegister = window.lastPress.vid_register;
    view.writtenValue = window.lastPress.vid_value;
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
            if (window.answering)
                WriteBackOnExit(g, window.chip, window.vid_register, window.vid_value);
            return 1;
        }
        if (result != kVoltageButtonUp && result != kVoltageButtonDown) {
            // The box could not be shown (or answered with something it never
            // gives here): the same would happen on every pass, so stop now.
            return 0;
        }
        if (!window.answering) {
            // The window said the chip is not answering: a press has nothing
            // to step from, and the next showing reads again.
            window.lastPress = VidWriteOutcome();
            continue;
        }
        window.lastPress = PressVid(g, window.chip, result == kVoltageButtonUp ? VidMove::Up : VidMove::Down);
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

    // From inside one of the plug-in's own bus sequences (the host's I2C
    // function calling back): a window now would be shown under the GPU's
    // lock and hold back every other reading of that GPU while it is up.
    if (InsideBusSequence()) {
        WriteLogLine("SetupSource: called from inside a bus access of the plug-in; nothing opened");
        return 0;
    }
    // The host's timers keep running inside the window's message loop, and
    // other threads may call too; a second window would step the same
    // register from a value the first one no longer shows. Claimed for the
    // rest of this call, released by this call only.
    FlagClaim window(g_state.g_bVoltageWindowOpen);
    if (!window.Taken()) {
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
    // Without a detected chip the window still opens, so that the person
    // who asked for it learns why nothing can be set; it reads and writes
    // nothing until a chip is detected.
    return VoltageControlLoop(hWnd, g);
}
