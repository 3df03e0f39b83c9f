// Tool table reading: MAGAZINE lines and their continuation lines, each a run
// of keywords (shape, lengths, holder, pen, shift, limits, feed tables) that
// fill one tool, and the end-of-file rules that settle holders and shifts.
//
// Implementation notes:
// - Every shape keyword describes the whole cutter: fields it does not name
//   start from 0, so a second shape keyword (or a MAGAZINE number used twice)
//   leaves nothing of the earlier shape behind. A shape keyword without a
//   quoted name clears the name.
// - The keyword loop moves from letter to letter, also inside words it does
//   not know, and every value list is read with the line-wide comma search of
//   the definition readers. After a keyword the loop goes on at the first
//   letter at or behind where its values ended; no keyword begins with "(",
//   so stopping there as well would change nothing.
// - A name "begins with KEGAKI" regardless of letter case, like the keywords.
// - LIMIT and LIMITS take four values when a comma follows the first value
//   (past blanks and a "%"); otherwise the one value fills all four.
// - OPT-F: a pair is kept only when both of its values are non-zero; the
//   first 0 ends the table. The slot letter may be written in either case.
// - NAME= takes the quoted text behind it, or, without a quote, the rest of
//   the line without its blanks; empty text leaves no name.
// - LENGTH, LENGTH2 and LENGTH3 each start a fresh LengthDef, so values the
//   keyword does not read are 0 even after another length keyword.
// - The ATL name is the rest of the line without blanks at either end; a name
//   holding "\" or "/" is used as written (separators turned to "/"), any
//   other is taken from the tool table's folder. A name with a NUL byte names
//   no file.
// - TOOL BASE POINT applies to defined tools only. F-CENTER computes the
//   corner-centre height exactly as selecting the tool does (CornerCentreHeight
//   below mirrors the profile preparation), except that the oval uses its f.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/paths.h"
#include "base/text.h"
#include "nc/definition_reader.h"
#include "sim/tool_table.h"

namespace morvex {
namespace {

constexpr double kDegree = 0.0174532925199433;
constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kMagazineNumberColumn = 8;    // the 9th character
constexpr std::size_t kMagazineKeywordColumn = 11;  // the 12th character

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Index of the first letter at or behind `i`, or the line's length.
std::size_t NextLetter(std::string_view line, std::size_t i) {
    while (i < line.size() && !IsLetter(line[i])) {
        ++i;
    }
    return std::min(i, line.size());
}

float First(std::string_view line, std::size_t& c) { return NumberFloatAt(line, c); }
float Next(std::string_view line, std::size_t& c) { return NextFloatAt(line, c); }

int FirstInt(std::string_view line, std::size_t& c) {
    double v = 0.0;
    ReadNumberDouble(c, line, v);
    return TruncateToInt(v);
}

// d = 2r(1/cos β − tan β), written as the classic taper-ball relation.
double TaperBallDiameter(double r, double betaDegrees) {
    const double b = betaDegrees * kDegree;
    return 2.0 * r * ((std::cos(b) + std::sin(b) * std::tan(b)) - std::tan(b));
}

int ClassifyCutter(const ToolDef& t) {
    const bool upright = t.alpha == 0.0f && t.beta == 0.0f;
    if (upright && 2.0f * t.r == t.d) return kShapeBall;
    if (upright && t.d > 0.0f && t.r == 0.0f) return kShapeFlat;
    if (upright && t.d > 0.0f && t.r > 0.0f) return kShapeBull;
    if (t.r > 0.0f && t.f == t.r && t.e == 0.0f && t.alpha == 0.0f && t.beta > 0.0f &&
        std::abs(t.d - TaperBallDiameter(t.r, t.beta)) < 1e-5) {
        return kShapeTaperBall;
    }
    return kShapeOther;
}

void ClearShape(ToolDef& t) {
    t.d = t.r = t.e = t.f = t.alpha = t.beta = t.tipWidth = t.h = 0.0f;
}

// ---- keyword readers: `c` starts behind the keyword and ends where its values
// ended; false ends the reading of the line.

using KeywordAction = bool (*)(ToolDef&, std::string_view line, std::size_t& c);

bool ReadCutter(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.r = Next(l, c);
    t.e = Next(l, c);
    t.f = Next(l, c);
    t.alpha = Next(l, c);
    t.beta = Next(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.shape = ClassifyCutter(t);
    return true;
}

bool ReadBall(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.r = t.f = t.d / 2.0f;
    t.shape = kShapeBall;
    return true;
}

bool ReadFlat(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.shape = t.name && StartsWithNoCase(*t.name, "KEGAKI") ? kShapeKegaki : kShapeFlat;
    return true;
}

bool ReadBull(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.r = Next(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.e = ClampToFloat(double(t.d) / 2.0 - t.r);
    t.f = t.r;
    t.shape = kShapeBull;
    return true;
}

bool ReadKegaki(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.shape = kShapeKegaki;
    return true;
}

bool ReadTaperBall(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.r = First(l, c);
    t.beta = Next(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.d = ClampToFloat(TaperBallDiameter(t.r, t.beta));
    t.shape = kShapeTaperBall;
    return true;
}

bool ReadVertical(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.tipWidth = Next(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.shape = kShapeVertical;
    return true;
}

// OVALR d, f, e, r, h and OVAL d, f, e, h: e and f are the semi-axes of the
// elliptic bottom.
template <bool kWithCorner>
bool ReadOval(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.f = Next(l, c);
    t.e = Next(l, c);
    if (kWithCorner) t.r = Next(l, c);
    t.h = Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.shape = kShapeOval;
    return true;
}

// T-THROW d, h, r and two values of no use here; the flute is at least r high.
bool ReadTThrow(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.h = Next(l, c);
    t.r = Next(l, c);
    Next(l, c);
    Next(l, c);
    ReadQuotedText(c, l, t.name);
    t.h = std::max(t.h, t.r);
    t.e = ClampToFloat(double(t.d) / 2.0 - t.r);
    t.f = t.r;
    t.shape = t.r == 0.0f ? kShapeFlat : 2.0f * t.r == t.d ? kShapeBall : kShapeBull;
    return true;
}

// RADIUS d, r, f: a corner arc of radius r that meets the bottom s out from
// its centre line, s = r once f reaches r, else the chord half-width at depth f.
bool ReadRadius(ToolDef& t, std::string_view l, std::size_t& c) {
    ClearShape(t);
    t.d = First(l, c);
    t.r = Next(l, c);
    t.f = Next(l, c);
    ReadQuotedText(c, l, t.name);
    const double r = t.r;
    const double s = t.f >= t.r ? r : std::sqrt(std::max(0.0, r * r - (r - t.f) * (r - t.f)));
    t.e = ClampToFloat(double(t.d) / 2.0 - r - s);
    t.h = t.r;
    t.shape = kShapeRadius;
    return true;
}

// LENGTH len1; LENGTH2 len1, len2, len3, len6; LENGTH3 len1 .. len6.
template <int kKind>
bool ReadLength(ToolDef& t, std::string_view l, std::size_t& c) {
    static constexpr std::size_t kSlots[3][6] = {{0}, {0, 1, 2, 5}, {0, 1, 2, 3, 4, 5}};
    static constexpr std::size_t kCounts[3] = {1, 4, 6};
    LengthDef def;
    def.kind = t.shape == kShapeKegaki ? t.length.kind : kKind;
    for (std::size_t i = 0; i < kCounts[kKind - 1]; ++i) {
        def.len[kSlots[kKind - 1][i]] = i == 0 ? First(l, c) : Next(l, c);
    }
    t.length = def;
    return true;
}

template <int kKind>
bool ReadHolder(ToolDef& t, std::string_view l, std::size_t& c) {
    ReadHolderValues(l, c, kKind, true, t.holder);
    return true;
}

bool ReadShift(ToolDef& t, std::string_view l, std::size_t& c) {
    t.shift = First(l, c);
    return true;
}

bool ReadPen(ToolDef& t, std::string_view l, std::size_t& c) {
    t.pen = std::clamp(FirstInt(l, c), 0, 7);  // values above 6 become 7
    return true;
}

// One limit value; "%" before the next comma makes it a percentage of the
// tool's cross-section d²·π/4 (value · d² · 0.0025 · π).
float LimitValue(const ToolDef& t, std::string_view l, std::size_t& c, bool first) {
    const float v = first ? First(l, c) : Next(l, c);
    const std::size_t from = std::min(c, l.size());
    const std::size_t comma = std::min(l.find(',', from), l.size());
    if (l.substr(from, comma - from).find('%') == std::string_view::npos) return v;
    return ClampToFloat(double(v) * double(t.d) * double(t.d) * 0.0025 * kPi);
}

template <int kKind>
bool ReadLimit(ToolDef& t, std::string_view l, std::size_t& c) {
    LimitDef def;
    def.kind = kKind;
    if (c < l.size() && (l[c] == 'P' || l[c] == 'p')) {
        def.kind += 10;
        ++c;
    }
    const float v = LimitValue(t, l, c, true);
    std::size_t j = EndOfNumber(l, c);
    while (j < l.size() && (l[j] == ' ' || l[j] == '\t' || l[j] == '%')) {
        ++j;
    }
    if (j < l.size() && l[j] == ',') {
        def.value[0] = v;
        for (std::size_t i = 1; i < def.value.size(); ++i) {
            def.value[i] = LimitValue(t, l, c, false);
        }
    } else {
        def.value.fill(v);
    }
    t.limit = def;
    return true;
}

// OPT-F, OPT-F(V), OPT-F(U), OPT-F(D): the letter is the second character
// behind the keyword.
bool ReadOptFeed(ToolDef& t, std::string_view l, std::size_t& c) {
    constexpr std::string_view kSlotLetters = "VUD";  // slots 1, 2, 3
    const std::size_t letter =
        c + 1 < l.size() ? kSlotLetters.find(ToUpperAscii(l[c + 1])) : std::string_view::npos;
    const std::size_t slot = letter == std::string_view::npos ? 0 : letter + 1;
    OptFeedSlot s;
    s.set = true;
    s.first = First(l, c);
    for (std::size_t i = 0; s.first != 0.0f && i < s.a.size(); ++i) {
        const float a = Next(l, c);
        if (a == 0.0f) break;
        const float b = Next(l, c);
        if (b == 0.0f) break;
        s.a[i] = a;
        s.b[i] = b;
        s.pairCount = static_cast<int>(i + 1);
    }
    t.optF[slot] = s;
    return true;
}

bool ReadNameKeyword(ToolDef& t, std::string_view l, std::size_t& c) {
    if (l.find('"', std::min(c, l.size())) != std::string_view::npos) {
        ReadQuotedText(c, l, t.name);
    } else {
        const std::string_view rest = TrimBlanks(l.substr(std::min(c, l.size())));
        t.name.reset();
        if (!rest.empty()) t.name = std::string(rest);
    }
    return false;
}

struct KeywordRule {
    std::string_view key;
    KeywordAction read;
};

// Fixed order: a keyword that begins another stands after it.
constexpr KeywordRule kKeywords[] = {
    {"CUTTER", ReadCutter},
    {"BALL", ReadBall},
    {"FLAT", ReadFlat},
    {"BULL", ReadBull},
    {"KEGAKI", ReadKegaki},
    {"TAPERBALL", ReadTaperBall},
    {"VERTICAL", ReadVertical},
    {"OVALR", ReadOval<true>},
    {"OVAL", ReadOval<false>},
    {"T-THROW", ReadTThrow},
    {"RADIUS", ReadRadius},
    {"LENGTH2", ReadLength<2>},
    {"LENGTH3", ReadLength<3>},
    {"LENGTH", ReadLength<1>},
    {"ARBOR3", ReadHolder<kArborMixed>},
    {"ARBOR2", ReadHolder<kArborCones>},
    {"ARBOR", ReadHolder<kArborSteps>},
    {"SHIFT", ReadShift},
    {"PEN", ReadPen},
    {"LIMITS", ReadLimit<2>},
    {"LIMIT", ReadLimit<1>},
    {"OPT-F", ReadOptFeed},
    {"NAME=", ReadNameKeyword},
};

void ReadKeywords(std::string_view line, std::size_t pos, ToolDef& tool) {
    pos = NextLetter(line, pos);
    while (pos < line.size()) {
        const KeywordRule* rule = nullptr;
        const char first = ToUpperAscii(line[pos]);
        for (const KeywordRule& k : kKeywords) {
            if (k.key[0] == first && MatchWord(pos, line, k.key)) {
                rule = &k;
                break;
            }
        }
        if (!rule) {
            pos = NextLetter(line, pos + 1);
            continue;
        }
        std::size_t c = pos + rule->key.size();
        if (!rule->read(tool, line, c)) return;
        pos = NextLetter(line, std::max(c, pos + rule->key.size()));
    }
}

// Height of the corner-radius centre above the tip, as the tool's profile
// places it: the corner circle touches the bottom line (rising at alpha) at
// rho1 = R − r·cos(alpha)/tan(gamma), gamma = (alpha + beta)/2 + 45° being the
// angle of the bisector between bottom and flank; balls have no bottom.
double CornerCentreHeight(const ToolDef& t) {
    if (t.shape == kShapeOval || t.r < 0.0f) return t.f;  // oval cap; concave RADIUS form
    const double R = t.d / 2.0;
    const double r = t.r;
    const double a = t.alpha * kDegree;
    const double g = (t.alpha + t.beta) * kDegree / 2.0 + kPi / 4.0;
    const bool ballLike = t.alpha == 0.0f && t.beta == 0.0f && std::abs(R - r) < 0.001;
    const bool noBottom = t.shape == kShapeBall || t.shape == kShapeTaperBall || ballLike;
    const double rho1 = noBottom ? 0.0 : R - r * std::cos(a) / std::tan(g);
    return rho1 * std::tan(a) + r * std::cos(a);
}

double BasePointAmount(const ToolDef& t, int basePoint) {
    const double len1 = t.length.len[0];
    switch (basePoint) {
        case kBasePointBallCenter:
            return t.shape == kShapeBall || t.shape == kShapeTaperBall ? t.r : 0.0;
        case kBasePointFCenter:
            return CornerCentreHeight(t);
        case kBasePointLengthTop:
            return len1;
        case kBasePointArborTop: {
            double top = len1;
            const int count = std::clamp(t.holder.count, 0, kMaxArborSegments);
            if (t.holder.defined) {
                for (int i = 0; i < count; ++i) {
                    top += t.holder.hgt[static_cast<std::size_t>(i)];
                }
            }
            return top;
        }
        default:
            return 0.0;
    }
}

void FinishTools(ToolTable& table, int basePoint) {
    for (ToolDef& t : table.tools) {
        if (t.shape == kShapeKegaki) t.length = LengthDef{};
        if (t.length.kind == 0) t.holder = ArborDef{};
        if (t.defined) t.shift = ClampToFloat(t.shift + BasePointAmount(t, basePoint));
    }
}

std::string ResolveArborPath(const std::string& tablePath, std::string_view name) {
    if (HasDirSeparator(name)) return NormaliseSeparators(name);
    return JoinPath(DirectoryPart(tablePath), name);
}

void ReadAtlLine(const std::string& tablePath, std::string_view line, ToolTable& table) {
    std::size_t c = 3;
    SkipSeparators(c, line);
    const std::string_view name = TrimBlanks(line.substr(std::min(c, line.size())));
    table.arborFile = ResolveArborPath(tablePath, name);
    const bool usable = !name.empty() && name.find('\0') == std::string_view::npos;
    table.arborFileTime = usable ? ReadFileTime(table.arborFile) : FileTime{};
    table.arborStatus = usable ? ReadArborFile(table.arborFile, table.defaultHolder) : -1;
    if (!usable) table.defaultHolder = ArborDef{};
}

}  // namespace

int ReadToolTable(const std::string& path, const ToolTableOptions& options, ToolTable& table) {
    const int maxMagazine = std::clamp(options.maxMagazine, 1, kMaxMagazineLimit);
    table = ToolTable{};
    table.tools.assign(static_cast<std::size_t>(maxMagazine) + 1, ToolDef{});
    const bool usable = path.find('\0') == std::string::npos;
    if (usable) table.fileTime = ReadFileTime(path);
    DefinitionLineReader reader;
    if (!usable || !OpenDefinitionFile(path, reader)) {
        table.status = -1;
        return table.status;
    }
    table.status = 1;

    std::size_t current = 0;  // the tool that continuation lines extend
    bool magazineSeen = false;
    std::string text;
    while (ReadDefinitionLine(reader, text)) {
        const std::string_view line = text;
        if (MatchKey(line, "#")) continue;
        if (MatchKey(line, "I")) {
            std::size_t c = 1;
            table.initialTool = FirstInt(line, c);
            continue;
        }
        if (MatchKey(line, "MAGAZINE")) {
            std::size_t c = kMagazineNumberColumn;
            const int n = FirstInt(line, c);
            if (n < 1 || n > maxMagazine) break;
            current = static_cast<std::size_t>(n);
            magazineSeen = true;
            ToolDef& t = table.tools[current];
            t.defined = true;
            t.length = LengthDef{};
            t.limit = LimitDef{};
            t.optF = {};
            t.shift = 0.0f;
            t.pen = 0;
            t.holder = table.defaultHolder;
            ReadKeywords(line, kMagazineKeywordColumn, t);
            continue;
        }
        if (!magazineSeen) {
            if (MatchKey(line, "ATL")) {
                ReadAtlLine(path, line, table);
                continue;
            }
            if (ParseHolderLine(line, true, table.defaultHolder)) continue;
        }
        ReadKeywords(line, 0, table.tools[current]);
    }
    FinishTools(table, options.toolBasePoint);
    return table.status;
}

}  // namespace morvex
