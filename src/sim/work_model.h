// The work model: the workpiece as a Z-map, a regular grid of nodes in XY,
// each with the top height of the material, a cut attribute byte and, at
// some data levels, the NC line that last cut it; with the backup pair of
// the "C" key, the pitch rules and the whole-work attribute commands.
#pragma once

#include <cstdint>
#include <vector>

namespace morvex {

// Attribute byte of a node.
inline constexpr std::uint8_t kAttrPaint = 0x01;      // bit 0
inline constexpr std::uint8_t kAttrPenMask = 0x0E;    // bits 1..3: pen 0..7
inline constexpr std::uint8_t kAttrDirMask = 0x30;    // bits 4..5: 0 none, 1 up, 2 down, 3 vertical
inline constexpr int kAttrDirShift = 4;
inline constexpr std::uint8_t kAttrKeepMask = 0xB0;   // what the step sweeper keeps: direction and bit 7

// Data holding levels: what is kept per node besides height A, attribute A
// and the screen cache.
inline constexpr int kDataLevelFull = 1;         // backup pair and line numbers, 18 bytes per node
inline constexpr int kDataLevelBackup = 2;       // backup pair, 14 bytes
inline constexpr int kDataLevelLineNumbers = 3;  // line numbers, 13 bytes
inline constexpr int kDataLevelMinimal = 4;      // neither, 9 bytes

bool LevelHasBackup(int dataLevel);
bool LevelHasLineNumbers(int dataLevel);
int BytesPerNode(int dataLevel);

// What the backup keeps besides the heights and attributes.
struct WorkScalars {
    double xMin = 0.0, yMin = 0.0, zMin = 0.0;
    double xMax = 0.0, yMax = 0.0, zMax = 0.0;
    double pitch = 1.0;
    int nx = 0, ny = 0;
    int workState = 0;
    double originOffset[3] = {0.0, 0.0, 0.0};  // program origin offset
    double toolPosition[3] = {0.0, 0.0, 0.0};
};

struct WorkModel {
    double xMin = 0.0;  // mm, X of node (0, 0)
    double yMin = 0.0;
    double pitch = 1.0;  // mm, grid spacing in X and Y
    int nx = 0;          // nodes in X, at least 2 once a work exists
    int ny = 0;
    int lastX = -1;  // nx - 1
    int lastY = -1;
    std::uint32_t cellCount = 0;  // nx * ny
    double xMax = 0.0;            // xMin + (nx - 1) * pitch
    double yMax = 0.0;
    double zMin = 0.0;  // bottom of the block
    double zMax = 0.0;  // highest node height (an upper bound during a run)

    // Current pair: height/attr point into pair A or B.
    float* height = nullptr;        // row-major, index iy * nx + ix
    std::uint8_t* attr = nullptr;
    float* heightOther = nullptr;   // the other pair (backup), null without one
    std::uint8_t* attrOther = nullptr;
    std::int32_t* lineNo = nullptr;  // null at data levels 2 and 4; negated for compensated motions

    std::vector<double> nodeOffset;  // i * pitch, max(nx, ny) entries
    int workState = 0;  // 0 none or loaded unchanged, 1 uniform block as created, 2 changed
    int dataLevel = kDataLevelFull;  // level of the last allocation

    // Storage (the pointers above point into these).
    std::vector<float> heightA, heightB, basicHeight;
    std::vector<std::uint8_t> attrA, attrB;
    std::vector<std::int32_t> lineNumbers;
    std::vector<std::int16_t> screenXY;  // 2 per node, owned by the display
    WorkScalars saved;                   // the state the backup pair holds
    bool haveSaved = false;
};

inline std::size_t NodeIndex(const WorkModel& w, int ix, int iy) {
    return static_cast<std::size_t>(iy) * static_cast<std::size_t>(w.nx) + static_cast<std::size_t>(ix);
}

}  // namespace morvex
