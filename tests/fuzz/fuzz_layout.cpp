// The dialog layout from arbitrary text, caption, type word and parameter
// record against fixed metrics: no out-of-bounds access, at most ten items,
// sane sizes, and every handle released with the dialog.
#include <cstdlib>
#include <cstring>

#include "msgbox/prompt_dialog.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/msgbox/fake_layout_metrics.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// A text argument: null, a string-resource id, or a pointer to text.
const char* TextArgument(FuzzInput& in, const std::string& text)
{
    switch (in.Byte() % 4) {
    case 0: return nullptr;
    case 1: return reinterpret_cast<const char*>(static_cast<uintptr_t>(1 + in.U16() % 0xFFFF));
    default: return text.c_str();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    FakeLayoutMetrics metrics;
    metrics.measuringAvailable = in.Byte() != 0xFF;
    metrics.moduleIconsAvailable = in.Bool();
    // A few string resources, the caption ids among them.
    for (int i = in.Byte() % 6; i > 0; --i)
        metrics.AddString(metrics.MainModule(), 9000 + in.Byte() % 40, in.Text(300));

    PromptBoxParams params;
    params.helpContextId = in.U32();
    params.timeoutSecs = static_cast<int32_t>(in.U32());
    params.disabledSecs = static_cast<int32_t>(in.U32());
    params.posX = static_cast<int16_t>(in.U16());
    params.posY = static_cast<int16_t>(in.U16());
    params.layoutFlags = in.Byte();
    params.iconId = in.Bool() ? in.U32() : 0;
    in.Fill(params.iconName, sizeof params.iconName);
    params.buttonsStringId = in.Bool() ? 9000 + in.Byte() % 40 : 0;
    in.Fill(params.buttonsText, sizeof params.buttonsText);
    params.reportCaptionId = in.Bool() ? 9000 + in.Byte() % 40 : 0;
    in.Fill(params.reportCaption, sizeof params.reportCaption);
    in.Fill(params.registryCompany, sizeof params.registryCompany);
    params.textColor = in.U32();
    params.backgroundColor = in.Bool() ? 0xFFFFFFFFu : in.U32();
    params.useCustomCaptions = in.Bool();
    for (int i = in.Byte() % 4; i > 0; --i)
        in.Fill(params.customCaptions[in.Byte() % PB_CAPTION_COUNT], PB_TEXT_CHARS);
    if (in.Bool())
        params.reportCallback = [](const char*, uint32_t) {};
    uint32_t type = in.U32();

    std::string message = in.Text(70000);
    std::string caption = in.Text(3000);
    const char* messageArgument = TextArgument(in, message);
    const char* captionArgument = TextArgument(in, caption);

    {
        CPromptDialog dialog(metrics, nullptr, messageArgument, captionArgument, type, params);
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
