#include <gtest/gtest.h>

#include <cstdint>

#include "msgbox/mul_div.h"
#include "msgbox/prompt_box_params.h"

namespace {

template <typename T>
bool AllZero(const T& field)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&field);
    for (size_t i = 0; i < sizeof(field); ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

TEST(PromptBoxParams, DefaultsAreZeroExceptTheColours)
{
    const PromptBoxParams p;
    EXPECT_EQ(p.textColor, 0xFFFFFFFFu);
    EXPECT_EQ(p.backgroundColor, 0xFFFFFFFFu);
    const bool zero[] = {
        AllZero(p.helpContextId),
        AllZero(p.timeoutSecs),
        AllZero(p.disabledSecs),
        AllZero(p.posX),
        AllZero(p.posY),
        AllZero(p.layoutFlags),
        AllZero(p.stringsModule),
        AllZero(p.iconModule),
        AllZero(p.iconId),
        AllZero(p.iconName),
        AllZero(p.buttonsStringId),
        AllZero(p.buttonsText),
        AllZero(p.reportCaptionId),
        AllZero(p.reportCaption),
        AllZero(p.registryCompany),
        AllZero(p.answerKeyText),
        AllZero(p.answerKeyNumber),
        AllZero(p.reportData),
        AllZero(p.reportCallback),
        AllZero(p.useCustomCaptions),
        AllZero(p.customCaptions),
    };
    for (size_t i = 0; i < sizeof(zero) / sizeof(zero[0]); ++i)
        EXPECT_TRUE(zero[i]) << "field " << i;
}

TEST(PbMulDiv, RoundsToNearestLikeTheSystem)
{
    EXPECT_EQ(PbMulDiv(38, 8, 4), 76);
    EXPECT_EQ(PbMulDiv(38, 7, 4), 67);  // 66.5: halves away from zero
    EXPECT_EQ(PbMulDiv(-3, 1, 2), -2);
    EXPECT_EQ(PbMulDiv(3, 1, -2), -2);
    EXPECT_EQ(PbMulDiv(-3, 1, -2), 2);
    EXPECT_EQ(PbMulDiv(-10, 1, 3), -3);
    // A 64-bit product; -1 for a zero divisor or a result beyond 32 bits.
    EXPECT_EQ(PbMulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(PbMulDiv(5, 1, 0), -1);
    EXPECT_EQ(PbMulDiv(INT32_MAX, 2, 1), -1);
}

}  // namespace
