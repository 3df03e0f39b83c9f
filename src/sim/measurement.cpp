// Measurements on the work and the point query.
//
// Implementation notes: every measurement works on the node points (X, Y of
// the grid, Z the current height) in double precision. The circle and the
// plane share one degeneracy test: the cross product of the two edges from
// the first point, whose components are the 2 x 2 determinants of the
// perpendicular-bisector system in the YZ, ZX and XY planes.
#include "sim/measurement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/messages.h"
#include "base/text.h"
#include "nc/block_reader.h"
#include "nc/definition_reader.h"
#include "nc/interpreter.h"

namespace morvex {
namespace {

constexpr double kDeterminantFloor = 0.001;

Point Sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double DotP(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Point Cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Norm(const Point& a) { return std::sqrt(DotP(a, a)); }

bool Degenerate(const Point& n) {
    return std::fabs(n[0]) < kDeterminantFloor && std::fabs(n[1]) < kDeterminantFloor &&
           std::fabs(n[2]) < kDeterminantFloor;
}

}  // namespace

double ThreePointRadius(const Point& a, const Point& b, const Point& c) {
    const Point u = Sub(b, a), v = Sub(c, a);
    const Point n = Cross(u, v);
    if (Degenerate(n)) return kNoCircleRadius;
    // R = |u| |v| |u - v| / (2 |u x v|): the sides' product over four times the area.
    return Norm(u) * Norm(v) * Norm(Sub(u, v)) / (2.0 * Norm(n));
}

double ProjectedRadius(const Point& a, const Point& b, const Point& c, int droppedAxis) {
    Point pa = a, pb = b, pc = c;
    if (droppedAxis >= 0 && droppedAxis < 3) {
        const auto i = static_cast<std::size_t>(droppedAxis);
        pa[i] = pb[i] = pc[i] = 0.0;
    }
    return ThreePointRadius(pa, pb, pc);
}

MeasureValues AddMeasuredPoint(PointMeasure& m, const Point& p) {
    MeasureValues v;
    if (m.count > 0) {
        const Point d = Sub(p, m.recent[0]);
        v.dx = d[0];
        v.dy = d[1];
        v.dz = d[2];
        v.distance = Norm(d);
    }
    m.recent[2] = m.recent[1];
    m.recent[1] = m.recent[0];
    m.recent[0] = p;
    if (m.count < 1'000'000'000) ++m.count;
    v.count = m.count;
    if (m.count >= 3) {
        // Oldest first, as the points were given.
        const Point& a = m.recent[2];
        const Point& b = m.recent[1];
        const Point& c = m.recent[0];
        v.radius3 = ThreePointRadius(a, b, c);
        v.radiusX = ProjectedRadius(a, b, c, 1);
        v.radiusY = ProjectedRadius(a, b, c, 0);
    }
    return v;
}

bool LineUsable(const Point& a, const Point& b) { return Norm(Sub(b, a)) >= kDeterminantFloor; }

LineDistance DistanceToLine(const Point& p, const Point& a, const Point& b) {
    LineDistance d;
    const Point u = Sub(b, a), w = Sub(p, a);
    const double length = Norm(u);
    d.space = length > 0.0 ? Norm(Cross(u, w)) / length : Norm(w);
    // In plan: the same with Z dropped; a vertical line is a point there.
    const double ux = u[0], uy = u[1], wx = w[0], wy = w[1];
    const double planLength = std::hypot(ux, uy);
    d.plan = planLength >= kDeterminantFloor ? std::fabs(ux * wy - uy * wx) / planLength : std::hypot(wx, wy);
    return d;
}

bool PlaneThrough(const Point& a, const Point& b, const Point& c, MeasurePlane& plane) {
    Point n = Cross(Sub(b, a), Sub(c, a));
    if (Degenerate(n)) return false;
    const double length = Norm(n);
    for (double& x : n) x /= length;
    // Up, so that "above the plane" reads the same whichever order the points came in.
    const bool flip = n[2] < 0.0 || (n[2] == 0.0 && (n[0] < 0.0 || (n[0] == 0.0 && n[1] < 0.0)));
    if (flip) {
        for (double& x : n) x = -x;
    }
    plane.origin = a;
    plane.normal = n;
    return true;
}

double DistanceToPlane(const MeasurePlane& plane, const Point& p) { return DotP(Sub(p, plane.origin), plane.normal); }

double PlaneTilt(const MeasurePlane& plane) {
    return std::acos(std::clamp(std::fabs(plane.normal[2]), 0.0, 1.0)) * 180.0 / kPi;
}

std::vector<SectionSample> SectionProfile(const WorkModel& w, double x0, double y0, double x1, double y1,
                                          int maxSamples) {
    std::vector<SectionSample> samples;
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || maxSamples < 2) return samples;
    const double length = std::hypot(x1 - x0, y1 - y0);
    if (!std::isfinite(length)) return samples;
    const double wanted = std::ceil(length / (0.5 * w.pitch));
    const int intervals = static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(maxSamples - 1)));
    samples.reserve(static_cast<std::size_t>(intervals) + 1);
    const double xEnd = w.xMin + (w.nx - 1) * w.pitch, yEnd = w.yMin + (w.ny - 1) * w.pitch;
    const double slack = 1e-9 * w.pitch;
    for (int i = 0; i <= intervals; ++i) {
        const double t = static_cast<double>(i) / intervals;
        const double x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
        if (x < w.xMin - slack || y < w.yMin - slack || x > xEnd + slack || y > yEnd + slack) continue;
        samples.push_back({length * t, SurfaceHeightAt(w, x, y)});
    }
    return samples;
}

double SurfaceHeightAt(const WorkModel& w, double x, double y) {
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0)) return 0.0;
    // Bilinear between the nodes of the cell that holds (x, y).
    const double fx = std::clamp((x - w.xMin) / w.pitch, 0.0, static_cast<double>(w.nx - 1));
    const double fy = std::clamp((y - w.yMin) / w.pitch, 0.0, static_cast<double>(w.ny - 1));
    const int ix = std::min(static_cast<int>(fx), w.nx - 2), iy = std::min(static_cast<int>(fy), w.ny - 2);
    const double tx = fx - ix, ty = fy - iy;
    const std::size_t i00 =
        static_cast<std::size_t>(iy) * static_cast<std::size_t>(w.nx) + static_cast<std::size_t>(ix);
    const std::size_t i01 = i00 + static_cast<std::size_t>(w.nx);
    const double z0 = w.height[i00] + (w.height[i00 + 1] - static_cast<double>(w.height[i00])) * tx;
    const double z1 = w.height[i01] + (w.height[i01 + 1] - static_cast<double>(w.height[i01])) * tx;
    return z0 + (z1 - z0) * ty;
}

Point NodePoint(const WorkModel& w, long long node) {
    if (node < 0 || w.nx <= 0 || node >= static_cast<long long>(w.cellCount) || w.height == nullptr) return Point{};
    const long long ix = node % w.nx, iy = node / w.nx;
    return Point{w.xMin + static_cast<double>(ix) * w.pitch, w.yMin + static_cast<double>(iy) * w.pitch,
                 static_cast<double>(w.height[node])};
}

int CutLineOf(const WorkModel& w, long long node) {
    if (w.lineNo == nullptr) return -1;
    if (node < 0 || node >= static_cast<long long>(w.cellCount)) return 0;
    const std::int32_t line = w.lineNo[node];
    return line == INT32_MIN ? INT32_MAX : std::abs(line);
}

bool NcLineText(const std::string& path, int line, std::string& text) {
    text.clear();
    if (line <= 0 || path.empty()) return false;
    DefinitionLineReader reader;
    if (!OpenDefinitionFile(path, reader)) return false;
    std::string block;
    for (int n = 1; n <= line; ++n) {
        if (!ReadDefinitionLine(reader, block, kBlockChars)) return false;
    }
    text = std::string(WithoutLineEnd(block));
    return true;
}

// The motion of `line` read again through the module, in the point-query
// form; false when the module cannot read the program now or has no such line.
bool ModuleLineText(const ModuleReader& reader, const std::string& path, int line, std::string& text) {
    Interpreter in;
    if (!OpenNcProgram(in.reader, path, reader)) return false;
    ControllerDef ctl;
    StartProgram(in, ctl, Point{});
    while (NextMotion(in, ctl, ToolWordForm{}) == MotionResult::Motion) {
        if (in.path.line == line) {
            text = PointQueryText(in.path);
            return true;
        }
    }
    return false;
}

std::string CutLineText(const std::string& ncPath, int line, const ModuleReader& reader) {
    std::string text;
    if (reader.active() && line > 0 && !ncPath.empty()) {
        if (ModuleLineText(reader, ncPath, line, text)) return text;
        return Format("%ld:", static_cast<long>(line));
    }
    if (!NcLineText(ncPath, line, text)) return Format("%ld:", static_cast<long>(line));
    return Format("%ld: ", static_cast<long>(line)) + text;
}

std::string NodeQueryText(const WorkModel& w, long long node, const std::string& ncPath, bool english,
                          const ModuleReader& reader) {
    const Point p = NodePoint(w, node);
    std::string text = Format("X=%9.3f Y=%9.3f Z=%9.3f", p[0], p[1], p[2]);
    const int line = CutLineOf(w, node);
    if (line < 0) return text;
    text += "   ";
    text += line == 0 ? std::string(MsgIn(MsgId::NotCut, english)) : CutLineText(ncPath, line, reader);
    return text;
}

}  // namespace morvex
