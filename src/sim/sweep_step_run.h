// One step of the step sweeper over a run of nodes of one row: what stays
// the same for every node of the step, and the run itself. Internal to the
// step sweeper.
#pragma once

#include <cstddef>
#include <utility>

#include "sim/sweep.h"
#include "sim/sweep_rows.h"

namespace morvex::sweep_detail {

// What stays the same for every node of one step.
struct StepGeometry {
    int index = 0;  // the step's place among the steps of the job
    StepBox box;
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
    double z = 0.0, zCentre = 0.0;  // tip at the step end, corner centre
    float zf = 0.0f;
    double reach2 = 0.0;
    double dx = 0.0, dy = 0.0, l2 = 0.0, invL2 = 0.0;
    bool travel = false;
    bool behindToo = false;  // a descending step meets the nodes behind its start
    // Plain steps lower nodes in vector loops: no node within reach lies
    // beyond the flank and nothing but height, attribute and line number
    // is written.
    bool plain = false;
    // A flat bottom out to the flank's end: the same height wherever the
    // tool reaches (the profile's own value there).
    bool flat = false;
    float flatHeight = 0.0f;
    // The columns of its rows rowFrom, rowFrom + stride, ... up to rowTo
    // (the rows of the band), which are the band's rows kFrom..kTo counted
    // from the band's first row.
    int rowFrom = 0, rowTo = -1;
    int kFrom = 0, kTo = -1;
    int* spanBegin = nullptr;
    int* spanEnd = nullptr;
    // The columns of the band's k-th row, empty (first > last) outside the
    // step's rows.
    std::pair<int, int> Span(int k) const {
        if (k < kFrom || k > kTo) return {0, -1};
        return {spanBegin[k - kFrom], spanEnd[k - kFrom]};
    }
};

// The geometry of the step p0 -> p1 with its box, the index-th of its job.
StepGeometry GeometryOf(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int index);

// Whether step g, swept right after prev on every node it can reach,
// lowers none of them: both plain steps straight up or down at the same
// place, prev no higher and reaching no less far. prev met each of g's
// nodes at the same distance with a tool surface no higher than g's (the
// profile at one distance rises with the tip), so g finds every node at
// or below its own surface. A vertical move thus cuts with its lowest
// step alone: the first going up, the last (swept first) going down.
bool LeftByPrevious(const StepGeometry& prev, const StepGeometry& g);

// The columns of the rows at ys[0..rows) the step can reach.
void StepSpans(const WorkModel& w, const StepGeometry& g, const double* ys, int rows, int* ix0, int* ix1);

// One step over the nodes [ixBegin, ixEnd) of row iy; its class into stepClass.
void SweepStepRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int ixEnd, RowScratch& scratch,
                  SweepFlags& flags, ClassFold& stepClass);

}  // namespace morvex::sweep_detail
