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
    void TriangleOf(QPoint a, QPoint b, QPoint c, Colour&& colour) {
        TriangleOfHalves(a * 2, b * 2, c * 2, static_cast<Colour&&>(colour));
    }
    // The same with corners given in half pixels (doubled coordinates), for
    // corners halfway between two projected points, such as the midpoints
    // of a cell's edges.
    template <class Colour>
    void TriangleOfHalves(QPoint a, QPoint b, QPoint c, Colour&& colour);

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
// (x + 0.5, y + 0.5) are the odd integers 2x + 1 and every test is exact.
template <class Colour>
void PixelFill::TriangleOfHalves(QPoint a, QPoint b, QPoint c, Colour&& colour) {
    if (bits_ == nullptr) return;
    // Centres 2x + 1 within [min, max]: pixels min >> 1 .. (max - 1) >> 1
    // (shifts round toward minus infinity, also left of the picture).
    const int x0 = std::max(std::min({a.x(), b.x(), c.x()}) >> 1, left_);
    const int x1 = std::min((std::max({a.x(), b.x(), c.x()}) - 1) >> 1, right_);
    if (x1 < x0) return;
    const int y0 = std::max(std::min({a.y(), b.y(), c.y()}) >> 1, top_);
    const int y1 = std::min((std::max({a.y(), b.y(), c.y()}) - 1) >> 1, bottom_);
    if (y1 < y0) return;
    const long long area = static_cast<long long>(b.x() - a.x()) * (c.y() - a.y()) -
                           static_cast<long long>(b.y() - a.y()) * (c.x() - a.x());
    if (area == 0) return;
    if (area < 0) std::swap(b, c);
    // E(P) = (B - A) x (P - A) at the doubled centre of pixel (x0, y0);
    // inside where every E >= 0, an edge's own centres where E == 0. Of two
    // triangles sharing an edge, the edge runs in opposite directions, and
    // exactly one of a direction and its reverse owns its centres. The three
    // edges are kept in single variables, not an array: the row loop then
    // keeps them in registers.
    auto start = [x0, y0](QPoint p, QPoint q) {
        const long long dx = q.x() - p.x(), dy = q.y() - p.y();
        const long long px = 2LL * x0 + 1 - p.x(), py = 2LL * y0 + 1 - p.y();
        const bool owned = dy < 0 || (dy == 0 && dx > 0);
        return dx * py - dy * px - (owned ? 0 : 1);
    };
    long long r0 = start(a, b), r1 = start(b, c), r2 = start(c, a);  // at the start of the row
    const long long sx0 = -2LL * (b.y() - a.y()), sx1 = -2LL * (c.y() - b.y()), sx2 = -2LL * (a.y() - c.y());
    const long long sy0 = 2LL * (b.x() - a.x()), sy1 = 2LL * (c.x() - b.x()), sy2 = 2LL * (a.x() - c.x());
    std::uint32_t rgb = 0;
    bool asked = false;
    std::uint32_t* row = bits_ + static_cast<std::ptrdiff_t>(y0) * stride_;
    for (int y = y0; y <= y1; ++y, row += stride_, r0 += sy0, r1 += sy1, r2 += sy2) {
        long long e0 = r0, e1 = r1, e2 = r2;
        bool entered = false;
        for (int x = x0; x <= x1; ++x, e0 += sx0, e1 += sx1, e2 += sx2) {
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
        }
    }
}

}  // namespace morvex
