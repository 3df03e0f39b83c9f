// The unattended work operations of the command line, applied to the work
// of the command line and written to the /O file:
//   /XO kind,value  offsets: Z (Z-axis), N (normal), H (horizontal); a
//                   suffix 2 offsets only painted nodes, 3 the basic model
//                   (/K) instead of the work (N3, H3)
//   /XA{H|L} file   merges a DMF or STL model into the work, Higher or Lower
//   /XM letters     turns and flips, in the order given: R 90°, L -90°,
//                   U 180°, X mirror at X = 0, Y mirror at Y = 0, F turn
//                   over along X, G turn over along Y
#pragma once

#include "frame/app.h"

namespace morvex {

class Host;

// Exit status: 0 done and written, 2 unusable arguments or files, or an
// output that could not be written.
int RunUnattendedOperation(App& app, Host& host);

}  // namespace morvex
