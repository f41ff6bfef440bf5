// A person at the card, played by a second thread: while the test's thread
// is inside a plug-in call that shows message boxes, it waits for each box,
// notes its title and text, and presses the next button by its caption.
// Every wait is bounded; if a box is still up when the presses run out, a
// quit message ends the call so that a failing test cannot hang.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace test {

struct SeenBox {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;  // captions without '&', in creation order
};

// Waits, bounded, until condition holds; false when the time ran out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Runs call on this thread while person acts on a second thread, as a person
// at the card does while the host is inside a plug-in call. person gets the
// calling thread's id (to find its boxes, or to post it a quit message that
// ends a stuck call) and a flag set once call has returned. A quit message
// left behind is drained, so it cannot end the next test's box. Returns what
// call returned.
int WithPerson(const std::function<void(DWORD caller, const std::atomic<bool>& returned)>& person,
               const std::function<int()>& call);

// The next visible box of the caller's thread, waited for (bounded); null
// when the call returned or the time ran out first.
HWND WaitForNextBox(DWORD caller, const std::atomic<bool>& returned);

// Runs call on this thread and presses the captions in order, one per box.
// Returns what call returned; seen receives every box that appeared. When
// readyToPress is given, each press waits (bounded) until it holds, so that
// the test can let the host do something while a box is up.
int PressThrough(const std::vector<std::string>& presses, const std::function<int()>& call, std::vector<SeenBox>* seen,
                 const std::function<bool()>& readyToPress = nullptr);

}  // namespace test
