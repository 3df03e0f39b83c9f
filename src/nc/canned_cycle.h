// Canned drilling cycles (G73, G74, G76, G81 to G89): one cycle block becomes
// the rapid and feed motions of its holes.
#pragma once

#include <cstddef>
#include <vector>

#include "nc/interpreter.h"
#include "nc/path_record.h"

namespace morvex {

struct CycleRequest {
    int code = 81;                         // 73, 74, 76, 81..89
    int first = 0, second = 1, third = 2;  // plane axes; third is the tool axis
    Point current{};                       // where the tool stands (programmed coordinates)
    Point hole{};                          // the block's end point; its plane axes place the hole
    Point planeIncrement{};                // the block's plane increment, for repeats
    double rWord = 0.0;        // the R word (absolute R level, or increment from the initial level)
    double bottomWord = 0.0;   // tool-axis word (absolute bottom, or increment from the R level)
    bool incremental = false;  // distance mode when the cycle started
    double initialLevel = 0.0;
    int returnLevel = 1;  // 1 initial (G98), 0 R level (G99), 2 the G71 level
    double g71Level = 0.0;
    double q = 0.0;  // peck depth
    int repeat = 1;  // 0 = position only (K0/L0 not ignored)
    double g73Return = 1.0, g83Clearance = 1.0;
    double clearance = 0.0;   // cycle clearance of this code
    bool singleFeed = false;  // G73/G83 make one feed to the bottom (skip and result-display runs)
};

// Appends the motions of the cycle block to `out`, every entry with its full
// end point; `out` never grows past kMaxQueuedPerBlock entries, and only
// complete holes are appended. Returns the number appended: 0 for an unknown
// code, a plane that is not a permutation of the axes, or a non-finite level
// or hole position.
std::size_t ExpandCycle(const CycleRequest& req, std::vector<QueuedMotion>& out);

}  // namespace morvex
