// The holder (round, stacked segments) and the attachment (square blocks)
// above the tool's stick-out length, and their heights over a node.
//
// Implementation notes
// - Heights z[0] = len1, z[i] = z[i-1] + hgt[i-1]; radii rad[0] = the tool's
//   reach, rad[i] = max(rad[i-1], dia[i-1]/2), so a holder never narrows
//   upward; ARBOR3 has one more radius max(rad[count], dia[count]/2).
// - Band i (rad[i-1] < rho <= rad[i]) is reduced to a line in rho when the
//   tool is selected, so that evaluation is one compare per band:
//     ARBOR   z[i-1]
//     ARBOR2  the line through (rad[i-1], z[i-1]) and (rad[i], z[i])
//     ARBOR3  band 1 z[0]; then per triple i-2: a step z[i-1], a cone the
//             line through (rad[i-1], z[i-2]) and (rad[i], z[i-1]).
//   A band of zero width can never be the first one to hold q and keeps
//   slope 0.
// - Attachment blocks stand on the holder top; the lowest surface over a
//   node is the lower face of the lowest block whose square covers it.
#include "sim/holder_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace morvex {
namespace {

double Length(float v) {
    const double x = v;
    return std::isfinite(x) && x > 0.0 ? x : 0.0;
}

double Round(double z) {
    return static_cast<double>(static_cast<float>(z));
}

}  // namespace

double ClearedDiameter(double D, double arborClearance) {
    if (!(D > 0.0) || !std::isfinite(arborClearance)) return D;
    if (arborClearance > 0.0) return D + 2.0 * arborClearance;
    if (arborClearance < 0.0) {
        const double pitch = -arborClearance;
        return 2.0 * std::hypot(0.5 * D + pitch, 0.5 * pitch);
    }
    return D;
}

void PrepareHolder(const ArborDef& arbor, double len1, double rad0, double arborClearance,
                   ToolProfile& p) {
    const int count = std::clamp(arbor.count, 0, kMaxArborSegments);
    if (!arbor.defined || count < 1 || !(len1 > 0.0)) return;
    const int kind =
        arbor.kind == kArborCones || arbor.kind == kArborMixed ? arbor.kind : kArborSteps;
    p.holder = true;
    p.holderKind = kind;
    p.holderCount = count;
    auto& z = p.holderZ;
    auto& rad = p.holderRad;
    z[0] = len1;
    for (int i = 1; i <= count; ++i)
        z[i] = z[i - 1] + Length(arbor.hgt[i - 1]);
    const int bands = kind == kArborMixed ? count + 1 : count;
    rad[0] = rad0;
    for (int i = 1; i <= bands; ++i) {
        const double dia = ClearedDiameter(Length(arbor.dia[i - 1]), arborClearance);
        rad[i] = std::max(rad[i - 1], 0.5 * dia);
    }
    p.holderBands = bands;
    for (int i = 1; i <= bands; ++i) {
        p.holderRad2[i] = rad[i] * rad[i];
        // Line through (x0, z0) and (x1, z1) in rho.
        double x0 = rad[i - 1], z0 = z[i - 1], x1 = rad[i], z1 = z0;
        if (kind == kArborCones) {
            z1 = z[i];
        } else if (kind == kArborMixed && i >= 2) {
            if (arbor.cone[i - 2] != 0) {
                z0 = z[i - 2];
                z1 = z[i - 1];
            } else {
                z0 = z1 = z[i - 1];
            }
        }
        const double slope = x1 > x0 ? (z1 - z0) / (x1 - x0) : 0.0;
        p.holderSlope[i] = slope;
        p.holderBase[i] = z0 - slope * x0;
    }
    p.holderLimit = p.holderRad2[bands];
    p.holderTop = z[count];
}

void PrepareAttachment(const AttachmentBlocks& blocks, double base, ToolProfile& p) {
    const int count = std::clamp(blocks.count, 0, 5);
    if (count < 1) return;
    p.attachment = true;
    p.blockCount = count;
    double stacked = base;
    for (int i = 0; i < count; ++i) {
        p.halfWidth[i] = 0.5 * Length(blocks.side[i]);
        p.blockBottom[i] = stacked;
        stacked += Length(blocks.height[i]);
        p.blockTop[i] = stacked;
        p.maxHalfWidth = std::max(p.maxHalfWidth, p.halfWidth[i]);
    }
}

double HolderProfileHeight(const ToolProfile& p, double zTip, double rho, double q) {
    for (int i = 1; i <= p.holderBands; ++i) {
        if (q <= p.holderRad2[i]) return Round(zTip + p.holderBase[i] + p.holderSlope[i] * rho);
    }
    return std::numeric_limits<double>::infinity();
}

std::optional<double> AttachmentHeight(const ToolProfile& p, double zTip, double dx, double dy) {
    if (!p.attachment) return std::nullopt;
    const double ax = std::fabs(dx), ay = std::fabs(dy);
    if (!(ax <= p.maxHalfWidth && ay <= p.maxHalfWidth)) return std::nullopt;
    for (int i = 0; i < p.blockCount; ++i) {
        if (ax <= p.halfWidth[i] && ay <= p.halfWidth[i]) return Round(zTip + p.blockBottom[i]);
    }
    return std::nullopt;
}

}  // namespace morvex
