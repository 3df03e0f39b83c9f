// The edges of cuts a program writes a little off their exact place. An
// optimised program writes every coordinate rounded to the controller's
// counts, so each of its cuts lies up to half a count off the cut the run
// made: at the edge of the cutter's reach a node the run cut away may still
// stand when the written program runs, a sliver as high as the material
// beside it. The marks tell a rapid's floor which nodes those may be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "sim/work_model.h"

namespace morvex {

// A bit per node of the work: the node lies at the edge of a cut written
// off its place. Sized for the work by the first mark.
struct CutEdgeMarks {
    int nx = 0, ny = 0;
    std::vector<std::uint64_t> bits;
};

inline bool EdgeMarked(const CutEdgeMarks& marks, int ix, int iy) {
    if (ix < 0 || iy < 0 || ix >= marks.nx || iy >= marks.ny) return false;
    const std::size_t i = static_cast<std::size_t>(iy) * static_cast<std::size_t>(marks.nx) +
                          static_cast<std::size_t>(ix);
    return (marks.bits[i >> 6] >> (i & 63)) & 1u;
}

// Marks the nodes of `work` near the edge of what a cutter of reach
// `reach` takes away along the straight path a..b (the work's XY
// coordinates, relative to its first node), written up to `shift` off:
// those within `shift` of that edge, and a pitch further inside, where the
// flank of a rounded profile stands higher by the shift times its slope.
void MarkCutEdges(CutEdgeMarks& marks, const WorkModel& work, double ax, double ay, double bx,
                  double by, double reach, double shift);

// What cuts a program skips leaves standing (an optimised program may
// write a cut as an escape over it): per node of the work, the highest
// material such a cut took away in the run, which the written program
// leaves there; -infinity where no skipped cut reached. Sized for the work
// by the first mark; should there be no room for it, every node counts as
// high as the highest mark.
struct LeftStanding {
    int nx = 0, ny = 0;
    std::vector<float> top;
    float highest = -std::numeric_limits<float>::infinity();
    bool everywhere = false;  // no room: `highest` stands for every node
};

// Raises the nodes of `work` within `reach` of the straight path a..b (the
// work's XY coordinates, relative to its first node) to at least `top`.
void MarkLeftStanding(LeftStanding& left, const WorkModel& work, double ax, double ay, double bx, double by,
                      double reach, float top);

// The highest mark within `reach` of the straight path a..b, or anywhere
// within `reach` of the rectangle between a and b unless `straight` (a
// rapid that moves each axis on its own); -infinity for none.
double LeftStandingTop(const LeftStanding& left, const WorkModel& work, double ax, double ay, double bx, double by,
                       double reach, bool straight = true);

}  // namespace morvex
