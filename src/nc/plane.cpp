// Plane selection through the controller's axis mapping.
#include "nc/plane.h"

#include <cstdlib>

namespace morvex {

PlaneAxes PlaneOf(const ControllerDef& ctl, int programmedPlane) {
    const int wanted = std::abs(programmedPlane);
    const int xy = ctl.planeCodes[0];
    const int zx = ctl.planeCodes[1];
    const int yz = ctl.planeCodes[2];
    if (std::abs(xy) == wanted) return {0, 1, 2, xy < 0 ? -17 : 17};
    if (std::abs(zx) == wanted) return {2, 0, 1, zx < 0 ? -18 : 18};
    return {1, 2, 0, yz < 0 ? -19 : 19};
}

}  // namespace morvex
