// The text of the voltage control window, formed anew for every showing.
#pragma once

#include <cstddef>
#include <cstdint>

// The window's text holds at most 255 characters; longer texts are cut.
constexpr std::size_t kWindowTextCapacity = 256;

// What the read for a showing found.
enum class WindowRead {
    Answering,     // the chip's VID was read for this showing
    NotAnswering,  // no chip detected, or a read failed
    Busy,          // another sequence held the GPU's bus all along
};

struct VoltageWindowView {
    uint32_t g = 0;  // the working GPU number
    WindowRead read = WindowRead::NotAnswering;
    uint8_t bus = 0;  // where it was read
    uint8_t dev = 0;
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = 0.0f;    // volts of vid_value
    uint8_t protection = 0;  // the GPU's OVP/OCP state as the readings left it
    // The last press: what it wrote, or why it wrote nothing.
    bool written = false;
    uint8_t writtenRegister = 0;
    uint8_t writtenValue = 0;
    const char* note = "";        // why the last press wrote nothing, or empty
    const char* mirrorNote = "";  // why GPU 2 was not written, or empty
};

// Forms the text: the GPU, VID and voltage, the host parameters that make
// the same register write and the protection state; then the voltage limit
// when one is set, and the notes of the last press. A chip that is not
// answering, or busy, gets a text that says so and shows no value and no
// parameters, only what the last press wrote (not read back) or why it
// wrote nothing.
void FormatVoltageWindowText(char* text, const VoltageWindowView& view);
