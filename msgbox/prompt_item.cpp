#include "msgbox/prompt_item.h"

#include <cstring>
#include <new>

uint32_t PromptItemStyle(uint32_t kind)
{
    const uint32_t child = PB_WS_CHILD | PB_WS_VISIBLE;
    switch (kind) {
    case PB_KIND_SCROLLBAR: return child | 3;
    case PB_KIND_BUTTON: return child | PB_WS_TABSTOP;
    case PB_KIND_EDIT: return child | PB_WS_TABSTOP | PB_ES_MULTILINE;
    case PB_KIND_CHECKBOX: return child | PB_WS_TABSTOP | PB_BS_AUTOCHECKBOX;
    case PB_KIND_STATIC:
    default: return child;
    }
}

CPromptItem::CPromptItem(uint32_t kind)
    : m_dwStyle(PromptItemStyle(kind)), m_nKind(kind == PB_KIND_CHECKBOX ? PB_KIND_BUTTON : kind)
{
}

bool CPromptItem::SetText(const char* text)
{
    if (text == nullptr)
        text = "";
    const size_t size = std::strlen(text) + 1;
    m_pszText.reset(new (std::nothrow) char[size]);
    if (!m_pszText)
        return false;
    std::memcpy(m_pszText.get(), text, size);
    return true;
}
