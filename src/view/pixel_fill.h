// Filled triangles written straight into a 32-bit image, for the surface of
// the work: a full redraw at drawing step 1 fills millions of triangles of
// a pixel or less, where setting up a painter path per triangle costs far
// more than the pixels. A pixel is filled when its centre lies inside; a
// centre on an edge belongs to one of the two triangles sharing the edge, so
// a mesh of triangles is filled without gaps and without overlaps.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace morvex {

class PixelFill {
public:
    // Fills within `clip` (clipped to the image). The image must be of a
    // 32-bit format (RGB32, ARGB32 or premultiplied ARGB32).
    PixelFill(QImage& image, const QRect& clip);

    static bool Takes(const QImage& image);

    void Triangle(QPoint a, QPoint b, QPoint c, std::uint32_t rgb) {
        TriangleOf(a, b, c, [rgb](std::uint32_t& out) {
            out = rgb;
            return true;
        });
    }
    // A convex quadrilateral a, b, c, d as the triangles abc and acd.
    void Quad(QPoint a, QPoint b, QPoint c, QPoint d, std::uint32_t rgb) {
        Triangle(a, b, c, rgb);
        Triangle(a, c, d, rgb);
    }

    // The triangle abc in the colour `colour(rgb)` gives; asked only when the
    // triangle covers a pixel centre inside the clip, and at most once. When
    // it returns false nothing is filled. Most triangles of a drawing at step
    // 1 cover no centre, so whatever their colour costs is never spent.
    template <class Colour>
    void TriangleOf(QPoint a, QPoint b, QPoint c, Colour&& colour);

    // True when the clip holds any pixel of the box x0..x1 x y0..y1 (inclusive).
    bool Reaches(int x0, int x1, int y0, int y1) const {
        return bits_ != nullptr && x1 >= left_ && x0 <= right_ && y1 >= top_ && y0 <= bottom_;
    }

private:
    std::uint32_t* bits_ = nullptr;
    std::ptrdiff_t stride_ = 0;  // pixels per row
    int left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;  // inclusive
};

// Edge functions on doubled coordinates, so that the pixel centres
// (x + 0.5, y + 0.5) are integers and every test is exact.
template <class Colour>
void PixelFill::TriangleOf(QPoint a, QPoint b, QPoint c, Colour&& colour) {
    if (bits_ == nullptr) return;
    // Centres x + 0.5 within [min x, max x]: pixels min x .. max x - 1.
    const int x0 = std::max(std::min({a.x(), b.x(), c.x()}), left_);
    const int x1 = std::min(std::max({a.x(), b.x(), c.x()}) - 1, right_);
    if (x1 < x0) return;
    const int y0 = std::max(std::min({a.y(), b.y(), c.y()}), top_);
    const int y1 = std::min(std::max({a.y(), b.y(), c.y()}) - 1, bottom_);
    if (y1 < y0) return;
    const long long area = static_cast<long long>(b.x() - a.x()) * (c.y() - a.y()) -
                           static_cast<long long>(b.y() - a.y()) * (c.x() - a.x());
    if (area == 0) return;
    if (area < 0) std::swap(b, c);
    // E(P) = (B - A) x (P - A) at the doubled centre of pixel (x0, y0);
    // inside where every E >= 0, an edge's own centres where E == 0. Of two
    // triangles sharing an edge, the edge runs in opposite directions, and
    // exactly one of a direction and its reverse owns its centres.
    long long e[3], stepX[3], stepY[3];
    const QPoint v[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        const QPoint& p = v[i];
        const QPoint& q = v[(i + 1) % 3];
        const long long dx = q.x() - p.x(), dy = q.y() - p.y();
        const long long px = 2LL * x0 + 1 - 2LL * p.x(), py = 2LL * y0 + 1 - 2LL * p.y();
        const bool owned = dy < 0 || (dy == 0 && dx > 0);
        e[i] = dx * py - dy * px - (owned ? 0 : 1);
        stepX[i] = -2 * dy;
        stepY[i] = 2 * dx;
    }
    std::uint32_t rgb = 0;
    bool asked = false;
    std::uint32_t* row = bits_ + static_cast<std::ptrdiff_t>(y0) * stride_;
    for (int y = y0; y <= y1; ++y, row += stride_) {
        long long e0 = e[0], e1 = e[1], e2 = e[2];
        bool entered = false;
        for (int x = x0; x <= x1; ++x) {
            if ((e0 | e1 | e2) >= 0) {
                if (!asked) {
                    asked = true;
                    if (!colour(rgb)) return;
                }
                row[x] = rgb;
                entered = true;
            } else if (entered) {
                break;  // a row of a convex shape is one run
            }
            e0 += stepX[0];
            e1 += stepX[1];
            e2 += stepX[2];
        }
        for (int i = 0; i < 3; ++i) e[i] += stepY[i];
    }
}

}  // namespace morvex
