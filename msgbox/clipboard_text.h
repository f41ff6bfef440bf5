// The plain-text copy of a message box that Ctrl+C puts on the clipboard:
//
//     ---------------------------
//     <title>
//     ---------------------------
//     <message>
//     ---------------------------
//     <button>   <button>   <check box>
//     ---------------------------
//
// every line ending in CR LF.  Button captions lose their '&' markers.  The
// whole text stays within a fixed 8,192-byte buffer, whatever the pieces.
#pragma once

#include <cstddef>

constexpr size_t PB_CLIPBOARD_TEXT_CHARS = 8192;
// Longest pieces taken over; the Windows side reads each with a buffer one
// larger.
constexpr size_t PB_CLIPBOARD_TITLE_CHARS = 999;
constexpr size_t PB_CLIPBOARD_MESSAGE_CHARS = 3999;
constexpr size_t PB_CLIPBOARD_BUTTON_CHARS = 198;

class ClipboardTextBuilder {
public:
    // Starts with the first separator line.
    ClipboardTextBuilder();

    ClipboardTextBuilder(const ClipboardTextBuilder&) = delete;
    ClipboardTextBuilder& operator=(const ClipboardTextBuilder&) = delete;

    // Call in this order: the title, the message (left out when the box has
    // no message control), each button in child-window order, Finish.
    void AddTitle(const char* title);
    void AddMessage(const char* message);
    void AddButton(const char* caption);
    // Closes the button line; returns the whole zero-terminated text.
    const char* Finish();

    const char* Text() const { return m_text; }
    size_t Length() const { return m_length; }

private:
    void Append(const char* text, size_t limit, bool dropAmpersands);
    void AppendSeparator();

    char m_text[PB_CLIPBOARD_TEXT_CHARS];
    size_t m_length = 0;
};
