#include "msgbox/clipboard_text.h"

#include <cstring>

namespace {

const char kSeparator[] = "---------------------------\r\n";
const char kLineEnd[] = "\r\n";
const char kButtonGap[] = "   ";

}  // namespace

ClipboardTextBuilder::ClipboardTextBuilder()
{
    m_text[0] = '\0';
    AppendSeparator();
}

void ClipboardTextBuilder::Append(const char* text, size_t limit, bool dropAmpersands)
{
    if (text == nullptr)
        return;
    for (size_t i = 0; i < limit && text[i] != '\0'; ++i) {
        if (dropAmpersands && text[i] == '&')
            continue;
        if (m_length + 1 >= PB_CLIPBOARD_TEXT_CHARS)
            break;
        m_text[m_length++] = text[i];
    }
    m_text[m_length] = '\0';
}

void ClipboardTextBuilder::AppendSeparator()
{
    Append(kSeparator, sizeof(kSeparator), false);
}

void ClipboardTextBuilder::AddTitle(const char* title)
{
    Append(title, PB_CLIPBOARD_TITLE_CHARS, false);
    Append(kLineEnd, sizeof(kLineEnd), false);
    AppendSeparator();
}

void ClipboardTextBuilder::AddMessage(const char* message)
{
    Append(message, PB_CLIPBOARD_MESSAGE_CHARS, false);
    Append(kLineEnd, sizeof(kLineEnd), false);
    AppendSeparator();
}

void ClipboardTextBuilder::AddButton(const char* caption)
{
    Append(caption, PB_CLIPBOARD_BUTTON_CHARS, true);
    Append(kButtonGap, sizeof(kButtonGap), false);
}

const char* ClipboardTextBuilder::Finish()
{
    Append(kLineEnd, sizeof(kLineEnd), false);
    AppendSeparator();
    return m_text;
}
