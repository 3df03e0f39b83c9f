// Reading the tool table (TTL file) and its arbor file (ATL) into the ToolTable
// record, and the tool names shown to the user.
#pragma once

#include <string>
#include <string_view>

#include "sim/tool_def.h"

namespace morvex {

// TOOL BASE POINT: the point of the tool that the NC program drives.
inline constexpr int kBasePointBottom = 0;
inline constexpr int kBasePointBallCenter = 1;
inline constexpr int kBasePointFCenter = 2;
inline constexpr int kBasePointLengthTop = 3;
inline constexpr int kBasePointArborTop = 4;

// The table never holds more tool numbers than this, whatever MAX MAGAZINE says.
inline constexpr int kMaxMagazineLimit = 100000;

struct ToolTableOptions {
    int maxMagazine = 200;  // MAX MAGAZINE, held inside 1 .. kMaxMagazineLimit
    int toolBasePoint = kBasePointBottom;
};

// Reads the TTL file into `table`, replacing what it held: tools 0 ..
// maxMagazine, the initial tool, the default holder and the arbor file named
// by an ATL line (read at once). Returns table.status: 1 read, -1 the file
// cannot be opened (then no tool is defined).
[[nodiscard]] int ReadToolTable(const std::string& path, const ToolTableOptions& options,
                                ToolTable& table);

// Reads the first ARBOR3, ARBOR2 or ARBOR line of an ATL file into `holder`
// (cleared first). 1 read, -1 the file cannot be opened.
[[nodiscard]] int ReadArborFile(const std::string& path, ArborDef& holder);

// A line that begins with ARBOR3, ARBOR2 or ARBOR replaces `holder` and gives
// true; any other line gives false and leaves it. `inToolTable` selects how an
// ARBOR3 list ends (the tool table and the arbor file differ there).
bool ParseHolderLine(std::string_view line, bool inToolTable, ArborDef& holder);

// The values of a holder keyword (kind kArborSteps, kArborCones or
// kArborMixed) from `cursor`, just behind the keyword, into `holder`; the
// cursor ends where the list ended, for readers that go on along the line.
void ReadHolderValues(std::string_view line, std::size_t& cursor, int kind, bool inToolTable,
                      ArborDef& holder);

// The tool's name when it has one, else its shape name in the user's
// language; "No Tool" for a null or undefined tool.
std::string ToolShapeName(const ToolDef* tool);

}  // namespace morvex
