// The arithmetic of VID codes: one step of a code, and the highest code
// within a voltage limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "chip/vid_codes.h"

namespace {

TEST(StepVidValueTest, StepsTheCodeWithoutWrappingAndKeepsBit7)
{
    EXPECT_EQ(StepVidValue(0x48, VidMove::Up), 0x49);
    EXPECT_EQ(StepVidValue(0x48, VidMove::Down), 0x47);
    EXPECT_EQ(StepVidValue(0x00, VidMove::Down), 0x00);
    EXPECT_EQ(StepVidValue(0x7F, VidMove::Up), 0x7F);
    EXPECT_EQ(StepVidValue(0xFF, VidMove::Up), 0xFF);
    EXPECT_EQ(StepVidValue(0x80, VidMove::Down), 0x80);
    EXPECT_EQ(StepVidValue(0x80, VidMove::Up), 0x81);
}

TEST(HighestCodeWithinTest, HighestCodeWithinTheLimit)
{
    EXPECT_EQ(HighestCodeWithin(1.45f), 0x50);  // exactly code 0x50's voltage
    EXPECT_EQ(HighestCodeWithin(1.4499f), 0x4F);
    EXPECT_EQ(HighestCodeWithin(0.45f), 0);
    EXPECT_EQ(HighestCodeWithin(0.44f), -1);  // no code at all
    EXPECT_EQ(HighestCodeWithin(9.0f), 0x7F);
    // Every code's exact voltage, written as a person would, allows that
    // code and no more (the float of 1.3625 lies just below the decimal).
    for (int code = 0; code <= 0x7F; ++code) {
        char text[16];
        std::snprintf(text, sizeof text, "%.4f", 0.45 + 0.0125 * code);
        EXPECT_EQ(HighestCodeWithin(std::strtof(text, nullptr)), code) << text;
    }
}

}  // namespace
