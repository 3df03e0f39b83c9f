// The difference display.
#include "view/difference_view.h"

#include <QColor>
#include <algorithm>
#include <cmath>

#include "view/view_state.h"

namespace morvex {
namespace {

constexpr float kNoModel = -100000.0f;

void FillClass(RenderStyle& s, int cls, ColorRef color) {
    for (int i = 0; i < kShades; ++i) {
        const ColorRef c = ShadeColor(color, i);
        s.shade[static_cast<std::size_t>(cls * kShades + i)] = qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
    }
}

}  // namespace

bool DifferenceAttributes(const WorkModel& w, double margin, int sides, int ix0, int iy0, int ix1, int iy1,
                          std::vector<std::uint8_t>& attr) {
    if (w.cellCount == 0 || w.basicHeight.size() != w.cellCount || w.height == nullptr) return false;
    if (attr.size() != w.cellCount) attr.assign(w.cellCount, 0);
    ix0 = std::max(ix0, 0), iy0 = std::max(iy0, 0);
    ix1 = std::min(ix1, w.lastX), iy1 = std::min(iy1, w.lastY);
    const bool plus = (sides & kShowPlus) != 0, minus = (sides & kShowMinus) != 0;
    const double m = std::abs(margin);
    for (int iy = iy0; iy <= iy1; ++iy) {
        const std::size_t row = NodeIndex(w, 0, iy);
        for (int ix = ix0; ix <= ix1; ++ix) {
            const std::size_t i = row + static_cast<std::size_t>(ix);
            const float b = w.basicHeight[i];
            const double h = w.height[i];
            std::uint8_t a = 0;
            if (b != kNoModel) {
                if (plus && h - m > b) a = kPlusAttr;
                else if (minus && h + m < b) a = kMinusAttr;
            }
            attr[i] = a;
        }
    }
    return true;
}

WorkModel WithAttributes(const WorkModel& w, const std::uint8_t* attr) {
    WorkModel s;
    s.xMin = w.xMin, s.yMin = w.yMin, s.pitch = w.pitch;
    s.nx = w.nx, s.ny = w.ny, s.lastX = w.lastX, s.lastY = w.lastY, s.cellCount = w.cellCount;
    s.xMax = w.xMax, s.yMax = w.yMax, s.zMin = w.zMin, s.zMax = w.zMax;
    s.height = w.height;
    s.attr = const_cast<std::uint8_t*>(attr);  // the drawing only reads it
    s.lineNo = w.lineNo;
    s.workState = w.workState;
    s.dataLevel = w.dataLevel;
    return s;
}

RenderStyle DifferenceStyleOf(const ViewSettings& st, bool alarm) {
    RenderStyle s = RenderStyleOf(st, alarm);
    s.byDirection = false;
    s.targetOn = false;
    FillClass(s, kClassPaint, st.colors[ColorKey::Plus]);
    FillClass(s, 2, st.colors[ColorKey::Minus]);
    return s;
}

}  // namespace morvex
