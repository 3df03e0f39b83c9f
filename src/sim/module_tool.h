// Tool definitions handed over by modules (a reader module at its tool
// changes, the network tool data module from comments and for the tool
// table): the program's definition goes out, and what comes back is taken
// field by field only when it makes sense; everything else keeps the
// program's value, with a note saying what was refused.
#pragma once

#include <string>
#include <vector>

#include "morvex/plugin.h"
#include "nc/module_reader.h"
#include "sim/tool_def.h"

namespace morvex {

// The definition in the module's form.
MvTool ModuleToolOf(const ToolDef& def, int number);

// Takes the shape fields of `tool` into `def`. A module that gives a tool
// with a diameter defines it.
void TakeModuleTool(const MvTool& tool, ToolDef& def, const std::string& who, std::vector<std::string>& notes);

// LENGTH / LENGTH2 / LENGTH3 with six lengths: taken as a whole or not at all.
void TakeModuleLength(int kind, const float lengths[6], ToolDef& def, const std::string& who,
                      std::vector<std::string>& notes);

// LIMIT kinds 0, 1, 2, 11, 12 with four values, and the pen 0..7.
void TakeModuleLimit(int kind, const float limits[4], int pen, ToolDef& def, const std::string& who,
                     std::vector<std::string>& notes);

// The holder: taken as a whole or not at all.
void TakeModuleArbor(int defined, int kind, int count, const float dia[MV_ARBOR_SEGMENTS + 1],
                     const float hgt[MV_ARBOR_SEGMENTS], const int32_t cone[MV_ARBOR_SEGMENTS], ArborDef& holder,
                     const std::string& who, std::vector<std::string>& notes);

// After a reader module's change to tool `number`: MVREADTOOL, MVREADTOOLLEN
// and MVREADARBOR, those present, each with `def` filled in.
void ApplyReaderTool(const ModuleReader& module, int number, ToolDef& def, std::vector<std::string>& notes);

}  // namespace morvex
