// The voltage control window: read, show, press, write, until EXIT.
#include "vrm/voltage_control.h"

#include "plugin/plugin_boxes.h"
#include "vrm/vid_writes.h"
#include "vrm/voltage_window_text.h"
#include "vrm/vt1165_device.h"

namespace {

WindowRead WindowReadOf(ShowingRead::Outcome outcome)
{
    switch (outcome) {
    case ShowingRead::Answering: return WindowRead::Answering;
    case ShowingRead::Busy: return WindowRead::Busy;
    case ShowingRead::NotAnswering: break;
    }
    return WindowRead::NotAnswering;
}

void FormatText(char* text, uint32_t g, const ShowingRead& shown, const VidWriteOutcome& lastPress)
{
    VoltageWindowView view;
    view.g = g;
    view.read = WindowReadOf(shown.outcome);
    view.bus = shown.chip.bus;
    view.dev = shown.chip.dev;
    view.vid_register = shown.vid_register;
    view.vid_value = shown.vid_value;
    view.voltage = shown.voltage;
    view.protection = shown.protection;
    view.written = lastPress.written;
    view.writtenRegister = lastPress.vid_register;
    view.writtenValue = lastPress.vid_value;
    view.note = lastPress.note;
    view.mirrorNote = lastPress.mirrorNote;
    FormatVoltageWindowText(text, view);
}

}  // namespace

int32_t RunVoltageControlWindow(void* hWnd, uint32_t g)
{
    Vt1165Device& device = Vt1165Device::OfGpu(g);
    // What the last press did, for the next showing; each showing reads the
    // chip anew and shows no value it did not read just now.
    VidWriteOutcome lastPress;
    for (;;) {
        const ShowingRead shown = device.ReadForShowing();
        char text[kWindowTextCapacity];
        FormatText(text, g, shown, lastPress);
        const int result = ShowPluginBox(kVoltageWindowBox, hWnd, text);

        if (result == kVoltageButtonExit) {
            if (shown.outcome == ShowingRead::Answering)
                WriteBackOnExit(g, shown.chip, shown.vid_register, shown.vid_value);
            return 1;
        }
        if (result != kVoltageButtonUp && result != kVoltageButtonDown) {
            // The box could not be shown (or answered with something it never
            // gives here): the same would happen on every pass, so stop now.
            return 0;
        }
        if (shown.outcome != ShowingRead::Answering) {
            // The window said the chip is not answering or busy: a press has
            // nothing to step from, and the next showing reads again.
            lastPress = VidWriteOutcome();
            continue;
        }
        lastPress = PressVid(g, shown.chip, result == kVoltageButtonUp ? VidMove::Up : VidMove::Down);
    }
}
