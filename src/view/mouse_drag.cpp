// Mouse drags on the view.
#include "view/mouse_drag.h"

#include <algorithm>
#include <cstdlib>

namespace morvex {
namespace {

constexpr int kDragThreshold = 3;  // pixels, |dx| + |dy|
constexpr int kSmallestRect = 3;

}  // namespace

void BeginDrag(DragState& d, DragKind kind, int x, int y) {
    d.kind = kind;
    d.startX = d.lastX = x;
    d.startY = d.lastY = y;
}

bool DragTo(DragState& d, ViewState& v, int x, int y, bool ctrl) {
    if (d.kind == DragKind::None || d.kind == DragKind::ZoomRect) return false;
    const int dx = x - d.lastX, dy = y - d.lastY;
    if (std::abs(dx) + std::abs(dy) < kDragThreshold) return false;
    d.lastX = x;
    d.lastY = y;
    if (d.kind == DragKind::Pan) {
        PanView(v, dx, dy);
        return true;
    }
    if (ctrl) {
        DragZoom(v, dx, dy);
    } else {
        DragRotate(v, dx, dy);
    }
    return true;
}

PixelRect DragRect(const DragState& d) {
    return PixelRect{std::min(d.startX, d.lastX), std::min(d.startY, d.lastY), std::max(d.startX, d.lastX),
                     std::max(d.startY, d.lastY)};
}

bool EndDrag(DragState& d, ViewState& v, int x, int y) {
    const DragKind kind = d.kind;
    d.kind = DragKind::None;
    if (kind != DragKind::ZoomRect) return false;
    d.lastX = x;
    d.lastY = y;
    const PixelRect r = DragRect(d);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w < kSmallestRect || h < kSmallestRect || v.width <= 0 || v.height <= 0) return false;
    // The rectangle's centre to the middle of the picture, then the scale
    // that makes the rectangle fill it.
    const double cx = 0.5 * (r.left + r.right), cy = 0.5 * (r.top + r.bottom);
    const double mx = 0.5 * v.width, my = 0.5 * v.height;
    v.ox += mx - cx;
    v.oy += my - cy;
    const double factor = std::min(static_cast<double>(v.width) / w, static_cast<double>(v.height) / h);
    ZoomAbout(v, factor, mx, my);
    return true;
}

}  // namespace morvex
