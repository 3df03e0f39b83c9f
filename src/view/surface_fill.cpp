// Filling the surface cells. Most cells of a drawing at step 1 cover no
// pixel centre at all, so a triangle's normal, shade and class are worked
// out only once the fill finds a pixel to colour.
#include "view/surface_fill.h"

#include <algorithm>

namespace morvex {
namespace {

Vec3 Normalised(Vec3 n) {
    const double l = Length(n);
    return l > 0.0 ? n * (1.0 / l) : Vec3{0.0, 0.0, 1.0};
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
