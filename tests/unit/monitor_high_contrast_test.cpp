// The designed colours hold until high contrast is on; then every colour is the system's.
#include <gtest/gtest.h>

#include "monitor/high_contrast.h"

namespace kestrin {
namespace {

constexpr Colour kBlue = 0xFF0000, kWhite = 0xFFFFFF, kGrey = 0x808080;
constexpr Colour kSystemText = 0x00FFFF, kSystemWindow = 0x000000;  // yellow on black, a high-contrast theme

TEST(HighContrast, StatusLabelAndSeparatorTakeTheSystemColoursOnlyInHighContrast) {
    const LabelColours designed = StatusLabelColours(false, kSystemText, kSystemWindow);
    EXPECT_EQ(designed.text, kBlue);
    EXPECT_EQ(designed.background, kWhite);
    const LabelColours contrast = StatusLabelColours(true, kSystemText, kSystemWindow);
    EXPECT_EQ(contrast.text, kSystemText);
    EXPECT_EQ(contrast.background, kSystemWindow);

    EXPECT_EQ(AboutSeparatorColours(false, 1, 2).upper, kGrey);
    EXPECT_EQ(AboutSeparatorColours(false, 1, 2).lower, kWhite);
    EXPECT_EQ(AboutSeparatorColours(true, 1, 2).upper, 1u);
    EXPECT_EQ(AboutSeparatorColours(true, 1, 2).lower, 2u);
}

}  // namespace
}  // namespace kestrin
