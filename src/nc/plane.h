// The active plane: which machine axes are the first, second and third
// (tool) axis when the program selects G17, G18 or G19.
#pragma once

#include "nc/controller_def.h"

namespace morvex {

struct PlaneAxes {
    int first = 0;
    int second = 1;
    int third = 2;
    int plane = 17;  // 17 XY, 18 ZX, 19 YZ; negative when viewed from the other side
};

// The machine plane whose code is plus or minus `programmedPlane` becomes
// active (XY: X, Y, Z; ZX: Z, X, Y; YZ: Y, Z, X); its number carries the
// sign of the code; YZ when neither XY nor ZX carries it.
PlaneAxes PlaneOf(const ControllerDef& ctl, int programmedPlane);

}  // namespace morvex
