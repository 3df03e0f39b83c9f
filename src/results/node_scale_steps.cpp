// Motion steps judged at the spacing of the work's nodes.
#include "results/node_scale_steps.h"

#include <algorithm>

namespace morvex {
namespace {

// Steps that move only up or down do not carry the window on; this many
// entries at most are held.
constexpr std::size_t kMaxEntries = 4096;
constexpr double kDiagonal = 1.4142135623730951;

// The i-th entry, oldest first.
const NodeScaleWindow::Entry& At(const NodeScaleWindow& w, std::size_t i) {
    return w.ring[(w.first + i) & (w.ring.size() - 1)];
}

void Push(NodeScaleWindow& w, const NodeScaleWindow::Entry& entry) {
    if (w.count == w.ring.size()) {
        // Full: twice the room, the entries oldest first from 0.
        std::vector<NodeScaleWindow::Entry> wider(std::max<std::size_t>(16, 2 * w.ring.size()));
        for (std::size_t i = 0; i < w.count; ++i) wider[i] = At(w, i);
        w.ring.swap(wider);
        w.first = 0;
    }
    w.ring[(w.first + w.count) & (w.ring.size() - 1)] = entry;
    ++w.count;
}

// Drops the oldest entry and keeps the sums.
void DropOldest(NodeScaleWindow& w) {
    const NodeScaleWindow::Entry old = At(w, 0);
    w.first = (w.first + 1) & (w.ring.size() - 1);
    --w.count;
    w.lateral -= old.lateral;
    w.length -= old.length;
    w.volume -= old.volume;
    if (old.cut) {
        --w.cuts;
        // The lead of air now runs up to the next entry that cut.
        w.leadAir = 0.0;
        for (std::size_t i = 0; w.cuts > 0 && i < w.count && !At(w, i).cut; ++i) w.leadAir += At(w, i).length;
    } else if (w.cuts > 0) {
        w.leadAir -= old.length;
    }
    if (w.count == 1) {
        // Sums start afresh from the one entry: no rounding carried on.
        const NodeScaleWindow::Entry& e = At(w, 0);
        w.lateral = e.lateral;
        w.length = e.length;
        w.volume = e.volume;
        w.leadAir = 0.0;
    }
}

// Forgets every entry (the room stays).
void Clear(NodeScaleWindow& w) {
    w.first = w.count = 0;
    w.lateral = w.length = w.volume = w.leadAir = 0.0;
    w.cuts = 0;
    w.lastClass = -1;
}

// The load of the cutting step that just entered: the volume of the steps
// that lie wholly within the last spacing of lateral travel, over their
// length from the first of them that cut. The first to cut there keeps
// its own. The look back ends at the window's oldest cut: the steps
// before it add no volume and lie beyond the span (a plunge through air
// into material would otherwise walk its whole way down at every step).
void JudgeCuttingLoad(const NodeScaleWindow& w, NodeScaleStep& step) {
    if (w.cuts < 2) return;  // the step itself is the window's only cut
    const double limit = w.pitch * (1.0 + 1e-6);
    double lateral = 0.0, length = 0.0, volume = 0.0, span = 0.0;
    bool older = false;  // an earlier step that cut lies within the spacing
    int cutsLeft = w.cuts;
    for (std::size_t back = 0; back < w.count && cutsLeft > 0; ++back) {
        const NodeScaleWindow::Entry& e = At(w, w.count - 1 - back);
        if (back > 0 && lateral + e.lateral > limit) break;
        lateral += e.lateral;
        length += e.length;
        volume += e.volume;
        if (e.cut) {
            span = length;
            older = back > 0;
            --cutsLeft;
        }
    }
    if (older && span > 0.0) step.load = volume / span;
}

}  // namespace

void ResetNodeScaleWindow(NodeScaleWindow& window, double pitch) {
    window = NodeScaleWindow{};
    window.pitch = pitch > 0.0 ? pitch : 0.0;
}

void JudgeAtNodeScale(NodeScaleWindow& w, NodeScaleStep& step) {
    if (w.pitch <= 0.0) return;
    // Straight up through air: the tool has left whatever it touched (its
    // sides only pass along the walls it cut); what follows is judged anew.
    const bool rose = !step.cut && step.lateral <= 0.0 && step.tipZ > w.lastTip;
    w.lastTip = step.tipZ;
    if (rose) Clear(w);
    NodeScaleWindow::Entry entry;
    entry.length = step.length > 0.0 ? step.length : 0.0;
    entry.lateral = step.lateral > 0.0 ? step.lateral : 0.0;
    entry.volume = step.cut && step.load > 0.0 ? step.load * entry.length : 0.0;
    entry.cut = step.cut;
    entry.highestCut = step.highestCut;
    Push(w, entry);
    w.lateral += entry.lateral;
    w.length += entry.length;
    w.volume += entry.volume;
    if (entry.cut) {
        if (w.cuts == 0) w.leadAir = w.length - entry.length;
        ++w.cuts;
        w.lastClass = step.cutClass;
    }
    // The steps that ended less than a diagonal of the grid's square of
    // lateral travel ago. A node the oldest of them lowered may have come
    // within the tool's reach at its very end; the next node in line can
    // lie a spacing further on along a row, a diagonal along a diagonal.
    const double limit = w.pitch * kDiagonal * (1.0 - 1e-6);
    while (w.count > 1 && (w.lateral - At(w, 0).lateral >= limit || w.count > kMaxEntries)) DropOldest(w);
    if (w.count == 1 || w.cuts == 0) return;
    if (step.cut) {
        JudgeCuttingLoad(w, step);
        return;
    }
    // Gone straight down, or risen more than a spacing above all the cuts
    // met: the tool has left that material. (A floor rising ahead at up
    // to 45 degrees stays within a spacing of what the window met; a cut
    // may only have grazed it.)
    if (entry.lateral <= 0.0) return;
    // The highest of the cuts, from the oldest on (the steps before it
    // cut nothing).
    std::size_t oldestCut = w.count;
    for (int cutsLeft = w.cuts; oldestCut > 0 && cutsLeft > 0;) {
        if (At(w, --oldestCut).cut) --cutsLeft;
    }
    double highest = -std::numeric_limits<double>::infinity();
    for (std::size_t i = oldestCut; i < w.count; ++i) {
        if (At(w, i).cut) highest = std::max(highest, At(w, i).highestCut);
    }
    if (!(step.tipZ < highest + w.pitch)) return;
    const double span = w.length - w.leadAir;
    step.cut = true;
    step.load = span > 0.0 ? w.volume / span : 0.0;
    step.cutClass = w.lastClass;
    step.highestCut = highest;
}

}  // namespace morvex
