// The difference between the work and the basic model (its target shape):
// painting the nodes that stand above it (material left, "Plus") or below
// it (overcut, "Minus") by more than a margin, and the difference at one
// node, vertically and to the nearest model point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/progress.h"
#include "nc/path_record.h"
#include "sim/work_model.h"

namespace morvex {

// Pen codes of pens 0..7 in the attribute byte; marking with a pen keeps
// the bits of kDifferenceKeepMask and writes the code.
inline constexpr std::uint8_t kDifferencePenCodes[8] = {0, 2, 4, 6, 8, 10, 12, 14};
inline constexpr std::uint8_t kDifferencePenMask = 0x4E;
inline constexpr std::uint8_t kDifferenceKeepMask = 0xB1;

struct DifferenceSettings {
    int area = 1;           // 1 Plus (work above the model), -1 Minus (below it)
    double margin = 0.01;   // "Difference Margin", mm
    bool penMode = false;   // false "Penki" (the paint bit), true "Color" (a pen)
    int penNumber = 1;      // 1..7
    bool normalCheck = false;  // false "Height", true "Normal"
    double width = 0.0;     // "Width : ", kept with the normal check
    bool clear = true;      // "Keep Original Color": unmarked nodes lose this marking
};

enum class DifferenceStatus { Ok, NoBasicModel, BadPen, OffsetTooLarge, MemoryOver };

// Marks the nodes of the work against basic[] (cellCount heights, -100000
// where there is no model); marks[i] = 1 for a marked node. The heights,
// line numbers and other attribute bits stay.
[[nodiscard]] DifferenceStatus PaintDifference(WorkModel& work, const std::vector<float>& basic,
                                               const DifferenceSettings& settings, int threads,
                                               std::vector<std::uint8_t>& marks,
                                               const Progress* progress = nullptr);

struct DifferencePoint {
    double vertical = 0.0;  // work height - model height
    double nearest = 0.0;   // distance to the nearest model point found
    Point workPoint{};      // grid-relative: (ix * pitch, iy * pitch, model height)
    Point modelPoint{};
};

// The difference at node (ix, iy) with the model's heights in memory. False
// outside the grid or where the model has no height.
[[nodiscard]] bool DifferenceAt(const WorkModel& work, const float* basic, int ix, int iy, DifferencePoint& out);

// The same with the model read from its DMF file: 0, or the grid check's
// code (1 not found, 2 positions differ, 3 sizes differ, 4 pitches differ)
// and nothing computed; 5 when the file cannot be read or the node lies
// outside.
[[nodiscard]] int DifferenceAtFile(const WorkModel& work, const std::string& dmfPath, int ix, int iy,
                                   DifferencePoint& out);

}  // namespace morvex
