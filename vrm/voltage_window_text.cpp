#include "vrm/voltage_window_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "chip/vid_codes.h"
#include "plugin/configuration.h"
#include "plugin/plugin_state.h"

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Append(char* text, const char* format, ...)
{
    std::size_t used = std::strlen(text);
    if (used + 1 >= kWindowTextCapacity)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + used, kWindowTextCapacity - used, format, args);
    va_end(args);
}

void AppendLimit(char* text, const VoltageWindowView& view)
{
    if (!g_state.g_bVoltageLimit)
        return;
    const bool reached = AboveVoltageLimit(StepVidValue(view.vid_value, VidMove::Up));
    Append(text, "\n\nVoltage limit: %6.4f V%s", static_cast<double>(g_state.g_voltageLimit),
           reached ? " (reached)" : "");
}

// The text of a showing without a value: why, and what the buttons do.
void AppendUnread(char* text, uint32_t g, const char* state, const char* until)
{
    Append(text, "GPU=%i: the VT1165 %s.\n\nUP and DOWN write nothing until %s.\nEXIT closes this window.",
           static_cast<int>(g) - 1, state, until);
}

}  // namespace

void FormatVoltageWindowText(char* text, const VoltageWindowView& view)
{
    text[0] = '\0';
    switch (view.read) {
    case WindowRead::Answering:
        Append(text, "GPU=%i VID=0x%02X Voltage=%6.4f\n\nParameters: /sd%u /wi%u,%02x,%02x,%02x\n\nOVP/OCP=%u",
               static_cast<int>(view.g) - 1, view.vid_value, static_cast<double>(view.voltage), view.g - 1u,
               static_cast<unsigned>(view.bus), static_cast<unsigned>(view.dev), view.vid_register, view.vid_value,
               static_cast<unsigned>(view.protection));
        AppendLimit(text, view);
        break;
    case WindowRead::NotAnswering: AppendUnread(text, view.g, "is not answering", "it answers again"); break;
    case WindowRead::Busy: AppendUnread(text, view.g, "is busy with another access", "it is read again"); break;
    }
    // Nothing was read back: a press that wrote is shown as written.
    if (view.read != WindowRead::Answering && view.written)
        Append(text, "\n\nWritten: VID=0x%02X (%6.4f V) to register 0x%02X; not read back.", view.writtenValue,
               static_cast<double>(VidRegisterToVolts(view.writtenValue)), view.writtenRegister);
    bool notes = view.note[0] != '\0' || view.mirrorNote[0] != '\0';
    if (notes)
        Append(text, "\n");
    if (view.note[0] != '\0')
        Append(text, "\n%s", view.note);
    if (view.mirrorNote[0] != '\0')
        Append(text, "\n%s", view.mirrorNote);
}
