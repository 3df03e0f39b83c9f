// Picking a node under the mouse.
#include "view/node_pick.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace morvex {

long long NodeUnderPixel(const WorkModel& w, const ViewState& v, int px, int py) {
    if (w.height == nullptr || w.nx < 1 || w.ny < 1 || !(w.pitch > 0.0)) return -1;
    const double radius = std::max(2.0, 0.75 * w.pitch * v.scale);
    const double r2 = radius * radius;
    const double slack = 2.0 * w.pitch;
    struct Candidate {
        long long node;
        double depth;  // towards the viewer
        double d2;     // squared pixel distance
    };
    std::vector<Candidate> near;
    double nearest = -std::numeric_limits<double>::infinity();
    for (int iy = 0; iy < w.ny; ++iy) {
        const double y = w.yMin + iy * w.pitch;
        for (int ix = 0; ix < w.nx; ++ix) {
            const long long node = static_cast<long long>(iy) * w.nx + ix;
            const double x = w.xMin + ix * w.pitch, z = w.height[node];
            const ScreenPoint s = Project(v, x, y, z);
            const double ex = s.x - px, ey = s.y - py;
            const double d2 = ex * ex + ey * ey;
            if (d2 > r2) continue;
            // Distance towards the viewer along V (the perspective's depth too).
            const double depth =
                (x - v.centre.x) * v.toViewer.x + (y - v.centre.y) * v.toViewer.y + (z - v.centre.z) * v.toViewer.z;
            if (depth < nearest - slack) continue;
            nearest = std::max(nearest, depth);
            near.push_back({node, depth, d2});
        }
    }
    long long best = -1;
    double bestD2 = std::numeric_limits<double>::infinity();
    for (const Candidate& c : near) {
        if (c.depth < nearest - slack) continue;
        if (c.d2 < bestD2 || (c.d2 == bestD2 && c.node < best)) {
            best = c.node;
            bestD2 = c.d2;
        }
    }
    return best;
}

}  // namespace morvex
