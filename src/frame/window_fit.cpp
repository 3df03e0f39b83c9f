// Window placement fitted into the screen.
#include "frame/window_fit.h"

#include <algorithm>

namespace morvex {
namespace {

// One axis: the size within [min(minSide, room), room], then the start so
// that start - before .. start + size + after lies in [lo, lo + span).
void FitAxis(int want, int wantSize, int lo, int span, int before, int after, int minSide, int& start,
             int& size) {
    const int room = std::max(1, span - before - after);
    size = std::clamp(wantSize, std::min(minSide, room), room);
    const int first = lo + before;
    const int last = lo + span - after - size;  // >= first, as size <= room
    start = std::clamp(want, first, std::max(first, last));
}

}  // namespace

WindowRect FitWindowRect(const WindowRect& want, const WindowRect& area, const WindowFrame& frame, int minSide) {
    WindowRect fit;
    FitAxis(want.x, want.width, area.x, area.width, frame.left, frame.right, minSide, fit.x, fit.width);
    FitAxis(want.y, want.height, area.y, area.height, frame.top, frame.bottom, minSide, fit.y, fit.height);
    return fit;
}

}  // namespace morvex
