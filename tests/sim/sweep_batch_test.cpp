// Batches of motions handed to the sweep workers while the batches before
// are still being swept: the work comes out as one thread cutting the
// motions one by one leaves it, and no hand-over hangs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "sim/cut_motion.h"
#include "sim/sweep_workers.h"
#include "support/progress_watchdog.h"
#include "support/sweep_grid.h"

namespace morvex {
namespace {

constexpr float kTop = 10.0f;

// An arc from p0 turning 2 radians clockwise: a helix sinking 0.1 in XY,
// or an arc in the XZ plane going down about 1.9 (both stepped for a flat
// end mill).
SweepMotionInput Arc(const Point& p0, bool helix) {
    SweepMotionInput m;
    m.type = kArcCw;
    m.first = 0, m.second = helix ? 1 : 2, m.third = helix ? 2 : 1;
    const double radius = 1.2, start = 0.7, sweep = 2.0;
    m.startRadius = m.endRadius = radius;
    m.sweep = sweep;
    m.arcLength = radius * sweep;
    m.startDir = {};
    m.startDir[m.first] = std::cos(start);
    m.startDir[m.second] = std::sin(start);
    m.p0 = p0;
    m.centre = p0;
    m.centre[m.first] -= radius * std::cos(start);
    m.centre[m.second] -= radius * std::sin(start);
    m.p1 = m.centre;
    m.p1[m.first] += radius * std::cos(start - sweep);
    m.p1[m.second] += radius * std::sin(start - sweep);
    m.p1[m.third] = p0[m.third] - (helix ? 0.1 : 0.0);
    return m;
}

// Batches of one to eight motions of a ball (inclined lines, swept whole)
// or a flat end mill (level lines, swept whole; short inclined moves,
// stepped), arcs (helices and arcs in XZ), now and then a short move
// of few rows (swept at once after the batches in flight) or a flush, on
// 1, 2 and 4 workers started and stopped again: every batch is handed
// over while up to kBatchesInFlight - 1 are in flight, as an unattended run
// does it. The calling thread, waiting for the oldest batch at a hand-over,
// sweeps bands of the later ones (a few hundred times a run here).
TEST(SweepBatch, BatchesInFlightCutLikeOneThreadAndNeverHang) {
    test::ProgressWatchdog watchdog("a batch hand-over hung after %lld batches");
    const ToolProfile tools[] = {test::SweepTool(kShapeBall, 3.0f, 1.5f), test::SweepTool(kShapeFlat, 3.0f, 0.0f)};
    WorkModel one = test::SweepGrid(101, 101, 0.2, kTop);
    WorkModel many = test::SweepGrid(101, 101, 0.2, kTop);
    CutOptions options;
    options.movingPitch = 0.3;
    SweepWorkers workers;
    // One planned, the others in flight.
    std::array<std::vector<BatchedCut>, kBatchesInFlight + 1> buffers;
    int planned = 0;
    long long batches = 0, motions = 0, handOvers = 0;
    bool inFlight = false;
    auto handOver = [&](std::size_t count) {
        SweepFlags flags;
        inFlight = StartBatchOnWorkers(workers, buffers[static_cast<std::size_t>(planned)].data(), count, flags);
        planned = (planned + 1) % static_cast<int>(buffers.size());
        watchdog.Progress(++batches);
    };
    auto flush = [&] {
        SweepFlags flags;
        if (inFlight) FinishBatchOnWorkers(workers, flags);
        inFlight = false;
    };
    for (int round = 0; round < 12; ++round) {
        constexpr int kStrips[] = {2, 3, 5};
        StartWorkers(workers, kStrips[round % 3]);
        for (int b = 0; b < 700; ++b) {
            const ToolProfile& tool = tools[(b / 50) % 2];
            SweepContext ctxOne, ctxMany;
            ctxOne.work = &one;
            ctxMany.work = &many;
            ctxOne.tool = ctxMany.tool = &tool;
            ctxOne.attrCode = ctxMany.attrCode = tool.attrCode;
            std::vector<BatchedCut>& cuts = buffers[static_cast<std::size_t>(planned)];
            const int size = 1 + (b * 7 + round) % 8;
            if (cuts.size() < static_cast<std::size_t>(size)) cuts.resize(static_cast<std::size_t>(size));
            std::size_t count = 0;
            for (int i = 0; i < size; ++i, ++motions) {
                // A zig-zag sinking slowly; every tenth motion a short move.
                // The flat end mill cuts level in steps of height, so that
                // many nodes meet several motions at the same height and
                // keep the line number of the first: a motion swept out of
                // turn shows.
                const double t = static_cast<double>(motions);
                SweepMotionInput m;
                m.p0 = {2 + std::fmod(t * 0.37, 16.0), 2 + std::fmod(t * 0.53, 16.0), 9.9 - t * 0.00005};
                m.p1 = {2 + std::fmod(t * 0.71, 16.0), 2 + std::fmod(t * 0.29, 16.0), 9.7 - t * 0.00005};
                if (tool.shape == kShapeFlat) m.p0[2] = m.p1[2] = 9.9 - 0.05 * std::floor(t / 300.0);
                if (motions % 10 == 0) m.p1 = {m.p0[0] + 0.3, m.p0[1], m.p0[2] - 0.2};
                if (motions % 7 == 3) m = Arc(m.p0, motions % 14 == 3);
                ctxOne.lineNo = ctxMany.lineNo = static_cast<int>(motions % 1000);
                SweepFlags reference;
                CutMotion(ctxOne, m, options, reference);
                if (!PlanBatchedCut(ctxMany, m, options, 2048, cuts[count])) {
                    ADD_FAILURE() << "a plain motion was not planned for a batch";
                    continue;
                }
                if (cuts[count].first <= cuts[count].last) ++count;
            }
            if (count > 0) {
                handOver(count);
                ++handOvers;
            }
            if (b % 97 == 96) flush();
        }
        flush();
        if (round % 2 == 1) StopWorkers(workers);
    }
    StopWorkers(workers);
    EXPECT_GT(handOvers, 8000);
    EXPECT_EQ(one.heightA, many.heightA);
    EXPECT_EQ(one.attrA, many.attrA);
    EXPECT_EQ(one.lineNumbers, many.lineNumbers);
    std::size_t lowered = 0;
    for (const float h : one.heightA) lowered += h < kTop ? 1 : 0;
    EXPECT_GT(lowered, 5000u);
}

}  // namespace
}  // namespace morvex
