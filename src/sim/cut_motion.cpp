// Dispatching a motion to the whole-motion sweeper or the step sweeper.
//
// Implementation notes: a line is swept whole when it travels more than 0.1
// in X or Y and is horizontal (or the tool is a ball whose inclined sweep
// the whole-motion sweeper can take); an arc when it is no helix and lies in
// XY (or the tool is a ball) and its radius does not change (a spiral is
// stepped). Everything else is stepped: n = trunc(L / pitch
// + 0.99) steps, at least 1 (ceil(L / pitch) in the fast versions); a line
// advances by (p1 - p0) / n per step, an arc by sweep / n in angle with its
// radius and its normal coordinate following linearly; the last step ends
// exactly at p1.
#include "sim/cut_motion.h"

#include <algorithm>
#include <cmath>

#include "sim/sweep_rows.h"
#include "sim/sweep_workers.h"

namespace morvex {
namespace {

// The most steps of one motion handed to the sweep workers at once.
constexpr long long kStepsPerHandOver = 256;

// Start and end radii closer than an input increment make a circle.
constexpr double kSpiralTolerance = 0.001;  // mm

bool IsArc(int type) { return type == kArcCw || type == kArcCcw; }

}  // namespace

double MotionLength(const SweepMotionInput& m) {
    if (IsArc(m.type)) {
        const double dn = m.p1[m.third] - m.p0[m.third];
        return std::sqrt(m.arcLength * m.arcLength + dn * dn);
    }
    const double dx = m.p1[0] - m.p0[0], dy = m.p1[1] - m.p0[1], dz = m.p1[2] - m.p0[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

namespace {

bool SweptWhole(const SweepMotionInput& m, const ToolProfile& tool) {
    if (tool.shape == kShapeRadius) return false;  // the RADIUS form is always stepped
    const bool ball = tool.shape == kShapeBall;
    if (IsArc(m.type)) {
        const bool helix = m.p0[m.third] != m.p1[m.third];
        const bool xy = m.first == 0 && m.second == 1;
        // A spiral is no circle: nodes behind its start or beside its inner
        // turns are nearer to other points of it than the radial gap says.
        const bool spiral = std::fabs(m.startRadius - m.endRadius) > kSpiralTolerance;
        return !helix && !spiral && (xy || ball);
    }
    const bool travels = std::fabs(m.p1[0] - m.p0[0]) > 0.1 || std::fabs(m.p1[1] - m.p0[1]) > 0.1;
    return travels && (m.p0[2] == m.p1[2] || ball);
}

// Whether CutMotion sweeps m whole rather than in steps (when the
// whole-motion sweeper can take it).
bool TakenWhole(const SweepMotionInput& m, const ToolProfile& tool, const CutOptions& options) {
    return !options.fast && !options.alwaysStep && SweptWhole(m, tool);
}

}  // namespace

Point MotionPointAt(const SweepMotionInput& m, double fraction) {
    Point p{};
    if (!IsArc(m.type)) {
        for (int a = 0; a < 3; ++a) p[a] = m.p0[a] + (m.p1[a] - m.p0[a]) * fraction;
        return p;
    }
    const int a = m.first, b = m.second;
    const double start = std::atan2(m.startDir[b], m.startDir[a]);
    const double angle = start + (m.type == kArcCcw ? 1.0 : -1.0) * m.sweep * fraction;
    const double radius = m.startRadius + (m.endRadius - m.startRadius) * fraction;
    p[a] = m.centre[a] + radius * std::cos(angle);
    p[b] = m.centre[b] + radius * std::sin(angle);
    p[m.third] = m.p0[m.third] + (m.p1[m.third] - m.p0[m.third]) * fraction;
    return p;
}

namespace {

// Where step i of n of motion m ends (0: its start); the last ends exactly at p1.
Point StepEnd(const SweepMotionInput& m, long long i, long long n) {
    return i == n ? m.p1 : i == 0 ? m.p0 : MotionPointAt(m, static_cast<double>(i) / static_cast<double>(n));
}

}  // namespace

SweepMotionInput SweepInputOf(const PathRecord& path, const WorkModel& work, const Point& workOffset, double shift) {
    SweepMotionInput m;
    m.type = path.type;
    const Point origin{work.xMin - workOffset[0], work.yMin - workOffset[1], shift - workOffset[2]};
    for (int a = 0; a < 3; ++a) {
        m.p0[a] = path.toolStart[a] - origin[a];
        m.p1[a] = path.toolEnd[a] - origin[a];
        m.centre[a] = path.toolCentre[a] - origin[a];
    }
    m.startDir = path.startDir;
    m.startRadius = path.startRadius;
    m.endRadius = path.endRadius;
    m.sweep = path.sweep;
    m.arcLength = path.arcLength;
    m.first = path.first;
    m.second = path.second;
    m.third = path.third;
    return m;
}

long long StepCount(double length, const CutOptions& options) {
    if (!(length > 0.0) || !(options.movingPitch > 0.0)) return 1;
    const double steps = options.fast ? std::ceil(length / options.movingPitch)
                                      : std::trunc(length / options.movingPitch + 0.99);
    if (!(steps < static_cast<double>(kMaxStepsPerMotion))) return kMaxStepsPerMotion;
    return std::max(1LL, static_cast<long long>(steps));
}

int CutMotion(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, SweepFlags& flags) {
    if (ctx.work == nullptr || ctx.tool == nullptr || ctx.work->nx < 2) return 0;
    const double length = MotionLength(m);
    // A motion that does not move removes nothing the one before left.
    if (!std::isfinite(length) || !(length > 0.0) || length < options.minimumLength) return 0;
    if (ctx.tool->shape == kShapeKegaki) return SweepKegaki(ctx, m, options, flags);
    if (TakenWhole(m, *ctx.tool, options)) {
        const int whole =
            options.workers != nullptr ? SweepMotionOnWorkers(*options.workers, ctx, m, flags) : SweepMotion(ctx, m, flags);
        if (whole >= 0) return whole;
    }
    const long long n = StepCount(length, options);
    const double stepLength = length / static_cast<double>(n);
    auto pointAt = [&](long long i) { return StepEnd(m, i, n); };
    const bool observed = static_cast<bool>(options.afterStep);
    const bool batchable =
        (!observed || options.observeOnly) &&
        StepsBatchable(ctx, SweepReach(*ctx.tool, std::min(m.p0[2], m.p1[2]), ctx.work->zMax, ctx.arborMode));
    // An observer hears the steps in order.
    const bool backwards = batchable && !observed && StepsBackwards(ctx, m);
    if (batchable) {
        // Steps in hand-overs of up to kStepsPerHandOver: each row is looked
        // at once for all of them, and the workers' bands follow the steps
        // in order (last chunk first when backwards).
        static thread_local std::vector<Point> points;
        static thread_local std::vector<ClassFold> folds;
        std::vector<ClassFold>* told = observed ? &folds : nullptr;
        bool touched = false;
        for (long long done = 0; done < n;) {
            const long long size = std::min(kStepsPerHandOver, n - done);
            const long long from = backwards ? n - done - size : done;
            points.clear();
            for (long long i = from; i <= from + size; ++i) points.push_back(pointAt(i));
            const bool hit = options.workers != nullptr
                                 ? SweepStepsOnWorkers(*options.workers, ctx, points, flags, backwards, told)
                                 : SweepStepsHere(ctx, points, flags, backwards, told);
            touched = hit || touched;
            done += size;
            if (!observed) continue;
            if (options.sweptAhead) options.sweptAhead(points, folds);
            for (std::size_t i = 0; i < folds.size(); ++i) {
                SweepFlags step;
                step.loadVolume = folds[i].loadVolume;
                step.loadTorque = folds[i].loadTorque;
                step.highestCut = folds[i].highestCut;
                step.cutDone = folds[i].first != kStepClassUnknown || folds[i].loadVolume > 0.0 ? 1 : 0;
                step.stepClass = ResolveClass(folds[i]);
                (void)options.afterStep(step, stepLength, points[i + 1]);
            }
        }
        return touched ? 1 : 0;
    }
    Point from = m.p0;
    bool touched = false;
    SweepFlags step;
    for (long long i = 1; i <= n; ++i) {
        const Point to = pointAt(i);
        // With an observer every step gets flags of its own, folded into the motion's after it.
        SweepFlags& into = options.afterStep ? step : flags;
        if (options.afterStep) step = SweepFlags{};
        const bool hit = options.workers != nullptr ? SweepStepOnWorkers(*options.workers, ctx, from, to, into)
                                                    : SweepStep(ctx, from, to, into);
        touched = hit || touched;
        from = to;
        if (options.afterStep) {
            MergeSweepFlags(flags, step);
            if (!options.afterStep(step, stepLength, to)) break;
        }
    }
    return touched ? 1 : 0;
}

namespace {

// A line that never takes the tip below the work's top: every node stands
// at or below the tip, and the tool's surface never lies below its tip.
bool AboveWork(const WorkModel& w, const SweepMotionInput& m) {
    return !IsArc(m.type) && std::min(m.p0[2], m.p1[2]) >= w.zMax;
}

// Whether the disc tells anything about motions cut with ctx and options.
bool DiscApplies(const SweepContext& ctx, const CutOptions& options) {
    return ctx.work != nullptr && ctx.tool != nullptr && ctx.work->nx >= 2 && !options.fast &&
           ctx.tool->shape != kShapeKegaki;
}

}  // namespace

CutDisc DiscAfter(const CutDisc& before, const SweepContext& ctx, const SweepMotionInput& m, bool rapidProfile,
                  const CutOptions& options) {
    CutDisc after;
    const double length = MotionLength(m);
    if (!DiscApplies(ctx, options) || !std::isfinite(length)) return after;
    after.rapidProfile = rapidProfile;
    after.at = m.p1;
    const bool from = before.known && before.rapidProfile == rapidProfile && before.at == m.p0;
    if (!(length > 0.0) || length < options.minimumLength) {
        // Not swept: the disc stays known only where the tool stays.
        after.known = from && m.p1 == m.p0;
        return after;
    }
    const bool vertical = !IsArc(m.type) && m.p0[0] == m.p1[0] && m.p0[1] == m.p1[1];
    after.known = from || vertical || AboveWork(*ctx.work, m);
    return after;
}

bool MotionCutsNothing(const CutDisc& disc, const SweepContext& ctx, const SweepMotionInput& m, bool rapidProfile,
                       const CutOptions& options) {
    if (!DiscApplies(ctx, options)) return false;
    const WorkModel& w = *ctx.work;
    if (AboveWork(w, m)) return true;
    if (!disc.known || disc.rapidProfile != rapidProfile || disc.at != m.p0) return false;
    if (IsArc(m.type) || m.p1[0] != m.p0[0] || m.p1[1] != m.p0[1] || !(m.p1[2] > m.p0[2])) return false;
    // Nodes beyond the flank (a holder, a shank wider than the cutter) are
    // marked rather than lowered, so the disc says nothing about them.
    const ToolProfile& tool = *ctx.tool;
    const double reach = SweepReach(tool, m.p0[2], w.zMax, ctx.arborMode);
    if (!(reach * reach <= tool.T3)) return false;
    const double length = m.p1[2] - m.p0[2];
    if (!std::isfinite(length) || length < options.minimumLength) return false;
    // The lowest step's tip stands `lift` above the disc; the sweepers leave
    // nodes within 1e-4 mm of the swept surface, and heights are floats.
    const double lift = length / static_cast<double>(StepCount(length, options));
    return lift > 1e-3 + 1e-6 * (std::fabs(m.p0[2]) + std::fabs(w.zMax));
}

double ObservedStepPoints(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options,
                          std::vector<Point>& points) {
    points.clear();
    if (ctx.tool == nullptr) return 0.0;
    // The same steps as CutMotion takes; a motion it sweeps whole is told
    // by its caller as one step.
    const double length = MotionLength(m);
    if (!std::isfinite(length) || !(length > 0.0) || length < options.minimumLength) return 0.0;
    if (TakenWhole(m, *ctx.tool, options)) return 0.0;
    const long long n = StepCount(length, options);
    points.reserve(static_cast<std::size_t>(n) + 1);
    for (long long i = 0; i <= n; ++i) points.push_back(StepEnd(m, i, n));
    return length / static_cast<double>(n);
}

void TellUncutSteps(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options) {
    if (!options.afterStep) return;
    static thread_local std::vector<Point> points;
    const double stepLength = ObservedStepPoints(ctx, m, options, points);
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (!options.afterStep(SweepFlags{}, stepLength, points[i])) break;
    }
}

bool PlanBatchedCut(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, long long maxSteps,
                    BatchedCut& cut, bool observed) {
    cut.findings = nullptr;
    if (ctx.work == nullptr || ctx.tool == nullptr || ctx.work->nx < 2 || ctx.work->ny < 2) return false;
    const ToolProfile& tool = *ctx.tool;
    const bool plain = observed ? sweep_detail::PlainStepLowering(ctx) : sweep_detail::PlainLowering(ctx);
    if (options.fast || (options.afterStep && !observed) || tool.shape == kShapeKegaki || !plain) return false;
    const double reach = SweepReach(tool, std::min(m.p0[2], m.p1[2]), ctx.work->zMax, ctx.arborMode);
    if (!(reach * reach <= tool.T3) || !StepsBatchable(ctx, reach)) return false;
    cut.ctx = ctx;
    cut.motion = m;
    cut.whole = false;
    cut.backwards = false;
    cut.points.clear();
    cut.first = 0, cut.last = -1;
    const double length = MotionLength(m);
    if (!std::isfinite(length) || !(length > 0.0) || length < options.minimumLength) return true;
    if (!options.alwaysStep && SweptWhole(m, tool)) {
        int first = 0, last = -1;
        const int whole = WholeMotionRows(ctx, m, first, last);
        if (whole >= 0) {
            cut.whole = true;
            if (whole == 1) cut.first = first, cut.last = last;
            return true;
        }
    }
    const long long n = StepCount(length, options);
    if (n > maxSteps) return false;
    cut.backwards = !observed && StepsBackwards(ctx, m);
    cut.points.resize(static_cast<std::size_t>(n) + 1);
    Point* points = cut.points.data();
    for (long long i = 0; i <= n; ++i) points[i] = StepEnd(m, i, n);
    // The rows every step's box lies within: the points' extent grown by
    // the reach at the lowest point (the reach only shrinks going up).
    const WorkModel& w = *ctx.work;
    double xlo = points[0][0], xhi = xlo, ylo = points[0][1], yhi = ylo, zlo = points[0][2];
    for (long long i = 1; i <= n; ++i) {
        xlo = std::min(xlo, points[i][0]), xhi = std::max(xhi, points[i][0]);
        ylo = std::min(ylo, points[i][1]), yhi = std::max(yhi, points[i][1]);
        zlo = std::min(zlo, points[i][2]);
    }
    if (!(zlo < w.zMax)) return true;
    const double grown = SweepReach(tool, zlo, w.zMax, ctx.arborMode);
    xlo -= grown, xhi += grown, ylo -= grown, yhi += grown;
    if (!(xhi >= 0.0 && yhi >= 0.0 && xlo <= w.lastX * w.pitch && ylo <= w.lastY * w.pitch)) return true;
    const double inv = 1.0 / w.pitch;
    cut.first = std::clamp(static_cast<int>(std::max(ylo * inv, -1.0)), 0, w.lastY);
    cut.last = std::clamp(static_cast<int>(std::min(yhi * inv, static_cast<double>(w.lastY))), 0, w.lastY);
    return true;
}

}  // namespace morvex
