// Row helpers of the sweepers: the columns of a row the tool can reach, and
// the tool profile over a whole row in a loop without branches that the
// compiler turns into vector code. Internal to the sweepers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sim/sweep.h"
#include "sim/tool_profile.h"
#include "sim/work_model.h"

namespace morvex::sweep_detail {

// What the spans of a reach give away beyond their exact ends, in columns
// at 1 / ip columns per mm: 1e-6 mm per mm of reach and one more. A node
// a sweeper finds within reach (its squared distance rounded, at most a few
// ulps of reach²) lies within reach·1e-7 of the exact chord even on a row
// that only grazes the reach, where the chord's half width is most
// sensitive to that rounding; far less than a column.
inline double SpanSlack(double reach, double ip) { return (1.0 + reach) * 1e-6 * ip; }

// Columns ix0..ix1 of a row; empty when ix1 < ix0.
struct ColumnSpan {
    int ix0 = 0, ix1 = -1;
};

// Half chords sqrt(radius² - (y - cy)²) of the rows at ys, kept by a
// caller per thread: the steps of a line along X (or the segments of a
// raster row) ask for the same ones again and again.
struct HalfChords {
    double cy = 0.0, radius = -1.0, pitch = 0.0, firstY = 0.0, lastY = 0.0;
    int rows = -1;
    std::vector<double> half;
};

// ys are the offsets of rows of a grid of the given pitch (row times
// pitch), evenly spaced: the same pitch, first and last offset and count
// are the same rows, and so the same numbers.
inline const double* HalfChordsOf(HalfChords& c, double cy, double radius, double pitch,
                                  const double* __restrict ys, int rows) {
    if (rows > 0 && c.rows == rows && c.cy == cy && c.radius == radius && c.pitch == pitch && c.firstY == ys[0] &&
        c.lastY == ys[rows - 1]) {
        return c.half.data();
    }
    c.half.resize(static_cast<std::size_t>(std::max(rows, 0)));
    double* __restrict h = c.half.data();
    const double r2 = radius * radius;
    for (int i = 0; i < rows; ++i) {
        const double d = ys[i] - cy;
        h[i] = std::sqrt(std::max(0.0, r2 - d * d));
    }
    c.rows = rows, c.cy = cy, c.radius = radius, c.pitch = pitch;
    c.firstY = rows > 0 ? ys[0] : 0.0, c.lastY = rows > 0 ? ys[rows - 1] : 0.0;
    return c.half.data();
}

// How far a span reaches beyond the chord: the columns the chord covers
// with the slack of a reach (Tight, for the sweepers), or from the column
// before it to two after (NodeAround, for heights that want a node of
// margin around the reach).
struct SpanMargin {
    double pad = 0.0;   // columns added to the chord's ends
    int up = 0;         // 1: the first column at or after the padded start, 0: the one before it
    int extra = 0;      // columns after the one at or before the padded end
    double padY = 0.0;  // mm added to the reach across the rows
    static SpanMargin Tight(double reach, double ip) {
        const double slack = SpanSlack(reach, ip);
        return {slack, 1, 0, slack / ip};
    }
    static SpanMargin NodeAround() { return {1.0, 0, 1, 0.0}; }
};

// The columns of a row from xa..xb grown by the half chord and the margin,
// clipped to low..high (last at most hi); empty (ix1 < ix0) when the row
// is not near or misses them.
inline void ChordSpan(double xa, double xb, double half, bool near, double ip, const SpanMargin& m, double low,
                      double high, int hi, int& ix0, int& ix1) {
    const double xlo = (std::min(xa, xb) - half) * ip - m.pad;
    const double xhi = (std::max(xa, xb) + half) * ip + m.pad;
    const bool hit = near & (xhi >= low) & (xlo <= high);
    const double from = std::min(std::max(xlo, low), high);
    const int before = static_cast<int>(from);
    const int first = before + (m.up & static_cast<int>(static_cast<double>(before) < from));
    const int last = std::min(hi, static_cast<int>(std::min(std::max(xhi, low), high)) + m.extra);
    ix0 = hit ? first : 0;
    ix1 = hit ? last : -1;
}

// The columns of each row that lie within `radius` of the segment
// (ax, ay)-(bx, by), clipped to lo..hi: every node the sweepers can find
// within reach, and few more (they test every node anyway; the span spares
// them the nodes nothing can reach), or a node around them with
// `nodeAround`. Set up once per motion or step.
struct ReachRows {
    ReachRows(const WorkModel& w, double ax, double ay, double bx, double by, double radius, int lo, int hi,
              bool nodeAround = false)
        : ax(ax), ay(ay), dx(bx - ax), dy(by - ay), radius(radius), radius2(radius * radius),
          invDy(dy != 0.0 ? 1.0 / dy : 0.0), invPitch(1.0 / w.pitch), pitch(w.pitch),
          margin(nodeAround ? SpanMargin::NodeAround() : SpanMargin::Tight(radius, invPitch)), lo(lo), hi(hi) {}

    // The spans of the rows at ys[0..rows) into ix0/ix1 (ix1 < ix0 when
    // empty). One loop over all rows without branches: the square roots of
    // the rows overlap instead of waiting on each other.
    void Rows(const double* __restrict ys, int rows, int* __restrict ix0, int* __restrict ix1) const {
        if (dy == 0.0) {
            LevelRows(ys, rows, ix0, ix1);
            return;
        }
        const double x0a = ax, y0a = ay, ddx = dx, ddy = dy, rad2 = radius2, idy = invDy, ip = invPitch, low = lo,
                     high = hi, across = radius + margin.padY;
        for (int i = 0; i < rows; ++i) {
            const double y = ys[i];
            // The part of the segment within `radius` of the row in Y.
            const double ta = (y - across - y0a) * idy, tb = (y + across - y0a) * idy;
            const double t0 = std::max(0.0, std::min(ta, tb));
            const double t1 = std::min(1.0, std::max(ta, tb));
            const bool near = t0 <= t1;
            const double xa = x0a + t0 * ddx, xb = x0a + t1 * ddx;
            const double ya = y0a + t0 * ddy - y, yb = y0a + t1 * ddy - y;
            // The nearest the clipped part comes to the row gives the widest chord.
            const double gap = ya * yb <= 0.0 ? 0.0 : std::min(std::fabs(ya), std::fabs(yb));
            const double half = std::sqrt(std::max(0.0, rad2 - gap * gap));
            ChordSpan(xa, xb, half, near, ip, margin, low, high, hi, ix0[i], ix1[i]);
        }
    }

    // Rows for a segment along X: the loop of Rows with t0 = 0, t1 = 1 and
    // the half chords above, every number the same as there.
    void LevelRows(const double* __restrict ys, int rows, int* __restrict ix0, int* __restrict ix1) const {
        const double* __restrict halves = LevelHalfChords(ys, rows);
        const double y0a = ay, rad = radius, ip = invPitch, low = lo, high = hi;
        const double xa = ax + 0.0 * dx, xb = ax + 1.0 * dx;
        const double nearY = rad + margin.padY;
        for (int i = 0; i < rows; ++i) {
            const bool near = std::fabs(ys[i] - y0a) <= nearY;
            ChordSpan(xa, xb, halves[i], near, ip, margin, low, high, hi, ix0[i], ix1[i]);
        }
    }

    // A segment along X: each row's half chord, the same number Rows works
    // out (|y - ay| squared is (y - ay) squared), the same for every segment
    // of a row of a raster at the same Y.
    const double* LevelHalfChords(const double* ys, int rows) const {
        static thread_local HalfChords chords;
        return HalfChordsOf(chords, ay, radius, pitch, ys, rows);
    }

    double ax, ay, dx, dy, radius, radius2, invDy, invPitch, pitch;
    SpanMargin margin;
    int lo, hi;
};

// The columns of each row within `radius` of (cx, cy), clipped to lo..hi
// (with the slack of a reach): for a step much shorter than the
// tool's reach, the disc around its middle is nearly as tight as the
// segment's, and costs one vector loop.
inline void DiscRows(const WorkModel& w, double cx, double cy, double radius, int lo, int hi,
                     const double* __restrict ys, int rows, int* __restrict ix0, int* __restrict ix1) {
    const double invPitch = 1.0 / w.pitch, low = lo, high = hi;
    const SpanMargin margin = SpanMargin::Tight(radius, invPitch);
    const double nearY = radius + margin.padY;
    static thread_local HalfChords chords;
    const double* __restrict halves = HalfChordsOf(chords, cy, radius, w.pitch, ys, rows);
    for (int i = 0; i < rows; ++i) {
        const bool near = std::fabs(ys[i] - cy) <= nearY;
        ChordSpan(cx, cx, halves[i], near, invPitch, margin, low, high, hi, ix0[i], ix1[i]);
    }
}

// Scratch rows of one thread.
struct RowScratch {
    std::vector<double> q;
    std::vector<double> aux;
    std::vector<float> candidate;
    std::vector<int> need;  // 1: the node must be looked at
    std::vector<int> list;            // the positions of those nodes
    std::vector<int> spanBegin, spanEnd;  // per row of the box
    void ReserveRows(std::size_t rows) {
        if (spanBegin.size() < rows) {
            spanBegin.resize(rows);
            spanEnd.resize(rows);
        }
    }
    void Reserve(std::size_t n) {
        if (q.size() < n) {
            q.resize(n);
            aux.resize(n);
            candidate.resize(n);
            need.resize(n);
            list.resize(n);
        }
    }
};

inline RowScratch& ThreadScratch() {
    static thread_local RowScratch scratch;
    return scratch;
}

// Whether the bottom, corner and flank of the tool can be evaluated by
// ProfileRow (every tool but the oval, whose bottom is an elliptic cap).
inline bool RowProfileUsable(const ToolProfile& t) { return !t.ovalBottom; }

// The cutting part's height (bottom, corner, flank) at q[i] for n nodes,
// rounded to single precision, the same as ToolProfileHeight wherever
// q <= T3; elsewhere the value is meaningless and the caller asks
// ToolProfileHeight itself. No branches: the compiler makes vector code.
inline void ProfileRow(const ToolProfile& t, double zTip, double zCentre, const double* __restrict q, int n,
                       float* __restrict out) {
    const double T1 = t.T1, T2 = t.T2;
    const double bottomLift = t.bottomLift, tanA = t.tanA;
    const double cornerDir = t.cornerDir, cornerOff = t.cornerOff, cornerLift = t.cornerLift,
                 cornerSign = t.cornerSign, r2 = t.r2;
    const double c = t.c, k = t.k;
    if (T1 >= t.T3 && tanA == 0.0) {
        // A flat bottom out to the flank's end: tanA * rho is a zero of
        // tanA's sign for every finite rho.
        const float flat = static_cast<float>(zTip + bottomLift + tanA * 0.0);
        for (int i = 0; i < n; ++i) out[i] = flat;
        return;
    }
    for (int i = 0; i < n; ++i) {
        const double qi = q[i];
        const double rho = std::sqrt(qi);
        const double zb = zTip + bottomLift + tanA * rho;
        const double tc = cornerDir * rho + cornerOff;
        const double zc = zCentre + cornerLift + cornerSign * std::sqrt(std::max(0.0, r2 - tc * tc));
        const double zs = zTip + c + k * rho;
        const double z = qi <= T1 ? zb : (qi <= T2 ? zc : zs);
        out[i] = static_cast<float>(z);
    }
}

// Nodes are looked at in runs of blocks that hold a height above a floor
// nothing can cut below: the scan of a block is vector code, and the nodes
// the tool already left (most of each step) cost next to nothing.
inline constexpr int kScanBlock = 8;

// Calls visit(begin, end) for every run [begin, end) of blocks of h[0..n)
// that holds a height above `floor` (NaN counts as not above: such a node
// is never lowered).
// Whether any of the kScanBlock heights at h lies above floor.
inline bool BlockAbove(const float* h, float floor) {
#if defined(__SSE2__)
    const __m128 f = _mm_set1_ps(floor);
    const __m128 above = _mm_or_ps(_mm_cmpgt_ps(_mm_loadu_ps(h), f), _mm_cmpgt_ps(_mm_loadu_ps(h + 4), f));
    return _mm_movemask_ps(above) != 0;
#else
    int any = 0;
    for (int j = 0; j < kScanBlock; ++j) any |= h[j] > floor;
    return any != 0;
#endif
}

template <class Visit>
inline void ForRunsAbove(const float* __restrict h, int n, float floor, Visit&& visit) {
    static_assert(kScanBlock == 8, "BlockAbove looks at two vectors of four");
    int runBegin = -1;
    int b = 0;
    for (; b + kScanBlock <= n; b += kScanBlock) {
        if (BlockAbove(h + b, floor)) {
            if (runBegin < 0) runBegin = b;
        } else if (runBegin >= 0) {
            visit(runBegin, b);
            runBegin = -1;
        }
    }
    int any = 0;
    for (int j = b; j < n; ++j) any |= h[j] > floor;
    if (any != 0 && runBegin < 0) runBegin = b;
    if (runBegin >= 0) visit(runBegin, any != 0 ? n : b);
}

// std::nextafter(f, -infinity) without the library call (once per row of
// every sweep): the float next below f, -infinity and NaN as they are.
inline float NextFloatDown(float f) {
    if (!(f == f) || f == -std::numeric_limits<float>::infinity()) return f;
    if (f == 0.0f) return -std::numeric_limits<float>::denorm_min();
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    bits = f > 0.0f ? bits - 1 : bits + 1;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The largest float at or below v - margin: a floor that stays below any
// height computed as v up to rounding.
inline float FloorBelow(double v, double margin) {
    const double d = v - margin;
    float f = static_cast<float>(d);
    if (static_cast<double>(f) > d) f = NextFloatDown(f);
    return f;
}

// The positions i < n with need[i] set, in order; their count. No branch
// per node: a lowered node among kept ones is no misprediction.
inline int NeededNodes(const int* __restrict need, int n, int* __restrict list) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        list[m] = i;
        m += need[i];
    }
    return m;
}

// Whether a lowered node needs nothing but its new height, attribute byte
// and line number: no paint marks, no load sums, no length or chip checks,
// no watched node. Parts beyond the flank still need the node by node path.
inline bool PlainLowering(const SweepContext& ctx) {
    return !ctx.markPaint && ctx.watchedNode < 0 && !ctx.sumLoad && ctx.chipMode == 0 && ctx.lengthMode == 0;
}

// The same for the step sweep, which sums the loads of its plain nodes
// itself.
inline bool PlainStepLowering(const SweepContext& ctx) {
    return !ctx.markPaint && ctx.watchedNode < 0 && ctx.chipMode == 0 && ctx.lengthMode == 0;
}

// The plain lowering of a run of n nodes: where lower[i] is set, the
// height becomes cand[i], the attribute byte newAttr and the line number
// `line` (no line numbers when lineNo is null). One pass per array, without
// branches: vector code.
inline void LowerRun(float* __restrict h, std::uint8_t* __restrict attr, std::int32_t* __restrict lineNo,
                     const float* __restrict cand, const int* __restrict lower, int n, std::uint8_t newAttr,
                     std::int32_t line) {
    for (int i = 0; i < n; ++i) h[i] = lower[i] != 0 ? cand[i] : h[i];
    for (int i = 0; i < n; ++i) attr[i] = lower[i] != 0 ? newAttr : attr[i];
    if (lineNo == nullptr) return;
    for (int i = 0; i < n; ++i) lineNo[i] = lower[i] != 0 ? line : lineNo[i];
}

inline constexpr double kUnreached = std::numeric_limits<double>::infinity();

}  // namespace morvex::sweep_detail
