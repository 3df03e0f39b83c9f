// Overlays over the work.
#include "view/overlays.h"

#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <utility>

#include "view/offscreen_bitmap.h"
#include "workio/stl_file.h"

namespace morvex {
namespace {

constexpr double kArcChord = 5.0 * 3.14159265358979323846 / 180.0;  // radians per chord
constexpr int kMaxChords = 720;

QPoint At(const ViewState& v, const Point& p) {
    const ScreenPoint s = Project(v, p[0], p[1], p[2]);
    return {s.x, s.y};
}

// The points of a motion in work coordinates, tip lowered by `shift`.
void MotionPoints(const PathRecord& p, const Point& offset, double shift, QPolygon& out, const ViewState& v) {
    auto work = [&](Point q) {
        for (int a = 0; a < 3; ++a) q[a] += offset[a];
        q[2] -= shift;
        return At(v, q);
    };
    out.clear();
    out << work(p.toolStart);
    if (p.type == kArcCw || p.type == kArcCcw) {
        const int n = std::clamp(static_cast<int>(std::ceil(p.sweep / kArcChord)), 1, kMaxChords);
        const int a = p.first, b = p.second;
        const double start = std::atan2(p.startDir[b], p.startDir[a]);
        const double sign = p.type == kArcCcw ? 1.0 : -1.0;
        for (int i = 1; i < n; ++i) {
            const double f = static_cast<double>(i) / n;
            const double angle = start + sign * p.sweep * f;
            const double radius = p.startRadius + (p.endRadius - p.startRadius) * f;
            Point q = p.toolStart;
            q[a] = p.toolCentre[a] + radius * std::cos(angle);
            q[b] = p.toolCentre[b] + radius * std::sin(angle);
            q[p.third] = p.toolStart[p.third] + (p.toolEnd[p.third] - p.toolStart[p.third]) * f;
            out << work(q);
        }
    }
    out << work(p.toolEnd);
}

}  // namespace

void DrawPathSegment(QPainter& painter, const ViewState& view, const ViewSettings& st, const PathRecord& p,
                     const Point& workOffset, double shift, PathSet set, double rapidFeedrate,
                     const std::uint32_t* moduleColors) {
    const ColorKey key = set == PathSet::ToolTip ? ColorKey::TopPath
                         : set == PathSet::CommandPoint ? ColorKey::ControlPath
                                                        : ColorKey::CutPath;
    QColor colour = ToQColor(st.colors[key]);
    if (moduleColors != nullptr) {
        // A reader module's colours: rapid, cutting and arc motions, one per path set.
        const int kind = p.type == kRapid ? 0 : (p.type == kArcCw || p.type == kArcCcw) ? 6 : 3;
        const int index = kind + (set == PathSet::ToolTip ? 0 : set == PathSet::CommandPoint ? 1 : 2);
        const std::uint32_t rgb = moduleColors[index];
        colour = QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                        static_cast<int>(rgb & 0xFF));
    }
    const bool rapid = p.type == kRapid;
    const bool line = p.type == kLine || p.type == kSpline;
    const Qt::PenStyle style = rapid ? Qt::DotLine : (line && p.feed >= rapidFeedrate ? Qt::DashDotLine : Qt::SolidLine);
    QPolygon points;
    MotionPoints(p, workOffset, shift, points, view);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 0, style));
    painter.drawPolyline(points);
    if (st.display.constructionPoint) {
        const QPoint e = points.back();
        painter.setPen(QPen(ToQColor(st.colors[ColorKey::Construction]), 0));
        const QPoint ring[7] = {e + QPoint(-1, -1), e + QPoint(1, -1), e + QPoint(2, 0), e + QPoint(1, 1),
                                e + QPoint(-1, 1), e + QPoint(-2, 0), e + QPoint(-1, -1)};
        painter.drawPolyline(ring, 7);
    }
}

int DrawProgramPath(QPainter& painter, const ViewState& view, const ViewSettings& st, PathSource source, PathSet set) {
    const double rapidFeedrate = source.rapidFeedrate;
    const ToolTable* tools = source.tools;
    const std::array<std::uint32_t, MV_PATH_COLORS> colors = source.moduleColors;
    const std::uint32_t* moduleColors = source.useModuleColors ? colors.data() : nullptr;
    return ReplayProgramPath(std::move(source), [&](const PathRecord& p, const Point& workOffset, int tool) {
        // The command point is the point the program drives; the tip lies the tool's shift below it.
        const double shift = set == PathSet::CommandPoint ? 0.0 : ToolShiftOf(tools, tool);
        DrawPathSegment(painter, view, st, p, workOffset, shift, set, rapidFeedrate, moduleColors);
    });
}

int DrawToolTipPath(QPainter& painter, const ViewState& view, const ViewSettings& st, PathSource source) {
    return DrawProgramPath(painter, view, st, std::move(source), PathSet::ToolTip);
}

void DrawTool(QPainter& painter, const ViewState& v, const ViewSettings& st, const ToolProfile& t, const Point& tip) {
    if (t.number == 0 || !(t.R > 0.0)) return;
    const ColorSettings& c = st.colors;
    const ColorKey penKey[8] = {ColorKey::Pen1, ColorKey::Pen1, ColorKey::Pen2, ColorKey::Pen3,
                                ColorKey::Pen4, ColorKey::Pen5, ColorKey::Pen6, ColorKey::Pen7};
    const QColor top = ToQColor(st.display.toolTopPenColor ? c[penKey[std::clamp(t.tool.pen, 0, 7)]]
                                                           : c[ColorKey::ToolTop]);
    const QPen side(ToQColor(c[ColorKey::ToolSide]), 0), arbor(ToQColor(c[ColorKey::Arbor]), 0);
    painter.setBrush(Qt::NoBrush);
    // The tip circle first: the outline is drawn over it.
    painter.setPen(QPen(top, 0));
    QPolygon circle;
    const double radius = std::max(t.rho1, 0.5 * t.R);
    for (int i = 0; i <= 36; ++i) {
        const double a = i * 10.0 * 3.14159265358979323846 / 180.0;
        circle << At(v, Point{tip[0] + radius * std::cos(a), tip[1] + radius * std::sin(a), tip[2]});
    }
    painter.drawPolyline(circle);
    // Across the diameter along the screen's horizontal: (cos A, -sin A) in XY.
    const double ux = v.cosA, uy = -v.sinA;
    auto at = [&](double rho, double z) { return At(v, Point{tip[0] + rho * ux, tip[1] + rho * uy, z}); };
    const double outer = t.holder ? std::sqrt(std::max(0.0, t.holderLimit)) : std::max(t.rho3, t.shankRadius);
    constexpr int kSamples = 64;
    for (int i = 0; i < kSamples; ++i) {
        const double r0 = -outer + 2.0 * outer * i / kSamples, r1 = -outer + 2.0 * outer * (i + 1) / kSamples;
        const double z0 = ToolProfileHeight(t, tip[2], r0 * r0), z1 = ToolProfileHeight(t, tip[2], r1 * r1);
        if (!std::isfinite(z0) || !std::isfinite(z1)) continue;
        painter.setPen(std::max(r0 * r0, r1 * r1) <= t.T3 ? side : arbor);
        painter.drawLine(at(r0, z0), at(r1, z1));
    }
    // The sides: the cutting part up to the holder face (or the flute end
    // without a holder), the holder up to its top.
    const double face = t.lengthKind >= 1 && t.len[0] > 0.0 ? t.len[0] : std::max<double>(t.tool.h, t.R);
    const double edge = std::max(t.rho3, t.shankRadius);
    for (const double s : {-1.0, 1.0}) {
        painter.setPen(side);
        painter.drawLine(at(s * edge, ToolProfileHeight(t, tip[2], edge * edge)), at(s * edge, tip[2] + face));
        if (t.holder) {
            painter.setPen(arbor);
            painter.drawLine(at(s * outer, tip[2] + face), at(s * outer, tip[2] + t.holderTop));
        }
    }
    if (t.holder) painter.drawLine(at(-outer, tip[2] + t.holderTop), at(outer, tip[2] + t.holderTop));
    // The attachment's square blocks, their sides along X and Y.
    painter.setPen(QPen(ToQColor(c[ColorKey::Attachment]), 0));
    for (int i = 0; t.attachment && i < t.blockCount; ++i) {
        const double h = t.halfWidth[static_cast<std::size_t>(i)];
        const double z[2] = {tip[2] + t.blockBottom[static_cast<std::size_t>(i)],
                             tip[2] + t.blockTop[static_cast<std::size_t>(i)]};
        auto corner = [&](int k, double zc) {
            const double sx = (k == 1 || k == 2) ? h : -h, sy = k >= 2 ? h : -h;
            return At(v, Point{tip[0] + sx, tip[1] + sy, zc});
        };
        for (int k = 0; k < 4; ++k) {
            for (const double zc : z) painter.drawLine(corner(k, zc), corner((k + 1) % 4, zc));
            painter.drawLine(corner(k, z[0]), corner(k, z[1]));
        }
    }
}

void DrawBoundaryBox(QPainter& painter, const ViewState& v, const ViewSettings& st, const WorkModel& w) {
    painter.setPen(QPen(ToQColor(st.colors[ColorKey::Work]), 0));
    painter.setBrush(Qt::NoBrush);
    const double x[2] = {w.xMin, w.xMax}, y[2] = {w.yMin, w.yMax}, z[2] = {w.zMin, w.zMax};
    auto corner = [&](int i) { return At(v, Point{x[i & 1], y[(i >> 1) & 1], z[(i >> 2) & 1]}); };
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if ((i & bit) == 0) painter.drawLine(corner(i), corner(i | bit));
        }
    }
}

long long DrawStlFacets(QPainter& painter, const ViewState& v, const ViewSettings& st, const std::string& path) {
    int type = kStlText;
    if (DetectStlType(path, type) != StlStatus::Ok) return -1;
    painter.setPen(QPen(ToQColor(st.colors[ColorKey::Work]), 0));
    painter.setBrush(Qt::NoBrush);
    long long drawn = 0;
    const StlStatus status = ForEachStlFacet(type, path, [&](const StlFacet& f) {
        const QPoint outline[3] = {At(v, f.v[0]), At(v, f.v[1]), At(v, f.v[2])};
        painter.drawPolygon(outline, 3);
        ++drawn;
        return true;
    });
    return status == StlStatus::Ok ? drawn : -1;
}

void DrawAxes(QPainter& painter, const ViewState& v, const Point& start, int length) {
    if (!(v.scale > 0.0)) return;
    const double mm = length / v.scale;
    const QPoint origin = At(v, Point{0, 0, 0});
    const struct {
        Point end;
        QColor colour;
    } axes[] = {{{mm, 0, 0}, QColor(255, 0, 0)}, {{0, mm, 0}, QColor(0, 255, 0)}, {{0, 0, mm}, QColor(0, 0, 255)}};
    for (const auto& a : axes) {
        painter.setPen(QPen(a.colour, 0));
        painter.drawLine(origin, At(v, a.end));
    }
    const QPoint s = At(v, start);
    painter.setPen(QPen(QColor(255, 0, 0), 0));
    painter.drawLine(s + QPoint(-3, -3), s + QPoint(3, 3));
    painter.drawLine(s + QPoint(-3, 3), s + QPoint(3, -3));
}

}  // namespace morvex
