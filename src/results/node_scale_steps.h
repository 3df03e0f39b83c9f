// Motion steps judged at the spacing of the work's nodes. The work knows
// material only at its nodes: a step shorter than their spacing can pass
// between nodes that the steps before and after it lower, and then seems
// to cut nothing although the tool is buried in material (a flat end mill
// in a slot, stepped finer than the nodes, "cuts air" every other step;
// a narrow band of material beside a pass meets a node a spacing apart
// along a row of nodes, a diagonal of the grid's square apart along a
// diagonal). Its load swings the same way, from nothing to twice the true
// one. So a step that cut nothing still cuts when a step that cut ended
// less than a diagonal of lateral travel before it, and a cutting step's
// load is the volume removed over the last spacing over the travel from
// the first step that cut there. A step that moves a diagonal or more
// across the work stands alone, as does any step after the tool went
// straight up through air.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace morvex {

// A step's measures, as the sweep told them and as judged.
struct NodeScaleStep {
    double length = 0.0;   // mm, the length its load is per
    // mm it moved across the work (0 when only up or down). A vertical
    // step is measured exactly (heights are not sampled): its own verdict
    // stands, and it does not carry the window on.
    double lateral = 0.0;
    double tipZ = 0.0;     // where its tip ended
    double load = 0.0;     // removed volume (or torque measure) per mm
    bool cut = false;      // it lowered a node
    int cutClass = -1;
    double highestCut = -std::numeric_limits<double>::infinity();
};

// The steps that ended within the last diagonal of lateral travel, oldest
// first, with their sums.
struct NodeScaleWindow {
    struct Entry {
        double length = 0.0;
        double lateral = 0.0;
        double volume = 0.0;  // load times length
        bool cut = false;
        double highestCut = -std::numeric_limits<double>::infinity();
    };
    double pitch = 0.0;  // the node spacing; 0: every step stands alone
    // A ring of entries (its size a power of two): `count` of them from
    // index `first` on, oldest first.
    std::vector<Entry> ring;
    std::size_t first = 0, count = 0;
    double lateral = 0.0;  // summed lateral travel of the entries
    double length = 0.0;   // summed length of the entries
    double volume = 0.0;   // summed volume of the entries
    int cuts = 0;          // entries that cut
    double leadAir = 0.0;  // length of the entries before the first that cut
    int lastClass = -1;    // of the latest entry that cut
    double lastTip = std::numeric_limits<double>::infinity();  // the tip's height after the last step
};

// Starts over (a new run or a new tool): nothing before counts.
void ResetNodeScaleWindow(NodeScaleWindow& window, double pitch);

// Enters the step as the sweep measured it and changes it into the step as
// judged at the node spacing: a lateral step that cut nothing counts as
// cutting while a step that cut ended less than a diagonal of lateral
// travel before it, unless it stands more than a spacing above the
// highest material the window's cuts met; it takes the latest cut's class
// and that highest material. A cutting step's load becomes the load over
// the last spacing.
void JudgeAtNodeScale(NodeScaleWindow& window, NodeScaleStep& step);

}  // namespace morvex
