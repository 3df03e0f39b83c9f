// The oval tool's corner circle and the closed-form cubic and quartic
// solvers behind it.
//
// Implementation notes
// - Corner: the circle (centre (a, zc), a = R - r) touches the ellipse
//   x²/e² + (z - f)²/f² = 1 at (u, z0) when the centre lies r along the
//   ellipse's inward normal: u - r·(u/e²)/|g| = a with
//   |g|² = u²/e⁴ + (1 - u²/e²)/f². Squaring (u - a)·e²·|g| = r·u gives the
//   tangency quartic
//       (u - a)²·((f² - e²)·u² + e⁴) = r²·f²·u²,
//   solved in units of R. Since both sides of the unsquared equation are
//   positive for u > a, every root in (a, min(e, R)] is a tangent point; the
//   smallest is taken. When e and f nearly agree, the quartic's leading
//   coefficient f² - e² would swamp the others after normalising, so the
//   circle's quadratic (f = e) is solved and its roots polished on the
//   quartic instead.
// - Solvers: Cardano (one real root) or the trigonometric form (three real
//   roots) for the depressed cubic; Ferrari with the resolvent cubic
//   8m³ + 8p·m² + (2p² - 8r)·m - q² = 0 for the depressed quartic, and the
//   biquadratic when q vanishes. Each root is then polished by damped Newton
//   steps on the original polynomial, which repairs the cancellation of the
//   closed forms, and kept only when its residual is at rounding level. A
//   quadratic discriminant slightly below 0 (relative 1e-6) is taken as a
//   double root that rounding pushed apart; the residual test rejects it
//   when the pair is really complex.
#include "sim/oval_profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morvex {
namespace {

constexpr double kNegligible = 1e-13;  // relative size of a vanishing quantity
// An ellipse whose semi-axes differ by less than this (relative) is
// solved as a circle first.
constexpr double kNearlyCircle = 1e-4;

// Evaluates c[0]·x^n + ... + c[n] with its slope and the sum of the terms'
// magnitudes (the scale a residual is judged against).
double Evaluate(const double* c, int n, double x, double& slope, double& size) {
    double p = c[0];
    slope = 0.0;
    size = std::fabs(c[0]);
    for (int i = 1; i <= n; ++i) {
        slope = slope * x + p;
        p = p * x + c[i];
        size = size * std::fabs(x) + std::fabs(c[i]);
    }
    return p;
}

// Damped Newton steps on the polynomial: a step is halved until it reduces
// |p(x)|; stops when no step does.
double Polish(const double* c, int n, double x) {
    double slope = 0.0, size = 0.0;
    double p = Evaluate(c, n, x, slope, size);
    for (int it = 0; it < 32 && p != 0.0 && slope != 0.0; ++it) {
        double step = p / slope;
        bool moved = false;
        for (int half = 0; half < 8 && !moved; ++half, step *= 0.5) {
            double nextSlope = 0.0;
            const double next = x - step;
            const double q = Evaluate(c, n, next, nextSlope, size);
            if (std::isfinite(next) && std::fabs(q) < std::fabs(p)) {
                x = next;
                p = q;
                slope = nextSlope;
                moved = true;
            }
        }
        if (!moved) break;
    }
    return x;
}

// Polishes the candidates on the polynomial, keeps those whose residual is
// at rounding level and sorts them.
int KeepRoots(const double* c, int n, double* roots, int count) {
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const double x = Polish(c, n, roots[i]);
        double slope = 0.0, size = 0.0;
        const double p = Evaluate(c, n, x, slope, size);
        if (std::fabs(p) <= 1e-10 * size) roots[kept++] = x;
    }
    std::sort(roots, roots + kept);
    return kept;
}

int SolveQuadratic(double c2, double c1, double c0, double* roots) {
    if (c2 == 0.0) {
        if (c1 == 0.0) return 0;
        roots[0] = -c0 / c1;
        return 1;
    }
    double disc = c1 * c1 - 4.0 * c2 * c0;
    if (disc < 0.0) {
        // A slightly negative discriminant is a rounded double root.
        if (disc < -1e-6 * std::max(c1 * c1, std::fabs(4.0 * c2 * c0))) return 0;
        disc = 0.0;
    }
    // q = -(c1 + sign(c1)·sqrt(disc)) / 2 avoids cancellation; roots q/c2, c0/q.
    const double q = -0.5 * (c1 + std::copysign(std::sqrt(disc), c1));
    if (q == 0.0) {
        roots[0] = roots[1] = 0.0;
        return 2;
    }
    roots[0] = q / c2;
    roots[1] = c0 / q;
    if (roots[0] > roots[1]) std::swap(roots[0], roots[1]);
    return 2;
}

// x³ + a·x² + b·x + c = 0.
int SolveMonicCubic(double a, double b, double c, double* roots) {
    const double a3 = a / 3.0;
    // x = t - a/3: t³ + p·t + q = 0.
    const double p = b - a * a3;
    const double q = c + a3 * (2.0 * a3 * a3 - b);
    const double disc = 0.25 * q * q + p * p * p / 27.0;
    int n = 0;
    if (disc > 0.0) {
        // One real root: t = u - p/(3u), u = cbrt(-q/2 - sign(q)·sqrt(disc)).
        const double u = std::cbrt(-0.5 * q - std::copysign(std::sqrt(disc), q));
        roots[n++] = (u != 0.0 ? u - p / (3.0 * u) : 0.0) - a3;
    } else if (p == 0.0) {
        roots[n++] = -a3;
    } else {
        // Three real roots: t = m·cos(θ), m = 2·sqrt(-p/3), cos(3θ) = 3q/(p·m).
        const double m = 2.0 * std::sqrt(-p / 3.0);
        const double theta = std::acos(std::clamp(3.0 * q / (p * m), -1.0, 1.0)) / 3.0;
        for (int k = 0; k < 3; ++k) {
            roots[n++] = m * std::cos(theta - 2.0 * std::numbers::pi * k / 3.0) - a3;
        }
    }
    const double coef[4] = {1.0, a, b, c};
    return KeepRoots(coef, 3, roots, n);
}

}  // namespace

int SolveCubic(double c3, double c2, double c1, double c0, std::array<double, 3>& roots) {
    if (c3 == 0.0) {
        const int n = SolveQuadratic(c2, c1, c0, roots.data());
        const double coef[3] = {c2, c1, c0};
        return KeepRoots(coef, 2, roots.data(), n);
    }
    return SolveMonicCubic(c2 / c3, c1 / c3, c0 / c3, roots.data());
}

int SolveQuartic(double c4, double c3, double c2, double c1, double c0,
                 std::array<double, 4>& roots) {
    if (c4 == 0.0) {
        std::array<double, 3> three{};
        const int n = SolveCubic(c3, c2, c1, c0, three);
        std::copy(three.begin(), three.begin() + n, roots.begin());
        return n;
    }
    const double a = c3 / c4, b = c2 / c4, c = c1 / c4, d = c0 / c4;
    const double a4 = a / 4.0;
    // x = y - a/4: y⁴ + p·y² + q·y + r = 0.
    const double p = b - 6.0 * a4 * a4;
    const double q = c - 2.0 * b * a4 + 8.0 * a4 * a4 * a4;
    const double r = d - c * a4 + b * a4 * a4 - 3.0 * a4 * a4 * a4 * a4;
    const double scale = std::max(std::fabs(p), std::sqrt(std::fabs(r)));

    double ys[4];
    int n = 0;
    double m = 0.0;
    if (std::fabs(q) > kNegligible * scale * std::sqrt(scale)) {
        // (y² + p/2 + m)² = (s·y - q/(2s))², s = sqrt(2m), m the largest
        // root of the resolvent cubic.
        double ms[3];
        const int nm = SolveMonicCubic(p, 0.25 * p * p - r, -0.125 * q * q, ms);
        m = ms[nm - 1];
    }
    if (m > kNegligible * scale) {
        const double s = std::sqrt(2.0 * m);
        const double h = 0.5 * p + m;
        const double w = q / (2.0 * s);
        n += SolveQuadratic(1.0, -s, h + w, ys + n);
        n += SolveQuadratic(1.0, s, h - w, ys + n);
    } else {
        // Biquadratic: z = y², z² + p·z + r = 0.
        double zs[2];
        const int nz = SolveQuadratic(1.0, p, r, zs);
        for (int i = 0; i < nz; ++i) {
            if (zs[i] < 0.0) continue;
            ys[n++] = -std::sqrt(zs[i]);
            ys[n++] = std::sqrt(zs[i]);
        }
    }
    for (int i = 0; i < n; ++i)
        roots[i] = ys[i] - a4;
    const double coef[5] = {1.0, a, b, c, d};
    return KeepRoots(coef, 4, roots.data(), n);
}

OvalCorner FitOvalCorner(double R, double e, double f, double r) {
    OvalCorner corner;
    if (!(R > 0.0 && e > 0.0 && r > 0.0 && r < R && f >= 0.0)) return corner;
    const double a = R - r;
    if (f == 0.0) {
        // A flat bottom: the corner is the torus of a bull end mill.
        if (e <= a) return corner;
        corner = {true, a, a, r};
        return corner;
    }
    // In units of R.
    const double an = a / R, en = e / R, fn = f / R, rn = r / R;
    const double A = fn * fn - en * en;
    const double B = en * en * en * en;
    const double K = rn * rn * fn * fn;
    const double coef[5] = {A, -2.0 * an * A, an * an * A + B - K, -2.0 * an * B, an * an * B};
    std::array<double, 4> u{};
    int n = 0;
    if (std::fabs(A) <= kNearlyCircle * en * en) {
        // A·u² is negligible next to e⁴ for u <= e: the roots of the circle's
        // quadratic, polished on the quartic.
        n = SolveQuadratic(B - K, coef[3], coef[4], u.data());
        n = KeepRoots(coef, 4, u.data(), n);
    } else {
        n = SolveQuartic(coef[0], coef[1], coef[2], coef[3], coef[4], u);
    }
    const double top = std::min(en, 1.0);
    for (int i = 0; i < n; ++i) {
        if (!(u[i] > an && u[i] <= top + 1e-12)) continue;
        const double x = std::min(u[i], top) * R;
        // Tangent point (x, z0) and the inward normal of the ellipse there.
        const double sq = std::sqrt(std::max(0.0, 1.0 - x * x / (e * e)));
        const double z0 = f - f * sq;
        const double gx = x / (e * e), gz = sq / f;
        const double g = std::sqrt(gx * gx + gz * gz);
        if (!(g > 0.0)) continue;
        corner = {true, x, a, z0 + r * gz / g};
        return corner;
    }
    return corner;
}

}  // namespace morvex
