// The in-memory dialog template written from the layouts that arbitrary
// requests produce, then decoded back as the dialog manager reads it: the
// header, each DWORD-aligned item with its class atom and UTF-16 text, all
// equal to the layout, and nothing written past the measured size.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"
#include "tests/fuzz/fuzz_prompt_request.h"
#include "tests/msgbox/widen_latin1.h"
#include "tests/support/dialog_template_reader.h"

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

    const std::string title = std::string(dialog.CaptionText()).substr(0, PB_TITLE_CHARS - 1);
    Check(DialogTemplateMismatch(block.data(), measured, dialog, title).empty());
    return 0;
}
