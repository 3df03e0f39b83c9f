// The values the display draws with: colours and the display keys of the
// settings file (light, view angles, path and drawing options). The settings
// record of the frame holds them; the drawing code takes only this record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/vec3.h"

namespace morvex {

// Red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColor(int red, int green, int blue) {
    return static_cast<ColorRef>(red & 0xFF) | (static_cast<ColorRef>(green & 0xFF) << 8) |
           (static_cast<ColorRef>(blue & 0xFF) << 16);
}
constexpr int ColorRed(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int ColorGreen(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ColorBlue(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

enum class ColorKey {
    Work, Pen1, Pen2, Pen3, Pen4, Pen5, Pen6, Pen7,
    UpCut, DownCut, VerticalCut, Penki, Work2,
    ToolTop, ToolSide, Arbor, Attachment,
    TopPath, ControlPath, CutPath, Construction, Plus, Minus,
    Background,
    Count
};
inline constexpr std::size_t kColorCount = static_cast<std::size_t>(ColorKey::Count);

struct ColorSettings {
    std::array<ColorRef, kColorCount> value{};
    ColorRef& operator[](ColorKey key) { return value[static_cast<std::size_t>(key)]; }
    ColorRef operator[](ColorKey key) const { return value[static_cast<std::size_t>(key)]; }
};

// Section Define, display keys.
struct DisplaySettings {
    Vec3 lightVector{0.0, 0.0, 1.0};  // unit length
    double lightAzimuth = 0.0;        // degrees
    double lightTilt = 0.0;           // degrees
    bool optimizeDrawing = true;
    int optimizeDots = 3;
    bool meshMode = false;
    int displayGuidance = 2;  // 0 no, 1 yes, 2 detailed
    bool targetAreaOn = false;
    std::array<double, 6> targetArea{};  // min X, Y, Z, max X, Y, Z
    bool colorByDirection = false;       // false: by tool pen
    bool toolTopPenColor = false;        // false: the specified tool-top colour
    bool perspective = true;
    double angleA = 315.0;  // degrees
    double angleB = 45.0;   // degrees
    double expandRate = 5.0;
    bool pathStart = false;
    bool pathResult = true;
    bool toolDisplay = true;
    bool constructionPoint = false;
    bool boundaryBox = true;
    bool basicAxis = true;
    bool progressBar = true;
    std::string progressName;
    int updateMode = 0;  // 0 no, 1 yes, 2 full
};

// Everything of the settings the drawing code reads.
struct ViewSettings {
    DisplaySettings display;
    ColorSettings colors;
};

}  // namespace morvex
