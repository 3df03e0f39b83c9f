// The work model: the workpiece as a Z-map, a regular grid of nodes in XY,
// each with the top height of the material, a cut attribute byte and, at
// some data levels, the NC line that last cut it; with the backup pair of
// the "C" key, the pitch rules and the whole-work attribute commands.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "base/zeroed_array.h"
#include "nc/path_record.h"

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

// Where pair A and the line numbers live when the work is shared with other
// processes: attach gives the arrays for `cells` nodes (line numbers only
// with `lines`), the same arrays again for the same count; detach releases
// them. The program sets it when sharing is on.
struct WorkSharing {
    std::function<bool(std::size_t cells, bool lines, float*& height, std::uint8_t*& attr, std::int32_t*& lineNo)>
        attach;
    std::function<void()> detach;
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
    // Zero-filled by the system as first touched: a work filled right after
    // is written once, and a pair a run never uses costs no memory.
    ZeroedArray<float> heightA, heightB;
    ZeroedArray<std::uint8_t> attrA, attrB;
    ZeroedArray<std::int32_t> lineNumbers;
    ZeroedArray<std::int16_t> screenXY;  // 2 per node, owned by the display
    std::vector<float> basicHeight;
    WorkScalars saved;                   // the state the backup pair holds
    bool haveSaved = false;
    // Shared with other processes: pair A and the line numbers are the
    // sharing's arrays of sharedCells nodes (heightA, attrA and lineNumbers
    // stay empty), and pair A is always the current one.
    std::shared_ptr<WorkSharing> sharing;
    std::size_t sharedCells = 0;
};

inline std::size_t NodeIndex(const WorkModel& w, int ix, int iy) {
    return static_cast<std::size_t>(iy) * static_cast<std::size_t>(w.nx) + static_cast<std::size_t>(ix);
}

// Largest grid the model accepts: 2^31 nodes (about 38 GiB at level 1). It
// keeps cellCount in 32 bits and refuses absurd requests before any memory
// is asked for; a smaller grid can still fail when the heap runs out.
inline constexpr std::uint64_t kMaxWorkNodes = std::uint64_t{1} << 31;

// The "Define Work" request, kept apart from the grid so that the next
// definition starts from it. Defaults are those of INITIAL SIZE.
struct BoxRequest {
    double xMin = 0.0, yMin = 0.0, zMin = 0.0;
    double xMax = 100.0, yMax = 100.0, zMax = 30.0;
};

// Work and moving pitch settings of the "Setting Pitch" dialog.
struct PitchSettings {
    double workPitch = 1.0;       // mm, requested grid spacing
    bool autoWork = false;        // choose the pitch from kPitchCandidates
    int maximum = 20000;          // node-count ceiling of the automatic pitch
    double minimumPitch = 0.001;  // mm, lower bound after the automatic choice
    double movePitch = 1.0;       // mm, step length along a motion
    bool autoMove = false;        // movePitch = pitch * moveRate
    double moveRate = 1.0;
};

// Pitches the automatic rule tries, finest first.
inline constexpr std::array<double, 23> kPitchCandidates = {
    0.001, 0.002, 0.005, 0.01, 0.02, 0.025, 0.05, 0.1, 0.2, 0.25, 0.5, 1.0,
    1.5,   2.0,   2.5,   3.0,  4.0,  5.0,   6.0,  7.0, 8.0, 9.0,  10.0};

// Nodes along a span: max(2, trunc(span * (1 / pitch) + 1.5)), as a double so
// that huge or non-finite spans can be compared before any conversion.
double WorkNodeCount(double span, double pitch);

// The pitch for a box (the automatic rule or the fixed Work Pitch); sets
// settings.movePitch when the moving pitch is automatic.
double ApplyPitchRule(const BoxRequest& box, PitchSettings& settings);

// What the pitch dialog accepts: Work Pitch > 0 and Moving Pitch >= 0, finite.
bool PitchSettingsValid(const PitchSettings& settings);

// (Re)allocates every per-node array for nx x ny at the data level; buffers
// that are still big enough are kept. With fillOffsets, nodeOffset[i] = i *
// work.pitch (set the pitch first); a level outside 1..4 counts as 1. Node
// contents are left undefined. On any
// failure (counts below 2, over kMaxWorkNodes, out of memory) the work is
// freed and false returned.
[[nodiscard]] bool AllocateWork(WorkModel& work, int nx, int ny, int dataLevel, bool fillOffsets);
// Releases every array; a sharing is detached but kept for the next allocation.
void FreeWork(WorkModel& work);

// A work built apart (a loaded file, swapped in) takes the sharing of the
// work it replaced: its current pair and line numbers are copied into the
// shared arrays. False, with the work left private, when they cannot be had.
[[nodiscard]] bool TakeSharing(WorkModel& work, std::shared_ptr<WorkSharing> sharing);

// Bytes AllocateWork asks for at nx x ny and the data level: every per-node
// array and the node offsets.
std::uint64_t WorkBytes(int nx, int ny, int dataLevel);
// Bytes the work's buffers hold now; a new allocation reuses or first
// releases them.
std::uint64_t WorkHeldBytes(const WorkModel& work);

// Every height := zMax, attributes and line numbers := 0; workState := 1.
void FillUniform(WorkModel& work);

enum class DefineWorkStatus {
    Ok,
    NotFinite,  // a bound or the pitch is NaN or infinite
    ReversedX,
    ReversedY,
    ReversedZ,
    PitchNotPositive,
    MemoryOver,  // no work remains
};

// The "Define Work" command without its dialog: validates, applies the pitch
// rule, allocates, fills and backs up. The caller then resets the tool
// position and the program-origin offset to 0 and places the control point.
// A grid the system has no memory for is refused as MemoryOver before any
// allocation; that and every other refusal leave the work untouched, only a
// failed allocation frees it.
[[nodiscard]] DefineWorkStatus DefineBoxWork(WorkModel& work, const BoxRequest& request,
                                             PitchSettings& pitch, int dataLevel);

// The message and the message-box title the caller shows for a status (no
// message for Ok; the title of the reversed-bounds messages is the caption).
std::optional<MsgId> DefineWorkMessage(DefineWorkStatus status);
std::string_view DefineWorkTitle(DefineWorkStatus status);

// The box around the NC check extents: margins on X, Y and the top, 10 mm of
// stock below the lowest point; `max[2]` is the stock top the program
// implies. Empty X or Y extents (no motion) use the caller's initial box
// instead: its X and Y, ZMAX 5 mm below its top and ZMIN 10 mm below that.
BoxRequest OptimumBoxFromExtents(const Point& min, const Point& max, const Point& margin,
                                 const BoxRequest& initialSize);

// A box without width along X or Y (all cutting at one X or one Y, no
// margin) is widened to `pitch` along it, so that it still holds two nodes
// there with the first on the cut.
void WidenFlatBox(BoxRequest& box, double pitch);

// The "C" key pair, only at data levels 1 and 2. Backup saves the scalars and
// copies the current pair into the other; Restore exchanges them, so that a
// second Restore returns to the state before the first. Both return false
// and do nothing without a backup pair (Restore also without a saved state).
bool Backup(WorkModel& work, const Point& originOffset, const Point& toolPosition);
bool Restore(WorkModel& work, Point& originOffset, Point& toolPosition);

// zMax := the largest node height (finite heights only).
void RecomputeZMax(WorkModel& work);

// Volume removed since the backup, mm^3 (negative when material was added),
// by the trapezoidal weights 1, 0.5 on border rows and columns, 0.25 at the
// corners. nullopt without a backup pair of the same grid.
std::optional<double> RemovalVolume(const WorkModel& work);

// Whole-work attribute commands; they do nothing and return false while
// workState <= 0. StripPen clears the pen of nodes of pen k (1..7) or of
// every node (8); other k change nothing.
bool PaintAll(WorkModel& work);
bool StripPaint(WorkModel& work);
bool StripPen(WorkModel& work, int pen);

// NEW CONTROL POINT: where the tool stands before the first motion.
enum class ControlPointMode { BoxTop = 0, Current = 1, Specify = 2 };

Point PlaceControlPoint(ControlPointMode mode, const WorkModel& work, const Point& current,
                        const Point& specified);

}  // namespace morvex
