// Controller definition reading: one pass over the lines, each tested against
// the keys in their fixed order; the first key that begins the line decides.
//
// Implementation notes:
// - Keys that are prefixes of others stand after them in the table
//   ("UNIT(SCALE)" before "UNIT"), and a key's value words are tried in a
//   fixed order with the longer word first where one is a prefix of another
//   ("NORMAL" before "NO", "ASYNC1" before "ASYNC").
// - The record is filled in a fresh copy that takes over the held values; it
//   replaces the caller's record only at the end, so that a read error part
//   way through leaves defaults rather than half a file.
// - Every count read from the file is bounded (30 replacements, 22 stop
//   strings, 10 wait codes) and every table index is checked before use.
#include "nc/controller_reader.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "base/text.h"
#include "nc/definition_reader.h"

namespace morvex {
namespace {

constexpr int kMaxOffsetNumber = kOffsetNumbers - 1;  // 999
constexpr int kMaxWorkEntry = kWorkEntries - 1;       // 200
constexpr double kFineTolerance = 0.00005;            // mm, with UNIT 1/10000
constexpr double kNormalTolerance = 0.0005;           // mm, with UNIT 1/1000 and 1/100

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

std::string_view TrimBlanksAndTabs(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads the digits at `i` (moving behind them); values beyond `cap` read as `cap`.
int ReadDigits(std::string_view text, std::size_t& i, int cap) {
    long long value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), cap);
        ++i;
    }
    return static_cast<int>(value);
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (StartsWithNoCase(text.substr(i), word)) return true;
    }
    return false;
}

// Cursor on a word value: behind the key and its blanks and "=" signs.
std::size_t ValueAt(std::string_view line, std::size_t at) {
    SkipSeparators(at, line);
    return at;
}

bool Says(std::string_view line, std::size_t at, std::string_view word) {
    return MatchWord(ValueAt(line, at), line, word);
}

double Number(std::string_view line, std::size_t at) {
    double value = 0.0;
    ReadNumberDouble(at, line, value);
    return value;
}

float NumberFloat(std::string_view line, std::size_t at) {
    float value = 0.0f;
    ReadNumberFloat(at, line, value);
    return value;
}

struct WordValue {
    std::string_view word;
    int value;
};

// Sets `field` from the first word that matches the value; none leaves it.
template <std::size_t N>
bool PickWord(std::string_view line, std::size_t at, const WordValue (&words)[N], int& field) {
    const std::size_t c = ValueAt(line, at);
    for (const WordValue& w : words) {
        if (MatchWord(c, line, w.word)) {
            field = w.value;
            return true;
        }
    }
    return false;
}

// ---- values of single keys -------------------------------------------------

void ReadReplacement(ControllerDef& d, std::string_view line, std::size_t at) {
    std::optional<std::string> from;
    std::optional<std::string> to;
    std::size_t c = at;
    ReadQuotedText(c, line, from);
    // The cursor stays on the closing quote; the second text starts behind it.
    if (from && c < line.size() && line[c] == '"') ++c;
    if (from) ReadQuotedText(c, line, to);
    if (d.replacements.size() < static_cast<std::size_t>(kMaxReplacements)) {
        d.replacements.push_back({from.value_or(std::string()), to.value_or(std::string())});
    }
}

void ReadNameColors(ControllerDef& d, std::string_view line, std::size_t at) {
    std::array<double, 6> v{};
    std::size_t c = at;
    ReadNumberDouble(c, line, v[0]);
    for (std::size_t i = 1; i < v.size(); ++i) ReadNextDouble(c, line, v[i]);
    // Colour parts outside 0..255 are held at the nearest end.
    for (std::size_t i = 0; i < 3; ++i) {
        d.nameColor[i] = std::clamp(TruncateToInt(v[i]), 0, 255);
        d.nameBackground[i] = std::clamp(TruncateToInt(v[i + 3]), 0, 255);
    }
}

constexpr WordValue kFineIncrementWords[] = {
    {"1/100000", 100000}, {"0.00001", 100000}, {".00001", 100000},
    {"1/1000", 1000},     {"0.001", 1000},     {".001", 1000},
};

void ReadLengthUnit(ControllerDef& d, std::string_view line, std::size_t at) {
    // "UNIT (DEG)" and the like, with a blank before the parenthesis, are not UNIT.
    if (line.size() > 5 && line[5] == '(') return;
    static constexpr WordValue kWords[] = {
        {"1/10000", 10000}, {"0.0001", 10000}, {".0001", 10000}, {"1/1000", 1000}, {"0.001", 1000},
        {".001", 1000},     {"1/100", 100},    {"0.01", 100},    {".01", 100},
    };
    if (PickWord(line, at, kWords, d.lengthIncrement)) {
        d.positionTolerance = d.lengthIncrement == 10000 ? kFineTolerance : kNormalTolerance;
    }
}

void ReadDecimalPoint(ControllerDef& d, std::string_view line, std::size_t at) {
    static constexpr WordValue kWords[] = {{"NORMAL", 3}, {"NO", 0}, {"YES", 1}};
    if (!PickWord(line, at, kWords, d.decimalPoint)) d.decimalPoint = 2;
}

void ReadProduct(ControllerDef& d, std::string_view line, std::size_t at) {
    if (Says(line, at, "OSP")) d.product = ProductFamily::Osp;
    else if (Says(line, at, "HEIDENHAIN")) d.product = ProductFamily::Heidenhain;
}

void ReadPreRead(ControllerDef& d, std::string_view line, std::size_t at) {
    // A negative count means no look-ahead.
    d.preRead = Says(line, at, "NEW") ? 10 : std::max(0, TruncateToInt(Number(line, at)));
}

void ReadCheckChars(ControllerDef& d, std::string_view line, std::size_t at) {
    std::optional<std::string> text;
    ReadQuotedText(at, line, text);
    d.hasCheckChars = text.has_value();
    d.checkChars = text.value_or(std::string());
}

void ReadRadiusCheck(ControllerDef& d, std::string_view line, std::size_t at) {
    const std::string_view rest = line.substr(std::min(at, line.size()));
    if (ContainsNoCase(rest, "STOP")) d.radiusCheckStop = true;
    if (ContainsNoCase(rest, "LIST")) d.radiusCheckList = 1;
    if (ContainsNoCase(rest, "OPEN")) d.radiusCheckList = 2;  // opening implies listing
    if (ContainsNoCase(rest, "PENKI")) d.radiusCheckPaint = true;
    d.radiusCheck = d.radiusCheckStop || d.radiusCheckList != 0 || d.radiusCheckPaint;
}

// Levels are the numbers of the comma-separated elements; an element without
// a number (an empty value) sets no level.
void ReadSkipLevels(ControllerDef& d, std::string_view line, std::size_t at) {
    std::string_view rest = WithoutLineEnd(line.substr(ValueAt(line, at)));
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view element = rest.substr(0, comma);
        if (element.find_first_of("1234567890-.") != std::string_view::npos) {
            const int level = TruncateToInt(Number(element, 0));
            if (level >= 0 && level <= 9) d.skipLevels[static_cast<std::size_t>(level)] = true;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    d.skipActive = std::any_of(d.skipLevels.begin(), d.skipLevels.end(), [](bool b) { return b; });
}

void ReadStopStrings(ControllerDef& d, std::string_view line, std::size_t at) {
    const std::size_t eq = line.find('=', at);
    if (eq == std::string_view::npos) return;  // the strings stand behind the "="
    constexpr std::string_view kSeparators = " \t,\r\n";
    std::size_t i = eq + 1;
    while (i < line.size()) {
        const std::size_t start = line.find_first_not_of(kSeparators, i);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(kSeparators, start), line.size());
        if (d.stopStrings.size() < static_cast<std::size_t>(kMaxStopStrings)) {
            d.stopStrings.emplace_back(line.substr(start, std::min<std::size_t>(end - start, kStopStringChars)));
        }
        i = end;
    }
}

// Elements separated by commas: "150", "150 name", "M150 name", or a name
// alone, which names the pair of the number before it.
void ReadWaitCodes(ControllerDef& d, std::string_view line, std::size_t at) {
    std::string_view rest = WithoutLineEnd(line.substr(ValueAt(line, at)));
    bool lastAppended = false;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view element = TrimBlanksAndTabs(rest.substr(0, comma));
        std::size_t i = 0;
        if (element.size() > 1 && (element[0] == 'M' || element[0] == 'm') && IsDigit(element[1])) i = 1;
        std::string_view name = element;
        if (i < element.size() && IsDigit(element[i])) {
            const int code = ReadDigits(element, i, INT_MAX);
            lastAppended = d.waitCodes.size() < static_cast<std::size_t>(kMaxWaitCodes);
            if (lastAppended) d.waitCodes.push_back({code, "waitfile", ""});
            name = TrimBlanksAndTabs(element.substr(i));
        }
        if (!name.empty() && lastAppended) {
            d.waitCodes.back().file = std::string(name.substr(0, kWaitFileChars));
            // A name cut to its length may end in a blank now.
            while (!d.waitCodes.back().file.empty() && IsBlank(d.waitCodes.back().file.back())) {
                d.waitCodes.back().file.pop_back();
            }
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
}

// "G81 CLEARANCE = 2.0": the cycle code's two digits, then " CLEARANCE".
void ReadCycleClearance(ControllerDef& d, std::string_view line, std::size_t) {
    if (line.size() < 3 || !IsDigit(line[2])) return;
    const int code = (line[1] - '0') * 10 + (line[2] - '0');  // 70..89: the key gave "G7" or "G8"
    constexpr std::string_view kWord = " CLEARANCE";
    if (!MatchWord(3, line, kWord)) return;
    d.cycleClearance[static_cast<std::size_t>(code - 70)] = Number(line, 3 + kWord.size());
}

void ReadScaleEffect(ControllerDef& d, std::string_view line, std::size_t at) {
    if (at >= line.size()) return;
    const char axis = ToUpperAscii(line[at]);
    if (axis < 'X' || axis > 'Z') return;
    std::size_t c = at + 1;
    if (c < line.size() && line[c] == ')') ++c;
    if (Says(line, c, "OFF")) d.scaleEffect[static_cast<std::size_t>(axis - 'X')] = false;
}

template <std::size_t Axis>
void ReadScale(ControllerDef& d, std::string_view line, std::size_t at) {
    d.scale[Axis] = Number(line, at);
}

template <std::size_t Axis>
void ReadAxisLetter(ControllerDef& d, std::string_view line, std::size_t at) {
    const std::size_t c = ValueAt(line, at);
    if (c >= line.size()) return;
    const char letter = ToUpperAscii(line[c]);
    if (letter >= 'A' && letter <= 'Z') d.axisLetters[Axis] = letter;
}

// "X-CODE = -Y": the NC letter X (arc centre I) drives the machine Y axis, reversed.
template <std::size_t NcAxis>
void ReadAxisCode(ControllerDef& d, std::string_view line, std::size_t at) {
    d.axisReversed[NcAxis] = false;
    std::size_t c = ValueAt(line, at);
    const bool minus = c < line.size() && line[c] == '-';
    if (minus) ++c;
    if (c >= line.size()) return;
    const char target = ToUpperAscii(line[c]);
    if (target < 'X' || target > 'Z') return;
    const auto machine = static_cast<std::size_t>(target - 'X');
    d.axisLetters[machine] = static_cast<char>('X' + NcAxis);
    d.centreLetters[machine] = static_cast<char>('I' + NcAxis);
    d.axisReversed[NcAxis] = minus;
}

void ReadMemory(ControllerDef& d, std::string_view line, std::size_t) {
    const MemoryLine m = ParseMemoryLine(line);
    const auto n = static_cast<std::size_t>(m.number);
    std::size_t c = m.valuesAt;
    switch (m.table) {
    case MemoryTable::D:
    case MemoryTable::H: {
        OffsetValue& o = m.table == MemoryTable::D ? d.dOffsets[n] : d.hOffsets[n];
        ReadNumberFloat(c, line, o.value);
        // The second column follows the first behind blanks, tabs or a comma.
        std::size_t e = EndOfNumber(line, c);
        while (e < line.size() && (IsBlank(line[e]) || line[e] == ',')) ++e;
        o.second = 0.0f;
        if (e < line.size() && (IsDigit(line[e]) || line[e] == '-' || line[e] == '.' || line[e] == '+')) {
            ReadNumberFloat(e, line, o.second);
        }
        break;
    }
    case MemoryTable::F:
        ReadNumberFloat(c, line, d.fTable[n]);
        break;
    case MemoryTable::Work: {
        WorkCoordinate& w = d.work[n];
        ReadNumberFloat(c, line, w.x);
        ReadNextFloat(c, line, w.y);
        ReadNextFloat(c, line, w.z);
        break;
    }
    case MemoryTable::None:
        break;
    }
}

void ReadEndOfRecord(ControllerDef& d, std::string_view line, std::size_t at) {
    const std::size_t eq = line.find('=', at);
    std::size_t c = eq == std::string_view::npos ? at : eq + 1;
    while (c < line.size() && IsBlank(line[c])) ++c;
    if (c < line.size() && !IsLineEnd(line[c])) d.endOfRecord = line[c];
}

// ---- the key table ---------------------------------------------------------

using KeyAction = void (*)(ControllerDef&, std::string_view line, std::size_t at);

struct KeyRule {
    std::string_view key;
    KeyAction apply;  // `at` stands behind the key
};

constexpr KeyRule kKeys[] = {
    {"NAME(MAX20)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.name = std::string(WithoutLineEnd(l.substr(ValueAt(l, at))));
     }},
    {"REPLACE", ReadReplacement},
    {"NAME COLOR", ReadNameColors},
    {"UNIT(SCALE)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         PickWord(l, at, kFineIncrementWords, d.scaleIncrement);
     }},
    {"UNIT(DEG)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         PickWord(l, at, kFineIncrementWords, d.angleIncrement);
     }},
    {"UNIT", ReadLengthUnit},
    {"DECIMAL POINT", ReadDecimalPoint},
    {"PRODUCT", ReadProduct},
    {"PRE READ", ReadPreRead},
    {"ONLY G40", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"OFFSET", 1}, {"RESET", 2}};
         PickWord(l, at, kWords, d.g40Mode);
     }},
    {"INITIAL PLANE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"XY", 17}, {"G17", 17}, {"ZX", 18},
                                                {"G18", 18}, {"YZ", 19}, {"G19", 19}};
         PickWord(l, at, kWords, d.initialPlane);
     }},
    {"RETURN LEVEL", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"R", 0}, {"G99", 0}, {"INITIAL", 1}, {"G98", 1}};
         PickWord(l, at, kWords, d.returnLevel);
     }},
    {"CHECK F0", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "YES")) d.checkF0 = true;
     }},
    {"R-TOLERANCE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.rTolerance = NumberFloat(l, at);
     }},
    {"CODE CHECK", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "YES")) d.codeCheck = true;
     }},
    {"CHECK CHAR", ReadCheckChars},
    {"CHECK RADIUS OFFSET", ReadRadiusCheck},
    {"CHECK REVERSE ARC", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "YES")) d.checkReverseArc = true;
     }},
    {"CHECK OVER OFFSET", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "YES")) d.checkOverOffset = true;
     }},
    {"SMOOTH ANGLE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.smoothAngle = NumberFloat(l, at);
     }},
    {"FEEDRATE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {
             {"DIRECT", 0}, {"INDIRECT", 1}, {"AUTO1", 2}, {"AUTO2", 3}};
         PickWord(l, at, kWords, d.feedMode);
     }},
    {"G10MODE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"FANUC-A", 1}, {"FANUC-B", 2}, {"FANUC-C", 3}};
         PickWord(l, at, kWords, d.g10Mode);
     }},
    {"G92MODE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"NORMAL", 0}, {"MOVE", 1}};
         PickWord(l, at, kWords, d.g92Mode);
     }},
    {"G49MODE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {{"NORMAL", 0}, {"KEEP", 1}};
         PickWord(l, at, kWords, d.g49Mode);
     }},
    {"G00MODE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {
             {"LINE", 0}, {"ASYNC1", 1}, {"ASYNC2", 2}, {"ASYNC", 1}, {"UNKNOWN", 9}};
         PickWord(l, at, kWords, d.g00Mode);
     }},
    {"G00PATH", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "LINE")) d.g00PathLine = true;
     }},
    {"OPTIONAL BLOCK SKIP", ReadSkipLevels},
    {"STOP CHARACTER", ReadStopStrings},
    {"CONCAVE-ARC FEED", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "KEEP")) d.concaveArcFeed = false;
     }},
    {"STOP OPTION", [](ControllerDef& d, std::string_view l, std::size_t at) {
         static constexpr WordValue kWords[] = {
             {"NONE", 0}, {"NORMAL", 1}, {"M01", 2}, {"SINGLE", 3}, {"DEFINE", 4}};
         PickWord(l, at, kWords, d.stopOption);
     }},
    {"WAIT M-CODE", ReadWaitCodes},
    {"CYCLE(D)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.g73Return = d.g83Clearance = NumberFloat(l, at);
     }},
    {"G73_D", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.g73Return = NumberFloat(l, at);
     }},
    {"G83_D", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.g83Clearance = NumberFloat(l, at);
     }},
    {"G7", ReadCycleClearance},
    {"G8", ReadCycleClearance},
    {"CYCLE(L0)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "IGNORE")) d.ignoreL0 = true;
     }},
    {"CYCLE(K0)", [](ControllerDef& d, std::string_view l, std::size_t at) {
         if (Says(l, at, "IGNORE")) d.ignoreK0 = true;
     }},
    {"SCALE EFFECT(", ReadScaleEffect},
    {"SCALE(X)", ReadScale<0>},
    {"SCALE(Y)", ReadScale<1>},
    {"SCALE(Z)", ReadScale<2>},
    {"ROTATION ANGLE", [](ControllerDef& d, std::string_view l, std::size_t at) {
         d.rotationAngle = Number(l, at);
     }},
    {"CHAR(X)", ReadAxisLetter<0>},
    {"CHAR(Y)", ReadAxisLetter<1>},
    {"CHAR(Z)", ReadAxisLetter<2>},
    {"X-CODE", ReadAxisCode<0>},
    {"Y-CODE", ReadAxisCode<1>},
    {"Z-CODE", ReadAxisCode<2>},
    {"MEMORY", ReadMemory},
    {"EOR", ReadEndOfRecord},
    // Bare "D12 = ...", "H3 = ...", "F1 = ...": ReadMemory passes over the
    // lines whose letter is not directly followed by digits.
    {"D", ReadMemory},
    {"H", ReadMemory},
    {"F", ReadMemory},
};

void ApplyLine(ControllerDef& d, std::string_view line) {
    for (const KeyRule& rule : kKeys) {
        if (MatchKey(line, rule.key)) {
            rule.apply(d, line, rule.key.size());
            return;
        }
    }
}

// A fresh record with the held values of `previous`.
ControllerDef FreshKeepingHeld(const ControllerDef& previous) {
    ControllerDef d;
    d.rTolerance = previous.rTolerance;
    d.smoothAngle = previous.smoothAngle;
    d.g73Return = previous.g73Return;
    d.g83Clearance = previous.g83Clearance;
    d.fTable = previous.fTable;
    return d;
}

// NC code (0 X, 1 Y, 2 Z) whose letter drives machine axis m; a letter other
// than X, Y, Z (set by CHAR) renames machine axis m without moving it.
int NcAxisOf(const ControllerDef& d, int m) {
    const char c = d.axisLetters[static_cast<std::size_t>(m)];
    return (c >= 'X' && c <= 'Z') ? c - 'X' : m;
}

int SignOf(const ControllerDef& d, int m) {
    const char c = d.axisLetters[static_cast<std::size_t>(m)];
    if (c < 'X' || c > 'Z') return 1;
    return d.axisReversed[static_cast<std::size_t>(c - 'X')] ? -1 : 1;
}

}  // namespace

MemoryLine ParseMemoryLine(std::string_view line) {
    MemoryLine m;
    std::size_t c = 0;
    if (MatchKey(line, "MEMORY")) {
        m.memoryForm = true;
        c = 6;
        SkipSeparators(c, line);
    }
    if (c >= line.size()) return {};
    MemoryTable table = MemoryTable::None;
    if (m.memoryForm && MatchWord(c, line, "WK")) {
        table = MemoryTable::Work;
        c += 2;
    } else if (m.memoryForm && MatchWord(c, line, "G5")) {
        table = MemoryTable::Work;
        m.g5Form = true;
        c += 2;
    } else {
        switch (ToUpperAscii(line[c])) {
        case 'D': table = MemoryTable::D; break;
        case 'H': table = MemoryTable::H; break;
        case 'F': table = MemoryTable::F; break;
        default: return {};
        }
        ++c;
    }
    if (c >= line.size() || !IsDigit(line[c])) return {};
    if (m.g5Form) {
        // One digit, 4..9 for G54..G59; "G54.1" and "G540" are other codes.
        const int digit = line[c] - '0';
        ++c;
        if (c < line.size() && (IsDigit(line[c]) || line[c] == '.')) return {};
        if (digit < 4 || digit > 9) return {};
        m.number = digit - 3;
    } else {
        m.number = ReadDigits(line, c, INT_MAX);
        const int low = table == MemoryTable::Work ? 1 : 0;
        const int high = table == MemoryTable::Work ? kMaxWorkEntry : kMaxOffsetNumber;
        if (m.number < low || m.number > high) return {};
    }
    m.table = table;
    const std::size_t eq = line.find('=', c);
    m.valuesAt = eq == std::string_view::npos ? c : eq + 1;
    return m;
}

int ReadControllerDef(const std::string& path, ControllerDef& def, const WaitFilePlaces& places,
                      std::vector<WaitFileNote>* notes) {
    if (notes != nullptr) notes->clear();
    ControllerDef next = FreshKeepingHeld(def);
    next.fileTime = ReadFileTime(path);
    DefinitionLineReader reader;
    bool ok = OpenDefinitionFile(path, reader);
    if (ok) {
        std::string line;
        while (ReadDefinitionLine(reader, line)) ApplyLine(next, line);
        // A read error part way through counts as a file that cannot be read.
        ok = !std::ferror(reader.file.get());
    }
    if (!ok) {
        FileTime time = next.fileTime;
        next = FreshKeepingHeld(def);
        next.fileTime = time;
        next.readStatus = -1;
        def = std::move(next);
        return def.readStatus;
    }
    // Stale wait files from an earlier run would end the next wait at once.
    for (WaitCode& w : next.waitCodes) w.path = ResolveWaitFile(path, w.file);
    std::vector<WaitFileNote> stale = DeleteStaleWaitFiles(path, next.waitCodes, places);
    if (notes != nullptr) *notes = std::move(stale);
    DerivePlaneCodes(next);
    next.readStatus = 1;
    def = std::move(next);
    return def.readStatus;
}

// Plane codes. Machine plane P spans the machine axes (a, b) in cyclic order:
// XY (0, 1), ZX (2, 0), YZ (1, 2). The NC codes driving them are nA, nB
// (X 0, Y 1, Z 2) with signs sA, sB (-1 when the code's sign flag is set):
//     code(P) = sA * sB * e(nA, nB) * G(nA, nB)
// G is the NC plane the two codes span, 19 - k with k = 3 - nA - nB the code
// not involved (17 for X,Y; 18 for Z,X; 19 for Y,Z); e is +1 when (nA, nB)
// follows the cyclic order X->Y->Z->X and -1 when the pair is swapped. Each
// reversed axis and a swapped pair turn the plane over. When both machine
// axes are driven by the same code there is no NC plane: P keeps its own number.
void DerivePlaneCodes(ControllerDef& def) {
    static constexpr int kPlaneAxes[3][2] = {{0, 1}, {2, 0}, {1, 2}};
    static constexpr int kOwnCode[3] = {17, 18, 19};
    for (std::size_t p = 0; p < 3; ++p) {
        const int a = kPlaneAxes[p][0];
        const int b = kPlaneAxes[p][1];
        const int na = NcAxisOf(def, a);
        const int nb = NcAxisOf(def, b);
        if (na == nb) {
            def.planeCodes[p] = kOwnCode[p];
            continue;
        }
        const int g = 19 - (3 - na - nb);
        const int e = (nb - na + 3) % 3 == 1 ? 1 : -1;
        def.planeCodes[p] = SignOf(def, a) * SignOf(def, b) * e * g;
    }
}

}  // namespace morvex
