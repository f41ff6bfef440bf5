// What a person does with the plug-in's boxes beyond clicking a button by its
// caption: finding every box of a caption across the process (to count boxes
// stacked inside one another), and pressing a key in a box as the keyboard
// does, at the control that has the focus. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/wine/box_clicker.h"

namespace test {

// The top-level dialogs of this process with this caption, shown or not.
std::vector<HWND> DialogsCaptioned(const std::string& caption);

// Clicks the button of dialog with this caption (without '&'); false when it
// has none.
bool ClickButton(HWND dialog, const std::string& caption);

// Captions of the dialog's button that has the keyboard focus and of its
// default button ("" when none).
std::string FocusedCaption(HWND dialog);
std::string DefaultButtonCaption(HWND dialog);

struct KeyedBox {
    std::string message;
    std::string focused;
    std::string defaultButton;
};

// Runs call on this thread while a second thread presses key (down and up)
// once in each new box, at most presses times; a box still up after that is
// ended by clicking finalCaption, so that the call returns whatever the
// plug-in does with the key. seen receives every box that was keyed.
int PressKeyThrough(UINT key, int presses, const std::string& finalCaption, const std::function<int()>& call,
                    std::vector<KeyedBox>* seen);

}  // namespace test
