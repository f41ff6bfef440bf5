#include "msgbox/win32/ansi_text.h"

#include <windows.h>

static_assert(sizeof(WCHAR) == sizeof(uint16_t), "UTF-16 units");

int32_t WidenAnsiText(const char* text, uint16_t* units, int32_t capacity)
{
    if (text == nullptr)
        text = "";
    return MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(units), units != nullptr ? capacity : 0);
}
