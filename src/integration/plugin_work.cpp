// Records handed to simulation and modifier modules, and the height check.
#include "integration/plugin_work.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace morvex {

MvMotion MvMotionOf(int type, const Point& toolStart, const Point& toolEnd, const Point& toolCentre, int plane,
                    int line, double feed, const Point& workOffset, double shift) {
    MvMotion m{};
    m.type = type;
    m.plane = std::abs(plane);
    m.line = line;
    for (int a = 0; a < 3; ++a) {
        const double lower = a == 2 ? shift : 0.0;
        m.start[a] = toolStart[static_cast<std::size_t>(a)] + workOffset[static_cast<std::size_t>(a)] - lower;
        m.end[a] = toolEnd[static_cast<std::size_t>(a)] + workOffset[static_cast<std::size_t>(a)] - lower;
        m.centre[a] = toolCentre[static_cast<std::size_t>(a)] + workOffset[static_cast<std::size_t>(a)] - lower;
    }
    m.feed = type == MV_RAPID ? 0.0 : feed;
    return m;
}

MvWork MvWorkOf(WorkModel& w) {
    MvWork m{};
    m.height = w.height;
    m.attr = w.attr;
    m.lineNo = w.lineNo;
    m.nx = w.nx;
    m.ny = w.ny;
    m.pitch = w.pitch;
    m.xMin = w.xMin;
    m.yMin = w.yMin;
    m.zMin = w.zMin;
    m.xMax = w.xMax;
    m.yMax = w.yMax;
    m.zMax = w.zMax;
    return m;
}

HeightRepair RepairHeights(WorkModel& w, const std::vector<float>& before) {
    HeightRepair r;
    if (w.height == nullptr) return r;
    const float bottom = static_cast<float>(w.zMin);
    const bool haveBefore = before.size() >= w.cellCount;
    float top = bottom;
    for (std::size_t i = 0; i < w.cellCount; ++i) {
        float& h = w.height[i];
        if (!std::isfinite(h)) {
            h = haveBefore && std::isfinite(before[i]) ? before[i] : bottom;
            ++r.notNumbers;
        }
        if (h < bottom) {
            h = bottom;
            ++r.belowBottom;
        }
        top = std::max(top, h);
    }
    // A module may also have raised nodes: zMax is an upper bound the
    // display and the operations rely on.
    w.zMax = std::max(w.zMax, static_cast<double>(top));
    return r;
}

}  // namespace morvex
