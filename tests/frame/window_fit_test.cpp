// The main window fitted into its screen's available area.
#include "frame/window_fit.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(WindowFit, SizeAndPlaceInsideTheAvailableArea) {
    const WindowRect scaled{0, 0, 800, 600};  // 1600 x 1200 at scale factor 2
    const WindowRect desk{0, 24, 1920, 1056};  // a panel at the top
    const WindowFrame none{}, decorated{4, 28, 4, 4};
    const struct {
        const char* what;
        WindowRect want, area;
        WindowFrame frame;
        WindowRect fit;
    } cases[] = {
        {"default size on a scaled screen", {0, 0, 1024, 768}, scaled, none, {0, 0, 800, 600}},
        {"saved on a larger screen", {200, 100, 2048, 1536}, scaled, none, {0, 0, 800, 600}},
        {"fits: unchanged", {100, 200, 1024, 768}, desk, none, {100, 200, 1024, 768}},
        {"exactly the area", {0, 24, 1920, 1056}, desk, none, {0, 24, 1920, 1056}},
        {"one pixel wider", {0, 24, 1921, 1056}, desk, none, {0, 24, 1920, 1056}},
        {"hangs off right and bottom", {1500, 900, 1024, 768}, desk, none, {896, 312, 1024, 768}},
        {"off every edge", {-3000, -3000, 640, 480}, desk, none, {0, 24, 640, 480}},
        {"frame counted", {0, 0, 1920, 1056}, desk, decorated, {4, 52, 1912, 1024}},
        {"frame at the far edge", {1600, 900, 300, 200}, desk, decorated, {1600, 876, 300, 200}},
        {"tiny saved size grows", {10, 30, 20, 5}, desk, none, {10, 30, 100, 100}},
        {"screen below the minimum", {0, 0, 500, 500}, {0, 0, 60, 40}, none, {0, 0, 60, 40}},
        {"second screen to the left", {-1500, 100, 1024, 768}, {-1280, 0, 1280, 1024}, none,
         {-1280, 100, 1024, 768}},
    };
    for (const auto& c : cases) {
        const WindowRect fit = FitWindowRect(c.want, c.area, c.frame, 100);
        EXPECT_EQ(fit, c.fit) << c.what << ": " << fit.x << "," << fit.y << " " << fit.width << "x" << fit.height;
        // The framed window inside the area, whatever was asked.
        EXPECT_GE(fit.x - c.frame.left, c.area.x) << c.what;
        EXPECT_GE(fit.y - c.frame.top, c.area.y) << c.what;
        EXPECT_LE(fit.x + fit.width + c.frame.right, c.area.x + c.area.width) << c.what;
        EXPECT_LE(fit.y + fit.height + c.frame.bottom, c.area.y + c.area.height) << c.what;
    }
}

}  // namespace
}  // namespace morvex
