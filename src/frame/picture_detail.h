// Before a picture of the view is saved, shown, copied or printed: whether
// the thinned-out drawing is to be drawn in detail first.
#pragma once

namespace morvex {

class Host;

// True when the picture is to be drawn in detail: only when the view is
// drawn with a step above 1 and no run is active; then DISPLAY GUIDANCE
// decides: 2 (DETAIL) always, 1 (YES) asks the user, 0 (NO) never.
bool WantDetailedPicture(int displayGuidance, int drawingStep, bool runActive, Host& host);

}  // namespace morvex
