// The pen and paint highlight.
#include "view/highlight_view.h"

#include <QColor>

#include "view/view_state.h"

namespace morvex {

RenderStyle HighlightStyleOf(const ViewSettings& settings) {
    ViewSettings byPen = settings;
    byPen.display.colorByDirection = false;
    byPen.display.targetAreaOn = false;
    RenderStyle s = RenderStyleOf(byPen, false);
    for (const int cls : {kClassWork, kClassTarget}) {
        for (int i = 0; i < kShades; ++i) {
            const ColorRef c = ShadeColor(kHighlightGrey, i);
            s.shade[static_cast<std::size_t>(cls * kShades + i)] =
                qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
        }
    }
    return s;
}

}  // namespace morvex
