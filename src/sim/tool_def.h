// The records of the tool table: per-tool shape, lengths, holder, pen,
// length shift, load limits and feed-optimisation tables, as read from the
// TTL file and its arbor (ATL) file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/file_time.h"

namespace morvex {

// Shape codes.
inline constexpr int kShapeOther = 0;
inline constexpr int kShapeBall = 1;
inline constexpr int kShapeFlat = 2;
inline constexpr int kShapeBull = 3;
inline constexpr int kShapeTaperBall = 4;
inline constexpr int kShapeVertical = 5;
inline constexpr int kShapeOval = 6;
inline constexpr int kShapeTThrow = 7;
inline constexpr int kShapeRadius = 9;
inline constexpr int kShapeKegaki = 99;

inline constexpr int kMaxArborSegments = 10;

// Holder kinds.
inline constexpr int kArborSteps = 0;   // ARBOR: stepped cylinders
inline constexpr int kArborCones = 1;   // ARBOR2: cones between points
inline constexpr int kArborMixed = 2;   // ARBOR3: per segment a step or a cone

struct ArborDef {
    bool defined = false;
    int kind = kArborSteps;
    int count = 0;  // segments, at most 10
    std::array<float, kMaxArborSegments + 1> dia{};  // dia[0] at the holder face
    std::array<float, kMaxArborSegments> hgt{};
    std::array<int, kMaxArborSegments> cone{};  // ARBOR3: 0 step, else cone

    bool operator==(const ArborDef&) const = default;
};

// LENGTH (kind 1), LENGTH2 (2), LENGTH3 (3); 0 none. len1 is the stick-out.
struct LengthDef {
    int kind = 0;
    std::array<float, 6> len{};  // len1 .. len6 at [0] .. [5]

    bool operator==(const LengthDef&) const = default;
};

// LIMIT (1), LIMIT P (11), LIMITS (2), LIMITS P (12); 0 none.
struct LimitDef {
    int kind = 0;
    std::array<float, 4> value{};

    bool operator==(const LimitDef&) const = default;
};

// OPT-F: slots 0 plain, 1 V, 2 U, 3 D.
struct OptFeedSlot {
    bool set = false;
    float first = 0.0f;
    int pairCount = 0;  // 0..19
    std::array<float, 19> a{};
    std::array<float, 19> b{};

    bool operator==(const OptFeedSlot&) const = default;
};

struct ToolDef {
    bool defined = false;
    int shape = kShapeOther;
    float d = 0.0f;      // diameter
    float r = 0.0f;      // corner radius (negative only for the concave RADIUS form)
    float e = 0.0f;      // horizontal distance axis -> corner-radius centre
    float f = 0.0f;      // height of the corner-radius centre above the tip
    float alpha = 0.0f;  // bottom angle, degrees
    float beta = 0.0f;   // flank taper, degrees from the vertical
    float tipWidth = 0.0f;  // VERTICAL only
    float h = 0.0f;         // flute length above the tip
    std::optional<std::string> name;
    LengthDef length;
    ArborDef holder;
    float shift = 0.0f;  // tip up to the controlled point, mm
    int pen = 0;         // 0..7
    LimitDef limit;
    std::array<OptFeedSlot, 4> optF{};
};

struct ToolTable {
    std::vector<ToolDef> tools;  // by tool number 0 .. maxMagazine; 0 is no tool
    int initialTool = 1;
    ArborDef defaultHolder;
    std::string arborFile;  // as named by the ATL line, resolved
    int arborStatus = 0;    // 1 read, -1 not found, 0 none named
    int status = 0;         // 1 read, -1 the TTL file cannot be opened
    FileTime fileTime;
    FileTime arborFileTime;
};

}  // namespace morvex
