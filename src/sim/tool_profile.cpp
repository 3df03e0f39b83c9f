// Selecting the current tool: its profile (bottom, corner, flank, neck and
// shank, holder, attachment) prepared once, and the profile height that the
// sweep and the checks evaluate for every node.
//
// Implementation notes
// - With R = d/2 and gamma = (alpha + beta)/2 + 45°, the cutter is the line
//   z = tanA·rho out to rho1 = R - r·cos(alpha)/tan(gamma), the corner
//   circle around (eC, fC) out to rho2 = R + r·sin(beta)/tan(gamma), and the
//   flank z = c + k·rho (k = 1/tan(beta), through (R, R·tanA)) out to
//   rho3 = R + (h - R·tanA)·tan(beta). gamma is half the inner angle between
//   bottom and flank, so both lines touch the circle.
// - The neck rises from (rho3, len2): LENGTH2 in one cone reaching the shank
//   radius Rs = len6/2 at len2 + len3; LENGTH3 first at len4° from the
//   vertical up to (rhoM, len2 + len3), rhoM = rho3 + len3·tan(len4°), then
//   at len5° out to Rs. Beyond Rs comes the holder (holder_profile.cpp).
// - Every region is reduced to coefficients here, so ToolProfileHeight is a
//   chain of compares on q with at most one square root and no allocation.
//   The convex and the concave corner share one formula through cornerDir,
//   cornerOff, cornerLift and cornerSign.
// - Shape 6 (oval): elliptic cap with semi-axes e (horizontal) and f
//   (vertical), flat at f from e outward, and the corner circle of
//   oval_profile.cpp when it fits. Shape 9 (RADIUS): inner zone at f out to
//   e, then the torus of radius r around (R - r, r).
// - Hostile values: a tool whose numbers are not finite, whose diameter is
//   not positive, whose angles are negative, above 89° or sum to 90° or
//   more, or an oval with e <= 0 or f < 0, is evaluated as a flat end mill
//   of its diameter (diameter 0 when d itself is unusable: it touches only
//   the node under the axis). Without a flank angle a corner radius above R
//   is cut down to R (a ball). Lengths and holder numbers that are not
//   finite or negative count as 0.
#include "sim/tool_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "sim/holder_profile.h"
#include "sim/oval_profile.h"

namespace morvex {
namespace {

constexpr double kDegree = 0.0174532925199433;
constexpr double kBallTolerance = 0.001;
constexpr double kMaxAngle = 89.0;  // degrees

double Value(float v) {
    const double x = v;
    return std::isfinite(x) ? x : 0.0;
}

double Length(float v) {
    return std::max(0.0, Value(v));
}

bool UsableGeometry(const ToolDef& t) {
    for (float v : {t.d, t.r, t.e, t.f, t.alpha, t.beta}) {
        if (!std::isfinite(v)) return false;
    }
    if (!(t.d > 0.0f)) return false;
    if (t.alpha < 0.0f || t.beta < 0.0f || t.alpha > kMaxAngle || t.beta > kMaxAngle) return false;
    if (static_cast<double>(t.alpha) + t.beta >= 90.0) return false;
    if (t.shape == kShapeOval && (!(t.e > 0.0f) || t.f < 0.0f)) return false;
    return true;
}

void SetConvexCorner(ToolProfile& p) {
    p.cornerDir = 1.0;
    p.cornerOff = -p.eC;
    p.cornerLift = 0.0;
    p.cornerSign = -1.0;
}

// A flat end mill of radius R: bottom, corner and flank all end at R.
void PrepareFlat(ToolProfile& p, double R) {
    p.R = R;
    p.simpleForm = kFormFlat;
    p.rho1 = p.rho2 = p.rho3 = R;
    SetConvexCorner(p);
}

void PrepareOval(const ToolDef& t, ToolProfile& p) {
    const double R = p.R, e = t.e, f = t.f, r = t.r;
    p.tanA = -1.0;
    p.ovalBottom = true;
    p.invE2 = 1.0 / (e * e);
    p.ovalF = f;
    p.rho1 = p.rho2 = p.rho3 = R;
    p.fC = f;
    const OvalCorner corner = FitOvalCorner(R, e, f, r);
    if (corner.fitted) {
        p.r = r;
        p.r2 = r * r;
        p.rho1 = corner.rho1;
        p.eC = corner.centreX;
        p.fC = corner.centreZ;
    }
    SetConvexCorner(p);
}

void PrepareRadius(const ToolDef& t, ToolProfile& p) {
    const double R = p.R;
    const double r = std::min(std::fabs(static_cast<double>(t.r)), R);
    p.r = r;
    p.r2 = r * r;
    p.eC = R - r;
    p.fC = r;
    // The inner zone ends where the torus reaches its height f (or at its
    // equator when f >= r): between R - 2r and R - r.
    const double inner = std::clamp(static_cast<double>(t.e), std::max(0.0, R - 2.0 * r), R - r);
    p.rho1 = inner;
    p.bottomLift = t.f;
    p.rho2 = p.rho3 = R;
    SetConvexCorner(p);
}

void PrepareCutter(const ToolDef& t, ToolProfile& p) {
    const double R = p.R;
    const double alpha = t.alpha * kDegree, beta = t.beta * kDegree;
    double r = t.r;
    if (r < 0.0) {
        // Concave corner: flat bottom to R - |r|, then the quarter circle
        // z = zCentre - |r| + sqrt(r² - (eC + |r| - rho)²) rising to R.
        r = std::min(-r, R);
        p.r = -r;
        p.r2 = r * r;
        p.rho1 = p.eC = R - r;
        p.fC = t.f;
        p.rho2 = p.rho3 = R;
        p.cornerDir = -1.0;
        p.cornerOff = p.eC + r;
        p.cornerLift = -r;
        p.cornerSign = 1.0;
        return;
    }
    if (t.beta == 0.0f && r > R) r = R;
    p.r = r;
    p.r2 = r * r;
    if (t.alpha == 0.0f && t.beta == 0.0f) {
        p.simpleForm = std::fabs(R - r) < kBallTolerance ? kFormBallLike
                       : r == 0.0                        ? kFormFlat
                                                         : kFormTorus;
    }
    const bool ballLike = p.simpleForm == kFormBallLike;
    p.tanA = std::tan(alpha);
    if (beta > 0.0) {
        p.k = 1.0 / std::tan(beta);
        p.c = (p.tanA - p.k) * R;
    }
    const double tanG = std::tan(0.5 * (alpha + beta) + 0.25 * std::numbers::pi);
    const bool noBottom = t.shape == kShapeBall || t.shape == kShapeTaperBall || ballLike;
    p.rho1 = noBottom ? 0.0 : std::max(0.0, R - r * std::cos(alpha) / tanG);
    p.eC = ballLike ? 0.0 : p.rho1 - r * std::sin(alpha);
    p.fC = p.rho1 * p.tanA + r * std::cos(alpha);
    p.rho2 = beta > 0.0 ? R + r * std::sin(beta) / tanG : R;
    p.rho3 = beta > 0.0 ? R + (Length(t.h) - R * p.tanA) * std::tan(beta) : R;
    p.rho2 = std::max(p.rho2, p.rho1);
    p.rho3 = std::max(p.rho3, p.rho2);
    SetConvexCorner(p);
}

// Neck and shank of LENGTH2 and LENGTH3; returns the radius the holder
// starts from.
double PrepareNeck(const LengthDef& length, double arborClearance, ToolProfile& p) {
    p.lengthKind = length.kind >= 1 && length.kind <= 3 ? length.kind : 0;
    for (int i = 0; i < 6; ++i)
        p.len[i] = Length(length.len[i]);
    const double rho3 = p.rho3;
    if (p.lengthKind < 2) return rho3;
    const double Rs = 0.5 * ClearedDiameter(p.len[5], arborClearance);
    p.shankRadius = Rs;
    // A shank no wider than the flank (within a micrometre) adds nothing.
    if (!(Rs > rho3 + 1e-6)) return rho3;
    const double len2 = p.len[1], len3 = p.len[2];
    p.T4 = Rs * Rs;
    if (p.lengthKind == 2) {
        // z = len2 + (rho - rho3)·s2, reaching len2 + len3 at Rs.
        p.s2 = len3 / (Rs - rho3);
        p.neck1A = len2 - rho3 * p.s2;
        p.neck1B = p.s2;
        p.rhoM = Rs;
        p.rhoM2 = p.T4;
        return Rs;
    }
    // Cone angles from the vertical; 0° is a vertical wall (no cone), 90° flat.
    const double a4 = std::min(p.len[3], 90.0), a5 = std::min(p.len[4], 90.0);
    p.s1 = a4 > 0.0 ? 1.0 / std::tan(a4 * kDegree) : 0.0;
    p.s2 = a5 > 0.0 ? 1.0 / std::tan(a5 * kDegree) : 0.0;
    p.rhoM = a4 > 0.0 ? rho3 + len3 * std::tan(a4 * kDegree) : rho3;
    p.rhoM2 = p.rhoM * p.rhoM;
    p.neck1A = len2 - rho3 * p.s1;  // z = len2 + (rho - rho3)·s1
    p.neck1B = p.s1;
    p.neck2A = len2 + len3 - p.rhoM * p.s2;  // z = len2 + len3 + (rho - rhoM)·s2
    p.neck2B = p.s2;
    return Rs;
}

}  // namespace

void SelectTool(const ToolTable& table, int n, double toolClearance, double arborClearance,
                const AttachmentBlocks* attachment, ToolProfile& p) {
    p = ToolProfile{};
    // No tool: every threshold below any q, so nothing is reached.
    p.T1 = p.T2 = p.T3 = p.T4 = p.rhoM2 = p.holderLimit = -1.0;
    if (n < 1 || n >= static_cast<int>(table.tools.size()) || !table.tools[n].defined) return;
    const ToolDef& t = table.tools[n];
    p.number = n;
    p.tool = t;
    p.shape = t.shape;

    // Steps 1-7: bottom, corner and flank.
    if (!UsableGeometry(t)) {
        p.degenerate = true;
        PrepareFlat(p, std::isfinite(t.d) && t.d > 0.0f ? 0.5 * t.d : 0.0);
    } else {
        p.R = 0.5 * t.d;
        if (t.shape == kShapeOval) {
            PrepareOval(t, p);
        } else if (t.shape == kShapeRadius) {
            PrepareRadius(t, p);
        } else {
            PrepareCutter(t, p);
        }
    }
    p.T1 = p.rho1 * p.rho1;
    p.T2 = p.rho2 * p.rho2;
    p.T3 = p.rho3 * p.rho3;
    p.T4 = p.T3;
    p.rhoM2 = p.T3;

    // Step 8: neck and shank; step 9: holder and attachment.
    const double rad0 = PrepareNeck(t.length, arborClearance, p);
    double reach = rad0;
    if (p.lengthKind >= 1) {
        const double len1 = p.len[0];
        PrepareHolder(t.holder, len1, rad0, arborClearance, p);
        if (p.holder) reach = std::max(reach, std::sqrt(p.holderLimit));
        if (attachment != nullptr && len1 > 0.0) {
            PrepareAttachment(*attachment, p.holder ? p.holderTop : len1, p);
            reach = std::max(reach, p.maxHalfWidth * std::numbers::sqrt2);
        }
    }
    if (!p.holder) p.holderLimit = -1.0;
    p.outerRadius = reach;

    p.rapidRadius = p.rho3;
    if (std::isfinite(toolClearance) && toolClearance > 0.0) {
        p.rapidRadius = p.rho3 + toolClearance;
    } else if (std::isfinite(toolClearance) && toolClearance < 0.0) {
        const double pitch = -toolClearance;
        p.rapidRadius = std::hypot(0.5 * pitch, p.rho3 + pitch);
    }

    // Step 10: attribute code and length shift.
    p.attrCode = static_cast<std::uint8_t>(2 * std::clamp(t.pen, 0, 7));
    p.shift = Value(t.shift);
}

double ToolProfileHeight(const ToolProfile& p, double zTip, double q) {
    return ToolProfileHeight(p, zTip, zTip + p.fC, std::sqrt(q), q);
}

bool RapidCheckWidens(const ToolProfile& p) { return p.rapidRadius > p.rho3 && p.number != 0; }

ToolProfile RapidCheckProfile(const ToolProfile& p) {
    ToolProfile r = p;
    if (!RapidCheckWidens(p)) return r;
    if (p.T3 <= p.T2) {
        // No flank of its own: the clearance band stands level with the
        // edge of the cutting part.
        const double edge = p.rho3;
        const double edgeHeight = ToolProfileHeight(p, 0.0, 0.0 + p.fC, edge, edge * edge);
        r.k = 0.0;
        r.c = std::isfinite(edgeHeight) ? edgeHeight : 0.0;
    }
    r.rho3 = p.rapidRadius;
    r.T3 = p.rapidRadius * p.rapidRadius;
    r.T4 = std::max(r.T4, r.T3);
    r.rhoM2 = std::max(r.rhoM2, r.T3);
    return r;
}

}  // namespace morvex
