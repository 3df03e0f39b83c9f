// Holder lines (ARBOR, ARBOR2, ARBOR3) as written in the arbor file and in the
// tool table, and the arbor file that gives the default holder.
//
// Implementation notes:
// - A holder line with no segment (a first diameter of 0 for ARBOR, an
//   immediate end of list for the others) leaves the tool without a holder,
//   so "ARBOR 0" on a MAGAZINE line takes the default holder away.
// - The tool table's ARBOR3 list may run to eleven triples; the record holds
//   ten segments, so reading ends after the tenth in either file.
// - An arbor file without a holder line leaves no default holder.
#include <string_view>
#include <utility>

#include "nc/definition_reader.h"
#include "sim/tool_table.h"

namespace morvex {
namespace {

float First(std::string_view line, std::size_t& c) { return NumberFloatAt(line, c); }
float Next(std::string_view line, std::size_t& c) { return NextFloatAt(line, c); }

}  // namespace

// ARBOR ends at a diameter of 0 (tested before its height is read), ARBOR2 at
// a pair 0, 0; ARBOR3 at a height of 0 in the arbor file and at a triple of
// height and diameter 0 in the tool table.
void ReadHolderValues(std::string_view l, std::size_t& c, int kind, bool inToolTable,
                      ArborDef& holder) {
    ArborDef a;
    a.kind = kind;
    a.dia[0] = First(l, c);
    std::size_t n = 0;
    while (n < a.hgt.size()) {
        if (kind == kArborSteps && a.dia[n] == 0.0f) break;
        const float h = Next(l, c);
        if (kind == kArborMixed && !inToolTable && h == 0.0f) break;
        const int cone = kind == kArborMixed ? TruncateToInt(Next(l, c)) : 0;
        const float d = Next(l, c);
        if (kind != kArborSteps && h == 0.0f && d == 0.0f) break;
        a.hgt[n] = h;
        a.cone[n] = cone;
        a.dia[n + 1] = d;
        ++n;
    }
    a.count = static_cast<int>(n);
    a.defined = n > 0;
    holder = a;
}

bool ParseHolderLine(std::string_view line, bool inToolTable, ArborDef& holder) {
    static constexpr std::pair<std::string_view, int> kHolderKeys[] = {
        {"ARBOR3", kArborMixed}, {"ARBOR2", kArborCones}, {"ARBOR", kArborSteps}};
    for (const auto& [key, kind] : kHolderKeys) {
        if (MatchKey(line, key)) {
            std::size_t c = key.size();
            ReadHolderValues(line, c, kind, inToolTable, holder);
            return true;
        }
    }
    return false;
}

int ReadArborFile(const std::string& path, ArborDef& holder) {
    holder = ArborDef{};
    DefinitionLineReader reader;
    if (path.find('\0') != std::string::npos || !OpenDefinitionFile(path, reader)) return -1;
    std::string line;
    while (ReadDefinitionLine(reader, line)) {
        if (MatchKey(line, "#")) continue;
        if (ParseHolderLine(line, false, holder)) break;  // the first holder line only
    }
    return 1;
}

}  // namespace morvex
