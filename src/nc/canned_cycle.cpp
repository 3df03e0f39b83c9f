// Expansion of a canned-cycle block into the motions of its holes.
//
// Implementation notes: levels are tool-axis coordinates, and `dir` is the
// sign of (bottom - R level), so every "down" below means toward the bottom
// and a bottom above the R level drills upward with the same rules. Pecks end
// at R + dir * i * Q (a product, not a running sum, so no drift); a Q that is
// not a positive finite number gives the single feed to the bottom. Pecks
// that would not go past the level the approach already reached (a cycle
// clearance deeper than Q) are skipped. Retracts never go back past the R
// level. Before a hole is started its minimum entries (position, approach,
// one feed, return) must fit in the block's budget of kMaxQueuedPerBlock;
// while pecking, a peck is made only if the final feed and the return still
// fit after it, otherwise the next feed goes straight to the bottom. So the
// queue never overflows, every appended hole ends at its return level, and
// a tiny Q or a huge repeat count only costs entries, never time or memory.
// A repeat count below 1 only positions, like K0.
#include "nc/canned_cycle.h"

#include <algorithm>
#include <cmath>

namespace morvex {
namespace {

constexpr double kReached = 1e-9;  // mm; a peck this close to the bottom is the bottom

bool IsKnownCode(int code) {
    return code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89);
}

// Codes that leave the hole at feed up to the R level instead of by rapid.
bool FeedsBackToR(int code) {
    return code == 74 || code == 84 || code == 85 || code == 87 || code == 88 || code == 89;
}

struct CycleLevels {
    double r = 0.0;
    double bottom = 0.0;
    double ret = 0.0;
    double dir = -1.0;  // +1 or -1: the direction from the R level toward the bottom
};

// Where appending stands: the tool position after the last entry and the room left.
struct CycleWriter {
    std::vector<QueuedMotion>& out;
    std::size_t room = 0;
    Point at{};
    int third = 2;
};

void Append(CycleWriter& w, int type, double level) {
    w.at[w.third] = level;
    w.out.push_back({type, w.at, {}});
    --w.room;
}

double PositiveOrZero(double v) {
    return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

// Cutting of one hole from the approach level to the bottom, leaving
// `reserve` entries for the return.
void Cut(const CycleRequest& req, const CycleLevels& lv, std::size_t reserve, CycleWriter& w) {
    const bool peck = (req.code == 73 || req.code == 83) && !req.singleFeed &&
                      std::isfinite(req.q) && req.q > 0.0;
    if (peck) {
        const double q = req.q;
        const double g73Back = PositiveOrZero(req.g73Return);
        const double g83Gap = PositiveOrZero(req.g83Clearance);
        // First peck index that goes past the approach level.
        const double done = lv.dir * (w.at[w.third] - lv.r);
        double i = std::max(1.0, std::floor(done / q) + 1.0);
        for (std::size_t n = 0; n < kMaxQueuedPerBlock; ++n, i += 1.0) {
            const double depth = lv.r + lv.dir * i * q;
            if (lv.dir * (lv.bottom - depth) <= kReached) break;
            if (lv.dir * (depth - w.at[w.third]) <= 0.0) continue;
            // Where the retract after this peck ends (G73) or the re-approach does (G83).
            double back = depth - lv.dir * (req.code == 73 ? g73Back : g83Gap);
            if (lv.dir * (back - lv.r) < 0.0) back = lv.r;
            const std::size_t cost =
                req.code == 73 ? (g73Back > 0.0 ? 2 : 1) : (back != lv.r ? 3 : 2);
            if (w.room < cost + 1 + reserve) break;  // keep the final feed and return
            Append(w, kLine, depth);
            if (req.code == 73) {
                if (g73Back > 0.0) Append(w, kRapid, back);
            } else {
                Append(w, kRapid, lv.r);
                if (back != lv.r) Append(w, kRapid, back);
            }
        }
    }
    Append(w, kLine, lv.bottom);
}

// One hole at plane position (p1, p2). Returns false, appending nothing, when
// the hole does not fit in the room left.
bool MakeHole(const CycleRequest& req, const CycleLevels& lv, double p1, double p2,
              CycleWriter& w) {
    const bool moves = w.at[req.first] != p1 || w.at[req.second] != p2;
    const std::size_t position = moves ? 1 : 0;
    if (req.repeat <= 0) {
        if (w.room < position) return false;
        w.at[req.first] = p1;
        w.at[req.second] = p2;
        if (moves) Append(w, kRapid, w.at[w.third]);
        return true;
    }

    const double clearance = PositiveOrZero(req.clearance);
    double approach = lv.r + lv.dir * clearance;
    if (lv.dir * (approach - lv.bottom) > 0.0) approach = lv.bottom;
    const bool toR = w.at[w.third] != lv.r;
    const std::size_t reserve = FeedsBackToR(req.code) ? (lv.ret != lv.r ? 2 : 1) : 1;
    const std::size_t need = position + (toR ? 1 : 0) + (clearance > 0.0 ? 1 : 0) + 1 + reserve;
    if (w.room < need) return false;

    w.at[req.first] = p1;
    w.at[req.second] = p2;
    if (moves) Append(w, kRapid, w.at[w.third]);
    if (toR) Append(w, kRapid, lv.r);
    if (clearance > 0.0) Append(w, kRapid, approach);
    Cut(req, lv, reserve, w);
    if (FeedsBackToR(req.code)) {
        Append(w, kLine, lv.r);
        if (lv.ret != lv.r) Append(w, kRapid, lv.ret);
    } else {
        Append(w, kRapid, lv.ret);
    }
    return true;
}

}  // namespace

std::size_t ExpandCycle(const CycleRequest& req, std::vector<QueuedMotion>& out) {
    if (!IsKnownCode(req.code)) return 0;
    const std::array<int, 3> axes{req.first, req.second, req.third};
    for (int a : axes) {
        if (a < 0 || a > 2) return 0;
    }
    if (axes[0] == axes[1] || axes[0] == axes[2] || axes[1] == axes[2]) return 0;

    CycleLevels lv;
    lv.r = req.incremental ? req.initialLevel + req.rWord : req.rWord;
    lv.bottom = req.incremental ? lv.r + req.bottomWord : req.bottomWord;
    if (req.repeat > 1 || (req.returnLevel != 0 && req.returnLevel != 2)) {
        lv.ret = req.initialLevel;
    } else {
        lv.ret = req.returnLevel == 0 ? lv.r : req.g71Level;
    }
    lv.dir = lv.bottom > lv.r ? 1.0 : -1.0;
    for (double v : {lv.r, lv.bottom, lv.ret, req.current[0], req.current[1], req.current[2]}) {
        if (!std::isfinite(v)) return 0;
    }

    const std::size_t before = out.size();
    CycleWriter w{out, kMaxQueuedPerBlock - std::min(before, kMaxQueuedPerBlock), req.current,
                  req.third};
    // Repeats step the hole by the plane increment; the entry budget ends
    // them long before the count is used up when the count is absurd.
    const int holes = req.incremental && req.repeat >= 2
                          ? std::min(req.repeat, static_cast<int>(kMaxQueuedPerBlock))
                          : 1;
    for (int k = 0; k < holes; ++k) {
        const double p1 = req.hole[req.first] + k * req.planeIncrement[req.first];
        const double p2 = req.hole[req.second] + k * req.planeIncrement[req.second];
        if (!std::isfinite(p1) || !std::isfinite(p2)) break;
        if (!MakeHole(req, lv, p1, p2, w)) break;
    }
    return out.size() - before;
}

}  // namespace morvex
