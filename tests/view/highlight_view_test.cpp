// The pen and paint highlight's colours.
#include "view/highlight_view.h"

#include <gtest/gtest.h>

#include <QColor>

namespace morvex {
namespace {

TEST(HighlightView, UnmarkedNodesTurnGreyAndPensAndPaintKeepTheirColours) {
    ViewSettings st;
    st.colors[ColorKey::Work] = MakeColor(200, 180, 40);
    st.colors[ColorKey::Work2] = MakeColor(20, 200, 40);
    st.colors[ColorKey::Pen1] = MakeColor(0, 0, 255);
    st.colors[ColorKey::UpCut] = MakeColor(255, 0, 255);
    st.colors[ColorKey::Penki] = MakeColor(255, 128, 0);
    st.display.colorByDirection = true;  // the highlight shows pens all the same
    st.display.targetAreaOn = true;
    const RenderStyle s = HighlightStyleOf(st);
    ViewSettings byPen = st;
    byPen.display.colorByDirection = false;
    const RenderStyle normal = RenderStyleOf(byPen, false);
    EXPECT_FALSE(s.byDirection);
    EXPECT_FALSE(s.targetOn);
    for (int i = 0; i < kShades; ++i) {
        for (const int cls : {kClassWork, kClassTarget}) {
            const QRgb c = s.shade[static_cast<std::size_t>(cls * kShades + i)];
            EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << cls << " " << i;
        }
        for (const int cls : {2, 5, 8, kClassPaint}) {
            const auto at = static_cast<std::size_t>(cls * kShades + i);
            EXPECT_EQ(s.shade[at], normal.shade[at]) << cls << " " << i;
        }
    }
}

}  // namespace
}  // namespace morvex
