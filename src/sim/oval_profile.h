// The oval tool's corner: the corner circle fitted tangent to the elliptic
// bottom, and the closed-form polynomial root solvers the fit needs.
#pragma once

#include <array>

namespace morvex {

// Real roots of c3·x³ + c2·x² + c1·x + c0 = 0, ascending; the quadratic or
// linear equation when leading coefficients are 0. Returns the number of
// roots written. A double root appears twice, or not at all when rounding
// turns it into a complex pair; roots that do not polish to a residual at
// rounding level are left out.
int SolveCubic(double c3, double c2, double c1, double c0, std::array<double, 3>& roots);

// Real roots of c4·x⁴ + c3·x³ + c2·x² + c1·x + c0 = 0, ascending (Ferrari's
// method with the cubic resolvent); otherwise as SolveCubic.
int SolveQuartic(double c4, double c3, double c2, double c1, double c0,
                 std::array<double, 4>& roots);

struct OvalCorner {
    bool fitted = false;
    double rho1 = 0.0;     // where the ellipse hands over to the circle
    double centreX = 0.0;  // R - r
    double centreZ = 0.0;  // above the tip
};

// The corner circle of radius r for a tool of radius R whose bottom is the
// ellipse (x/e)² + ((z - f)/f)² = 1 below its centre: the circle touches the
// tool's side (centre at x = R - r) and the ellipse. Not fitted when no
// tangent point lies between R - r and min(e, R).
OvalCorner FitOvalCorner(double R, double e, double f, double r);

}  // namespace morvex
