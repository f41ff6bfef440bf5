// The voltage control window: read, show, press, write, until EXIT.
#include "vrm/voltage_control.h"

#include <cstdio>

#include "msgbox/prompt_box_params.h"
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
    WindowRead read = WindowRead::NotAnswering;  // what the read for this showing found
    ShownChip chip;                              // where it was read
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = kNoValue;  // volts of vid_value
    uint8_t protection = 0;    // the GPU's OVP/OCP state at the read
    VidWriteOutcome lastPress;
};

// Reads register 0x1C and the VID register it selects for the next showing,
// as one bus sequence on the pinned chip. Without a detected chip nothing is
// accessed; when a read fails the window says the chip is not answering,
// when the bus stayed busy it says so, and it shows no value it did not
// read just now. The next showing reads again.
void ReadForShowing(uint32_t g, WindowState& window)
{
    window.read = WindowRead::NotAnswering;
    PinnedChip chip(g, kActionWaitMs);
    if (chip.Busy()) {
        window.read = WindowRead::Busy;
        return;
    }
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
    window.read = WindowRead::Answering;
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
    view.read = window.read;
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

}  // namespace

int32_t RunVoltageControlWindow(void* hWnd, uint32_t g)
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
            if (window.read == WindowRead::Answering)
                WriteBackOnExit(g, window.chip, window.vid_register, window.vid_value);
            return 1;
        }
        if (result != kVoltageButtonUp && result != kVoltageButtonDown) {
            // The box could not be shown (or answered with something it never
            // gives here): the same would happen on every pass, so stop now.
            return 0;
        }
        if (window.read != WindowRead::Answering) {
            // The window said the chip is not answering or busy: a press has
            // nothing to step from, and the next showing reads again.
            window.lastPress = VidWriteOutcome();
            continue;
        }
        window.lastPress = PressVid(g, window.chip, result == kVoltageButtonUp ? VidMove::Up : VidMove::Down);
    }
}
