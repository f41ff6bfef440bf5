// A message box request built from fuzzer bytes: metrics with a few string
// resources, a parameter record with arbitrary texts (not always
// terminated), a type word, and a message and caption that are null, a
// string-resource id or text of any length.
#pragma once

#include <string>

#include "msgbox/prompt_box_params.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/msgbox/fake_layout_metrics.h"

struct FuzzPromptRequest {
    FakeLayoutMetrics metrics;
    PromptBoxParams params;
    uint32_t type = 0;
    std::string message;
    std::string caption;
    const char* messageArgument = nullptr;
    const char* captionArgument = nullptr;

    explicit FuzzPromptRequest(FuzzInput& in)
    {
        metrics.measuringAvailable = in.Byte() != 0xFF;
        metrics.moduleIconsAvailable = in.Bool();
        for (int i = in.Byte() % 6; i > 0; --i)
            metrics.AddString(metrics.MainModule(), 9000 + in.Byte() % 40, in.Text(300));

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
        type = in.U32();

        message = in.Text(70000);
        caption = in.Text(3000);
        messageArgument = TextArgument(in, message);
        captionArgument = TextArgument(in, caption);
    }

private:
    static const char* TextArgument(FuzzInput& in, const std::string& text)
    {
        switch (in.Byte() % 4) {
        case 0: return nullptr;
        case 1: return reinterpret_cast<const char*>(static_cast<uintptr_t>(1 + in.U16() % 0xFFFF));
        default: return text.c_str();
        }
    }
};
