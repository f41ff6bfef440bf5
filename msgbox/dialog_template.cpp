#include "msgbox/dialog_template.h"

#include <memory>
#include <new>

#include "msgbox/bounded_text.h"
#include "msgbox/prompt_dialog.h"

namespace {

// The class word of an item whose class follows as an atom.
constexpr uint16_t kClassAtomMarker = 0xFFFF;

// Appends little-endian values at a running offset.  Without a block it only
// counts, so measuring and writing share one walk over the dialog.
class TemplateSink {
public:
    TemplateSink(uint8_t* block, size_t capacity) : m_block(block), m_capacity(capacity) {}

    void Word(uint16_t value)
    {
        Byte(static_cast<uint8_t>(value & 0xFF));
        Byte(static_cast<uint8_t>(value >> 8));
    }
    void DoubleWord(uint32_t value)
    {
        Word(static_cast<uint16_t>(value & 0xFFFF));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void AlignToDoubleWord()
    {
        while (m_position % 4 != 0)
            Byte(0);
    }
    bool Counting() const { return m_block == nullptr; }
    size_t Position() const { return m_position; }
    bool Failed() const { return m_failed; }
    void Fail() { m_failed = true; }

private:
    void Byte(uint8_t value)
    {
        if (m_block != nullptr) {
            if (m_position >= m_capacity) {
                m_failed = true;
                return;
            }
            m_block[m_position] = value;
        }
        ++m_position;
    }

    uint8_t* m_block;
    size_t m_capacity;
    size_t m_position = 0;
    bool m_failed = false;
};

// The text in UTF-16 with its terminator.
void WriteText(TemplateSink& sink, PbWidenText widen, const char* text)
{
    const int32_t units = widen(text, nullptr, 0);
    if (units <= 0) {
        sink.Fail();
        return;
    }
    if (sink.Counting()) {
        for (int32_t i = 0; i < units; ++i)
            sink.Word(0);
        return;
    }
    std::unique_ptr<uint16_t[]> wide(new (std::nothrow) uint16_t[static_cast<size_t>(units)]);
    if (!wide || widen(text, wide.get(), units) != units) {
        sink.Fail();
        return;
    }
    // The terminator is written whatever the converter left there.
    wide[static_cast<size_t>(units) - 1] = 0;
    for (int32_t i = 0; i < units; ++i)
        sink.Word(wide[static_cast<size_t>(i)]);
}

void WriteItem(TemplateSink& sink, PbWidenText widen, const CPromptItem& item)
{
    sink.AlignToDoubleWord();
    sink.DoubleWord(item.m_dwStyle);
    sink.DoubleWord(item.m_dwExStyle);
    sink.Word(static_cast<uint16_t>(item.m_rcDlgUnits.x));
    sink.Word(static_cast<uint16_t>(item.m_rcDlgUnits.y));
    sink.Word(static_cast<uint16_t>(item.m_rcDlgUnits.cx));
    sink.Word(static_cast<uint16_t>(item.m_rcDlgUnits.cy));
    sink.Word(item.m_nId);
    sink.Word(kClassAtomMarker);
    sink.Word(static_cast<uint16_t>(item.m_nKind & 0xFFFF));
    WriteText(sink, widen, item.Text());
    sink.Word(0);  // no creation data
}

// The items that exist, in slot order; the header's count must match them.
uint16_t CountItems(const CPromptDialog& dialog)
{
    uint16_t count = 0;
    for (int i = 0; i < dialog.m_dlgTemplate.cdit && i < PB_MAX_ITEMS; ++i)
        if (dialog.m_pItems[i])
            ++count;
    return count;
}

size_t WriteTemplate(const CPromptDialog& dialog, PbWidenText widen, TemplateSink& sink)
{
    if (widen == nullptr)
        return 0;
    const PbDialogHeader& header = dialog.m_dlgTemplate;
    sink.DoubleWord(header.style);
    sink.DoubleWord(header.dwExtendedStyle);
    sink.Word(CountItems(dialog));
    sink.Word(static_cast<uint16_t>(header.x));
    sink.Word(static_cast<uint16_t>(header.y));
    sink.Word(static_cast<uint16_t>(header.cx));
    sink.Word(static_cast<uint16_t>(header.cy));
    sink.Word(0);  // no menu
    sink.Word(0);  // the predefined dialog class

    char title[PB_TITLE_CHARS];
    CopyTextBounded(title, dialog.CaptionText());
    WriteText(sink, widen, title);

    for (int i = 0; i < dialog.m_dlgTemplate.cdit && i < PB_MAX_ITEMS; ++i)
        if (dialog.m_pItems[i])
            WriteItem(sink, widen, *dialog.m_pItems[i]);
    return sink.Failed() ? 0 : sink.Position();
}

}  // namespace

size_t MeasureDialogTemplate(const CPromptDialog& dialog, PbWidenText widen)
{
    TemplateSink counter(nullptr, 0);
    return WriteTemplate(dialog, widen, counter);
}

size_t WriteDialogTemplate(const CPromptDialog& dialog, PbWidenText widen, uint8_t* block, size_t capacity)
{
    if (block == nullptr)
        return 0;
    TemplateSink writer(block, capacity);
    return WriteTemplate(dialog, widen, writer);
}
