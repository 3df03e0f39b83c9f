// The view: projection, shading and view operations.
//
// Implementation notes: with d = (x, y, z) - centre,
//   h = dx cos A - dy sin A        (screen horizontal)
//   e = dx sin A + dy cos A        (horizontal depth, growing away from the viewer)
//   w = e cos B + dz sin B         (screen vertical)
// orthographic: (ox + S h, oy - S w); with perspective (not at A = 0, 90, 180,
// 270) both are scaled by f = S D / (D - (dz cos B - e sin B)). B = 0 and B =
// 90 take w = e and w = dz without the trigonometric terms, so the plan and
// side views are exact.
#include "view/view_state.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace morvex {

// The scale's range, pixels per millimetre: beyond it the projected 16-bit
// coordinates would be clamped and the picture fall apart.
constexpr double kMinScale = 1e-6;
constexpr double kMaxScale = 1e5;
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr double kFitMargin = 0.9;

bool Orthographic(const ViewState& v) {
    const float a = v.angleA;
    return !v.perspective || a == 0.0f || a == 90.0f || a == 180.0f || a == 270.0f;
}

float Wrap360(float a) {
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

int Truncate(double v) {
    if (!(v > std::numeric_limits<int>::min()) || !(v < std::numeric_limits<int>::max())) {
        return v > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
    }
    return static_cast<int>(v);
}

}  // namespace

ViewState InitialView(const DisplaySettings& display, int width, int height) {
    ViewState v;
    v.angleA = static_cast<float>(display.angleA);
    v.angleB = static_cast<float>(display.angleB);
    v.perspective = display.perspective;
    const Vec3 l = display.lightVector;
    const double n = Length(l);
    v.light = n > 0.0 ? l * (1.0 / n) : Vec3{0.0, 0.0, 1.0};
    v.width = width;
    v.height = height;
    v.ox = 0.5 * width;
    v.oy = 0.5 * height;
    SetUpView(v);
    return v;
}

void SetUpView(ViewState& v) {
    const double a = static_cast<double>(v.angleA) * kDegree;
    const double b = static_cast<double>(v.angleB) * kDegree;
    v.cosA = std::cos(a);
    v.sinA = std::sin(a);
    v.cosB = v.angleB == 90.0f ? 0.0 : std::cos(b);
    v.sinB = v.angleB == 0.0f ? 0.0 : std::sin(b);
    v.toViewer = Vec3{-v.sinA * v.sinB, -v.cosA * v.sinB, v.cosB};
}

ScreenPoint Project(const ViewState& v, double x, double y, double z) {
    const double dx = x - v.centre.x, dy = y - v.centre.y, dz = z - v.centre.z;
    const double h = dx * v.cosA - dy * v.sinA;
    const double e = dx * v.sinA + dy * v.cosA;
    double w;
    if (v.angleB == 0.0f) {
        w = e;
    } else if (v.angleB == 90.0f) {
        w = dz;
    } else {
        w = e * v.cosB + dz * v.sinB;
    }
    if (Orthographic(v)) return {Truncate(v.scale * h + v.ox), Truncate(v.oy - v.scale * w)};
    const double f = v.scale * v.distance / (v.distance - (dz * v.cosB - e * v.sinB));
    return {Truncate(h * f + v.ox), Truncate(v.oy - w * f)};
}

std::array<std::int16_t, 2> Project16(const ViewState& v, double x, double y, double z) {
    const ScreenPoint p = Project(v, x, y, z);
    auto clamp16 = [](int c) { return static_cast<std::int16_t>(std::clamp(c, -32768, 32767)); };
    return {clamp16(p.x), clamp16(p.y)};
}

double PerspectiveDistance(const Vec3& c, double zTop, double zBottom) {
    return std::max({300.0, 20.0 * c.x, 20.0 * c.y, 10.0 * (zTop - zBottom)});
}

int ShadeOf(const ViewState& v, const Vec3& n) {
    const int base = static_cast<int>(n.z * 49.0 * 0.5);
    const Vec3 r = n * 2.0 - v.light;
    double s = Dot(v.toViewer, r);
    if (!(s > 0.0)) return std::clamp(base, 0, 49);
    s /= Length(r);
    const double q = s * s * s * s;
    return std::clamp(static_cast<int>(base + q * q * (49 - base)), 0, 49);
}

ColorRef ShadeColor(ColorRef color, int i) {
    auto part = [i](int c) {
        const int v = i <= 24 ? static_cast<int>(c * 0.4 + c * i * 0.02 * 1.2)
                              : static_cast<int>(c + (255 - c) * (i - 25) / 24.0);
        return v & 0xFF;
    };
    return MakeColor(part(ColorRed(color)), part(ColorGreen(color)), part(ColorBlue(color)));
}

int DrawingStep(double pitch, double scale, bool optimize, int dots) {
    const double n = optimize ? std::max(dots, 1) : 1;
    const double cell = pitch * scale / 0.9;
    if (!(cell > 0.0)) return 1;
    const double k = n / cell + 0.5;
    if (!(k < 1e6)) return 1000000;
    return std::max(1, static_cast<int>(k));
}

void FitView(ViewState& v, const ViewBox& b) {
    v.centre = Vec3{0.5 * (b.xMin + b.xMax), 0.5 * (b.yMin + b.yMax), 0.5 * (b.zMin + b.zMax)};
    ViewState unit = v;
    unit.scale = 1.0;
    unit.ox = 0.0;
    unit.oy = 0.0;
    int x0 = std::numeric_limits<int>::max(), x1 = std::numeric_limits<int>::min();
    int y0 = x0, y1 = x1;
    for (int i = 0; i < 8; ++i) {
        const ScreenPoint p = Project(unit, i & 1 ? b.xMax : b.xMin, i & 2 ? b.yMax : b.yMin, i & 4 ? b.zMax : b.zMin);
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    const double w = std::max(1, x1 - x0), h = std::max(1, y1 - y0);
    v.scale = std::min(kFitMargin * v.width / w, kFitMargin * v.height / h);
    if (!(v.scale > 0.0)) v.scale = 1.0;
    v.ox = 0.5 * v.width;
    v.oy = 0.5 * v.height;
}

bool TurnView(ViewState& v, char key) {
    switch (key) {
    case '1': v.angleA = 225.0f; break;
    case '2': v.angleA = 135.0f; break;
    case '3': v.angleA = 45.0f; break;
    case '4': v.angleA = 315.0f; break;
    case '5': v.angleA = Wrap360(v.angleA - 15.0f); break;
    case '6': v.angleA = Wrap360(v.angleA + 15.0f); break;
    case '7': v.angleA = Wrap360(v.angleA + 180.0f); break;
    case '8': v.angleA = 0.0f, v.angleB = 90.0f; break;
    case '9': v.angleA = 270.0f, v.angleB = 90.0f; break;
    case '0': v.angleA = 0.0f, v.angleB = 0.0f; break;
    case 'U':
        v.angleB = std::max(0.0f, v.angleB - 10.0f);
        if (v.angleB == 80.0f) v.angleB = 85.0f;
        break;
    case 'D':
        v.angleB = std::min(90.0f, v.angleB + 10.0f);
        if (v.angleB == 10.0f) v.angleB = 5.0f;
        break;
    default:
        return false;
    }
    SetUpView(v);
    return true;
}

void ZoomAbout(ViewState& v, double factor, double px, double py) {
    if (!(factor > 0.0) || !std::isfinite(factor) || !(v.scale > 0.0)) return;
    factor = std::clamp(v.scale * factor, kMinScale, kMaxScale) / v.scale;
    // The pixel keeps its offset from the origin scaled: o' = p - (p - o) * factor.
    v.ox = px - (px - v.ox) * factor;
    v.oy = py - (py - v.oy) * factor;
    v.scale *= factor;
}

void WheelZoom(ViewState& v, int notches, bool reverse, double px, double py) {
    const double factor = std::pow(1.1, reverse ? -notches : notches);
    ZoomAbout(v, factor, px, py);
}

void DragRotate(ViewState& v, int dx, int dy) {
    if (std::abs(dx) >= std::abs(dy)) {
        if (v.width <= 0) return;
        const int steps = static_cast<int>(std::abs(dx) * 72.0 / v.width + 0.5);
        float a = std::fmod(v.angleA + (dx > 0 ? 2.5f : -2.5f) * steps, 360.0f);
        v.angleA = Wrap360(a);
    } else {
        if (v.height <= 0) return;
        const int steps = static_cast<int>(std::abs(dy) * 36.0 / v.height + 0.5);
        v.angleB = std::clamp(v.angleB + (dy > 0 ? 2.5f : -2.5f) * steps, 0.0f, 90.0f);
    }
    SetUpView(v);
}

void InitialViewAgain(ViewState& v, const DisplaySettings& display, const ViewBox& box) {
    v.angleA = static_cast<float>(display.angleA);
    v.angleB = static_cast<float>(display.angleB);
    SetUpView(v);
    FitView(v, box);
}

void DragZoom(ViewState& v, int dx, int dy) {
    double exponent;
    if (std::abs(dx) >= std::abs(dy)) {
        if (v.width <= 0) return;
        exponent = 20.0 * dx / v.width;
    } else {
        if (v.height <= 0) return;
        exponent = -20.0 * dy / v.height;  // screen y grows downwards: up zooms in
    }
    const double factor = std::pow(1.1, exponent);
    if (std::isfinite(factor) && factor > 0.0 && v.scale > 0.0) v.scale = std::clamp(v.scale * factor, kMinScale, kMaxScale);
}

void PanView(ViewState& v, int dx, int dy) {
    if (!(v.scale > 0.0)) return;
    // Screen right is (cos A, -sin A) in XY; screen up is the depth direction
    // (sin A, cos A) tilted by B, taken in the horizontal plane.
    const double h = dx / v.scale, w = dy / v.scale;
    v.centre.x -= h * v.cosA - w * v.sinA;
    v.centre.y -= -h * v.sinA - w * v.cosA;
}

}  // namespace morvex
