// The edges of cuts a program writes a little off their exact place. An
// optimised program writes every coordinate rounded to the controller's
// counts, so each of its cuts lies up to half a count off the cut the run
// made: at the edge of the cutter's reach a node the run cut away may still
// stand when the written program runs, a sliver as high as the material
// beside it. The marks tell a rapid's floor which nodes those may be.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace morvex
