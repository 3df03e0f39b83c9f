// Splitting a rapid traverse into the straight pieces the machine's axes
// actually follow, by the controller's G00 mode.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "nc/path_record.h"

namespace morvex {

// Rapid rates and accelerations of the machine axes X, Y, Z.
struct RapidAxes {
    std::array<double, 3> rate{10000.0, 10000.0, 10000.0};  // mm/min
    std::array<double, 3> accel{0.1, 0.1, 0.1};             // G (x 9800 mm/s^2)
};

inline constexpr int kG00Line = 0, kG00Async1 = 1, kG00Async2 = 2, kG00Unknown = 9;
inline constexpr std::size_t kMaxRapidPieces = 4096;  // cap for ASYNC2 (pitch may be tiny)

// Clears `pieces` and writes the end points of the traverse's pieces, the
// last being exactly `end`; always at least one piece. `workPitch` (mm) sets
// the ASYNC2 piece count. `corner`: for UNKNOWN, the corner point found by the
// work-model check at the end Z (only its X and Y are used), or nullptr.
void SplitRapid(int g00Mode, const Point& start, const Point& end, const RapidAxes& axes,
                double workPitch, const Point* corner, std::vector<Point>& pieces);

}  // namespace morvex
