// The current tool prepared for cutting: its radius/height profile (bottom,
// corner, flank, neck and shank, holder and attachment) as evaluated by the
// sweep and the checks for every grid node.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sim/tool_def.h"

namespace morvex {

// Square blocks of the mounted attachment, stacked upward from the holder top.
struct AttachmentBlocks {
    int count = 0;  // 0..5
    std::array<float, 5> side{};    // mm
    std::array<float, 5> height{};  // mm
};

// Simple forms of tools without bottom or flank angles.
inline constexpr int kFormNone = 0;
inline constexpr int kFormBallLike = 1;
inline constexpr int kFormFlat = 2;
inline constexpr int kFormTorus = 3;

struct ToolProfile {
    int number = 0;  // tool number, 0 no tool
    ToolDef tool;    // copy of the table entry
    int shape = kShapeOther;
    int simpleForm = kFormNone;
    double R = 0.0;   // d / 2
    double r = 0.0;   // corner radius as read (negative: concave RADIUS form)
    double r2 = 0.0;  // r squared
    double tanA = 0.0;
    double k = 0.0;  // flank slope 1 / tan(beta)
    double c = 0.0;  // flank offset
    double rho1 = 0.0, rho2 = 0.0, rho3 = 0.0;  // bottom, corner, flank extents
    double eC = 0.0, fC = 0.0;                  // corner centre distance and height
    double T1 = 0.0, T2 = 0.0, T3 = 0.0, T4 = 0.0;  // squared thresholds
    // Neck and shank (LengthDef kinds 2 and 3).
    int lengthKind = 0;
    double len[6] = {};
    double shankRadius = 0.0;
    double s1 = 0.0, s2 = 0.0;
    double rhoM = 0.0, rhoM2 = 0.0;
    // Holder stacked from len1.
    bool holder = false;
    int holderKind = kArborSteps;
    int holderCount = 0;
    std::array<double, kMaxArborSegments + 1> holderZ{};
    std::array<double, kMaxArborSegments + 2> holderRad{};
    double holderLimit = 0.0;  // largest radius squared
    double holderTop = 0.0;    // above the tip
    // Attachment above the holder top.
    bool attachment = false;
    int blockCount = 0;
    std::array<double, 5> halfWidth{};
    std::array<double, 5> blockTop{};  // above the tip
    double outerRadius = 0.0;  // largest horizontal radius the tool, holder or attachment reaches
    std::uint8_t attrCode = 0; // 2 * pen
    double shift = 0.0;        // tip to controlled point
};

// Makes tool n of the table current (n outside the table or undefined: no
// tool). `toolClearance` and `arborClearance` enlarge the tool and holder
// diameters when above 0; `attachment` may be null.
void SelectTool(const ToolTable& table, int n, double toolClearance, double arborClearance,
                const AttachmentBlocks* attachment, ToolProfile& profile);

// Height of the lowest tool surface at horizontal distance rho (q = rho²)
// from the axis for a tool whose tip is at zTip (zCentre = zTip + fC),
// rounded to single precision.
double ToolProfileHeight(const ToolProfile& p, double zTip, double zCentre, double rho, double q);
double ToolProfileHeight(const ToolProfile& p, double zTip, double q);

// The holder for T4 < q <= holderLimit.
double HolderProfileHeight(const ToolProfile& p, double zTip, double rho, double q);

// The attachment above a node at (dx, dy) from the tool axis, if any.
std::optional<double> AttachmentHeight(const ToolProfile& p, double zTip, double dx, double dy);

}  // namespace morvex
