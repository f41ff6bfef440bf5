// The voltage control window of a GPU's voltage source: a message box with
// UP, DOWN and EXIT (plugin/plugin_boxes.h) that steps the chip's active VID
// register by one code per press and writes it at once.
#pragma once

#include <cstdint>

// Runs the window of working GPU g, owned by hWnd, until EXIT: returns 1
// after EXIT, 0 when the box cannot be shown. The caller holds the claim of
// the one window, outside every bus sequence. Without a detected chip the
// window still opens, so that the person who asked for it learns why
// nothing can be set; it reads and writes nothing until a chip is detected.
int32_t RunVoltageControlWindow(void* hWnd, uint32_t g);
