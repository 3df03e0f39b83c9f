// The network tool data module: tool and holder definitions it supplies for
// the numbers of the tool table when the table is read, and from the comment
// text of NC blocks while a program is read. What it hands back is checked
// as every module's tool data is (sim/module_tool.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "integration/plugins.h"
#include "sim/tool_table.h"

namespace morvex {

// For every tool number of the table (1 .. its last): MVNCCOMTOOLF,
// MVNCCOMTOOLLENF and MVNCCOMARBORF, those present, each with the table's
// definition filled in; a definition the module gives replaces the table's.
// Nothing happens when the module is absent or switched off.
void ApplyNcComToTable(const PluginSet& set, ToolTable& table, std::vector<std::string>& notes);

// A block with a comment: its text goes to MVNCCOMTOOL (which may define a
// tool, its number and name; the tool in use, `tool`, is filled in), then
// MVNCCOMTOOLLEN and MVNCCOMARBOR for the tool it defined (or the tool in
// use). Returns the tool number that was defined or changed, -1 for none.
int ApplyNcComComment(const NcComEntries& entries, std::string_view block, int tool, ToolTable& table,
                      std::vector<std::string>& notes);

}  // namespace morvex
