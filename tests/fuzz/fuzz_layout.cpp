// The dialog layout from arbitrary text, caption, type word and parameter
// record against fixed metrics: no out-of-bounds access, at most ten items,
// sane sizes, and every handle released with the dialog.
#include <cstdlib>
#include <cstring>

#include "msgbox/prompt_dialog.h"
#include "tests/fuzz/fuzz_prompt_request.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    FuzzPromptRequest request(in);
    {
        CPromptDialog dialog(request.metrics, nullptr, request.messageArgument, request.captionArgument, request.type,
                             request.params);
        const PbDialogHeader& header = dialog.m_dlgTemplate;
        Check(header.cdit <= 10);
        Check(header.cx >= 0 && header.cy >= 0);
        Check(std::strlen(dialog.MessageText()) < PB_TEXT_BUFFER_CHARS);
        Check(std::strlen(dialog.CaptionText()) < PB_TEXT_BUFFER_CHARS);
        int defaults = 0;
        for (int i = 0; i < PB_MAX_ITEMS; ++i) {
            const CPromptItem* item = dialog.m_pItems[i].get();
            Check((item != nullptr) == (i < header.cdit));
            if (!item)
                continue;
            Check(item->Text() != nullptr);
            Check(item->m_rcDlgUnits.cx >= 0 && item->m_rcDlgUnits.cy >= 0);
            Check(item->m_nKind == 0x80 || item->m_nKind == 0x82);
            defaults += (item->m_dwStyle & 0xF) == 1 && item->m_nKind == 0x80 ? 1 : 0;
        }
        Check(defaults <= 1);
        for (const auto& entry : dialog.m_szCaptions)
            Check(strnlen(entry, PB_CAPTION_CHARS) < PB_CAPTION_CHARS);
    }
    Check(FakeLayoutMetrics::LiveHandles() == 0);
    return 0;
}
