// Edge-function triangle fill. Coordinates are doubled so that the pixel
// centres (x + 0.5, y + 0.5) are integers: every test is exact.
#include "view/pixel_fill.h"

#include <algorithm>
#include <utility>

namespace morvex {
namespace {

// The one triangle of two sharing an edge that owns the centres on it:
// the edges run in opposite directions in the two, and exactly one of any
// direction and its reverse is owned.
bool Owned(long long dx, long long dy) { return dy < 0 || (dy == 0 && dx > 0); }

}  // namespace

PixelFill::PixelFill(QImage& image, const QRect& clip) {
    if (!Takes(image)) return;
    const QRect r = clip.intersected(image.rect());
    if (r.isEmpty()) return;
    bits_ = reinterpret_cast<std::uint32_t*>(image.bits());
    stride_ = image.bytesPerLine() / 4;
    left_ = r.left();
    top_ = r.top();
    right_ = r.right();
    bottom_ = r.bottom();
}

bool PixelFill::Takes(const QImage& image) {
    const QImage::Format f = image.format();
    return !image.isNull() && (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                               f == QImage::Format_ARGB32_Premultiplied);
}

void PixelFill::Triangle(QPoint a, QPoint b, QPoint c, std::uint32_t rgb) {
    if (bits_ == nullptr) return;
    const long long area = static_cast<long long>(b.x() - a.x()) * (c.y() - a.y()) -
                           static_cast<long long>(b.y() - a.y()) * (c.x() - a.x());
    if (area == 0) return;
    if (area < 0) std::swap(b, c);
    // Centres x + 0.5 within [min x, max x]: pixels min x .. max x - 1.
    const int x0 = std::max({std::min({a.x(), b.x(), c.x()}), left_});
    const int x1 = std::min({std::max({a.x(), b.x(), c.x()}) - 1, right_});
    const int y0 = std::max({std::min({a.y(), b.y(), c.y()}), top_});
    const int y1 = std::min({std::max({a.y(), b.y(), c.y()}) - 1, bottom_});
    if (x1 < x0 || y1 < y0) return;
    // E(P) = (B - A) x (P - A) at the doubled centre of pixel (x0, y0);
    // inside where every E >= 0, an edge's own centres where E == 0.
    struct Edge {
        long long e, stepX, stepY;
    } edges[3];
    const QPoint v[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        const QPoint& p = v[i];
        const QPoint& q = v[(i + 1) % 3];
        const long long dx = q.x() - p.x(), dy = q.y() - p.y();
        const long long px = 2LL * x0 + 1 - 2LL * p.x(), py = 2LL * y0 + 1 - 2LL * p.y();
        edges[i].e = dx * py - dy * px - (Owned(dx, dy) ? 0 : 1);
        edges[i].stepX = -2 * dy;
        edges[i].stepY = 2 * dx;
    }
    std::uint32_t* row = bits_ + static_cast<std::ptrdiff_t>(y0) * stride_;
    for (int y = y0; y <= y1; ++y, row += stride_) {
        long long e0 = edges[0].e, e1 = edges[1].e, e2 = edges[2].e;
        bool entered = false;
        for (int x = x0; x <= x1; ++x) {
            if ((e0 | e1 | e2) >= 0) {
                row[x] = rgb;
                entered = true;
            } else if (entered) {
                break;  // a row of a convex shape is one run
            }
            e0 += edges[0].stepX;
            e1 += edges[1].stepX;
            e2 += edges[2].stepX;
        }
        for (Edge& edge : edges) edge.e += edge.stepY;
    }
}

}  // namespace morvex
