// The whole-motion sweeper: horizontal lines and plane arcs in one pass.
//
// Implementation notes: coordinates are grid-relative (node (ix, iy) lies at
// nodeOffset[ix], nodeOffset[iy]); z is the tool tip. For a line from p0 to
// p1 a node at parameter t = ((n - p0) . (p1 - p0)) / |p1 - p0|^2 is met
// alongside the line (0 < t <= 1) at its perpendicular distance, ahead of p1
// (t > 1) at its distance to p1, and not at all behind p0 (the previous
// motion cut that disc). Along a row the swept region is convex, so a row
// ends at the first node out of reach after one within reach. For an arc a
// node's angle from the start direction decides whether it lies alongside
// (the distance to the arc, radius interpolated along a spiral) or beyond
// the end (the distance to p1); the angle is compared as a pseudo-angle,
// 1 - cos or 3 + cos by the sign of the sine, which orders angles as the
// angles themselves do without an acos per node. A node is lowered only where the tool
// surface lies below its height, compared in single precision.
#include "sim/sweep.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

#include "sim/sweep_node.h"
#include "sim/sweep_rows.h"

namespace morvex {
namespace {

using sweep_detail::LowerNode;
using sweep_detail::Rounded;

constexpr double kMinLineLength = 0.0001;  // mm in XY

struct NodeRange {
    int ix0 = 0, ix1 = -1, iy0 = 0, iy1 = -1;
    bool Empty() const { return ix1 < ix0 || iy1 < iy0; }
};

// The rows [begin, end) a whole-motion sweeper cuts; when measuring, it
// cuts nothing and only notes the rows first..last its motion touches.
struct RowBand {
    int begin = 0;
    int end = std::numeric_limits<int>::max();
    int stride = 1;  // rows begin, begin + stride, ...
    bool measure = false;
    int first = 0, last = -1;
    bool Measure(int rowFirst, int rowLast) {
        first = rowFirst;
        last = rowLast;
        return measure;
    }
};

// Nodes of the grid-relative box [xlo, xhi] x [ylo, yhi].
NodeRange RangeOf(const WorkModel& w, double xlo, double xhi, double ylo, double yhi) {
    NodeRange r;
    const double inv = 1.0 / w.pitch;
    const double width = w.lastX * w.pitch;
    const double depth = w.lastY * w.pitch;
    if (!(xhi >= 0.0 && yhi >= 0.0 && xlo <= width && ylo <= depth)) return r;
    r.ix0 = std::clamp(static_cast<int>(std::max(xlo * inv, -1.0)), 0, w.lastX);
    r.ix1 = std::clamp(static_cast<int>(std::min(xhi * inv, static_cast<double>(w.lastX))), 0, w.lastX);
    r.iy0 = std::clamp(static_cast<int>(std::max(ylo * inv, -1.0)), 0, w.lastY);
    r.iy1 = std::clamp(static_cast<int>(std::min(yhi * inv, static_cast<double>(w.lastY))), 0, w.lastY);
    return r;
}

// A monotonic stand-in for the angle of (cosine, sine) in [0, 2 pi): 0 at
// angle 0, 2 at pi, towards 4 at 2 pi.
double PseudoAngle(double sine, double cosine) {
    cosine = std::clamp(cosine, -1.0, 1.0);
    return sine >= 0.0 ? 1.0 - cosine : 3.0 + cosine;
}

double PseudoAngleOf(double angle) { return PseudoAngle(std::sin(angle), std::cos(angle)); }

// The angle of a pseudo-angle.
double TrueAngle(double pseudo) {
    return pseudo <= 2.0 ? std::acos(1.0 - pseudo) : 2.0 * kPi - std::acos(pseudo - 3.0);
}

bool AttachmentCanReach(const ToolProfile& t, double zTipLow, double zMax, int arborMode) {
    return t.attachment && arborMode != kArborIgnore && zTipLow + t.holderTop < zMax;
}

// Whether a whole motion notes the cutting-direction class of what it
// lowers: when its loads are summed for an observer (a run that shows no
// directions counts every cut as general). Once general, a class stays so:
// the sweepers then note no more.
bool NotesSides(const SweepContext& ctx) { return ctx.sumLoad && !ctx.fast; }

// The class of a lowered node by the side of the travel it lies on, as the
// step sweeper classes it: c is the travel's cross product with the node's
// offset from a point of the path, positive on the left (up-cut), negative
// on the right (down-cut), 0 on the path (general).
int SideClass(double c) { return c > 0.0 ? kStepClassUp : c < 0.0 ? kStepClassDown : kStepClassGeneral; }

int SweepHorizontalLine(const SweepContext& ctx, const SweepMotionInput& m, RowBand& band, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double x0 = m.p0[0], y0 = m.p0[1], x1 = m.p1[0], y1 = m.p1[1], z = m.p0[2];
    const double dx = x1 - x0, dy = y1 - y0;
    const double l2 = dx * dx + dy * dy;
    if (!(std::sqrt(l2) >= kMinLineLength)) return 0;
    if (!(z < w.zMax)) return 0;
    if (AttachmentCanReach(t, z, w.zMax, ctx.arborMode)) return -1;
    const double reach = SweepReach(t, z, w.zMax, ctx.arborMode);
    const double reach2 = reach * reach;
    const NodeRange r = RangeOf(w, std::min(x0, x1) - reach, std::max(x0, x1) + reach, std::min(y0, y1) - reach,
                                std::max(y0, y1) + reach);
    if (r.Empty()) return 0;
    if (band.Measure(r.iy0, r.iy1)) return 1;
    const float zf = Rounded(z);
    const double zCentre = z + t.fC;
    const double invL2 = 1.0 / l2;
    const double* off = w.nodeOffset.data();
    auto profile = [&](double q) { return Rounded(ToolProfileHeight(t, z, zCentre, std::sqrt(q), q)); };
    // Axis-parallel lines: alongside the line the distance is the row's
    // offset (parallel to X) or the column's (parallel to Y), so the profile
    // is evaluated once per row or once per column.
    const bool alongX = dy == 0.0;
    const bool alongY = dx == 0.0;
    static thread_local std::vector<float> columnCandidate;
    const bool sides = NotesSides(ctx);
    if (alongY) {
        columnCandidate.resize(static_cast<std::size_t>(r.ix1 - r.ix0 + 1));
        for (int ix = r.ix0; ix <= r.ix1; ++ix) {
            const double nx = off[ix] - x0;
            const double q = nx * nx;
            columnCandidate[static_cast<std::size_t>(ix - r.ix0)] = q <= reach2 ? profile(q) : 0.0f;
        }
    }
    const int rowEnd = std::min(r.iy1, band.end - 1);
    for (int iy = FirstBandRow(r.iy0, band.begin, band.stride); iy <= rowEnd; iy += band.stride) {
        const double ny = off[iy] - y0;
        const double ey = off[iy] - y1;
        std::size_t idx = NodeIndex(w, r.ix0, iy);
        bool inside = false;
        bool rowDone = false;
        float rowCandidate = 0.0f;
        for (int ix = r.ix0; ix <= r.ix1; ++ix, ++idx) {
            const double nx = off[ix] - x0;
            const double along = (nx * dx + ny * dy) * invL2;
            double q;
            bool alongside = false;
            if (along <= 0.0) {
                if (inside) break;
                continue;
            }
            if (along <= 1.0) {
                if (alongX) {
                    q = ny * ny;
                } else if (alongY) {
                    q = nx * nx;
                } else {
                    // Near the end the distance to it, should the side
                    // distance round above it.
                    const double cross = nx * dy - ny * dx;
                    const double ex = off[ix] - x1;
                    q = std::min(cross * cross * invL2, ex * ex + ey * ey);
                }
                alongside = true;
            } else {
                const double ex = off[ix] - x1;
                q = ex * ex + ey * ey;
            }
            if (q > reach2) {
                if (inside) break;
                continue;
            }
            inside = true;
            if (w.height[idx] <= zf) continue;
            float candidate;
            if (alongside && alongX) {
                if (!rowDone) {
                    rowCandidate = profile(ny * ny);
                    rowDone = true;
                }
                candidate = rowCandidate;
            } else if (alongside && alongY) {
                candidate = columnCandidate[static_cast<std::size_t>(ix - r.ix0)];
            } else {
                candidate = profile(q);
            }
            if (candidate < w.height[idx]) {
                if (sides && flags.stepClass != kStepClassGeneral) {
                    sweep_detail::NoteClass(flags.stepClass, SideClass(dx * ny - dy * nx));
                }
                LowerNode(ctx, idx, ix, iy, candidate, q, z, false, ctx.attrCode, flags);
            }
        }
    }
    return 1;
}

// An inclined line of a ball tool: the ball's centre runs along the 3-D
// segment C(t) = C0 + t (C1 - C0), and the swept body is a capsule. Above a
// node (x, y) the lowest point of the infinite cylinder of radius r around
// the centre line solves, with a = x - C0x, b = y - C0y, k = a ux + b uy for
// the unit direction u and s the height above C0z,
//   (1 - uz^2) s^2 - 2 k uz s + (a^2 + b^2 - k^2 - r^2) = 0   (lower root).
// When that point's foot on the line lies within the segment it is the
// lowest point of the capsule; otherwise the lowest point is on the ball at
// the end (the ball at the start was cut by the motion before).
int SweepInclinedBallLine(const SweepContext& ctx, const SweepMotionInput& m, RowBand& band, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double r = t.R;
    const double zLow = std::min(m.p0[2], m.p1[2]);
    if (!(zLow < w.zMax)) return 0;
    // Beyond the ball the shank or holder may reach: those are stepped.
    if (SweepReach(t, zLow, w.zMax, ctx.arborMode) > r + 1e-9 || !(r > 0.0)) return -1;
    const Point c0{m.p0[0], m.p0[1], m.p0[2] + r};
    const Point c1{m.p1[0], m.p1[1], m.p1[2] + r};
    const double lx = c1[0] - c0[0], ly = c1[1] - c0[1], lz = c1[2] - c0[2];
    const double length = std::sqrt(lx * lx + ly * ly + lz * lz);
    const double ux = lx / length, uy = ly / length, uz = lz / length;
    const double quadA = 1.0 - uz * uz;
    if (!(quadA > 1e-12)) return -1;
    const double r2 = r * r;
    const double invQuadA = 1.0 / quadA;
    const double invLength = 1.0 / length;
    const NodeRange range = RangeOf(w, std::min(c0[0], c1[0]) - r, std::max(c0[0], c1[0]) + r,
                                    std::min(c0[1], c1[1]) - r, std::max(c0[1], c1[1]) + r);
    if (range.Empty()) return 0;
    if (band.Measure(range.iy0, range.iy1)) return 1;
    const int rowFirst = FirstBandRow(range.iy0, band.begin, band.stride), rowLast = std::min(range.iy1, band.end - 1);
    const float zf = Rounded(zLow);
    const double* off = w.nodeOffset.data();
    const double c0x = c0[0], c0z = c0[2], c1x = c1[0], c1z = c1[2];
    sweep_detail::RowScratch& scratch = sweep_detail::ThreadScratch();
    scratch.Reserve(static_cast<std::size_t>(range.ix1 - range.ix0 + 1));
    double* __restrict footRow = scratch.aux.data();
    float* __restrict candRow = scratch.candidate.data();
    int* __restrict needRow = scratch.need.data();
    int* __restrict listRow = scratch.list.data();
    const sweep_detail::ReachRows reachRows(w, c0x, c0[1], c1x, c1[1], r, range.ix0, range.ix1);
    // The cylinder's foot f lies within the segment only where
    // k - f L (1 - uz^2) stays within r |uz|: k within [kLow, kHigh].
    const double kMargin = 1e-6 * (1.0 + r + length);
    const double kLow = -r * std::fabs(uz) - kMargin;
    const double kHigh = length * quadA + r * std::fabs(uz) + kMargin;
    const double invPitch = 1.0 / w.pitch;
    // Nodes that need nothing but height, attribute, line number and their
    // load (the ball reaches no further than its flank, r² = T3).
    const bool plain = sweep_detail::PlainStepLowering(ctx) && r2 <= t.T3;
    const double flankEnd = t.T3;
    const bool sides = NotesSides(ctx);
    const double* levelHalf = nullptr;
    if (rowFirst <= rowLast) {
        // The spans of the band's rows.
        const int rows = (rowLast - rowFirst) / band.stride + 1;
        static thread_local std::vector<double> ys;
        ys.resize(static_cast<std::size_t>(rows));
        for (int k = 0; k < rows; ++k) ys[static_cast<std::size_t>(k)] = off[rowFirst + k * band.stride];
        scratch.ReserveRows(static_cast<std::size_t>(rows));
        reachRows.Rows(ys.data(), rows, scratch.spanBegin.data(), scratch.spanEnd.data());
        // Along X the rows' half chords of the lowest point below are
        // those of the spans.
        if (c0[1] == c1[1]) levelHalf = reachRows.LevelHalfChords(ys.data(), rows);
    }
    // The column where a row's nodes stop being behind the start: edgeAt
    // less edgeStep times the row's offset from the start.
    const double invUx = ux != 0.0 ? 1.0 / ux : 0.0;
    const double edgeAt = (c0x + kLow * invUx) * invPitch, edgeStep = uy * invUx * invPitch;
    for (int iy = rowFirst, k = 0; iy <= rowLast; iy += band.stride, ++k) {
        const double b = off[iy] - c0[1];
        const double ey = off[iy] - c1[1];
        // The capsule's shadow on the row: the centre segment grown by r.
        sweep_detail::ColumnSpan span{scratch.spanBegin[k], scratch.spanEnd[k]};
        // Behind the start (k < kLow) the capsule's lowest point is on the
        // ball at the start, which the motion before left there; the end
        // ball reaches no lower over those nodes, so they are skipped (two
        // columns of margin on the node offsets).
        if (ux > 0.0) {
            const double edge = edgeAt - b * edgeStep - 2.0;
            span.ix0 = std::max(span.ix0, static_cast<int>(std::clamp(edge, -1.0, static_cast<double>(w.nx))));
        } else if (ux < 0.0) {
            const double edge = edgeAt - b * edgeStep + 2.0;
            span.ix1 = std::min(span.ix1, static_cast<int>(std::clamp(edge, -1.0, static_cast<double>(w.nx))));
        } else if (b * uy < kLow) {
            continue;
        }
        if (span.ix1 < span.ix0) continue;
        const int n = span.ix1 - span.ix0 + 1;
        const double b2 = b * b, buy = b * uy, ey2 = ey * ey;
        // No point of the capsule over this row lies lower than the lowest
        // centre less the half chord at the row's distance from the centre
        // segment in Y: nodes at or below that floor keep their height.
        double half = 0.0;
        if (levelHalf != nullptr) {
            half = levelHalf[k];
        } else {
            const double gap = std::max({0.0, off[iy] - std::max(c0[1], c1[1]), std::min(c0[1], c1[1]) - off[iy]});
            half = std::sqrt(std::max(0.0, r2 - gap * gap));
        }
        const double rowLow = std::min(c0z, c1z) - half;
        const float floor = std::max(zf, sweep_detail::FloorBelow(rowLow, 1e-6));
        const std::size_t rowIdx = NodeIndex(w, span.ix0, iy);
        sweep_detail::ForRunsAbove(w.height + rowIdx, n, floor, [&](int begin, int end) {
            const double* offRun = off + span.ix0 + begin;
            const int count = end - begin;
            // The lowest point of the capsule over each node: on the
            // cylinder when its foot lies within the segment (foot kept, else
            // -1), on the end ball otherwise, none beyond both. A node needs
            // a look when it stands above the tip and the capsule below it.
            const float* __restrict hRun = w.height + rowIdx + begin;
            // Locals, not the lambda's references, so that the loop is vector code.
            const double ax = c0x, bx = c1x, aZ = c0z, bZ = c1z, kux = ux, kuz = uz, qa = quadA, iqa = invQuadA,
                         il = invLength, rr = r2, bb = b2, by = buy, ee = ey2;
            const float tip = zf;
            float* __restrict cand = candRow;
            double* __restrict feet = footRow;
            int* __restrict needs = needRow;
            const double* __restrict offs = offRun;
            // Only nodes whose k lies within r |uz| (and a margin far above
            // rounding) of [0, L (1 - uz^2)] can have the cylinder's foot
            // within the segment; the others need the end ball alone.
            int cylFirst = 0, cylEnd = count;
            if (kux != 0.0) {
                const double aLo = (kLow - by) * invUx, aHi = (kHigh - by) * invUx;
                const double xLo = (std::min(aLo, aHi) + ax) * invPitch - 1.0;
                const double xHi = (std::max(aLo, aHi) + ax) * invPitch + 2.0;
                const double first = span.ix0 + begin;
                cylFirst = static_cast<int>(std::clamp(xLo - first, 0.0, static_cast<double>(count)));
                cylEnd = static_cast<int>(std::clamp(xHi - first, static_cast<double>(cylFirst), static_cast<double>(count)));
            }
            auto ballOnly = [&](int from, int to) {
                for (int i = from; i < to; ++i) {
                    const double ex = offs[i] - bx;
                    const double d2 = ex * ex + ee;
                    const double zBall = bZ - std::sqrt(std::max(rr - d2, 0.0));
                    cand[i] = static_cast<float>(d2 <= rr ? zBall : sweep_detail::kUnreached);
                    feet[i] = -1.0;
                }
            };
            ballOnly(0, cylFirst);
            for (int i = cylFirst; i < cylEnd; ++i) {
                const double a = offs[i] - ax;
                const double k = a * kux + by;
                const double quadC = a * a + bb - k * k - rr;
                const double disc = k * k * kuz * kuz - qa * quadC;
                const double s = (k * kuz - std::sqrt(std::max(disc, 0.0))) * iqa;
                const double foot = (k + s * kuz) * il;
                const bool cylinder = (disc >= 0.0) & (foot >= 0.0) & (foot <= 1.0);
                const double ex = offs[i] - bx;
                const double d2 = ex * ex + ee;
                const double zBall = bZ - std::sqrt(std::max(rr - d2, 0.0));
                const double z = cylinder ? aZ + s : (d2 <= rr ? zBall : sweep_detail::kUnreached);
                cand[i] = static_cast<float>(z);
                feet[i] = cylinder ? foot : -1.0;
            }
            ballOnly(cylEnd, count);
            for (int i = 0; i < count; ++i) needs[i] = (hRun[i] > tip) & (cand[i] < hRun[i]);
            const int needed = sweep_detail::NeededNodes(needRow, count, listRow);
            // Along a row the side of the travel changes at most once: the
            // first and the last node lowered tell every class the row has.
            if (sides && needed > 0 && flags.stepClass != kStepClassGeneral) {
                for (const int i : {listRow[0], listRow[needed - 1]}) {
                    const double a = offs[i] - ax;
                    sweep_detail::NoteClass(flags.stepClass, SideClass(lx * b - ly * a));
                }
            }
            // A plain node lowered as LowerNode lowers it, with the load
            // terms it adds in the same order, and everything it reads in
            // locals: the attribute byte written for each node may alias
            // anything, which would have every one of them read again.
            float* const heights = w.height;
            std::uint8_t* const attrs = w.attr;
            std::int32_t* const lines = w.lineNo;
            const std::uint8_t code = ctx.attrCode;
            const std::int32_t lineNo = ctx.lineNo;
            const double p = w.pitch;
            const int lastX = w.lastX;
            const double rowWeight = (iy == 0 || iy == w.lastY) ? 0.5 : 1.0;
            // A node's weight: the row's, halved on the first and last column.
            const double inner = 1.0 * rowWeight, edge = 0.5 * rowWeight;
            double volume = flags.loadVolume, torqueSum = flags.loadTorque;
            float top = flags.highestCut;
            bool cut = false;
            // Whether loads are summed, and torques too, is settled once for
            // the row (`sum` and `torque` are constants of the call).
            auto lowerPlain = [&](std::size_t idx, int ix, float candidate, double q, auto sum, auto torque) {
                if constexpr (decltype(sum)::value) {
                    const double weight = ix == 0 || ix == lastX ? edge : inner;
                    const double v = (static_cast<double>(heights[idx]) - candidate) * p * p * weight;
                    volume += SnappedLoad(v);
                    if constexpr (decltype(torque)::value) torqueSum += SnappedLoad(v * std::sqrt(q));
                    top = std::max(top, heights[idx]);
                }
                heights[idx] = candidate;
                attrs[idx] = code;
                if (lines != nullptr) lines[idx] = lineNo;
                cut = true;
            };
            auto store = [&] {
                flags.loadVolume = volume;
                flags.loadTorque = torqueSum;
                flags.highestCut = top;
                if (cut) flags.cutDone = 1;
            };
            auto lowerAll = [&](auto sum, auto torque) {
            for (int j = 0; j < needed; ++j) {
                const int i = listRow[j];
                const std::size_t idx = rowIdx + static_cast<std::size_t>(begin + i);
                const int ix = span.ix0 + begin + i;
                const double foot = footRow[i];
                const float candidate = candRow[i];
                double zTip = m.p1[2];
                double q;
                if (foot >= 0.0) {
                    const double a = off[ix] - c0x;
                    zTip = c0z + foot * lz - r;
                    const double px = a - foot * lx, py = b - foot * ly;
                    // The lowest point of a ball lies within its radius of
                    // the axis: a node met at its equator must not come out
                    // beyond the flank by rounding (a false interference).
                    q = std::min(px * px + py * py, r2);
                } else {
                    // Met by the end ball: within r, so within the flank.
                    const double ex = off[ix] - c1x;
                    q = ex * ex + ey * ey;
                    if (plain) {
                        lowerPlain(idx, ix, candidate, q, sum, torque);
                        continue;
                    }
                }
                if (plain && q <= flankEnd) {
                    lowerPlain(idx, ix, candidate, q, sum, torque);
                    continue;
                }
                store();
                LowerNode(ctx, idx, ix, iy, candidate, q, zTip, false, ctx.attrCode, flags);
                volume = flags.loadVolume, torqueSum = flags.loadTorque, top = flags.highestCut;
            }
            };
            if (!ctx.sumLoad) {
                lowerAll(std::false_type{}, std::false_type{});
            } else if (!ctx.torque) {
                lowerAll(std::true_type{}, std::false_type{});
            } else {
                lowerAll(std::true_type{}, std::true_type{});
            }
            store();
        });
    }
    return 1;
}

int SweepPlaneArc(const SweepContext& ctx, const SweepMotionInput& m, RowBand& band, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double z = m.p0[2];
    if (!(z < w.zMax)) return 0;
    if (AttachmentCanReach(t, z, w.zMax, ctx.arborMode)) return -1;
    if (!(m.sweep > 0.0) || !std::isfinite(m.startRadius) || !std::isfinite(m.endRadius)) return 0;
    const double reach = SweepReach(t, z, w.zMax, ctx.arborMode);
    const double reach2 = reach * reach;
    const double cx = m.centre[0], cy = m.centre[1];
    const double outer = std::max(m.startRadius, m.endRadius) + reach;
    const NodeRange r = RangeOf(w, cx - outer, cx + outer, cy - outer, cy + outer);
    if (r.Empty()) return 0;
    if (band.Measure(r.iy0, r.iy1)) return 1;
    const float zf = Rounded(z);
    const double zCentre = z + t.fC;
    const double sdx = m.startDir[0], sdy = m.startDir[1];
    const bool clockwise = m.type == kArcCw;
    const bool spiral = m.startRadius != m.endRadius;
    // Alongside up to the sweep; past it, nearer to the end than to the
    // start (angle - sweep <= 2 pi - angle, that is angle <= pi + sweep / 2).
    const double sweepPseudo = m.sweep >= 2.0 * kPi ? 4.0 : PseudoAngleOf(m.sweep);
    const double endPseudo = m.sweep >= 2.0 * kPi ? 4.0 : PseudoAngleOf(kPi + 0.5 * m.sweep);
    const double innerMin = std::max(0.0, std::min(m.startRadius, m.endRadius) - reach);
    const double innerMin2 = innerMin * innerMin;
    const double outer2 = outer * outer;
    const double* off = w.nodeOffset.data();
    const bool sides = NotesSides(ctx);
    // The travel's direction at the end: the radius there turned a quarter
    // towards the travel.
    const double endTangent[2] = {clockwise ? m.p1[1] - cy : cy - m.p1[1], clockwise ? cx - m.p1[0] : m.p1[0] - cx};
    const int rowEnd = std::min(r.iy1, band.end - 1);
    for (int iy = FirstBandRow(r.iy0, band.begin, band.stride); iy <= rowEnd; iy += band.stride) {
        const double vy = off[iy] - cy;
        const double ey = off[iy] - m.p1[1];
        std::size_t idx = NodeIndex(w, r.ix0, iy);
        for (int ix = r.ix0; ix <= r.ix1; ++ix, ++idx) {
            if (w.height[idx] <= zf) continue;
            const double vx = off[ix] - cx;
            const double rc2 = vx * vx + vy * vy;
            const double ex = off[ix] - m.p1[0];
            const double endQ = ex * ex + ey * ey;
            if ((rc2 > outer2 || rc2 < innerMin2) && endQ > reach2) continue;
            const double rc = std::sqrt(rc2);
            // Where the node lies along the arc: its pseudo-angle from the
            // start direction (monotonic in the true angle, no acos needed).
            double pa = 0.0;
            if (rc > 0.0) {
                const double inv = 1.0 / rc;
                const double cosine = (vx * sdx + vy * sdy) * inv;
                const double sine = (clockwise ? -inv : inv) * (sdx * vy - sdy * vx);
                pa = PseudoAngle(sine, cosine);
            }
            double q;
            // The side of the travel (see SideClass): alongside, the centre
            // lies on the left of a counter-clockwise arc; beyond the end,
            // the side of the end's tangent.
            double side = 0.0;
            if (pa <= sweepPseudo) {
                double radius = m.startRadius;
                if (spiral) {
                    const double angle = rc > 0.0 ? TrueAngle(pa) : 0.0;
                    radius += (m.endRadius - m.startRadius) * (angle / m.sweep);
                }
                const double rho = std::fabs(rc - radius);
                // Never further than the end itself (rounding, or a spiral's
                // radial gap near its end).
                q = std::min(rho * rho, endQ);
                side = clockwise ? rc - radius : radius - rc;
            } else if (pa <= endPseudo) {
                q = endQ;
                side = endTangent[0] * ey - endTangent[1] * ex;
            } else {
                continue;
            }
            if (q > reach2) continue;
            const float candidate = Rounded(ToolProfileHeight(t, z, zCentre, std::sqrt(q), q));
            if (candidate < w.height[idx]) {
                if (sides && flags.stepClass != kStepClassGeneral) {
                    sweep_detail::NoteClass(flags.stepClass, SideClass(side));
                }
                LowerNode(ctx, idx, ix, iy, candidate, q, z, false, ctx.attrCode, flags);
            }
        }
    }
    return 1;
}

}  // namespace

bool RapidAreaClear(const WorkModel& w, double x0, double y0, double x1, double y1, double reach, double zTip) {
    if (w.nx < 2 || w.ny < 2 || w.height == nullptr) return true;
    const NodeRange r =
        RangeOf(w, std::min(x0, x1) - reach, std::max(x0, x1) + reach, std::min(y0, y1) - reach, std::max(y0, y1) + reach);
    if (r.Empty()) return true;
    const float zf = Rounded(zTip);
    for (int iy = r.iy0; iy <= r.iy1; ++iy) {
        const float* row = w.height + NodeIndex(w, 0, iy);
        for (int ix = r.ix0; ix <= r.ix1; ++ix) {
            if (row[ix] > zf) return false;
        }
    }
    return true;
}

std::optional<Point> RapidCornerOverWork(const WorkModel& w, const ToolProfile& tool, int arborMode,
                                         const Point& start, const Point& end) {
    const double reach = SweepReach(tool, end[2], w.zMax, arborMode);
    if (!RapidAreaClear(w, start[0] - w.xMin, start[1] - w.yMin, end[0] - w.xMin, end[1] - w.yMin, reach, end[2])) {
        return std::nullopt;
    }
    return Point{start[0], end[1], end[2]};
}

void ApplyDeferredPaint(WorkModel& work, SweepFlags& flags) {
    if (work.nx < 1) {
        flags.deferredPaint.clear();
        return;
    }
    const auto nx = static_cast<std::uint32_t>(work.nx);
    for (const std::uint32_t idx : flags.deferredPaint) {
        if (idx >= work.cellCount) continue;
        const int ix = static_cast<int>(idx % nx), iy = static_cast<int>(idx / nx);
        const int x0 = std::max(ix - 1, 0), x1 = std::min(ix + 1, work.lastX);
        const int y0 = std::max(iy - 1, 0), y1 = std::min(iy + 1, work.lastY);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) work.attr[NodeIndex(work, x, y)] |= kAttrPaint;
        }
    }
    flags.deferredPaint.clear();
}

int ResolveClass(const ClassFold& fold) {
    const bool sided = fold.first == kStepClassUp || fold.first == kStepClassDown;
    if (fold.first != kStepClassUnknown && sided && (fold.seen & ~(1 << fold.first)) != 0) return kStepClassGeneral;
    return fold.first;
}

void MergeClassFold(ClassFold& into, const ClassFold& other) {
    into.loadVolume += other.loadVolume;
    into.loadTorque += other.loadTorque;
    into.highestCut = std::max(into.highestCut, other.highestCut);
    if (other.first == kStepClassUnknown) return;
    if (into.first == kStepClassUnknown || other.firstNode < into.firstNode) {
        into.first = other.first;
        into.firstNode = other.firstNode;
    }
    into.seen |= other.seen;
}

void MergeSweepFlags(SweepFlags& into, const SweepFlags& s) {
    into.deferredPaint.insert(into.deferredPaint.end(), s.deferredPaint.begin(), s.deferredPaint.end());
    into.cutDone |= s.cutDone;
    into.taperHit |= s.taperHit;
    into.holderHit |= s.holderHit;
    into.attachmentHit |= s.attachmentHit;
    into.searchHit |= s.searchHit;
    into.painted |= s.painted;
    into.hitRadius = std::max(into.hitRadius, s.hitRadius);
    into.hitDepth = std::max(into.hitDepth, s.hitDepth);
    into.removedVolume += s.removedVolume;
    into.lengthHit |= s.lengthHit;
    into.chipHit |= s.chipHit;
    if (s.chipNode >= 0) into.chipNode = s.chipNode;
    into.loadVolume += s.loadVolume;
    into.loadTorque += s.loadTorque;
    into.highestCut = std::max(into.highestCut, s.highestCut);
    into.needStickOut = std::max(into.needStickOut, s.needStickOut);
    into.needNeck = std::max(into.needNeck, s.needNeck);
    into.needTaper = std::max(into.needTaper, s.needTaper);
    into.taperImpossible |= s.taperImpossible;
    into.needFlute = std::max(into.needFlute, s.needFlute);
    into.needTipWidth = std::max(into.needTipWidth, s.needTipWidth);
    into.needCentre = std::max(into.needCentre, s.needCentre);
    sweep_detail::NoteClass(into.stepClass, s.stepClass);
}

double SweepReach(const ToolProfile& t, double zTipLow, double zMax, int arborMode) {
    double reach = t.rho3;
    if (t.lengthKind >= 2) reach = std::max(reach, t.shankRadius);
    if (arborMode != kArborIgnore && t.holder && zTipLow + t.len[0] < zMax) {
        reach = std::max(reach, std::sqrt(t.holderLimit));
    }
    if (AttachmentCanReach(t, zTipLow, zMax, arborMode)) {
        for (int i = 0; i < t.blockCount; ++i) reach = std::max(reach, t.halfWidth[i] * std::sqrt(2.0));
    }
    return std::isfinite(reach) && reach > 0.0 ? reach : 0.0;
}

namespace {

int SweepWhole(const SweepContext& ctx, const SweepMotionInput& m, RowBand& band, SweepFlags& flags) {
    if (ctx.work == nullptr || ctx.tool == nullptr || ctx.work->nx < 2 || ctx.work->ny < 2) return 0;
    if (m.type == kArcCw || m.type == kArcCcw) {
        if (m.first != 0 || m.second != 1 || m.p0[2] != m.p1[2]) return -1;
        return SweepPlaneArc(ctx, m, band, flags);
    }
    if (m.p0[2] != m.p1[2]) {
        // Inclined lines are swept whole only for a ball; others are stepped.
        return ctx.tool->shape == kShapeBall ? SweepInclinedBallLine(ctx, m, band, flags) : -1;
    }
    return SweepHorizontalLine(ctx, m, band, flags);
}

}  // namespace

int SweepMotion(const SweepContext& ctx, const SweepMotionInput& m, SweepFlags& flags) {
    if (ctx.work == nullptr || ctx.tool == nullptr || ctx.work->nx < 2 || ctx.work->ny < 2) return 0;
    RowBand all;
    const int result = SweepWhole(ctx, m, all, flags);
    ApplyDeferredPaint(*ctx.work, flags);
    return result;
}

int WholeMotionRows(const SweepContext& ctx, const SweepMotionInput& m, int& first, int& last) {
    RowBand band;
    band.measure = true;
    SweepFlags unused;
    const int result = SweepWhole(ctx, m, band, unused);
    first = band.first;
    last = band.last;
    return result;
}

void SweepMotionRows(const SweepContext& ctx, const SweepMotionInput& m, int rowBegin, int rowEnd, int stride,
                     SweepFlags& flags) {
    RowBand band;
    band.begin = rowBegin;
    band.end = rowEnd;
    band.stride = std::max(1, stride);
    SweepWhole(ctx, m, band, flags);
}

}  // namespace morvex
