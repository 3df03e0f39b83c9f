// Measuring on the work: the point measurement's increments and radii, the
// distance of a point to a picked line and to a plane through three picked
// points, the section of the work along a line, and the point query: where a
// node lies and which NC line cut it last, with that line's text.
#pragma once

#include <string>
#include <vector>

#include "nc/module_reader.h"
#include "nc/path_record.h"
#include "sim/work_model.h"

namespace morvex {

// The radius reported when three points give no circle (on a line, or two
// of them the same).
inline constexpr double kNoCircleRadius = 100000.0;

// The radius of the circle through a, b and c in their own plane. With
// u = b - a, v = c - a the circumradius is |u| |v| |u - v| / (2 |u x v|);
// the components of u x v are the determinants of the bisector system in
// the three coordinate planes, and when every one of them is below 0.001 in
// magnitude there is no usable circle: kNoCircleRadius.
double ThreePointRadius(const Point& a, const Point& b, const Point& c);

// The same circle in a coordinate plane only: the points seen along the
// dropped axis (0 X, 1 Y, 2 Z).
double ProjectedRadius(const Point& a, const Point& b, const Point& c, int droppedAxis);

// The point measurement so far: the count and the last three points (the
// newest at index 0).
struct PointMeasure {
    int count = 0;
    Point recent[3]{};
};

// What the measurement panel shows after a point. The increments and the
// distance are to the previous point (0 for the first); from the third point
// on, radius3 is the circle through the last three points, radiusX that
// circle seen along Y (the points' X and Z: a section across X) and
// radiusY seen along X (Y and Z); 0 before that.
struct MeasureValues {
    int count = 0;
    double dx = 0.0, dy = 0.0, dz = 0.0, distance = 0.0;
    double radiusX = 0.0, radiusY = 0.0, radius3 = 0.0;
};

MeasureValues AddMeasuredPoint(PointMeasure& measure, const Point& p);

// Distance of p to the infinite line through a and b, in space and in the
// XY plan (Z ignored). The line needs a and b apart: LineUsable.
struct LineDistance {
    double space = 0.0;
    double plan = 0.0;
};
bool LineUsable(const Point& a, const Point& b);
LineDistance DistanceToLine(const Point& p, const Point& a, const Point& b);

// A plane through three points: a point on it and its unit normal, turned
// to point up (+Z; +X, then +Y for a vertical plane).
struct MeasurePlane {
    Point origin{};
    Point normal{0.0, 0.0, 1.0};
};

// False, with the plane untouched, when the points give no plane (the same
// test as ThreePointRadius).
bool PlaneThrough(const Point& a, const Point& b, const Point& c, MeasurePlane& plane);

// Signed distance of p from the plane, positive on the side its normal points to.
double DistanceToPlane(const MeasurePlane& plane, const Point& p);

// The plane's angle to the XY plane, degrees (0 flat, 90 vertical).
double PlaneTilt(const MeasurePlane& plane);

// One sample of a section: its distance from the section's start along the
// line (mm) and the work's height there.
struct SectionSample {
    double along = 0.0;
    double z = 0.0;
};

// The work's surface along the straight line (x0, y0) -> (x1, y1): samples
// half a pitch apart (at most maxSamples, spread evenly when more would be
// needed), heights interpolated bilinearly between the four surrounding
// nodes. Points of the line outside the grid give no sample.
std::vector<SectionSample> SectionProfile(const WorkModel& work, double x0, double y0, double x1, double y1,
                                          int maxSamples = 4000);

// The height of the surface at (x, y), interpolated bilinearly between the
// four nodes around it; a point off the grid takes the nearest border point.
double SurfaceHeightAt(const WorkModel& work, double x, double y);

// The node's point: its X, Y and current height.
Point NodePoint(const WorkModel& work, long long node);

// The NC line that last lowered the node (compensated motions are kept
// negated; the number returned is positive), 0 when none did, -1 when the
// work keeps no line numbers (data levels 2 and 4).
int CutLineOf(const WorkModel& work, long long node);

// Line `line` (1 = the first) of the NC program as the block reader counts
// them: lines longer than a block are cut into blocks, each of which counts.
// The text has its line end removed. False when the file cannot be read or
// ends before that line.
bool NcLineText(const std::string& path, int line, std::string& text);

// "%ld: " and the text of that line of the program ("%ld:" alone when it has
// no such line or none is selected). With a reader module, the motion of
// that line as the module delivers it, in the point-query form.
std::string CutLineText(const std::string& ncPath, int line, const ModuleReader& reader = {});

// The point query of a node: "X=... Y=... Z=..." ("%9.3f") followed, where
// the work keeps line numbers, by the line that cut it (CutLineText) or by
// "Not Cut".
std::string NodeQueryText(const WorkModel& work, long long node, const std::string& ncPath, bool english,
                          const ModuleReader& reader = {});

}  // namespace morvex
