// The cutting sweep: lowers the work model where the current tool passes.
// The whole-motion sweeper treats a line or a plane arc in one pass over
// the nodes it can reach; the step sweeper cuts one short straight step and
// is driven along the motion at the moving pitch, row strip by row strip.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "nc/path_record.h"
#include "sim/tool_profile.h"
#include "sim/work_model.h"

namespace morvex {

// What happens when a part of the tool beyond its flank (neck, shank,
// holder, attachment) lowers a node: the arbor check mode of the settings.
inline constexpr int kArborIgnore = 0;
inline constexpr int kArborCompute = 1;  // measure the stick-out the program needs
inline constexpr int kArborAbort = 3;
inline constexpr int kArborPause = 4;

// Cutting direction classes of a step.
inline constexpr int kStepClassUnknown = -1;
inline constexpr int kStepClassGeneral = 0;
inline constexpr int kStepClassVertical = 1;
inline constexpr int kStepClassUp = 2;
inline constexpr int kStepClassDown = 3;

// The class of a step as NoteClass folds its nodes' classes in row order,
// kept so that the folds of bands of rows merge: NoteClass ends at the
// first class met, or general when that is up or down and any other class
// follows, so the first class (and its node) and every class met say it all.
struct ClassFold {
    int first = kStepClassUnknown;
    long long firstNode = -1;  // node index of the first class noted
    int seen = 0;              // bit 1 << class of every class met
    // The step's own load sums (only when the context sums loads).
    double loadVolume = 0.0;
    double loadTorque = 0.0;
    float highestCut = -std::numeric_limits<float>::infinity();  // as SweepFlags::highestCut
};

// The class NoteClass would have found.
int ResolveClass(const ClassFold& fold);

// Folds `other` (rows of another band of the same step) into `into`.
void MergeClassFold(ClassFold& into, const ClassFold& other);

// A load term (mm3, mm4) as it is added to a load sum: a multiple of 2^-36,
// moved by at most 8e-12. Sums of such terms are exact while they stay
// below 2^17 (131072), so a step's or a motion's load is the same whatever
// order its rows and the sweep threads' bands of rows are added in.
inline double SnappedLoad(double term) {
    constexpr double kSnap = 98304.0;  // 1.5 * 2^16, whose unit in the last place is 2^-36
    return (term + kSnap) - kSnap;
}

// Flags a sweep leaves for the checks and the run; plain integers that any
// strip may set to 1 and nobody clears during a step.
struct SweepFlags {
    int cutDone = 0;
    int taperHit = 0;
    int holderHit = 0;
    int attachmentHit = 0;
    int searchHit = 0;
    int painted = 0;  // a node was only painted (a part beyond the flank met it, not cut)
    int stepClass = kStepClassUnknown;
    double hitRadius = 0.0;  // largest radius at which a part beyond the flank cut, mm
    double hitDepth = 0.0;   // largest depth it cut into the material, mm
    double removedVolume = 0.0;  // scribing marker: volume it took away, mm3
    int lengthHit = 0;  // the flute cut material above its effective length
    int chipHit = 0;    // the dead zone of a VERTICAL or RADIUS tool cut
    long long chipNode = -1;  // node index of the last chip-zone hit
    // Load sums of a step: removed volume (trapezoidal weights) and, when the
    // load is torque, that volume times its distance from the axis.
    double loadVolume = 0.0;  // mm3
    double loadTorque = 0.0;  // mm4
    // With the load sums: the highest any node stood before this sweep
    // lowered it (minus infinity when none was). Whoever looks at the work
    // later, after more was cut, learns from it how high the material stood.
    float highestCut = -std::numeric_limits<float>::infinity();
    // Required-length measurements (heights above the tip, mm).
    double needStickOut = 0.0;  // neck, shank or holder met material this high
    double needNeck = 0.0;      // the neck zone met material this high (Lu)
    double needTaper = 0.0;     // taper length that would clear it with Lu kept (Lt)
    int taperImpossible = 0;    // a neck contact no taper length can clear
    double needFlute = 0.0;     // the flute cut material this high
    double needTipWidth = 0.0;  // VERTICAL: tip width that would have cut it
    double needCentre = 0.0;    // RADIUS: material this high over the inner zone
    // Nodes whose paint mark covers them and their eight neighbours, set
    // once the motion or the step (all its strips) is swept
    // (ApplyDeferredPaint): a strip never writes another strip's rows, and a
    // neighbour lowered later in the same sweep would lose its mark. One
    // index per marked node (the grid holds at most 2^31 nodes).
    std::vector<std::uint32_t> deferredPaint;
};

// Sets the paint bit of every deferred mark's node and its neighbours and
// forgets the marks.
void ApplyDeferredPaint(WorkModel& work, SweepFlags& flags);

// Folds the flags of one strip into those of the whole step.
void MergeSweepFlags(SweepFlags& into, const SweepFlags& strip);

// What stays the same for every node of a motion.
struct SweepContext {
    WorkModel* work = nullptr;
    const ToolProfile* tool = nullptr;
    std::uint8_t attrCode = 0;  // 2 * pen
    std::int32_t lineNo = 0;    // negated already for compensated motions
    int arborMode = kArborAbort;
    bool markPaint = false;  // rapid into material, or the radius-offset mark with PENKI
    bool fast = false;       // fast run versions: no direction classes
    // The checks of the run on every lowered node.
    int lengthMode = 0;  // effective length: 0 off, 1 measure, 2 and 3 flag
    int chipMode = 0;    // chip zone: 0 off, 1 measure, 2 and 3 flag
    bool rapidMotion = false;  // RADIUS inner zone is checked only for feed motions
    bool sumLoad = false;      // load check or optimised output: sum the removed volume
    bool torque = false;       // the load is torque (V-VALUE TORQUE)
    // The watched node of the NC search, -1 for none, and its height (NaN: any).
    long long watchedNode = -1;
    float watchedHeight = 0.0f;
    bool watchHeight = false;
};

// A motion in grid-relative coordinates: X - xMin, Y - yMin, Z of the tool tip.
struct SweepMotionInput {
    int type = kLine;
    Point p0{};
    Point p1{};
    Point centre{};  // arcs
    Point startDir{};
    double startRadius = 0.0;
    double endRadius = 0.0;
    double sweep = 0.0;  // radians
    double arcLength = 0.0;
    int first = 0, second = 1, third = 2;
};

// The horizontal radius beyond which neither the tool nor its holder can
// touch material lying at or below zMax when the tip is at zTipLow.
double SweepReach(const ToolProfile& tool, double zTipLow, double zMax, int arborMode);

// Whether every node within `reach` of the rectangle spanned by (x0, y0)
// and (x1, y1) (grid-relative) lies at or below zTip: a rapid at that height
// touches nothing whichever way the machine moves its axes.
bool RapidAreaClear(const WorkModel& w, double x0, double y0, double x1, double y1, double reach, double zTip);

// The corner check of a rapid whose axes move in an unknown order: start
// and end are tool-tip positions in the work's coordinates (not grid
// relative). When the area of the XY move, grown by the tool's reach, is
// clear of material at the end height, any route is safe and the corner
// (start X, end Y) at the end height is returned; otherwise none, and both
// L-shaped routes must be swept.
std::optional<Point> RapidCornerOverWork(const WorkModel& w, const ToolProfile& tool, int arborMode,
                                         const Point& start, const Point& end);

// Sweeps a horizontal line, an inclined line of a ball tool, or a plane arc
// (XY) whole. 0 when nothing could be touched, -1 when the motion cannot be
// swept whole (it must be stepped), 1 otherwise.
int SweepMotion(const SweepContext& ctx, const SweepMotionInput& m, SweepFlags& flags);

// The rows first..last a whole motion can touch, cutting nothing; the
// result is SweepMotion's (rows only when 1).
int WholeMotionRows(const SweepContext& ctx, const SweepMotionInput& m, int& first, int& last);

// Cuts the rows rowBegin, rowBegin + stride, ... below rowEnd of a whole
// motion (paint marks left in the flags); bands over disjoint rows may run
// at once on different threads and give, merged, what SweepMotion gives.
void SweepMotionRows(const SweepContext& ctx, const SweepMotionInput& m, int rowBegin, int rowEnd, int stride,
                     SweepFlags& flags);

// The first row at or after `from` of the rows begin, begin + stride, ...
inline int FirstBandRow(int from, int begin, int stride) {
    return from <= begin ? begin : begin + ((from - begin + stride - 1) / stride) * stride;
}

// The node box a step touches: rows rowBegin..rowEnd-1 are what strips split.
struct StepBox {
    int ixBegin = 0, ixEnd = 0;  // [begin, end)
    int iyBegin = 0, iyEnd = 0;
    double reach = 0.0;
};

// The box of the step p0 -> p1 (tip heights), empty when nothing can be cut.
StepBox StepNodeBox(const SweepContext& ctx, const Point& p0, const Point& p1);

// Cuts the rows [rowBegin, rowEnd) of the step's box; strips over disjoint
// rows may run at once on different threads.
void SweepStepRows(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int rowBegin,
                   int rowEnd, SweepFlags& flags);

// The steps i = 0 .. steps - 1 from points[i] to points[i + 1], boxes[i]
// their boxes, over the rows rowBegin, rowBegin + stride, ... below rowEnd,
// last step first when `backwards`: every node meets the steps in that
// order, each step the rows in order, as one SweepStepRows per step would
// cut them, but each row is looked at once for all steps. Step i's class
// is folded into classes[i].
void SweepStepsRows(const SweepContext& ctx, const Point* points, const StepBox* boxes, int steps, bool backwards,
                    int rowBegin, int rowEnd, int stride, SweepFlags& flags, ClassFold* classes);

// One step on the calling thread; false when its box missed the grid or lay
// above the work.
bool SweepStep(const SweepContext& ctx, const Point& p0, const Point& p1, SweepFlags& flags);

}  // namespace morvex
