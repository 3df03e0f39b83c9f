// Mouse work on the view: drag-rotate (mode 11), drag-zoom (mode 12, Ctrl
// held in mode 11), panning with the right button, and the zoom rectangle
// (mode 14, the Z key). A drag acts only once the pointer has moved at
// least 3 pixels (|dx| + |dy|) from the last position it acted on.
#pragma once

#include "view/view_state.h"

namespace morvex {

inline constexpr int kMouseMeasure = 1;
inline constexpr int kMouseRotate = 11;
inline constexpr int kMouseZoomDrag = 12;
inline constexpr int kMouseZoomRect = 14;

enum class DragKind { None, Rotate, Pan, ZoomRect };

struct DragState {
    DragKind kind = DragKind::None;
    int startX = 0, startY = 0;  // where the button went down
    int lastX = 0, lastY = 0;    // the last position acted on
};

// A button went down at (x, y): what the drag will do.
void BeginDrag(DragState& drag, DragKind kind, int x, int y);

// The pointer moved to (x, y) with the button held. Rotate and pan change
// the view once the pointer moved far enough (ctrl turns a rotate into a
// drag-zoom); true when the view changed and is to be drawn again.
bool DragTo(DragState& drag, ViewState& view, int x, int y, bool ctrl);

// The button was released at (x, y). A zoom rectangle of at least 3 pixels
// each way is fitted into the drawing rectangle (its centre to the middle);
// true when the view changed.
bool EndDrag(DragState& drag, ViewState& view, int x, int y);

// The rectangle of a zoom drag so far (normalised), for drawing its outline.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
PixelRect DragRect(const DragState& drag);

}  // namespace morvex
