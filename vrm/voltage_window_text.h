// The text of the voltage control window, formed anew for every showing.
#pragma once

#include <cstddef>
#include <cstdint>

// The window's text holds at most 255 characters; longer texts are cut.
constexpr std::size_t kWindowTextCapacity = 256;

struct VoltageWindowView {
    uint32_t g = 0;              // the working GPU number
    bool chipAnswering = false;  // a chip is detected and its VID was read in this call
    uint8_t vid_register = 0;
    uint8_t vid_value = 0;
    float voltage = 0.0f;        // volts to show for vid_value
    const char* note = "";       // why the last press wrote nothing, or empty
    const char* mirrorNote = ""; // why GPU 2 was not written, or empty
};

// Forms the text: the GPU, VID and voltage, the host parameters that make
// the same register write and the protection state; then the voltage limit
// when one is set, and the notes of the last press. A chip that is not
// answering gets a text that says so and shows no value and no parameters.
void FormatVoltageWindowText(char* text, const VoltageWindowView& view);
