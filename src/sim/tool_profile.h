// The current tool prepared for cutting: its radius/height profile (bottom,
// corner, flank, neck and shank, holder and attachment) as evaluated by the
// sweep and the checks for every grid node.
#pragma once

#include <array>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "sim/tool_def.h"

namespace morvex {

// Square blocks of the mounted attachment, stacked upward from the holder top.
struct AttachmentBlocks {
    int count = 0;                  // 0..5
    std::array<float, 5> side{};    // mm
    std::array<float, 5> height{};  // mm
};

// Simple forms of tools without bottom or flank angles.
inline constexpr int kFormNone = 0;
inline constexpr int kFormBallLike = 1;
inline constexpr int kFormFlat = 2;
inline constexpr int kFormTorus = 3;

inline constexpr int kHolderBands = kMaxArborSegments + 2;

struct ToolProfile {
    int number = 0;  // tool number, 0 no tool
    ToolDef tool;    // copy of the table entry
    int shape = kShapeOther;
    int simpleForm = kFormNone;
    bool degenerate = false;  // unusable geometry: evaluated as a flat of diameter d (or 0)
    double R = 0.0;           // d / 2
    double r = 0.0;           // corner radius in use (negative: concave form)
    double r2 = 0.0;          // r squared
    double tanA = 0.0;        // bottom slope; -1 marks the oval (shape 6)
    double k = 0.0;           // flank slope 1 / tan(beta)
    double c = 0.0;           // flank offset
    double rho1 = 0.0, rho2 = 0.0, rho3 = 0.0;      // bottom, corner, flank extents
    double eC = 0.0, fC = 0.0;                      // corner centre distance and height
    double T1 = 0.0, T2 = 0.0, T3 = 0.0, T4 = 0.0;  // squared thresholds
    // Bottom: z = zTip + bottomLift + tanA * rho, or the elliptic cap
    // z = zTip + (1 - sqrt(max(0, 1 - q * invE2))) * ovalF when ovalBottom.
    bool ovalBottom = false;
    double bottomLift = 0.0;  // RADIUS (shape 9): height of the inner zone
    double invE2 = 0.0;
    double ovalF = 0.0;
    // Corner: z = zCentre + cornerLift + cornerSign * sqrt(max(0, r2 - t²)),
    // t = cornerDir * rho + cornerOff (convex: t = rho - eC; concave:
    // t = eC + |r| - rho, lifted by -|r|).
    double cornerDir = 1.0, cornerOff = 0.0, cornerLift = 0.0, cornerSign = -1.0;
    // Neck and shank (LengthDef kinds 2 and 3).
    int lengthKind = 0;
    double len[6] = {};
    double shankRadius = 0.0;  // after the arbor clearance
    double s1 = 0.0, s2 = 0.0;
    double rhoM = 0.0, rhoM2 = 0.0;
    // Neck lines: z = zTip + neck1A + neck1B * rho for q <= rhoM2, else neck2.
    double neck1A = 0.0, neck1B = 0.0, neck2A = 0.0, neck2B = 0.0;
    // Holder stacked from len1.
    bool holder = false;
    int holderKind = kArborSteps;
    int holderCount = 0;
    std::array<double, kMaxArborSegments + 1> holderZ{};
    std::array<double, kMaxArborSegments + 2> holderRad{};
    // Band i (1..holderBands) covers holderRad[i-1] < rho <= holderRad[i]:
    // z = zTip + holderBase[i] + holderSlope[i] * rho.
    int holderBands = 0;
    std::array<double, kHolderBands> holderRad2{};
    std::array<double, kHolderBands> holderBase{};
    std::array<double, kHolderBands> holderSlope{};
    double holderLimit = 0.0;  // largest radius squared
    double holderTop = 0.0;    // above the tip
    // Attachment above the holder top.
    bool attachment = false;
    int blockCount = 0;
    std::array<double, 5> halfWidth{};
    std::array<double, 5> blockBottom{};  // lower face of each block, above the tip
    std::array<double, 5> blockTop{};     // upper face of each block, above the tip
    double maxHalfWidth = 0.0;
    double outerRadius = 0.0;   // largest horizontal radius the tool, holder or attachment reaches
    double rapidRadius = 0.0;   // rho3 plus the tool clearance (rapid check)
    std::uint8_t attrCode = 0;  // 2 * pen
    double shift = 0.0;         // tip to controlled point
};

// Makes tool n of the table current (n < 1, outside the table or undefined:
// no tool, which reaches nowhere). Clearances, 0 for none:
// - toolClearance > 0 widens the rapid-check radius: rapidRadius = rho3 + it;
//   < 0 is the automatic clearance for grid pitch p = -toolClearance,
//   rapidRadius = sqrt(0.25 p² + (rho3 + p)²).
// - arborClearance > 0 turns every holder and shank diameter D into
//   D + 2 * arborClearance; < 0 is the automatic clearance for grid pitch
//   p = -arborClearance, D becomes 2 * sqrt((D/2 + p)² + (p/2)²).
// `attachment` may be null.
void SelectTool(const ToolTable& table, int n, double toolClearance, double arborClearance,
                const AttachmentBlocks* attachment, ToolProfile& profile);

// Height of the lowest tool surface at horizontal distance rho (q = rho²)
// from the axis for a tool whose tip is at zTip (zCentre = zTip + fC),
// rounded to single precision. +infinity where neither the tool, its neck
// and shank nor its holder reaches (the attachment is asked separately with
// AttachmentHeight, since it is not round).
double ToolProfileHeight(const ToolProfile& p, double zTip, double q);

// The profile a rapid is swept with when a tool clearance applies: the
// cutting part widened to rapidRadius (its flank continued, or level with
// the edge of the cutting part for a tool without a flank), so that material
// within the clearance counts as touched by the rapid. The profile itself
// when there is no clearance.
ToolProfile RapidCheckProfile(const ToolProfile& p);

// Whether RapidCheckProfile widens p (it has a clearance beyond its
// cutting part).
bool RapidCheckWidens(const ToolProfile& p);

// The holder for T4 < q <= holderLimit; +infinity beyond the holder limit.
double HolderProfileHeight(const ToolProfile& p, double zTip, double rho, double q);

// Inline: the innermost call of every sweep.
inline double ToolProfileHeight(const ToolProfile& p, double zTip, double zCentre, double rho, double q) {
    double z;
    if (q <= p.T1) {
        if (p.ovalBottom) {
            // Lower half of (rho/e)² + ((z - f)/f)² = 1, flat at f from e on.
            z = zTip + (1.0 - std::sqrt(std::max(0.0, 1.0 - q * p.invE2))) * p.ovalF;
        } else {
            z = zTip + p.bottomLift + p.tanA * rho;
        }
    } else if (q <= p.T2) {
        // Corner circle (rho - eC)² + (z - zCentre)² = r², lower (convex)
        // or upper (concave) half; level with the centre beyond its reach.
        const double t = p.cornerDir * rho + p.cornerOff;
        z = zCentre + p.cornerLift + p.cornerSign * std::sqrt(std::max(0.0, p.r2 - t * t));
    } else if (q <= p.T3) {
        z = zTip + p.c + p.k * rho;
    } else if (q <= p.T4) {
        z = q <= p.rhoM2 ? zTip + p.neck1A + p.neck1B * rho : zTip + p.neck2A + p.neck2B * rho;
    } else if (q <= p.holderLimit) {
        return HolderProfileHeight(p, zTip, rho, q);
    } else {
        return std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(static_cast<float>(z));
}

// The attachment above a node at (dx, dy) from the tool axis, if any: the
// lower face of the lowest block whose square covers the node.
std::optional<double> AttachmentHeight(const ToolProfile& p, double zTip, double dx, double dy);

}  // namespace morvex
