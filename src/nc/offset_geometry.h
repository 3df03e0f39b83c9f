// The geometry of cutter radius compensation: offsetting one programmed
// element by the radius offset, deciding whether the corner between two
// elements is outside or inside, the lines around an outside corner and the
// meeting point of two offset elements at an inside corner.
#pragma once

#include <vector>

#include "nc/path_record.h"

namespace morvex {

// Offset modes: the element that starts compensation keeps its programmed
// start; the element that cancels it ends at its programmed end.
inline constexpr int kOffsetStart = 0;
inline constexpr int kOffsetInside = 1;
inline constexpr int kOffsetCancel = 2;

struct OffsetOptions {
    bool concaveArcFeed = true;  // slow the feed on arcs whose radius shrinks
    int lengthIncrement = 1000;  // input increments per mm, for the reverse-arc test
};

// Fills `comp` with the compensated form of `prog` for the signed radius
// offset r (positive: tool left of the direction of motion). `previousEnd`
// is the compensated end of the element before, used by a cancelling line.
// Returns true when a compensated arc radius is negative after rounding to
// input increments (the arc would turn over).
bool OffsetElement(const PathRecord& prog, double r, int mode, const Point& previousEnd,
                   const OffsetOptions& options, PathRecord& comp);

// Whether the corner from `previous` into `current` is an outside corner for
// the radius offset r (the tool goes round it) rather than an inside one.
bool CornerIsOutside(const PathRecord& previous, const PathRecord& current, double r);

// The points the tool passes round an outside corner, from p (end of the
// previous offset element) to q (start of the current one) about the
// programmed corner c; the last point is q. Only the plane axes are set from
// the geometry; the third axis of every point is `toolAxis`.
void OutsideCornerPoints(const Point& p, const Point& q, const Point& c, double r, int first, int second,
                         double toolAxis, std::vector<Point>& points);

// Meets two offset elements at an inside corner: when a point lies on both,
// `previous` is cut back to end there and `current` starts there. Elements of
// type line count as lines, every other type as an arc. Returns false when
// the elements do not meet.
bool MeetAtInsideCorner(PathRecord& previous, PathRecord& current, const Point& corner);

// Whether two points round to the same input increment in both plane axes.
bool SameInIncrements(const Point& a, const Point& b, int first, int second, int increment);

// Whether the element moves in its plane: a line or rapid whose start and
// end differ in a plane axis, or an arc of non-zero length.
bool MovesInPlane(const PathRecord& element);

}  // namespace morvex
