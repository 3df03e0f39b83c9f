// The main window fitted into its screen's available area.
#include "frame/window_fit.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(WindowFit, SizeAndPlaceInsideTheAvailableArea) {
    const WindowRect scaled{0, 0, 800, 600};   // 1600 x 1200 at scale factor 2
    const WindowRect desk{0, 24, 1920, 1056};  // a panel at the top
    const WindowFrame none{}, decorated{4, 28, 4, 4};
    const struct {
        WindowRect want, area;
        WindowFrame frame;
        WindowRect fit;
    } cases[] = {
        {{0, 0, 1024, 768}, scaled, none, {0, 0, 800, 600}},
        {{100, 200, 1024, 768}, desk, none, {100, 200, 1024, 768}},  // fits: unchanged
        {{0, 24, 1921, 1056}, desk, none, {0, 24, 1920, 1056}},      // one pixel too wide
        {{1500, 900, 1024, 768}, desk, none, {896, 312, 1024, 768}},
        {{-3000, -3000, 640, 480}, desk, none, {0, 24, 640, 480}},
        {{0, 0, 1920, 1056}, desk, decorated, {4, 52, 1912, 1024}},
        {{10, 30, 20, 5}, desk, none, {10, 30, 100, 100}},           // below the minimum side
        {{0, 0, 500, 500}, {0, 0, 60, 40}, none, {0, 0, 60, 40}},    // a screen smaller still
        {{-1500, 100, 1024, 768}, {-1280, 0, 1280, 1024}, none, {-1280, 100, 1024, 768}},
    };
    for (const auto& c : cases) {
        const WindowRect fit = FitWindowRect(c.want, c.area, c.frame, 100);
        EXPECT_EQ(fit, c.fit) << fit.x << "," << fit.y << " " << fit.width << "x" << fit.height;
    }
}

}  // namespace
}  // namespace morvex
