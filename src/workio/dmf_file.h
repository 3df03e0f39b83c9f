// The DMF work file: the program's own binary store of one WorkModel (grid
// placement, node counts and pitch, every height, optionally the attribute
// bytes and NC line numbers, and the bottom height), its writer and readers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "base/memory_budget.h"
#include "base/messages.h"
#include "sim/work_model.h"
#include "workio/replaced_file.h"

namespace morvex {

inline constexpr char kDmfMagic[] = "MORVEX          ";  // 16 characters, no terminating zero in the file
inline constexpr std::size_t kDmfMagicSize = 16;
inline constexpr std::size_t kDmfHeaderSize = 156;  // through the top storage mode
inline constexpr std::size_t kDmfBottomSize = 12;   // code, mode and one height

// Top attribute codes: the readers only ask "> 0" (attribute bytes follow)
// and "> 1" (line numbers follow).
inline constexpr std::int32_t kDmfCodeHeights = 0;
inline constexpr std::int32_t kDmfCodeAttributes = 1;
inline constexpr std::int32_t kDmfCodeLineNumbers = 5;
inline constexpr std::int32_t kDmfStorageUniform = 1;

// What outlives a single DMF file: the placement matrix, the height unit and
// integer mode, and the settings of section DMFdata that steer a save.
struct DmfContext {
    std::array<double, 12> matrix = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0};
    int saveLevel = 1;        // SAVE_LEVEL: 1 shape, 2 attributes, 3 attributes and line numbers
    bool intHeights = false;  // VALUE TYPE "INT"
    float unit = 0.001f;      // mm per integer count
    bool shareMode = false;   // SHARE MODE: a loaded work counts as changed
};

// The fixed part of a file, offsets 0..155.
struct DmfHeader {
    std::array<double, 12> matrix{};
    double origin[3] = {0.0, 0.0, 0.0};  // (m9, m10, m11), or (m3, m7, m11) when m0..m8 are not the identity
    std::int32_t nx = 0;
    std::int32_t ny = 0;
    std::int32_t sections = 0;  // ignored
    double pitchX = 0.0;        // mm
    double pitchY = 0.0;
    double unit = 0.0;  // 0.0: f32 heights; otherwise i32 counts of this unit
    std::int32_t code = 0;
    std::int32_t storage = 0;  // 1 uniform, anything else full grid
};

enum class DmfStatus {
    Ok,
    NotOpened,   // missing or unreadable file
    BadMagic,    // not a DMF file
    BadGrid,     // node counts below 2 or too many, pitch or placement not usable
    BadLength,   // the file is not as long as its header says
    ReadFailed,  // a read came back short although the length matched
    MemoryOver,  // the work could not be allocated
};

// One open DMF file. The readers move through it front to back.
struct DmfFile {
    std::FILE* fp = nullptr;
    std::uint64_t size = 0;  // bytes, taken when the file was opened
};

// Save results.
inline constexpr int kDmfSaved = kFileSaved;
inline constexpr int kDmfWriteFailed = kFileWriteFailed;
inline constexpr int kDmfResourceOver = kFileResourceOver;

// Writes the work at ctx.saveLevel through a temporary file in the same
// folder renamed over `path`; a failed save leaves any previous file as it
// was. Sets ctx.matrix[9..11] to (xMin, yMin, 0.0) first. Returns kDmfSaved,
// kDmfWriteFailed, or kDmfResourceOver when the system was out of memory.
[[nodiscard]] int SaveDmf(const std::string& path, const WorkModel& work, DmfContext& ctx);

// The attribute code a save writes (0, 1 or 5).
std::int32_t DmfSaveCode(int saveLevel, bool lineNumbersKept);

// The integer count of a height: half away from zero, in double precision,
// clamped to the i32 range. The full-grid rows pass z * (1 / unit) instead.
std::int32_t DmfCountOf(double scaled);

// Expected file length for a header (full grid or uniform, by code).
std::uint64_t DmfFileLength(const DmfHeader& header);

[[nodiscard]] DmfStatus OpenDmf(DmfFile& file, const std::string& path);
// Reads and checks offsets 0..155: the magic, node counts (2 or more, at most
// kMaxWorkNodes), finite placement and pitch, and the file length against
// what the counts and the code promise; nothing is allocated before that.
[[nodiscard]] DmfStatus ReadDmfHeader(DmfFile& file, DmfHeader& header);
// Reads the top and bottom sections into `work`, which the caller allocated
// for header.nx x header.ny with work.pitch = header.pitchX; sets the
// placement, extents, workState, integer mode and unit in ctx.
[[nodiscard]] DmfStatus ReadDmfBody(DmfFile& file, const DmfHeader& header, WorkModel& work,
                                    DmfContext& ctx);
// Heights only, into `heights` of header.nx * header.ny values (count checked);
// pitchY gets the file's second pitch. Sets integer mode and unit in ctx.
[[nodiscard]] DmfStatus ReadDmfHeights(DmfFile& file, const DmfHeader& header, float* heights,
                                       std::size_t count, double& pitchY, DmfContext& ctx);
void CloseDmf(DmfFile& file);

// Open, header, allocation at work.dataLevel, body, close. The file is read
// into a fresh WorkModel that replaces `work` (and ctx's matrix, unit and
// integer mode) only on success; on any failure both stay as they were.
// A grid whose arrays do not fit into `availableMemory` (the system's figure
// unless given) is refused as MemoryOver before anything is allocated.
// The caller rebuilds the tool shapes for the new pitch and copies the
// bottom and the maxima to its own copies.
[[nodiscard]] DmfStatus LoadDmf(const std::string& path, WorkModel& work, DmfContext& ctx,
                                std::optional<std::uint64_t> availableMemory = AvailableMemory());

// 0 same grid as `work`; 1 cannot open (or not a usable DMF file); 2 the
// origin differs by more than 0.001 in X or Y; 3 other node counts; 4 the
// second pitch is not exactly work.pitch.
int CheckDmfGrid(const std::string& path, const WorkModel& work);

// The message for a load status (nullopt for Ok); the title is "Work Size"
// for MemoryOver and the program caption otherwise.
std::optional<MsgId> DmfLoadMessage(DmfStatus status);
// The message and title for a save result (nullopt for kDmfSaved).
std::optional<MsgId> DmfSaveMessage(int result);
std::optional<MsgId> DmfSaveTitle(int result);

}  // namespace morvex
