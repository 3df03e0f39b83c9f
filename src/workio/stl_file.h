// STL models: recognising a file's form, reading its facets (text, binary
// in either byte order), the bounds pass that sizes a work for a model, the
// heights a model gives on a grid, and writing the work as an STL solid.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/memory_budget.h"
#include "base/messages.h"
#include "base/progress.h"
#include "nc/path_record.h"
#include "sim/work_model.h"
#include "workio/replaced_file.h"

namespace morvex {

// Form codes, shared with the work-file formats.
inline constexpr int kStlText = 2;
inline constexpr int kStlBinaryLittle = 3;
inline constexpr int kStlBinaryBig = 4;
inline constexpr int kStlDme = 101;  // a ".DME" file: binary, little-endian

inline constexpr std::size_t kStlHeaderSize = 80;
inline constexpr std::size_t kStlRecordSize = 50;

// One facet as read: single-precision values widened to double.
struct StlFacet {
    Point normal{};
    std::array<Point, 3> v{};
};

enum class StlStatus {
    Ok,
    NotOpened,   // missing or unreadable file
    Empty,       // a file of no bytes
    BadCount,    // binary: the facet count disagrees with the file's length
    BadNumber,   // a coordinate that is NaN, infinite or out of range
    NoFacets,    // nothing to make a work of
    ReadFailed,  // a read came back short although the length matched
    MemoryOver,  // the work the model needs cannot be held
};

// The form of a file: text when "facet" (any case) starts at one of the
// first 250 bytes, otherwise binary, big-endian when the byte-reversed
// count at offset 80 equals (size - 84) / 50. A ".DME" name is kStlDme.
[[nodiscard]] StlStatus DetectStlType(const std::string& path, int& type);

// Calls visit for every facet in file order; visit returns false to stop
// early. Text facets are those closed by "endloop" after three vertices.
// Binary files are refused before the first facet when their count
// disagrees with their length; a non-finite vertex stops the read with
// BadNumber (facets before it have been visited).
using StlVisitor = std::function<bool(const StlFacet&)>;
// `progress` hears the share of the file read after every block.
[[nodiscard]] StlStatus ForEachStlFacet(int type, const std::string& path, const StlVisitor& visit,
                                        const Progress* progress = nullptr);

struct StlBounds {
    Point min{9999999.0, 9999999.0, 9999999.0};
    Point max{-9999999.0, -9999999.0, -9999999.0};
    std::uint64_t facets = 0;
};

// The first pass: the bounding box of every vertex.
[[nodiscard]] StlStatus ReadStlBounds(int type, const std::string& path, StlBounds& bounds,
                                      const Progress* progress = nullptr);

// Nodes along a model's extent: trunc(span / pitch + 1.001), at least 2;
// as a double so that absurd spans can be refused before conversion.
double StlNodeCount(double span, double pitch);

// Raises target[] (nx x ny at xMin, yMin, pitch) to the facet's height at
// every node that lies in its XY triangle (its plane through the three
// vertices; vertical facets give nothing). Heights more than 5 beyond the
// facet's Z range (a nearly vertical facet) give `bottom`; the others are
// clamped to that range.
void RasteriseStlFacet(const StlFacet& facet, double xMin, double yMin, double pitch, int nx, int ny,
                       double bottom, float* target);

// Fills single nodes that fell between facets: along rows, then columns, a
// node at the bottom between two nodes more than 0.1 above it takes their
// mean.
void StlSpikeFilter(float* height, int nx, int ny, double bottom);

struct StlLoadOptions {
    double pitch = 1.0;
    int dataLevel = kDataLevelFull;
    bool spikeFilter = false;  // STL FILTER
    const Progress* progress = nullptr;  // "Checking Min-Max", then "Calculating Z-Value"
};

// Loads an STL model as the work: bounds pass, a grid over the model's box
// at the pitch (bottom and top from its Z range), heights from the facets.
// The new work replaces `work` only on success; on any failure `work`
// stays as it was. A grid whose arrays exceed kMaxWorkNodes or
// `availableMemory` is refused as MemoryOver before anything is allocated.
[[nodiscard]] StlStatus LoadStlWork(const std::string& path, const StlLoadOptions& options, WorkModel& work,
                                    std::optional<std::uint64_t> availableMemory = AvailableMemory());

// The message for a status (nullopt for Ok); the caller appends the file name.
std::optional<MsgId> StlLoadMessage(StlStatus status);

// Writes the work as a closed solid (top surface, four walls, bottom) in
// form kStlText, kStlBinaryLittle or kStlBinaryBig, through a temporary
// file renamed over `path`. Returns kFileSaved, kFileWriteFailed or
// kFileResourceOver.
[[nodiscard]] int WriteStl(const std::string& path, const WorkModel& work, int type);

}  // namespace morvex
