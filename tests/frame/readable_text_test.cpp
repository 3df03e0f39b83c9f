// Text on a coloured ground: black or white by the ground's luminance.
#include "frame/readable_text.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(ReadableText, BlackOnLightGroundsWhiteOnDarkOnes) {
    const ColorRef black = MakeColor(0, 0, 0), white = MakeColor(255, 255, 255);
    // Yellow and green have half the lightness of white but are bright; the
    // grey where both contrasts meet lies between 117 and 118.
    const ColorRef onBlack[] = {white, MakeColor(255, 255, 0), MakeColor(0, 255, 0), MakeColor(255, 0, 0),
                                MakeColor(127, 127, 255), MakeColor(118, 118, 118)};
    const ColorRef onWhite[] = {black, MakeColor(0, 0, 255), MakeColor(127, 0, 255), MakeColor(0, 128, 0),
                                MakeColor(117, 117, 117)};
    for (const ColorRef c : onBlack) EXPECT_EQ(ReadableTextOn(c), black) << std::hex << c;
    for (const ColorRef c : onWhite) EXPECT_EQ(ReadableTextOn(c), white) << std::hex << c;
    EXPECT_NEAR(Luminance(MakeColor(255, 0, 0)), 0.2126, 1e-12);
}

}  // namespace
}  // namespace morvex
