// The one motion the interpreter has just produced, in programmed work
// coordinates and, after ToToolFrame, in the tool frame; the arc quantities
// and the text forms shown on the status line and in point queries.
#pragma once

#include <array>
#include <string>

#include "base/json_number.h"

namespace morvex {

struct SplineCurve;

using Point = std::array<double, 3>;  // X, Y, Z of the machine axes, mm

enum MotionType : int {
    kRapid = 0,
    kLine = 1,
    kArcCw = 2,
    kArcCcw = 3,
    kSpline = 132,
};

inline constexpr double kPi = 3.14159265358979323846;

struct PathRecord {
    int type = kRapid;
    Point start{};
    Point end{};
    Point centre{};     // arcs: only the two plane axes are meaningful
    Point startDir{};   // unit vector centre -> start, plane axes only
    Point endDir{};     // unit vector centre -> end, plane axes only
    double startRadius = 0.0;
    double endRadius = 0.0;
    double sweep = 0.0;      // radians, in the direction of the motion, (0, 2 pi]; 0 for an arc
                             // block that gives no centre and ends where it starts
    double arcLength = 0.0;  // (start radius + end radius) * sweep / 2
    double feed = 0.0;       // mm/min
    int line = 0;            // motion line number
    bool compensated = false;
    Point toolStart{};
    Point toolEnd{};
    Point toolCentre{};
    // Plane axis indices (machine axes 0 X, 1 Y, 2 Z) and the plane (17, 18,
    // 19, negative when viewed from the other side), held with the record.
    int first = 0;
    int second = 1;
    int third = 2;
    int plane = 17;
    // What else the block said, for the run and the NC check.
    double dwell = 0.0;  // seconds booked by this block
    int mCode = -1;      // the block's M code, -1 when none
    int toolWord = -1;   // the block's T number, -1 when none
    int moduleTool = 0;  // a reader module's tool change to this tool (always counts), 0 none
    int error = 0;       // NC error of the block or its compensation (1, 2, 6, 7), 0 none
    int stopMarks = 0;   // what a stop option can stop at in the block (kStopMark* bits)
    bool possibleRoute = false;  // a piece of one of the two routes a rapid may take (G00MODE UNKNOWN)
    // Splines: the curve, owned by the interpreter, valid until the next
    // NextMotion call; the motion runs from `start` to the curve's start and
    // along the curve to `end`.
    const SplineCurve* spline = nullptr;
};

// Fills the directions, radii, sweep and arc length from start, end, centre,
// type and the plane axes.
void ComputeArcQuantities(PathRecord& path);

// "RAPID:%9.3f,..." and the like, with the line number in front ("\t\t%ld:").
std::string StatusLineText(const PathRecord& path);
// "RAPID    %9.3f,..." and the like, after "%ld: " with the line number.
std::string PointQueryText(const PathRecord& path);

// One line of the motion listing (--motions), a JSON object: line number,
// type, start and end programmed and in the tool frame; for arcs the centre
// programmed and in the tool frame, sweep (radians), arc length, radius,
// plane and sweep in degrees; then feed, `tool` (the tool in the spindle) and
// the compensated flag. Numbers in their shortest form that reads back to the
// same double.
std::string MotionListingLine(const PathRecord& path, int tool);
// The same line appended to `out` (without a line end), for listings built
// in one reused buffer; `numbers` keeps the texts of the numbers written last.
void AppendMotionListingLine(std::string& out, const PathRecord& path, int tool, JsonNumberCache& numbers);

}  // namespace morvex
