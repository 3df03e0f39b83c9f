// Text on a coloured ground: black or white by the ground's luminance.
#include "frame/readable_text.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(ReadableText, BlackOnLightGroundsWhiteOnDarkOnes) {
    const ColorRef black = MakeColor(0, 0, 0), white = MakeColor(255, 255, 255);
    const struct {
        const char* what;
        ColorRef ground;
        ColorRef text;
    } cases[] = {
        {"white", white, black},
        {"black", black, white},
        // Half lightness by hue, but far from equally bright.
        {"yellow, PEN2", MakeColor(255, 255, 0), black},
        {"green, PEN1", MakeColor(0, 255, 0), black},
        {"cyan", MakeColor(0, 255, 255), black},
        {"red", MakeColor(255, 0, 0), black},
        {"blue", MakeColor(0, 0, 255), white},
        {"violet, VERTICAL-CUT", MakeColor(127, 0, 255), white},
        {"dark green, ARBOR", MakeColor(0, 128, 0), white},
        {"work blue", MakeColor(127, 127, 255), black},
        // The grey where both contrasts meet lies between 117 and 118.
        {"grey 118", MakeColor(118, 118, 118), black},
        {"grey 117", MakeColor(117, 117, 117), white},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadableTextOn(c.ground), c.text) << c.what;
    EXPECT_DOUBLE_EQ(Luminance(white), 1.0);
    EXPECT_DOUBLE_EQ(Luminance(black), 0.0);
    EXPECT_NEAR(Luminance(MakeColor(255, 0, 0)), 0.2126, 1e-12);
}

}  // namespace
}  // namespace morvex
