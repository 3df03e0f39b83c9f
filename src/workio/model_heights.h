// Heights of a model file on the current work's grid, for the basic model
// of the difference check and for merging a model into the work: a DMF
// file (read straight when its grid is the work's, resampled otherwise) or
// an STL model (rasterised).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "base/messages.h"
#include "base/progress.h"
#include "sim/work_model.h"

namespace morvex {

// The start value of a basic model: nodes the model does not cover stay far below the work.
inline constexpr float kBasicModelStart = -100000.0f;

// Fills target with work.cellCount heights of the model at `path` (kind by
// the last three characters of the name, "DMF" or "STL", any case). Nodes
// the model does not cover keep startValue (an STL), or -100000 (a DMF on
// another grid). Returns the message of a failure, nullopt on success;
// target is only assigned on success. `progress` hears "Calculating Basic
// Z-Value" (startValue kBasicModelStart) or "Calculating Merge Z-Value"
// while an STL is read, "Set Z-Value" while a DMF is resampled.
[[nodiscard]] std::optional<MsgId> ModelHeightsOnGrid(const std::string& path, const WorkModel& work,
                                                      float startValue, std::vector<float>& target,
                                                      std::optional<std::uint64_t> availableMemory = AvailableMemory(),
                                                      const Progress* progress = nullptr);

// A source grid (origin, pitch, nx x ny heights) resampled onto the work's
// nodes: the source cell holding a node, interpolated on the cell's
// lower-left or upper-right triangle; -100000 outside the source.
void ResampleGrid(const float* source, int nx, int ny, double xMin, double yMin, double pitch, double pitchY,
                  const WorkModel& work, float* target);

// Merge "Higher" (h < m: h = m) or "Lower" (h > m and m at or above the
// bottom: h = m); changed nodes lose their attribute byte and line number.
// True when a node changed.
bool ApplyMerge(WorkModel& work, const std::vector<float>& model, bool higher);

}  // namespace morvex
