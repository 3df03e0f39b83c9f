// Drawing the work.
//
// Implementation notes: each drawn cell (p00, p10, p01, p11) is two
// triangles, (p00, p10, p01) and (p11, p01, p10). With the cell spacing sx,
// sy their normals are ((h00 - h10) sy, (h00 - h01) sx, sx sy) and
// ((h01 - h11) sy, (h10 - h11) sx, sx sy), normalised; a triangle facing
// away (n . V <= 0) is not filled. A cell whose four heights are equal is
// one flat quad in the flat shade. Rows and columns are walked from the far
// side to the near one (the depth dx sin A + dy cos A falls), so nearer cells
// paint over farther ones; the walls facing the viewer come last. Filled
// cells are written straight into the pixels (surface_fill), a large
// picture in bands on several threads (surface_bands); the cached screen
// extents of cell rows and blocks let a partial redraw pass over what cannot
// reach its rectangle.
#include "view/work_render.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <cmath>

#include "view/offscreen_bitmap.h"
#include "view/pixel_fill.h"
#include "view/surface_bands.h"
#include "view/surface_fill.h"

namespace morvex {
namespace {

std::uint32_t Rgb(ColorRef c) { return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

void BuildClass(RenderStyle& s, int cls, ColorRef color) {
    for (int i = 0; i < kShades; ++i) s.shade[static_cast<std::size_t>(cls * kShades + i)] = Rgb(ShadeColor(color, i));
}

std::vector<int> DrawnNodes(int count, int step) {
    std::vector<int> nodes;
    for (int i = 0; i < count; i += step) nodes.push_back(i);
    if (nodes.empty() || nodes.back() != count - 1) nodes.push_back(count - 1);
    return nodes;
}

Vec3 Normalised(Vec3 n) {
    const double l = Length(n);
    return l > 0.0 ? n * (1.0 / l) : Vec3{0.0, 0.0, 1.0};
}

struct Painter {
    QPainter& p;
    const RenderStyle& style;
    std::uint32_t current = 0;
    bool any = false;

    void Use(std::uint32_t rgb) {
        if (any && rgb == current) return;
        current = rgb;
        any = true;
        if (style.mesh) {
            p.setPen(QColor::fromRgb(rgb));
            p.setBrush(Qt::NoBrush);
        } else {
            p.setBrush(QColor::fromRgb(rgb));
        }
    }
};

}  // namespace

RenderStyle RenderStyleOf(const ViewSettings& st, bool alarm) {
    RenderStyle s;
    const ColorSettings& c = st.colors;
    BuildClass(s, kClassWork, c[ColorKey::Work]);
    BuildClass(s, kClassTarget, c[ColorKey::Work2]);
    s.byDirection = st.display.colorByDirection;
    if (s.byDirection) {
        BuildClass(s, 2, c[ColorKey::UpCut]);
        BuildClass(s, 3, c[ColorKey::DownCut]);
        BuildClass(s, 4, c[ColorKey::VerticalCut]);
    } else {
        BuildClass(s, 2, c[ColorKey::Pen1]);
        BuildClass(s, 3, c[ColorKey::Pen2]);
        BuildClass(s, 4, c[ColorKey::Pen3]);
    }
    BuildClass(s, 5, c[ColorKey::Pen4]);
    BuildClass(s, 6, c[ColorKey::Pen5]);
    BuildClass(s, 7, c[ColorKey::Pen6]);
    BuildClass(s, 8, c[ColorKey::Pen7]);
    BuildClass(s, kClassPaint, c[ColorKey::Penki]);
    BuildClass(s, kClassAlarm, MakeColor(255, 0, 0));
    s.background = Rgb(c[ColorKey::Background]);
    s.alarm = alarm;
    s.targetOn = st.display.targetAreaOn;
    s.targetZMin = st.display.targetArea[2];
    s.targetZMax = st.display.targetArea[5];
    s.mesh = st.display.meshMode;
    return s;
}

int TriangleClass(const RenderStyle& s, const std::array<float, 3>& h, const std::array<std::uint8_t, 3>& a) {
    if (s.alarm) return kClassAlarm;
    if ((a[0] & a[1] & a[2] & kAttrPaint) != 0) return kClassPaint;
    auto value = [&s](std::uint8_t attr) {
        return s.byDirection ? (attr >> kAttrDirShift) & 3 : (attr & kAttrPenMask) >> 1;
    };
    const int v0 = value(a[0]), v1 = value(a[1]), v2 = value(a[2]);
    const int agreed = (v0 == v1 || v0 == v2) ? v0 : (v1 == v2 ? v1 : 0);
    if (agreed != 0) return agreed + 1;
    if (s.targetOn) {
        auto inside = [&s](float z) { return z >= s.targetZMin && z <= s.targetZMax; };
        if (inside(h[0]) && inside(h[1]) && inside(h[2])) return kClassTarget;
    }
    return kClassWork;
}

void ProjectGrid(const WorkModel& w, const ViewState& v, ProjectedGrid& g) {
    g.columns = DrawnNodes(w.nx, std::max(1, v.step));
    g.rows = DrawnNodes(w.ny, std::max(1, v.step));
    const std::size_t n = g.rows.size() * g.columns.size();
    g.xs.resize(n);
    g.ys.resize(n);
    std::size_t k = 0;
    for (const int iy : g.rows) {
        for (const int ix : g.columns) {
            const auto p = Project16(v, w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, w.height[NodeIndex(w, ix, iy)]);
            g.xs[k] = p[0];
            g.ys[k] = p[1];
            ++k;
        }
    }
    g.blocksPerRow = 0;  // all extents anew
    UpdateCellSpans(g, 0, static_cast<int>(g.rows.size()), 0, static_cast<int>(g.columns.size()));
    g.valid = true;
}

namespace {

// The surface cells in the painter's order and the walls facing the viewer;
// with `clip`, only cells whose projected corners reach into it, and only
// pixels inside it. Filled cells go straight into the pixels of a 32-bit
// image; the mesh, the walls and other formats through the painter.
void DrawSurface(QImage& image, const WorkModel& w, const ViewState& v, const RenderStyle& s, const ProjectedGrid& g,
                 const QRect* clip) {
    const bool direct = !s.mesh && PixelFill::Takes(image);
    const QRect reach = clip != nullptr ? clip->intersected(image.rect()) : image.rect();
    if (direct) FillSurfaceInBands(image, reach, w, v, s, g, SurfaceThreads(g, reach));  // before the painter
    QPainter p(&image);
    if (clip != nullptr) p.setClipRect(*clip);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    Painter paint{p, s};
    const Vec3 V = v.toViewer;
    const int cols = static_cast<int>(g.columns.size()), rows = static_cast<int>(g.rows.size());
    auto node = [&](int r, int c) { return static_cast<std::size_t>(r) * cols + c; };
    auto point = [&](int r, int c) { return QPoint(g.xs[node(r, c)], g.ys[node(r, c)]); };
    if (!direct) {
        const int flatShade = ShadeOf(v, Vec3{0.0, 0.0, 1.0});
        const bool flatFacing = V.z > 0.0;
        auto fill = [&](int cls, int shade, const QPoint* pts, int n) {
            paint.Use(s.shade[static_cast<std::size_t>(cls * kShades + shade)]);
            if (s.mesh) {
                p.drawPolygon(pts, n);
            } else {
                p.drawConvexPolygon(pts, n);
            }
        };
        int r = 0, iy0 = 0, iy1 = 0;
        double sy = 0.0;
        auto row = [&](int cellRow) {
            r = cellRow;
            iy0 = g.rows[static_cast<std::size_t>(r)], iy1 = g.rows[static_cast<std::size_t>(r + 1)];
            sy = (iy1 - iy0) * w.pitch;
        };
        auto cell = [&](int c) {
            const QPoint q00 = point(r, c), q10 = point(r, c + 1), q01 = point(r + 1, c), q11 = point(r + 1, c + 1);
            if (clip != nullptr) {
                const int x0 = std::min({q00.x(), q10.x(), q01.x(), q11.x()});
                const int x1 = std::max({q00.x(), q10.x(), q01.x(), q11.x()});
                const int y0 = std::min({q00.y(), q10.y(), q01.y(), q11.y()});
                const int y1 = std::max({q00.y(), q10.y(), q01.y(), q11.y()});
                if (x1 < clip->left() || x0 > clip->right() || y1 < clip->top() || y0 > clip->bottom()) return;
            }
            const int ix0 = g.columns[static_cast<std::size_t>(c)], ix1 = g.columns[static_cast<std::size_t>(c + 1)];
            const double sx = (ix1 - ix0) * w.pitch;
            const std::size_t i00 = NodeIndex(w, ix0, iy0), i10 = NodeIndex(w, ix1, iy0);
            const std::size_t i01 = NodeIndex(w, ix0, iy1), i11 = NodeIndex(w, ix1, iy1);
            const float h00 = w.height[i00], h10 = w.height[i10], h01 = w.height[i01], h11 = w.height[i11];
            if (h00 == h10 && h00 == h01 && h00 == h11) {
                if (!flatFacing) return;
                const int cls = TriangleClass(s, {h00, h10, h01}, {w.attr[i00], w.attr[i10], w.attr[i01]});
                const QPoint quad[4] = {q00, q10, q11, q01};
                fill(cls, flatShade, quad, 4);
                return;
            }
            const Vec3 n1 = Normalised({(h00 - h10) * sy, (h00 - h01) * sx, sx * sy});
            if (Dot(n1, V) > 0.0) {
                const int cls = TriangleClass(s, {h00, h10, h01}, {w.attr[i00], w.attr[i10], w.attr[i01]});
                const QPoint tri[3] = {q00, q10, q01};
                fill(cls, ShadeOf(v, n1), tri, 3);
            }
            const Vec3 n2 = Normalised({(h01 - h11) * sy, (h10 - h11) * sx, sx * sy});
            if (Dot(n2, V) > 0.0) {
                const int cls = TriangleClass(s, {h11, h01, h10}, {w.attr[i11], w.attr[i01], w.attr[i10]});
                const QPoint tri[3] = {q11, q01, q10};
                fill(cls, ShadeOf(v, n2), tri, 3);
            }
        };
        // A margin of a pixel, for the mesh's lines about the cells' corners.
        WalkCells(g, v, reach.adjusted(-1, -1, 1, 1), row, cell);
    }
    // Side walls facing the viewer: the edge row or column down to the bottom.
    const int wallClass = s.alarm ? kClassAlarm : kClassWork;
    auto wall = [&](const Vec3& normal, bool alongX, int fixed) {
        if (!(Dot(normal, V) > 0.0)) return;
        QPolygon poly;
        const std::vector<int>& nodes = alongX ? g.columns : g.rows;
        const int fixedIndex = alongX ? (fixed == 0 ? 0 : rows - 1) : (fixed == 0 ? 0 : cols - 1);
        for (int k = 0; k < static_cast<int>(nodes.size()); ++k) {
            poly << (alongX ? point(fixedIndex, k) : point(k, fixedIndex));
        }
        const double fx = alongX ? 0.0 : (fixed == 0 ? w.xMin : w.xMax);
        const double fy = alongX ? (fixed == 0 ? w.yMin : w.yMax) : 0.0;
        const ScreenPoint end = alongX ? Project(v, w.xMax, fy, w.zMin) : Project(v, fx, w.yMax, w.zMin);
        const ScreenPoint start = alongX ? Project(v, w.xMin, fy, w.zMin) : Project(v, fx, w.yMin, w.zMin);
        poly << QPoint(end.x, end.y) << QPoint(start.x, start.y);
        paint.Use(s.shade[static_cast<std::size_t>(wallClass * kShades + ShadeOf(v, normal))]);
        p.drawPolygon(poly);
    };
    wall({0.0, -1.0, 0.0}, true, 0);
    wall({0.0, 1.0, 0.0}, true, 1);
    wall({-1.0, 0.0, 0.0}, false, 0);
    wall({1.0, 0.0, 0.0}, false, 1);
}

// A cache made for this work's grid at this step (a cache kept across a
// change of the work or the step would index past the nodes).
bool GridFits(const WorkModel& w, const ViewState& v, const ProjectedGrid& g) {
    const std::size_t step = static_cast<std::size_t>(std::max(1, v.step));
    auto fits = [step](const std::vector<int>& nodes, int count) {
        return nodes.size() >= 2 && nodes.front() == 0 && nodes.back() == count - 1 &&
               nodes.size() == (static_cast<std::size_t>(count) - 2) / step + 2;
    };
    return g.valid && fits(g.columns, w.nx) && fits(g.rows, w.ny) && g.xs.size() == g.columns.size() * g.rows.size() &&
           g.ys.size() == g.xs.size();
}

}  // namespace

void DrawWork(QImage& image, const WorkModel& w, const ViewState& v, const RenderStyle& s, ProjectedGrid& g) {
    image.fill(s.background);
    if (w.nx < 2 || w.ny < 2 || w.height == nullptr) return;
    if (!GridFits(w, v, g)) ProjectGrid(w, v, g);
    DrawSurface(image, w, v, s, g, nullptr);
}

QRect RedrawRegion(QImage& image, const WorkModel& w, const ViewState& v, const RenderStyle& s, ProjectedGrid& g,
                   const NodeRect& changed) {
    if (w.nx < 2 || w.ny < 2 || w.height == nullptr || !GridFits(w, v, g)) return {};
    // Drawn nodes inside the changed box: their old and new projections
    // bound what changed on the screen.
    auto first = [](const std::vector<int>& nodes, int i) {
        return static_cast<int>(std::lower_bound(nodes.begin(), nodes.end(), i) - nodes.begin());
    };
    auto last = [](const std::vector<int>& nodes, int i) {
        return static_cast<int>(std::upper_bound(nodes.begin(), nodes.end(), i) - nodes.begin()) - 1;
    };
    // One drawn node more on each side: the cells around the box change too.
    const int c0 = std::max(0, first(g.columns, changed.ix0) - 1);
    const int c1 = std::min(static_cast<int>(g.columns.size()) - 1, last(g.columns, changed.ix1) + 1);
    const int r0 = std::max(0, first(g.rows, changed.iy0) - 1);
    const int r1 = std::min(static_cast<int>(g.rows.size()) - 1, last(g.rows, changed.iy1) + 1);
    if (c1 < c0 || r1 < r0) return {};
    const std::size_t cols = g.columns.size();
    QRect dirty;
    auto include = [&dirty](int x, int y) { dirty = dirty.united(QRect(x, y, 1, 1)); };
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const std::size_t k = static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c);
            include(g.xs[k], g.ys[k]);
            const int ix = g.columns[static_cast<std::size_t>(c)], iy = g.rows[static_cast<std::size_t>(r)];
            const auto p = Project16(v, w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, w.height[NodeIndex(w, ix, iy)]);
            g.xs[k] = p[0];
            g.ys[k] = p[1];
            include(p[0], p[1]);
        }
    }
    UpdateCellSpans(g, r0 - 1, r1, c0 - 1, c1);
    // Widened by one drawn cell and clipped to the picture.
    const int margin = static_cast<int>(std::clamp(w.pitch * v.step * v.scale, 1.0, 65536.0));
    dirty = dirty.adjusted(-margin, -margin, margin, margin).intersected(image.rect());
    if (dirty.isEmpty()) return {};
    {
        QPainter p(&image);
        p.fillRect(dirty, QColor::fromRgb(s.background));
    }
    DrawSurface(image, w, v, s, g, &dirty);
    return dirty;
}

}  // namespace morvex
