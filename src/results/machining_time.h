// Machining time: the acceleration profile of one motion and the time and
// length totals of a data check, where consecutive feed motions that run on
// without a stop are merged into one segment before they are timed.
#pragma once

#include <limits>
#include <vector>

#include "nc/path_record.h"
#include "results/machine_def.h"

namespace morvex {

// Lengths mm, times s, feeds mm/min. The feed extremes start outside any
// real feed so that the first feed noted replaces them.
struct MachiningTotals {
    double rapidLength = 0, feedLength = 0, rapidClassLength = 0, cutClassLength = 0;
    double rapidTime = 0, feedTime = 0, rapidClassTime = 0, cutClassTime = 0;
    double maxProgramFeed = -9999999.0, maxCutFeed = -9999999.0, minProgramFeed = 9999999.0;
};

// Feed motions merged so far into one run without a stop. count 0: empty.
// startSpeed is the feed (mm/min) the segment is entered with; direction the
// displacement of its last line (zero after an arc, helix or spline).
struct FeedSegment {
    Point start{}, end{};
    double length = 0;      // mm, path length of the merged motions
    double feed = 0;        // mm/min
    double startSpeed = 0;  // mm/min
    int type = 0;           // motion type of the last merged motion
    int count = 0;          // motions merged
    Point direction{};
    Point unit{};  // about the direction's unit vector (to a few units in the last place), zero for none
};

// One check run's timer: the totals, the pending segment and the rates used.
struct MachiningTimer {
    MachiningTotals totals;
    FeedSegment pending;
    MachineDef machine;                  // copy of the rates used
    double rapidFeedrate = 999999999.0;  // mm/min: feeds at or above it are booked as rapid
    double smoothAngle = 2.0;            // degrees: larger corners stop the motion
    // The cosine of smoothAngle and the angle it was taken of, kept so that
    // most corners are decided without an arc cosine.
    double cornerCosineOf = std::numeric_limits<double>::quiet_NaN();
    double cornerCosine = 1.0;
};

// Time (s) to travel `length` mm starting at vStart, cruising at vFeed and
// ending at vEnd (all mm/s) with acceleration accelG (G, 9800 mm/s^2 each).
// Always finite and >= 0; see the notes in machining_time.cpp for the
// handling of zero, negative and non-finite inputs.
[[nodiscard]] double MotionTime(double length, double vStart, double vFeed, double vEnd,
                                double accelG);

// Resets totals and pending segment and takes the rates for this run.
void StartMachiningTimer(MachiningTimer& t, const MachineDef& machine, double rapidFeedrate,
                         double smoothAngle);

// One rapid motion: closes the pending feed segment first, then books the
// rapid along its dominant axis. A zero-length rapid books no length or time.
void AddRapidMotion(MachiningTimer& t, const Point& start, const Point& end);

// One feed motion of path length `length` (arcs, helices and splines: their
// curve length) into the pending segment. `direction` is a line's
// displacement, or a zero vector for any curved motion. Also notes the feed
// extremes.
void AddFeedMotion(MachiningTimer& t, double length, const Point& direction, const Point& start,
                   const Point& end, double feed, int type);

// Closes the pending segment with the machine at rest, then empties it.
void FlushFeedSegment(MachiningTimer& t);
void ResetFeedSegment(MachiningTimer& t);

// A counted tool change: closes the pending segment, then books
// machine.toolChangeTime as rapid time.
void AddToolChange(MachiningTimer& t);

// A dwell of `seconds`: rapid time in rapid mode, else feed (cutting) time.
void AddDwell(MachiningTimer& t, double seconds, bool rapidMode);

// Largest, largest cutting and smallest feed; feeds that are not > 0 and
// finite are passed over.
void NoteFeed(MachiningTimer& t, double feed);

// The points of a spline motion in the tool frame (the curve offset along Z
// by the length offset in force, as its end point is) into `points`, and
// the length of the polyline through them from the motion's start.
double SplinePathLength(const PathRecord& path, std::vector<Point>& points);

// The dwell at the bottom of a hole for the canned cycle `code` in force:
// `dwell` for the cycles that wait there (G76, G82, G88, G89), else 0.
double CycleBottomDwell(int code, double dwell);

// One motion of the tool frame, as a run moves it: a rapid along its
// dominant axis, a feed by its path length (the helix for an arc,
// `splineLength` for a spline), the cycle's `bottomDwell` after a feed down
// the tool axis, and the block's own dwell.
void BookPathMotion(MachiningTimer& t, const PathRecord& path, double splineLength, double bottomDwell);

}  // namespace morvex
