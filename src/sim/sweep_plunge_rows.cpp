// Rows of a plunge: the steps of a tool going straight down, swept node by
// node instead of step by step.
//
// Implementation notes: every step of a vertical move meets a node at the
// same distance, so the profile's term that depends on the distance (the
// root of the corner circle, the slope times the radius) is the same for
// all of them; only the part that follows the tip changes. A node's height
// from step j is then one addition and one rounding, written with the very
// operations ToolProfileHeight and ProfileRow use: (zTip + lift) + term,
// or (zCentre + lift) + term on the corner. The steps a node sees are the
// ones whose tip lies below it; they are found by walking from the first
// of them (found by bisection), so a node the plunge only grazes costs a
// step or two.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "sim/sweep_step_run.h"

namespace morvex::sweep_detail {

bool PlungeSteps(const ToolProfile& tool, const std::vector<StepGeometry>& steps) {
    if (steps.size() < 2 || !RowProfileUsable(tool)) return false;
    const StepGeometry& first = steps.front();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const StepGeometry& g = steps[i];
        if (!g.plain || g.flat || g.travel || g.x1 != first.x1 || g.y1 != first.y1) return false;
        // Tips going down: each node's steps start at the first tip below
        // it, and no step reaches lower than the last one.
        if (i > 0 && !(g.zf <= steps[i - 1].zf && g.z <= steps[i - 1].z)) return false;
    }
    return true;
}

void PlungeRow(const SweepContext& ctx, const std::vector<StepGeometry>& steps, int k, int iy, SweepFlags& flags,
               ClassFold* classes) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double* off = w.nodeOffset.data();
    const int count = static_cast<int>(steps.size());
    // Only nodes above the lowest tip can be lowered: the runs of them
    // within the steps' spans.
    int lo = w.nx, hi = -1;
    for (const StepGeometry& g : steps) {
        const auto [a, b] = g.Span(k);
        if (b < a) continue;
        lo = std::min(lo, a);
        hi = std::max(hi, b);
    }
    if (hi < lo) return;
    const float floor = steps.back().zf;
    static thread_local std::vector<std::pair<int, int>> runs;  // columns [first, end)
    runs.clear();
    ForRunsAbove(w.height + NodeIndex(w, lo, iy), hi - lo + 1, floor,
                 [&](int begin, int end) { runs.push_back({lo + begin, lo + end}); });
    if (runs.empty()) return;
    // Per step: where the profile starts on the bottom, the corner and the
    // flank, the span on this row, and the loads and highest node of the
    // row's nodes it lowers.
    struct RowStep {
        double bottom, corner, flank;
        double reach2;
        float tip;
        int a, b;
        double volume;
        float highest;
        bool lowered;
    };
    static thread_local std::vector<RowStep> rowSteps;
    rowSteps.resize(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) {
        const StepGeometry& g = steps[static_cast<std::size_t>(j)];
        RowStep& r = rowSteps[static_cast<std::size_t>(j)];
        r.bottom = g.z + t.bottomLift;
        r.corner = g.zCentre + t.cornerLift;
        r.flank = g.z + t.c;
        r.reach2 = g.reach2;
        r.tip = g.zf;
        std::tie(r.a, r.b) = g.Span(k);
        r.volume = 0.0;
        r.highest = -std::numeric_limits<float>::infinity();
        r.lowered = false;
    }
    const StepGeometry& g0 = steps.front();
    const double vy = off[iy] - g0.y1, vv = vy * vy, x1 = g0.x1;
    const std::size_t rowIdx = NodeIndex(w, 0, iy);
    float* h = w.height + rowIdx;
    std::uint8_t* attr = w.attr + rowIdx;
    std::int32_t* lineNo = w.lineNo != nullptr ? w.lineNo + rowIdx : nullptr;
    const auto mark = static_cast<std::uint8_t>((3 << kAttrDirShift) | ctx.attrCode);
    const double T1 = t.T1, T2 = t.T2;
    RowStep* rs = rowSteps.data();
    bool any = false;
    for (const auto& [begin, end] : runs) {
        for (int x = begin; x < end; ++x) {
            float now = h[x];
            if (!(now > floor)) continue;
            const double vx = off[x] - x1;
            const double q = vx * vx + vv;
            const double rho = std::sqrt(q);
            // The part of the profile that depends on the distance alone,
            // and the part of each step it is added to.
            double term = 0.0;
            int part = 0;
            if (q <= T1) {
                term = t.tanA * rho;
            } else if (q <= T2) {
                const double tc = t.cornerDir * rho + t.cornerOff;
                term = t.cornerSign * std::sqrt(std::max(0.0, t.r2 - tc * tc));
                part = 1;
            } else {
                term = t.k * rho;
                part = 2;
            }
            // The last step reaches lowest: a node it leaves standing, no
            // step lowers (most of the disc, cut by the moves before).
            {
                const RowStep& r = rs[count - 1];
                const double from = part == 0 ? r.bottom : part == 1 ? r.corner : r.flank;
                if (!(static_cast<float>(from + term) < now)) continue;
            }
            // The first step whose tip lies below the node: no step before
            // it can reach down to it (the tips only go down).
            int j = static_cast<int>(
                std::partition_point(rs, rs + count, [now](const RowStep& r) { return !(r.tip < now); }) - rs);
            const double weight = x == 0 || x == w.lastX ? 0.5 : 1.0;
            const float before = now;
            for (; j < count; ++j) {
                RowStep& r = rs[j];
                if (x < r.a || x > r.b || !(q <= r.reach2) || !(now > r.tip)) continue;
                const double from = part == 0 ? r.bottom : part == 1 ? r.corner : r.flank;
                const auto cand = static_cast<float>(from + term);
                if (!(cand < now)) continue;
                r.volume += weight * (static_cast<double>(now) - cand);
                r.highest = std::max(r.highest, now);
                r.lowered = true;
                now = cand;
            }
            if (!(now < before)) continue;
            h[x] = now;
            attr[x] = static_cast<std::uint8_t>((attr[x] & 0x80) | mark);
            if (lineNo != nullptr) lineNo[x] = ctx.lineNo;
            any = true;
        }
    }
    if (!any) return;
    flags.cutDone = 1;
    const double area = w.pitch * w.pitch * ((iy == 0 || iy == w.lastY) ? 0.5 : 1.0);
    const int cls = StepClassOf(3);
    for (int j = 0; j < count; ++j) {
        const RowStep& r = rs[j];
        if (!r.lowered) continue;
        ClassFold& fold = classes[steps[static_cast<std::size_t>(j)].index];
        NoteClassAt(fold, cls, static_cast<long long>(rowIdx) + lo);
        const double load = SnappedLoad(r.volume * area);
        fold.loadVolume += load;
        fold.highestCut = std::max(fold.highestCut, r.highest);
        flags.loadVolume += load;
    }
}

}  // namespace morvex::sweep_detail
