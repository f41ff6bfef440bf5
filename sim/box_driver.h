// Presses buttons of the message boxes that a plug-in shows, the way a person
// at the card would, so that the simulator can run the setup window and the
// prompts unattended. Windows only; runs from a timer of the host's window,
// that is inside the box's own message loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

class BoxDriver {
public:
    // Button captions to press in order, one per box shown ("UP", "EXIT",
    // "Apply settings to both GPUs"); '&' in a caption is ignored.
    // Unattended, once the presses run out, it closes every further box the
    // way an absent person's stand-in would: EXIT where the box has it,
    // otherwise its default button.
    explicit BoxDriver(std::vector<std::string> presses, bool unattended = false)
        : presses_(std::move(presses)), unattended_(unattended)
    {
    }

    // Looks for a dialog of this thread and presses the next button; call it
    // periodically. Returns true when it pressed something.
    bool Tick();

    bool Done() const { return next_ >= presses_.size(); }
    // Texts of the boxes it saw, in order, with their titles.
    const std::vector<std::string>& Seen() const { return seen_; }

private:
    std::vector<std::string> presses_;
    bool unattended_;
    std::size_t next_ = 0;
    HWND lastPressed_ = nullptr;  // a box answers one press; a new pass is a new window
    std::vector<std::string> seen_;
};

// Splits "UP,UP,EXIT" into its captions.
std::vector<std::string> SplitPresses(const std::string& list);

}  // namespace sim
