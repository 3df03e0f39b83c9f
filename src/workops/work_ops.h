// Whole-work operations that move, turn, cut down or turn over the grid:
// rotate/mirror, move, XYZ cut, thinning, reverse/press and the Z-axis
// offset. Each works on the current arrays; the caller backs the work up
// first (the "C" key) and redraws afterwards.
#pragma once

#include "sim/work_model.h"

namespace morvex {

// Rotation about Z through X = 0, Y = 0, or a mirror at X = 0 or Y = 0.
enum class TurnKind { Deg90 = 1, Deg180 = 2, DegMinus90 = 3, MirrorX = 4, MirrorY = 5 };

// Heights, attribute bytes and line numbers move with their nodes; the
// origin follows. False (the work unchanged) when the scratch copy cannot
// be had.
[[nodiscard]] bool TurnWork(WorkModel& work, TurnKind kind);

// "Shift": the origin, the bottom and every height move by (dx, dy, dz).
void ShiftWork(WorkModel& work, double dx, double dy, double dz);
// "Position": the origin to (minX, minY), the bottom to minZ, the heights with it.
void PlaceWork(WorkModel& work, double minX, double minY, double minZ);

// Every height (with onlyPaint, those of painted nodes) raised by value;
// their attribute bytes and line numbers become 0. A negative value lowers
// the bottom to the lowest height below it. zMax is recomputed.
void OffsetWorkZ(WorkModel& work, double value, bool onlyPaint);

struct XyzCut {
    double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
    double zCut = 0.0;  // "Z-Cut VALUE"
    double zMin = 0.0;  // "Z-Min VALUE"
    bool cutToBottom = false;      // "Cut-Part to Bottom"
    bool bottomToMinimum = false;  // "Bottom-Part to Minimum"
};

enum class XyzCutStatus { Ok, EmptyRange, MemoryOver };

// The grid cut down to the nodes of the X and Y range (at least 2 x 2),
// then every height limited by the Z values.
[[nodiscard]] XyzCutStatus CutWorkXyz(WorkModel& work, const XyzCut& cut);

// Every k-th node (with xEnd / yEnd the last column / row too); the pitch
// grows k times. False for k < 2 ("2以上の値を設定して下さい。").
[[nodiscard]] bool ThinWork(WorkModel& work, int k, bool xEnd, bool yEnd);

struct ReverseSetting {
    bool alongY = false;  // Direction Y: the Y index is mirrored; otherwise X
    bool keepPaint = false;
    bool keepPen = false;
    bool keepDirection = false;
};

// Turns the work over: h' = c - h with c = 10 + bottom + the highest height,
// mirrored along X or Y, attribute bits kept as asked, line numbers 0.
[[nodiscard]] bool ReverseWork(WorkModel& work, const ReverseSetting& setting);

}  // namespace morvex
