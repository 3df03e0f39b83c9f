// Work files read and written by plug-in modules: a loader builds the work
// (or the heights of a basic or merged model) from a file of its own
// format; a saver writes the work in its format through a temporary file
// that is renamed to the final name only when the module reports success.
//
// Whatever a module hands back is checked before it is used: a grid that is
// too small, too large or not finite is refused with a message naming the
// module and the value; heights that are not numbers or lie below the
// bottom are raised to the bottom and noted.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "base/progress.h"
#include "integration/plugins.h"
#include "sim/work_model.h"

namespace morvex {

// The outcome of a module's load or save: `message` (in the current
// language) tells why it failed; `notes` what was clamped on the way.
struct PluginWorkResult {
    bool ok = false;
    bool cancelled = false;  // the module's own parameter step said no (a save)
    std::string message;
    std::vector<std::string> notes;
};

// The grid a loader reports for a file, checked.
struct PluginGrid {
    double origin[3] = {0.0, 0.0, 0.0};  // xMin, yMin, the bottom
    int nx = 0;
    int ny = 0;
    double pitch = 0.0;
};

// Reads `path` through the loader into a fresh work at `dataLevel` that
// replaces `work` only on success (a work shared with other processes stays
// shared); on any failure `work` is as it was.
PluginWorkResult LoadWorkWithPlugin(const LoaderModule& loader, const std::string& path, WorkModel& work,
                                    int dataLevel,
                                    std::optional<std::uint64_t> availableMemory = AvailableMemory());

// The heights of the loader's file on the work's grid (a basic model or a
// model to merge): filled directly when the module's grid is the work's,
// else read on its own grid and resampled (nodes outside it get -100000).
// `target` is assigned only on success.
PluginWorkResult PluginModelHeights(const LoaderModule& loader, const std::string& path, const WorkModel& work,
                                    std::vector<float>& target,
                                    std::optional<std::uint64_t> availableMemory = AvailableMemory(),
                                    const Progress* progress = nullptr);

// The model heights of any file on the work's grid: a loader's file through
// it, DMF and STL as the built-in reader does. The failure as a message
// text (current language), nullopt on success.
std::optional<std::string> ModelHeightsOf(const PluginSet& plugins, const std::string& path,
                                          const WorkModel& work, float startValue, std::vector<float>& target,
                                          const Progress* progress = nullptr);

// Writes the work through the saver under `path`. `basic` is the basic
// model on the work's grid, or null; `dataLevel` the program's data level.
PluginWorkResult SaveWorkWithPlugin(const SaverModule& saver, const std::string& path, const WorkModel& work,
                                    const float* basic, int dataLevel);

// The name a saver writes to before its file is renamed: beside `path`.
std::string PluginTempName(const std::string& path);

// The heights a loader left, made usable: values that are not numbers
// become the bottom, values below it are raised to it. Returns how many
// were changed; zMax gets the highest height.
std::size_t ClampLoadedHeights(float* heights, std::size_t count, float bottom, double& zMax);

}  // namespace morvex
