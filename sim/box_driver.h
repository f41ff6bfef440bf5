// Presses buttons of the message boxes that a plug-in shows, the way a person
// at the card would, so that the simulator can run the setup window and the
// prompts unattended. Windows only; runs from a timer of the host's window,
// that is inside the box's own message loop.
#pragma once

#include <windows.h>

#include <functional>
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

    // A person who looks at each box for ms milliseconds (from the tick that
    // first saw it) before pressing; 0 (the default) presses at once.
    void LookAtEachBox(DWORD ms) { lookMs_ = ms; }
    // Prints nothing of what it presses (the default prints a line a box).
    void Quiet() { quiet_ = true; }
    // Called with the caption about to be pressed and the box's text (its
    // title, ": ", its message), just before the click is posted.
    void OnPress(std::function<void(const std::string& caption, const std::string& box)> observer)
    {
        onPress_ = std::move(observer);
    }
    // Drops the presses not made yet: unattended, the next box is closed.
    void SkipRemaining() { next_ = presses_.size(); }

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
    DWORD lookMs_ = 0;
    HWND lookingAt_ = nullptr;
    DWORD lookingSince_ = 0;
    bool quiet_ = false;
    std::function<void(const std::string&, const std::string&)> onPress_;
    std::vector<std::string> seen_;
};

// Splits "UP,UP,EXIT" into its captions.
std::vector<std::string> SplitPresses(const std::string& list);

}  // namespace sim
