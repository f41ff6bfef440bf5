// The in-memory dialog template written from the layouts that arbitrary
// requests produce, then decoded back as the dialog manager reads it: the
// header, each DWORD-aligned item with its class atom and UTF-16 text, all
// equal to the layout, and nothing written past the measured size.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "tests/fuzz/fuzz_prompt_request.h"
#include "tests/msgbox/widen_latin1.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Reader {
    const std::vector<uint8_t>& bytes;
    std::size_t end;
    std::size_t at = 0;

    uint16_t Word()
    {
        Check(at + 2 <= end);
        at += 2;
        return static_cast<uint16_t>(bytes[at - 2] | bytes[at - 1] << 8);
    }
    uint32_t DoubleWord() { return Word() | static_cast<uint32_t>(Word()) << 16; }
    std::string Text()
    {
        std::string text;
        for (uint16_t unit = Word(); unit != 0; unit = Word())
            text.push_back(static_cast<char>(unit));
        return text;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    FuzzPromptRequest request(in);
    CPromptDialog dialog(request.metrics, nullptr, request.messageArgument, request.captionArgument, request.type,
                         request.params);

    std::size_t measured = MeasureDialogTemplate(dialog, WidenLatin1);
    Check(measured > 0);
    std::vector<uint8_t> block(measured + 64, 0xCD);
    Check(WriteDialogTemplate(dialog, WidenLatin1, block.data(), measured) == measured);
    for (std::size_t i = measured; i < block.size(); ++i)
        Check(block[i] == 0xCD);
    // A block one byte short is refused, not overrun.
    if (measured > 1) {
        std::vector<uint8_t> small(measured - 1);
        Check(WriteDialogTemplate(dialog, WidenLatin1, small.data(), small.size()) == 0);
    }

    const PbDialogHeader& h = dialog.m_dlgTemplate;
    Reader r{block, measured};
    Check(r.DoubleWord() == h.style);
    Check(r.DoubleWord() == h.dwExtendedStyle);
    Check(r.Word() == h.cdit);
    Check(static_cast<int16_t>(r.Word()) == h.x && static_cast<int16_t>(r.Word()) == h.y);
    Check(static_cast<int16_t>(r.Word()) == h.cx && static_cast<int16_t>(r.Word()) == h.cy);
    Check(r.Word() == 0);  // no menu
    Check(r.Word() == 0);  // the predefined dialog class
    std::string title = r.Text();
    Check(title == std::string(dialog.CaptionText()).substr(0, PB_TITLE_CHARS - 1));

    for (int i = 0; i < h.cdit; ++i) {
        const CPromptItem& item = *dialog.m_pItems[i];
        while (r.at % 4)
            Check(block[r.at++] == 0);
        Check(r.DoubleWord() == item.m_dwStyle);
        Check(r.DoubleWord() == item.m_dwExStyle);
        Check(static_cast<int16_t>(r.Word()) == item.m_rcDlgUnits.x);
        Check(static_cast<int16_t>(r.Word()) == item.m_rcDlgUnits.y);
        Check(static_cast<int16_t>(r.Word()) == item.m_rcDlgUnits.cx);
        Check(static_cast<int16_t>(r.Word()) == item.m_rcDlgUnits.cy);
        Check(r.Word() == item.m_nId);
        Check(r.Word() == 0xFFFF);
        Check(r.Word() == item.m_nKind);
        Check(r.Text() == item.Text());
        Check(r.Word() == 0);  // no creation data
    }
    Check(r.at == measured);
    return 0;
}
