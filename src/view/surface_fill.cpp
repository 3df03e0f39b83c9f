// Filling the surface cells. Most cells of a drawing at step 1 cover no
// pixel centre at all, so a triangle's normal, shade and class are worked
// out only once the fill finds a pixel to colour. A cell a few pixels wide
// whose corners differ in class is coloured by quarters (SplitCell).
#include "view/surface_fill.h"

#include <algorithm>
#include <array>

namespace morvex {
namespace {

Vec3 Normalised(Vec3 n) {
    const double l = Length(n);
    return l > 0.0 ? n * (1.0 / l) : Vec3{0.0, 0.0, 1.0};
}

// A cell, its corners in the order 00, 10, 01, 11.
struct Cell {
    std::array<QPoint, 4> q;          // on the screen
    std::array<float, 4> h;           // heights
    std::array<std::uint8_t, 4> a;    // attributes
    double sx = 0.0, sy = 0.0;        // its size in X and Y, mm
};

// The unit normal (pointing up) of the triangle through corners i, j, k.
Vec3 NormalOf(const Cell& c, int i, int j, int k) {
    auto at = [&c](int n) { return Vec3{(n & 1) * c.sx, (n >> 1) * c.sy, c.h[static_cast<std::size_t>(n)]}; };
    const Vec3 u = at(j) - at(i), w = at(k) - at(i);
    Vec3 n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    if (n.z < 0.0) n = n * -1.0;
    return Normalised(n);
}

// The colour of a triangle with normal `n` in class `cls`; false when it faces away.
bool Shaded(const RenderStyle& s, const ViewState& v, const Vec3& n, int cls, std::uint32_t& rgb) {
    if (!(Dot(n, v.toViewer) > 0.0)) return false;
    rgb = s.shade[static_cast<std::size_t>(cls * kShades + ShadeOf(v, n))];
    return true;
}

// Fills the convex polygon of `n` points (half pixels) in one colour, as a fan.
void FillFan(PixelFill& pixels, const QPoint* p, int n, std::uint32_t rgb) {
    for (int i = 2; i < n; ++i) {
        pixels.TriangleOfHalves(p[0], p[i - 1], p[i], [rgb](std::uint32_t& out) { return out = rgb, true; });
    }
}

// A cell a few pixels wide whose corners are not all of one class; true
// when it was drawn here.
//
// Such a cell (drawn with a step above 1, or seen from close) is wide
// enough for each of its triangles to show. Where it crosses the edge of a
// cut, the triangle rule colours each triangle by the class most of its
// corners have: on a steep wall, tall and narrow on the screen, the colours
// of the two sides then alternate from cell to cell as vertical streaks.
// Here each corner colours its own quarter of the cell instead (bounded by
// the midpoints of the edges and the middle of the diagonal), as each node
// colours the ground around it in a drawing of cells below a pixel, where
// the colour of a wall changes halfway down. The two triangles keep their
// own normals: each quarter is shaded by the triangle it lies in.
bool SplitCell(PixelFill& pixels, const RenderStyle& s, const ViewState& v, const Cell& c) {
    enum { k00, k10, k01, k11 };
    // Corners with the same attribute are of one class, unless the target
    // area tells them apart by height.
    if (!s.targetOn && c.a[0] == c.a[1] && c.a[0] == c.a[2] && c.a[0] == c.a[3]) return false;
    int cls[4];
    for (std::size_t i = 0; i < 4; ++i) cls[i] = TriangleClass(s, {c.h[i], c.h[i], c.h[i]}, {c.a[i], c.a[i], c.a[i]});
    if (cls[0] == cls[1] && cls[0] == cls[2] && cls[0] == cls[3]) return false;
    // In half pixels: the corners, the midpoints of the edges and of the diagonal 10-01.
    auto twice = [&c](int i) { return c.q[static_cast<std::size_t>(i)] * 2; };
    auto mid = [&c](int i, int j) { return c.q[static_cast<std::size_t>(i)] + c.q[static_cast<std::size_t>(j)]; };
    const QPoint p00 = twice(k00), p10 = twice(k10), p01 = twice(k01), p11 = twice(k11);
    const QPoint bottom = mid(k00, k10), top = mid(k01, k11), left = mid(k00, k01), right = mid(k10, k11);
    const QPoint centre = mid(k10, k01);
    auto colour = [&](const Vec3& n, int corner, std::uint32_t& rgb) {
        return Shaded(s, v, n, cls[corner], rgb);
    };
    std::uint32_t rgb = 0;
    // The first triangle (00, 10, 01): the quarter of 00 and halves of the quarters of 10 and 01.
    const Vec3 n1 = NormalOf(c, k00, k10, k01);
    if (colour(n1, k00, rgb)) {
        const QPoint quarter[4] = {p00, bottom, centre, left};
        FillFan(pixels, quarter, 4, rgb);
    }
    if (colour(n1, k10, rgb)) {
        const QPoint part[3] = {bottom, p10, centre};
        FillFan(pixels, part, 3, rgb);
    }
    if (colour(n1, k01, rgb)) {
        const QPoint part[3] = {left, centre, p01};
        FillFan(pixels, part, 3, rgb);
    }
    // The second (11, 01, 10): the quarter of 11 and the other halves.
    const Vec3 n2 = NormalOf(c, k11, k01, k10);
    if (colour(n2, k11, rgb)) {
        const QPoint quarter[4] = {p11, top, centre, right};
        FillFan(pixels, quarter, 4, rgb);
    }
    if (colour(n2, k10, rgb)) {
        const QPoint part[3] = {p10, right, centre};
        FillFan(pixels, part, 3, rgb);
    }
    if (colour(n2, k01, rgb)) {
        const QPoint part[3] = {centre, top, p01};
        FillFan(pixels, part, 3, rgb);
    }
    return true;
}

}  // namespace

void FillSurface(PixelFill& pixels, const QRect& reach, const WorkModel& w, const ViewState& v,
                 const RenderStyle& s, const ProjectedGrid& g) {
    const int cols = static_cast<int>(g.columns.size());
    if (cols < 2 || g.rows.size() < 2) return;
    const Vec3 V = v.toViewer;
    const int flatShade = ShadeOf(v, Vec3{0.0, 0.0, 1.0});
    const bool flatFacing = V.z > 0.0;
    const std::uint32_t* shades = s.shade.data();
    const int* columns = g.columns.data();
    // The row being drawn: its two node rows in the work and in the cache.
    const float *h0 = nullptr, *h1 = nullptr;
    const std::uint8_t *a0 = nullptr, *a1 = nullptr;
    const std::int16_t *x0 = nullptr, *y0 = nullptr, *x1 = nullptr, *y1 = nullptr;
    double sy = 0.0;
    auto row = [&](int r) {
        const int iy0 = g.rows[static_cast<std::size_t>(r)], iy1 = g.rows[static_cast<std::size_t>(r) + 1];
        sy = (iy1 - iy0) * w.pitch;
        h0 = w.height + NodeIndex(w, 0, iy0);
        h1 = w.height + NodeIndex(w, 0, iy1);
        a0 = w.attr + NodeIndex(w, 0, iy0);
        a1 = w.attr + NodeIndex(w, 0, iy1);
        const std::size_t k = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
        x0 = g.xs.data() + k, y0 = g.ys.data() + k;
        x1 = x0 + cols, y1 = y0 + cols;
    };
    auto cell = [&](int c) {
        // A pixel is filled when its centre lies inside: a cell whose corners
        // span no centre in X or in Y fills none.
        const int left = std::min(std::min(x0[c], x0[c + 1]), std::min(x1[c], x1[c + 1]));
        const int right = std::max(std::max(x0[c], x0[c + 1]), std::max(x1[c], x1[c + 1]));
        const int top = std::min(std::min(y0[c], y0[c + 1]), std::min(y1[c], y1[c + 1]));
        const int bottom = std::max(std::max(y0[c], y0[c + 1]), std::max(y1[c], y1[c + 1]));
        if (left == right || top == bottom || !pixels.Reaches(left, right - 1, top, bottom - 1)) return;
        // A cell a pixel wide or less shows nothing of how it is split.
        const bool wide = right - left >= 2;
        const QPoint q00(x0[c], y0[c]), q10(x0[c + 1], y0[c + 1]), q01(x1[c], y1[c]), q11(x1[c + 1], y1[c + 1]);
        const int ix0 = columns[c], ix1 = columns[c + 1];
        const float h00 = h0[ix0], h10 = h0[ix1], h01 = h1[ix0], h11 = h1[ix1];
        if (h00 == h10 && h00 == h01 && h00 == h11) {
            if (!flatFacing) return;
            std::uint32_t flat = 0;
            bool known = false;
            auto colour = [&](std::uint32_t& rgb) {
                if (!known) {
                    const int cls = TriangleClass(s, {h00, h10, h01}, {a0[ix0], a0[ix1], a1[ix0]});
                    flat = shades[cls * kShades + flatShade];
                    known = true;
                }
                rgb = flat;
                return true;
            };
            pixels.TriangleOf(q00, q10, q11, colour);
            pixels.TriangleOf(q00, q11, q01, colour);
            return;
        }
        const double sx = (ix1 - ix0) * w.pitch;  // the step, the last cell what remains
        if (wide && SplitCell(pixels, s, v,
                                 Cell{{q00, q10, q01, q11}, {h00, h10, h01, h11}, {a0[ix0], a0[ix1], a1[ix0], a1[ix1]},
                                      sx, sy})) {
            return;
        }
        pixels.TriangleOf(q00, q10, q01, [&](std::uint32_t& rgb) {
            const Vec3 n = Normalised({(h00 - h10) * sy, (h00 - h01) * sx, sx * sy});
            if (!(Dot(n, V) > 0.0)) return false;
            const int cls = TriangleClass(s, {h00, h10, h01}, {a0[ix0], a0[ix1], a1[ix0]});
            rgb = shades[cls * kShades + ShadeOf(v, n)];
            return true;
        });
        pixels.TriangleOf(q11, q01, q10, [&](std::uint32_t& rgb) {
            const Vec3 n = Normalised({(h01 - h11) * sy, (h10 - h11) * sx, sx * sy});
            if (!(Dot(n, V) > 0.0)) return false;
            const int cls = TriangleClass(s, {h11, h01, h10}, {a1[ix1], a1[ix0], a0[ix1]});
            rgb = shades[cls * kShades + ShadeOf(v, n)];
            return true;
        });
    };
    WalkCells(g, v, reach, row, cell);
}

}  // namespace morvex
