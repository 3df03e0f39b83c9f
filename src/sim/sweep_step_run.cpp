// One step of the step sweeper over a run of nodes of one row.
//
// Implementation notes: runs of more than a block or two go through loops
// over the whole run without branches (distances, profile, which nodes to
// lower), which the compiler turns into vector code; shorter ones, most of
// them (the edge the tool advances into), node by node with the same
// expressions. Plain steps (see PlainLowering) write their nodes at once;
// the others go through LowerNode and the checks. A tool flat out to its
// reach cuts every node within it to one height: its long runs take the
// distance only of the nodes near the edge of the reach.
#include "sim/sweep_step_run.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdint>
#include <utility>

#include "sim/sweep_node.h"

namespace morvex::sweep_detail {
namespace {



// Lowers the nodes of a run of a plain step where lower[] is set (heights
// from cand[], starting at node index idx0, columns at xs[]), with the
// cutting direction of each node in its attribute byte and the step's
// class noted as the node by node path notes it: the first lowered node's
// class, then every other class met (the fold depends on nothing else).
// The side of the travel, the sign of dx vy - dy (x - x1), is monotonic in
// x (every rounding step is), so a run splits into at most three pieces of
// one direction each, found by bisection with the very same expression.
void LowerPlainRun(const SweepContext& ctx, std::size_t idx0, const double* __restrict xs, int n, double dx,
                   double dy, double x1, double vy, bool travel, const int* __restrict lower,
                   const float* __restrict cand, SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    int first = -1;
    for (int i = 0; i < n; ++i) {
        if (lower[i] != 0) {
            first = i;
            break;
        }
    }
    if (first < 0) return;
    flags.cutDone = 1;
    std::uint8_t* __restrict attr = w.attr + idx0;
    std::int32_t* __restrict lineNo = w.lineNo != nullptr ? w.lineNo + idx0 : nullptr;
    float* __restrict h = w.height + idx0;
    if (ctx.fast) {
        // No cutting directions: every cut counts as general.
        NoteClassAt(stepClass, kStepClassGeneral, static_cast<long long>(idx0) + first);
        LowerRun(h, attr, lineNo, cand, lower, n, ctx.attrCode, ctx.lineNo);
        return;
    }
    // Pieces [cut[k], cut[k + 1]) of direction dir[k]: up (1) or down (2)
    // by the side of the travel, 0 on it, 3 without travel.
    int cut[4] = {0, n, n, n};
    int dir[3] = {3, 3, 3};
    if (travel) {
        auto side = [&](int i) { return dx * vy - dy * (xs[i] - x1); };
        auto firstWhere = [&](auto&& pred) {
            int lo = 0, hi = n;
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (pred(side(mid))) {
                    hi = mid;
                } else {
                    lo = mid + 1;
                }
            }
            return lo;
        };
        if (dy > 0.0) {  // the side falls along the row: up, on, down
            cut[1] = firstWhere([](double c) { return !(c > 0.0); });
            cut[2] = firstWhere([](double c) { return c < 0.0; });
            dir[0] = 1, dir[1] = 0, dir[2] = 2;
        } else if (dy < 0.0) {  // it rises: down, on, up
            cut[1] = firstWhere([](double c) { return !(c < 0.0); });
            cut[2] = firstWhere([](double c) { return c > 0.0; });
            dir[0] = 2, dir[1] = 0, dir[2] = 1;
        } else {
            const double c = dx * vy;
            dir[0] = static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0);
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (first >= cut[k] && first < cut[k + 1]) {
            NoteClassAt(stepClass, StepClassOf(dir[k]), static_cast<long long>(idx0) + first);
        }
    }
    const std::uint8_t code = ctx.attrCode;
    for (int k = 0; k < 3; ++k) {
        int any = 0;
        for (int i = cut[k]; i < cut[k + 1]; ++i) any |= lower[i];
        if (any == 0) continue;
        NoteClassAt(stepClass, StepClassOf(dir[k]), static_cast<long long>(idx0) + first);
        const auto mark = static_cast<std::uint8_t>((dir[k] << kAttrDirShift) | code);
        for (int i = cut[k]; i < cut[k + 1]; ++i) {
            const auto a = static_cast<std::uint8_t>((attr[i] & 0x80) | mark);
            attr[i] = lower[i] != 0 ? a : attr[i];
        }
    }
    for (int i = 0; i < n; ++i) h[i] = lower[i] != 0 ? cand[i] : h[i];
    if (lineNo == nullptr) return;
    const std::int32_t line = ctx.lineNo;
    for (int i = 0; i < n; ++i) lineNo[i] = lower[i] != 0 ? line : lineNo[i];
}

}  // namespace

StepGeometry GeometryOf(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int index) {
    const ToolProfile& t = *ctx.tool;
    StepGeometry g;
    g.index = index;
    g.box = box;
    g.x0 = p0[0], g.y0 = p0[1], g.x1 = p1[0], g.y1 = p1[1];
    g.z = p1[2];
    g.zCentre = g.z + t.fC;
    g.zf = Rounded(g.z);
    g.reach2 = box.reach * box.reach;
    g.dx = p1[0] - p0[0], g.dy = p1[1] - p0[1];
    g.l2 = g.dx * g.dx + g.dy * g.dy;
    g.length = std::sqrt(g.l2);
    g.travel = g.dx != 0.0 || g.dy != 0.0;
    g.invL2 = g.travel ? 1.0 / g.l2 : 0.0;
    g.behindToo = p1[2] < p0[2];
    g.plain = PlainStepLowering(ctx) && RowProfileUsable(t) && g.reach2 <= t.T3 &&
              !(t.attachment && t.holderLimit < g.reach2);
    g.flat = RowProfileUsable(t) && t.T1 >= t.T3 && t.tanA == 0.0;
    g.flatHeight = Rounded(g.z + t.bottomLift + t.tanA * 0.0);
    return g;
}

bool LeftByPrevious(const StepGeometry& prev, const StepGeometry& g) {
    return prev.plain && g.plain && !prev.travel && !g.travel && prev.x1 == g.x1 && prev.y1 == g.y1 &&
           prev.z <= g.z && prev.box.reach >= g.box.reach;
}

// The columns of the rows at ys[0..rows) the step can reach.
void StepSpans(const WorkModel& w, const StepGeometry& g, const double* ys, int rows, int* ix0, int* ix1) {
    const double halfLength = 0.5 * g.length;
    const double reach = g.box.reach;
    if (halfLength < 0.25 * reach) {
        DiscRows(w, 0.5 * (g.x0 + g.x1), 0.5 * (g.y0 + g.y1), reach + halfLength, g.box.ixBegin,
                               g.box.ixEnd - 1, ys, rows, ix0, ix1);
    } else {
        ReachRows(w, g.x0, g.y0, g.x1, g.y1, reach, g.box.ixBegin, g.box.ixEnd - 1)
            .Rows(ys, rows, ix0, ix1);
    }
}
// The load sums of the nodes of a plain run about to be lowered (need[i]
// set): the same weights as AddNodeLoad, summed in one pass the compiler
// can vectorise, the half weights of the grid's edges applied afterwards.
namespace {

void AddRunLoad(const SweepContext& ctx, int ixBegin, int iy, int n, const float* __restrict h,
                const float* __restrict cand, const double* __restrict q, const int* __restrict need,
                SweepFlags& flags, ClassFold& stepClass) {
    const WorkModel& w = *ctx.work;
    double volume = 0.0, torque = 0.0;
    float highest = stepClass.highestCut;
    // One pass: the sum's additions, each waiting for the one before, leave
    // time for the maximum beside them.
    for (int i = 0; i < n; ++i) {
        const bool take = need[i] != 0;
        volume += take ? static_cast<double>(h[i]) - cand[i] : 0.0;
        highest = take && h[i] > highest ? h[i] : highest;
    }
    stepClass.highestCut = highest;
    if (ctx.torque) {
        for (int i = 0; i < n; ++i) {
            torque += need[i] != 0 ? (static_cast<double>(h[i]) - cand[i]) * std::sqrt(q[i]) : 0.0;
        }
    }
    // The first and last node of the grid's row count half.
    auto half = [&](int i) {
        const int ix = ixBegin + i;
        if (need[i] == 0 || (ix != 0 && ix != w.lastX)) return;
        const double d = 0.5 * (static_cast<double>(h[i]) - cand[i]);
        volume -= d;
        if (ctx.torque) torque -= d * std::sqrt(q[i]);
    };
    if (n > 0) half(0);
    if (n > 1) half(n - 1);
    const double rowWeight = (iy == 0 || iy == w.lastY) ? 0.5 : 1.0;
    const double area = w.pitch * w.pitch * rowWeight;
    flags.loadVolume += SnappedLoad(volume * area);
    if (ctx.torque) flags.loadTorque += SnappedLoad(torque * area);
}

// How far inside the reach a node must lie to be sure of it (mm):
// distances round at 1e-12 mm and below.
double ReachMargin(const StepGeometry& g) { return 1e-6 * (1.0 + g.box.reach); }

// The half chord of a step's end disc, shrunk by ReachMargin, on a row at
// vy from its end in Y; negative where no node of the row is sure to lie
// within reach. A travel too short to square (under 1e-162 mm) leaves the
// side of the start line to the rounding of along = 0 * inf: no node is
// sure then either.
double InnerHalf(const StepGeometry& g, double vy) {
    const double inner = g.box.reach - ReachMargin(g);
    if (!(inner > 0.0) || !(vy * vy < inner * inner) || (g.travel && !std::isfinite(g.invL2))) return -1.0;
    return std::sqrt(inner * inner - vy * vy);
}

// The nodes [from, to) of a run at columns xs[0..n) (row at ny from the
// step's start in Y, half its InnerHalf) that lie within the step's reach
// by a margin far above the rounding of any distance to them: inside the
// end disc and, for a step that does not descend, ahead of its start line.
// Every node between two such nodes is one too, since the reach is convex
// where the distance sees it. Empty (from == to) when no node is.
[[gnu::always_inline]] inline std::pair<int, int> WellWithinReach(const StepGeometry& g, const double* xs,
                                                                  int n, double ny, double half) {
    if (!(half >= 0.0)) return {0, 0};
    const double margin = ReachMargin(g);
    double lo = g.x1 - half, hi = g.x1 + half;
    if (g.travel && !g.behindToo) {
        // Behind the start line a rising or level step finds no node: keep
        // margin ahead of it, (x - x0) dx + ny dy >= margin * length.
        const double past = margin * g.length - ny * g.dy;
        if (g.dx > 0.0) {
            lo = std::max(lo, g.x0 + past / g.dx);
        } else if (g.dx < 0.0) {
            hi = std::min(hi, g.x0 + past / g.dx);
        } else if (!(past <= 0.0)) {
            return {0, 0};
        }
    }
    int from = 0, to = n;
    while (from < n && !(xs[from] >= lo)) ++from;
    while (to > from && !(xs[to - 1] <= hi)) --to;
    return {from, to};
}

// A long run of a plain step whose tool is flat out to its reach: every
// node within reach goes to the same height, so only the nodes near the
// edge of the reach need their distance. The same nodes are lowered as the
// row loops of SweepStepRun lower, in the same order, with the same loads.
void SweepFlatRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int count, RowScratch& scratch,
                  SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    const double* off = w.nodeOffset.data();
    const double ny = off[iy] - g.y0, vy = off[iy] - g.y1;
    const std::size_t runIdx = NodeIndex(w, ixBegin, iy);
    const double* __restrict xs = off + ixBegin;
    const float* __restrict h = w.height + runIdx;
    double* __restrict q = scratch.q.data();
    float* __restrict cand = scratch.candidate.data();
    int* __restrict need = scratch.need.data();
    const double ax = g.x0, bx = g.x1, ddx = g.dx, ddy = g.dy, il2 = g.invL2, vv = vy * vy, nyx = ny * g.dx,
                 nyy = ny * g.dy, rr = g.reach2;
    const bool behind = g.behindToo, travel = g.travel;
    const float tip = g.zf, flat = g.flatHeight;
    const auto [inFrom, inTo] = WellWithinReach(g, xs, count, ny, InnerHalf(g, vy));
    auto edge = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            q[i] = StepDistance(xs[i], ax, bx, ddx, ddy, il2, vv, nyx, nyy, behind, travel);
            need[i] = (h[i] > tip) & (q[i] <= rr) & (flat < h[i]);
        }
    };
    edge(0, inFrom);
    for (int i = inFrom; i < inTo; ++i) need[i] = (h[i] > tip) & (flat < h[i]);
    edge(inTo, count);
    for (int i = 0; i < count; ++i) cand[i] = flat;
    if (ctx.sumLoad) AddRunLoad(ctx, ixBegin, iy, count, h, cand, q, need, flags, stepClass);
    LowerPlainRun(ctx, runIdx, xs, count, g.dx, g.dy, g.x1, vy, travel, need, cand, flags, stepClass);
}

// The row of a descent: its nodes from column 0, the line number and
// attribute they are given, the work's last column (which counts half, as
// the first does).
struct DescentNodes {
    float* h = nullptr;
    std::uint8_t* attr = nullptr;
    std::int32_t* lineNo = nullptr;
    std::int32_t line = 0;
    std::uint8_t mark = 0;
    int lastX = 0;
    float floor = 0.0f;  // the lowest flat
};

// Per step of a descent row: its flat, the loads of the nodes it reaches
// first (`direct`), the weight of the nodes it goes on lowering (as
// differences: + at the step after the first, - after the last) and the
// highest node it reaches first. The weights are whole and half nodes, so
// their sums are exact: a step's sum is above 0 exactly when some node goes
// on down with it.
struct DescentSums {
    const float* flat;
    double* direct;
    double* going;
    float* highest;
};

// The nodes of columns [from, to) of a descent row that stand above the
// last step covering them (cover(x, first, last) gives the steps, false
// where none covers x) go to its flat, their loads to the sums. True when
// any node went down. The row's arrays are taken apart into restricted
// locals: the attribute byte written may alias anything.
template <bool kEdges, class Cover>
bool LowerDescentNodes(const DescentNodes& row, const DescentSums& sums, int from, int to, Cover&& cover) {
    float* __restrict h = row.h;
    std::uint8_t* __restrict attr = row.attr;
    std::int32_t* __restrict lineNo = row.lineNo;
    const std::int32_t line = row.line;
    const std::uint8_t mark = row.mark;
    const int lastX = row.lastX;
    const float* __restrict flats = sums.flat;
    double* __restrict direct = sums.direct;
    double* __restrict going = sums.going;
    float* __restrict highest = sums.highest;
    bool any = false;
    for (int x = from; x < to; ++x) {
        // Most nodes of the runs (found a block at a time) stand at or
        // below every flat: no step is looked up for them.
        const float before = h[x];
        if (!(before > row.floor)) continue;
        int a = 0, b = 0;
        if (!cover(x, a, b)) continue;
        if (!(before > flats[b])) continue;
        // The first covering step whose flat lies below the node.
        int t = a;
        while (!(flats[t] < before)) ++t;
        // Only a run that reaches the first or last column (kEdges) has a
        // node of half weight.
        const double weight = kEdges && (x == 0 || x == lastX) ? 0.5 : 1.0;
        direct[t] += weight * (static_cast<double>(before) - flats[t]);
        highest[t] = std::max(highest[t], before);
        going[t + 1] += weight;
        going[b + 1] -= weight;
        h[x] = flats[b];
        attr[x] = static_cast<std::uint8_t>((attr[x] & 0x80) | mark);
        if (lineNo != nullptr) lineNo[x] = line;
        any = true;
    }
    return any;
}

}  // namespace

bool FlatDescent(const std::vector<StepGeometry>& steps) {
    if (steps.size() < 2) return false;
    const StepGeometry& first = steps.front();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const StepGeometry& g = steps[i];
        if (!g.plain || !g.flat || !g.behindToo || !(g.flatHeight >= g.zf)) return false;
        // All straight down, or all along X the same way on one row of Y.
        if (g.travel != first.travel) return false;
        if (g.travel && (g.dy != 0.0 || g.y1 != first.y1 || (g.dx > 0.0) != (first.dx > 0.0))) return false;
        if (i > 0 && !(g.flatHeight <= steps[i - 1].flatHeight)) return false;
    }
    return true;
}

// The exact columns [lo, hi] of row iy (the band's k-th) step g covers: the
// nodes within its reach as the step sweep finds them (those well inside
// without a distance, the others by their distance). False when the
// covered nodes are not one run (a rounding at the edge of the reach).
// Inlined into DescentRow, which calls it for every step of every row.
[[gnu::always_inline]] inline bool CoveredColumns(const WorkModel& w, const StepGeometry& g, int k, int iy,
                                                  double half, int& lo, int& hi) {
    const auto [a, b] = g.Span(k);
    lo = a, hi = a - 1;
    if (b < a) return true;
    const double* off = w.nodeOffset.data();
    const double* xs = off + a;
    const int n = b - a + 1;
    const double ny = off[iy] - g.y0, vy = off[iy] - g.y1;
    const double vv = vy * vy, nyx = ny * g.dx, nyy = ny * g.dy;
    const std::pair<int, int> well = WellWithinReach(g, xs, n, ny, half);
    const int inFrom = well.first, inTo = well.second;
    auto inside = [&](int i) {
        return (i >= inFrom && i < inTo) ||
               StepDistance(xs[i], g.x0, g.x1, g.dx, g.dy, g.invL2, vv, nyx, nyy, g.behindToo, g.travel) <= g.reach2;
    };
    // Covered nodes [from, to] found in order; false on a gap between them.
    int first = -1, last = -1;
    auto cover = [&](int from, int to) {
        if (first < 0) {
            first = from;
        } else if (last != from - 1) {
            return false;
        }
        last = to;
        return true;
    };
    auto look = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            if (inside(i) && !cover(i, i)) return false;
        }
        return true;
    };
    // The well-inside run needs no look.
    if (inFrom < inTo) {
        if (!look(0, inFrom) || !cover(inFrom, inTo - 1) || !look(inTo, n)) return false;
    } else if (!look(0, n)) {
        return false;
    }
    if (first < 0 || last < first) return true;
    lo = a + first, hi = a + last;
    return true;
}

bool DescentRow(const SweepContext& ctx, const std::vector<StepGeometry>& steps, int k, int iy, SweepFlags& flags,
                ClassFold* classes) {
    WorkModel& w = *ctx.work;
    const double* off = w.nodeOffset.data();
    const int count = static_cast<int>(steps.size());
    // Every step's covered columns; they must move one way (or, going
    // straight down, widen), so that each node's covering steps follow
    // each other and two searches find them.
    // Only nodes above the lowest flat can be lowered: the runs of them
    // within the steps' spans, often none.
    int lo = w.nx, hi = -1;
    float floor = std::numeric_limits<float>::infinity();
    for (const StepGeometry& g : steps) {
        const auto [a, b] = g.Span(k);
        floor = std::min(floor, g.flatHeight);
        if (b < a) continue;
        lo = std::min(lo, a);
        hi = std::max(hi, b);
    }
    if (hi < lo) return true;
    static thread_local std::vector<std::pair<int, int>> runs;  // columns [first, end)
    runs.clear();
    ForRunsAbove(w.height + NodeIndex(w, lo, iy), hi - lo + 1, floor,
                 [&](int begin, int end) { runs.push_back({lo + begin, lo + end}); });
    if (runs.empty()) return true;
    static thread_local std::vector<int> los, his;
    los.resize(static_cast<std::size_t>(count));
    his.resize(static_cast<std::size_t>(count));
    bool none = true, rising = true, falling = true, widening = true;
    lo = w.nx, hi = -1;
    // The steps of a row mostly share their reach and their Y: the disc's
    // chord is worked out again only where either changes.
    double half = -1.0, halfReach = std::numeric_limits<double>::quiet_NaN(), halfY = halfReach;
    bool halfUnsure = false;
    for (int j = 0; j < count; ++j) {
        const StepGeometry& g = steps[static_cast<std::size_t>(j)];
        const bool unsure = g.travel && !std::isfinite(g.invL2);
        if (!(g.box.reach == halfReach && g.y1 == halfY && unsure == halfUnsure)) {
            half = InnerHalf(g, off[iy] - g.y1);
            halfReach = g.box.reach;
            halfY = g.y1;
            halfUnsure = unsure;
        }
        int a = 0, b = -1;
        if (!CoveredColumns(w, g, k, iy, half, a, b)) return false;
        los[static_cast<std::size_t>(j)] = a;
        his[static_cast<std::size_t>(j)] = b;
        if (b < a) {
            if (!none) return false;
            continue;
        }
        if (none && j > 0) return false;  // covers nothing before, something now
        none = false;
        lo = std::min(lo, a);
        hi = std::max(hi, b);
        if (j > 0) {
            const int pa = los[static_cast<std::size_t>(j) - 1], pb = his[static_cast<std::size_t>(j) - 1];
            rising = rising && a >= pa && b >= pb;
            falling = falling && a <= pa && b <= pb;
            widening = widening && a <= pa && b >= pb;
        }
    }
    if (none) return true;
    if (!rising && !falling && !widening) return false;
    const int* lop = los.data();
    const int* hip = his.data();
    // Per step: the loads of the nodes it reaches first (`direct`), the
    // weight of the nodes it goes on lowering (differences in `going`).
    // A row of a few steps keeps them on the stack.
    constexpr int kFewSteps = 32;
    double directFew[kFewSteps], goingFew[kFewSteps + 1];
    float highestFew[kFewSteps], flatFew[kFewSteps];
    static thread_local std::vector<double> directMany, goingMany;
    static thread_local std::vector<float> highestMany, flatMany;
    const bool few = count <= kFewSteps;
    if (!few) {
        directMany.resize(static_cast<std::size_t>(count));
        goingMany.resize(static_cast<std::size_t>(count) + 1);
        highestMany.resize(static_cast<std::size_t>(count));
        flatMany.resize(static_cast<std::size_t>(count));
    }
    double* direct = few ? directFew : directMany.data();
    double* going = few ? goingFew : goingMany.data();
    float* highest = few ? highestFew : highestMany.data();
    float* flat = few ? flatFew : flatMany.data();
    std::fill(direct, direct + count, 0.0);
    std::fill(going, going + count + 1, 0.0);
    std::fill(highest, highest + count, -std::numeric_limits<float>::infinity());
    for (int j = 0; j < count; ++j) flat[j] = steps[static_cast<std::size_t>(j)].flatHeight;
    // One side of the travel for the whole row (all along X on one row of
    // Y), or none.
    const StepGeometry& g0 = steps.front();
    const int direction = g0.travel ? static_cast<int>(g0.dx * (off[iy] - g0.y1) > 0.0) +
                                          2 * static_cast<int>(g0.dx * (off[iy] - g0.y1) < 0.0)
                                    : 3;
    DescentNodes nodes;
    const std::size_t rowIdx = NodeIndex(w, 0, iy);
    nodes.h = w.height + rowIdx;
    nodes.attr = w.attr + rowIdx;
    nodes.lineNo = w.lineNo != nullptr ? w.lineNo + rowIdx : nullptr;
    nodes.line = ctx.lineNo;
    nodes.mark = static_cast<std::uint8_t>((direction << kAttrDirShift) | ctx.attrCode);
    nodes.lastX = w.lastX;
    nodes.floor = floor;
    const DescentSums sums{flat, direct, going, highest};
    // The runs above the floor, left to right, with each node's first and
    // last covering step.
    auto lowerRuns = [&](auto&& cover) {
        bool lowered = false;
        for (const auto& [begin, end] : runs) {
            const int from = std::max(begin, lo), to = std::min(end, hi + 1);
            if (from == 0 || to > w.lastX) {
                lowered |= LowerDescentNodes<true>(nodes, sums, from, to, cover);
            } else {
                lowered |= LowerDescentNodes<false>(nodes, sums, from, to, cover);
            }
        }
        return lowered;
    };
    bool any = false;
    if (rising) {
        // Both edges move right: the first covering step is the first
        // whose right edge is at or right of the node, the last the last
        // whose left edge is at or left of it.
        int a = 0, b = -1;
        auto cover = [&](int x, int& first, int& last) {
            while (a < count && hip[a] < x) ++a;
            while (b + 1 < count && lop[b + 1] <= x) ++b;
            first = a, last = b;
            return a <= b;
        };
        any = lowerRuns(cover);
    } else if (falling) {
        // Both edges move left: the steps whose left edge is at or left of
        // a node end the list, those whose right edge is at or right of it
        // begin it; going right, both ends come back.
        int a = count, b = count - 1;
        auto cover = [&](int x, int& first, int& last) {
            while (a > 0 && lop[a - 1] <= x) --a;
            while (b >= 0 && hip[b] < x) --b;
            first = a, last = b;
            return a <= b;
        };
        any = lowerRuns(cover);
    } else {
        // Widening: each step adds columns on either side of the ones
        // before, and every step after the first covering one covers too.
        static thread_local std::vector<int> firstStep;
        firstStep.assign(static_cast<std::size_t>(hi - lo + 1), -1);
        int* firsts = firstStep.data();
        for (int j = 0; j < count; ++j) {
            const int innerLo = j == 0 ? hip[0] + 1 : lop[j - 1], innerHi = j == 0 ? hip[0] : hip[j - 1];
            for (int x = lop[j]; x < innerLo; ++x) firsts[x - lo] = j;
            for (int x = std::max(innerHi + 1, lop[j]); x <= hip[j]; ++x) firsts[x - lo] = j;
        }
        auto cover = [&](int x, int& first, int& last) {
            first = firsts[x - lo];
            last = count - 1;
            return first >= 0;
        };
        any = lowerRuns(cover);
    }
    if (!any) return true;
    flags.cutDone = 1;
    const double area = w.pitch * w.pitch * ((iy == 0 || iy == w.lastY) ? 0.5 : 1.0);
    const int cls = StepClassOf(direction);
    double weightGoing = 0.0;
    for (int j = 0; j < count; ++j) {
        const auto sj = static_cast<std::size_t>(j);
        weightGoing += going[sj];
        double volume = direct[sj];
        float top = highest[sj];
        bool lowered = top != -std::numeric_limits<float>::infinity();
        if (weightGoing > 0.0 && flat[sj - 1] > flat[sj]) {
            volume += weightGoing * (static_cast<double>(flat[sj - 1]) - flat[sj]);
            top = std::max(top, flat[sj - 1]);
            lowered = true;
        }
        if (!lowered) continue;
        ClassFold& fold = classes[steps[sj].index];
        NoteClassAt(fold, cls, static_cast<long long>(rowIdx) + lo);
        const double load = SnappedLoad(volume * area);
        fold.loadVolume += load;
        fold.highestCut = std::max(fold.highestCut, top);
        flags.loadVolume += load;
    }
    return true;
}

// One step over the nodes [ixBegin, ixEnd) of row iy; its class into stepClass.
void SweepStepRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int ixEnd,
                  RowScratch& scratch, SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double* off = w.nodeOffset.data();
    const double z = g.z, zCentre = g.zCentre;
    const double dx = g.dx, dy = g.dy, x1 = g.x1;
    const bool travel = g.travel;
    const bool rowProfile = RowProfileUsable(t);
    const double T3 = t.T3;
    const bool attachment = t.attachment;
    const double holderLimit = t.holderLimit;
    double* __restrict qRow = scratch.q.data();
    float* __restrict candRow = scratch.candidate.data();
    int* __restrict needRow = scratch.need.data();
    int* __restrict listRow = scratch.list.data();
    const double ny = off[iy] - g.y0;
    const double vy = off[iy] - g.y1;
    const std::size_t runIdx = NodeIndex(w, ixBegin, iy);
    // The squared distance at which the tool meets each node (infinite
    // where it meets none), then the profile over the run.
    const int count = ixEnd - ixBegin;
    // Locals, not references, so that the loops are vector code.
    const double* __restrict offRun = off + ixBegin;
    double* __restrict qOut = qRow;
    const double ax = g.x0, bx = x1, ddx = dx, ddy = dy, il2 = g.invL2, vv = vy * vy, nyx = ny * dx, nyy = ny * dy;
    const bool behind = g.behindToo;
    auto distance = [=](double x) { return StepDistance(x, ax, bx, ddx, ddy, il2, vv, nyx, nyy, behind, travel); };
    // A node needs a look when it stands above the tip, lies within reach
    // and the profile there lies below it (or the profile must be asked
    // node by node: the neck, the holder, the attachment).
    const float* __restrict hRun = w.height + runIdx;
    const float tip = g.zf;
    const double rr = g.reach2, flankEnd = rowProfile ? T3 : -1.0;
    const double attachmentFrom = attachment ? holderLimit : kUnreached;
    int needed = 0;
    if (count <= kShortRun && g.plain) {
        SweepPlainShortRun(ctx, g, iy, ixBegin, ixEnd, flags, stepClass);
        return;
    }
    if (g.plain && g.flat && !ctx.torque) {  // a long run: short plain ones went above
        SweepFlatRun(ctx, g, iy, ixBegin, count, scratch, flags, stepClass);
        return;
    }
    if (count <= kShortRun) {
        // A run of a block or two (most runs: the edge the tool advances
        // into): the few nodes above the tip one by one, with the same
        // distances and profile values as the row loops.
        for (int i = 0; i < count; ++i) {
            if (!(hRun[i] > tip)) continue;
            const double q = distance(offRun[i]);
            if (!(q <= rr)) continue;
            const bool special = (q > flankEnd) | (q > attachmentFrom);
            const float cand = rowProfile ? Rounded(ToolProfileHeight(t, z, zCentre, std::sqrt(q), q)) : 0.0f;
            if (!(special || cand < hRun[i])) continue;
            qRow[i] = q;
            candRow[i] = cand;
            listRow[needed++] = i;
        }
    } else {
        if (travel) {
            for (int i = 0; i < count; ++i) qOut[i] = distance(offRun[i]);
        } else {
            for (int i = 0; i < count; ++i) {
                const double vx = offRun[i] - bx;
                qOut[i] = vx * vx + vv;
            }
        }
        if (rowProfile) ProfileRow(t, z, zCentre, qRow, count, candRow);
        const double* __restrict qs = qRow;
        const float* __restrict cs = candRow;
        int* __restrict needs = needRow;
        for (int i = 0; i < count; ++i) {
            const double q = qs[i];
            const bool special = (q > flankEnd) | (q > attachmentFrom);
            needs[i] = (hRun[i] > tip) & (q <= rr) & (special | (cs[i] < hRun[i]));
        }
        if (g.plain) {
            if (ctx.sumLoad) AddRunLoad(ctx, ixBegin, iy, count, hRun, candRow, qRow, needRow, flags, stepClass);
            LowerPlainRun(ctx, runIdx, offRun, count, dx, dy, x1, vy, travel, needRow, candRow, flags, stepClass);
            return;
        }
        needed = NeededNodes(needRow, count, listRow);
    }
    for (int j = 0; j < needed; ++j) {
        const int i = listRow[j];
        const std::size_t idx = runIdx + static_cast<std::size_t>(i);
        const double q = qRow[i];
        const int ix = ixBegin + i;
        const double vx = off[ix] - x1;
        float candidate = candRow[i];
        if (!rowProfile || q > T3 || (attachment && q > holderLimit)) {
            double candidateD = ToolProfileHeight(t, z, zCentre, std::sqrt(q), q);
            if (q > holderLimit && attachment) {
                if (const auto a = AttachmentHeight(t, z, vx, vy)) candidateD = std::min(candidateD, *a);
            }
            candidate = Rounded(candidateD);
        }
        if (!(candidate < w.height[idx])) continue;
        if (ctx.sumLoad) stepClass.highestCut = std::max(stepClass.highestCut, w.height[idx]);
        std::uint8_t attr = ctx.attrCode;
        const auto node = static_cast<long long>(idx);
        if (ctx.fast) {
            // No cutting directions: every cut counts as general.
            NoteClassAt(stepClass, kStepClassGeneral, node);
        } else {
            // Up (1) or down (2) by the side of the travel, 0 on it, 3 without travel.
            const double c = dx * vy - dy * vx;
            const int direction = travel ? static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0) : 3;
            NoteClassAt(stepClass, StepClassOf(direction), node);
            attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) | ctx.attrCode);
        }
        LowerNode(ctx, idx, ix, iy, candidate, q, z, true, attr, flags);
    }
}

}  // namespace morvex::sweep_detail
