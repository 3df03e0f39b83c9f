// The report's template language.
//
// Implementation notes: at each "$" the names are tried in a fixed order,
// without regard to case, each on its own length; a name that is the start
// of another (LEN of LEN1, TIME of TIMER, MAXX of MAXX2) comes after it.
// Rounded values are the value plus 0.5 truncated toward zero, as the
// figures of the check screen are.
#include "results/report_template.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <iterator>

namespace morvex {
namespace {

enum class Var {
    DCode, HCode, TCode, GCodeW, GCode, MCode, Nc, Ttl, Ctl, Mtl,
    LenR, LenF, Len1, Len2, Len, TimeR, TimeF, Time1, Time2, Time,
    TimR, TimF, Tim1, Tim2, Tim,
    MaxX2, MaxX, MaxY2, MaxY, MaxZ2, MaxZ, MaxS,
    MinX2, MinX, MinY2, MinY, MinZ2, MinZ,
    MaxF2, MaxF, MinF, RapidFeedrate, RapidFX, RapidFY, RapidFZ,
    Size, Lines, G5, Wk,
};

struct Name {
    std::string_view text;
    Var var;
};

constexpr Name kNames[] = {
    {"DCODE", Var::DCode}, {"HCODE", Var::HCode}, {"TCODE", Var::TCode}, {"GCODEW", Var::GCodeW},
    {"GCODE", Var::GCode}, {"MCODE", Var::MCode}, {"NC", Var::Nc}, {"TTL", Var::Ttl}, {"CTL", Var::Ctl},
    {"MTL", Var::Mtl}, {"LENR", Var::LenR}, {"LENF", Var::LenF}, {"LEN1", Var::Len1}, {"LEN2", Var::Len2},
    {"LEN", Var::Len}, {"TIMER", Var::TimeR}, {"TIMEF", Var::TimeF}, {"TIME1", Var::Time1},
    {"TIME2", Var::Time2}, {"TIME", Var::Time}, {"TIMR", Var::TimR}, {"TIMF", Var::TimF}, {"TIM1", Var::Tim1},
    {"TIM2", Var::Tim2}, {"TIM", Var::Tim}, {"MAXX2", Var::MaxX2}, {"MAXX", Var::MaxX}, {"MAXY2", Var::MaxY2},
    {"MAXY", Var::MaxY}, {"MAXZ2", Var::MaxZ2}, {"MAXZ", Var::MaxZ}, {"MAXS", Var::MaxS},
    {"MINX2", Var::MinX2}, {"MINX", Var::MinX}, {"MINY2", Var::MinY2}, {"MINY", Var::MinY},
    {"MINZ2", Var::MinZ2}, {"MINZ", Var::MinZ}, {"MAXF2", Var::MaxF2}, {"MAXF", Var::MaxF},
    {"MINF", Var::MinF}, {"RAPIDFEEDRATE", Var::RapidFeedrate}, {"RAPIDFX", Var::RapidFX},
    {"RAPIDFY", Var::RapidFY}, {"RAPIDFZ", Var::RapidFZ}, {"SIZE", Var::Size}, {"LINES", Var::Lines},
    {"G5", Var::G5}, {"WK", Var::Wk},
};

constexpr double kNoRapidFeedrate = 999999999.0;

bool StartsNoCase(std::string_view text, std::string_view name) {
    if (text.size() < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != name[i]) return false;
    }
    return true;
}

// Truncated toward zero into the range of a long long (NaN gives 0).
long long Truncated(double v) {
    if (!(v == v)) return 0;
    return static_cast<long long>(std::clamp(v, -9.2e18, 9.2e18));
}
long long Rounded(double v) { return Truncated(v + 0.5); }

template <class... A>
std::string Format(const char* format, A... args) {
    char buf[160];
    const int n = std::snprintf(buf, sizeof buf, format, args...);
    return n <= 0 ? std::string() : std::string(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
}

std::string Int7(long long v) { return Format("%7lld", v); }
std::string Coord(double v) { return Format("%9.3f", v); }
std::string Triple(const Point& p) { return Format("(%9.3f,%9.3f,%9.3f)", p[0], p[1], p[2]); }

// The integer at the start of text as atoi reads it: blanks skipped, a
// sign, the digits (0 without any); beyond 1e9 it stays at least 1e9, an
// entry no table has. The work-offset variables are five characters long
// whatever follows "$G5" or "$WK": `used` gets the two characters they
// take after the name.
int LeadingInteger(std::string_view text, std::size_t& used) {
    used = std::min<std::size_t>(2, text.size());
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        v = std::min<long long>(v * 10 + (text[i] - '0'), 1000000000);
    }
    return static_cast<int>(negative ? -v : v);
}

std::string WorkOffset(const ReportValues& v, int entry) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= v.workOffsets.size()) return {};
    return Triple(v.workOffsets[static_cast<std::size_t>(entry)]);
}

// The value of `var`; `extra` gets the characters taken after the name.
std::string Value(Var var, std::string_view after, ReportValues& v, std::size_t& extra) {
    const MachiningTotals& t = v.totals;
    extra = 0;
    switch (var) {
    case Var::DCode: return CodeList(v.d);
    case Var::HCode: return CodeList(v.h);
    case Var::TCode: {
        // Tool numbers count from 1: a T0 (no tool) is not listed.
        std::vector<int> tools;
        std::copy_if(v.tools.begin(), v.tools.end(), std::back_inserter(tools), [](int n) { return n >= 1; });
        return CodeList(tools);
    }
    case Var::GCodeW: {
        std::vector<int> work;
        std::copy_if(v.g.begin(), v.g.end(), std::back_inserter(work), [](int c) { return c >= 54 && c <= 59; });
        std::erase_if(v.g, [](int c) { return c >= 54 && c <= 59; });
        return CodeList(work);
    }
    case Var::GCode: return CodeList(v.g);
    case Var::MCode: return CodeList(v.m);
    case Var::Nc: return v.nc;
    case Var::Ttl: return v.ttl;
    case Var::Ctl: return v.ctl;
    case Var::Mtl: return v.mtl;
    case Var::LenR: return Int7(Rounded(t.rapidClassLength));
    case Var::LenF: return Int7(Rounded(t.cutClassLength));
    case Var::Len1: return Int7(Rounded(t.rapidLength));
    case Var::Len2: return Int7(Rounded(t.feedLength));
    case Var::Len: return Int7(Rounded(t.rapidLength) + Rounded(t.feedLength));
    case Var::TimeR: return Int7(Rounded(t.rapidClassTime));
    case Var::TimeF: return Int7(Rounded(t.cutClassTime));
    case Var::Time1: return Int7(Rounded(t.rapidTime));
    case Var::Time2: return Int7(Rounded(t.feedTime));
    case Var::Time: return Int7(Rounded(t.rapidTime) + Rounded(t.feedTime));
    case Var::TimR: return ReportClock(Rounded(t.rapidClassTime));
    case Var::TimF: return ReportClock(Rounded(t.cutClassTime));
    case Var::Tim1: return ReportClock(Rounded(t.rapidTime));
    case Var::Tim2: return ReportClock(Rounded(t.feedTime));
    case Var::Tim: return ReportClock(Rounded(t.rapidTime) + Rounded(t.feedTime));
    case Var::MaxX2: return Coord(v.cut.max[0]);
    case Var::MaxX: return Coord(v.all.max[0]);
    case Var::MaxY2: return Coord(v.cut.max[1]);
    case Var::MaxY: return Coord(v.all.max[1]);
    case Var::MaxZ2: return Coord(v.cut.max[2]);
    case Var::MaxZ: return Coord(v.all.max[2]);
    case Var::MaxS: return Format("%8lld", Truncated(v.maxS));
    case Var::MinX2: return Coord(v.cut.min[0]);
    case Var::MinX: return Coord(v.all.min[0]);
    case Var::MinY2: return Coord(v.cut.min[1]);
    case Var::MinY: return Coord(v.all.min[1]);
    case Var::MinZ2: return Coord(v.cut.min[2]);
    case Var::MinZ: return Coord(v.all.min[2]);
    case Var::MaxF2: return Int7(Truncated(t.maxCutFeed));
    case Var::MaxF: return Int7(Truncated(t.maxProgramFeed));
    case Var::MinF: return Int7(Truncated(t.minProgramFeed));
    case Var::RapidFeedrate:
        return v.rapidFeedrate == kNoRapidFeedrate ? std::string("NO") : Int7(Truncated(v.rapidFeedrate));
    case Var::RapidFX: return Int7(Truncated(v.machineRapid[0]));
    case Var::RapidFY: return Int7(Truncated(v.machineRapid[1]));
    case Var::RapidFZ: return Int7(Truncated(v.machineRapid[2]));
    case Var::Size: return Format("%9" PRIu64, v.ncSize);
    case Var::Lines: return Format("%8d", v.lines);
    case Var::G5: {
        // "$G5" and one digit make four characters; the fifth goes too.
        const int n = LeadingInteger(after, extra);
        return n >= 4 && n <= 9 ? WorkOffset(v, n - 3) : std::string();
    }
    case Var::Wk: return WorkOffset(v, LeadingInteger(after, extra));
    }
    return {};
}

}  // namespace

std::string ReportClock(long long s) {
    if (s < 0) s = 0;
    const long long h = s / 3600, m = s / 60 % 60, sec = s % 60;
    return h <= 99 ? Format(" %02lld:%02lld:%02lld", h, m, sec) : Format(" %lld:%02lld:%02lld", h, m, sec);
}

std::string CodeList(const std::vector<int>& codes) {
    if (codes.empty()) return "None";
    std::string out;
    for (const int c : codes) {
        if (!out.empty()) out += ',';
        out += Format("%02d", c);
    }
    return out;
}

std::string ExpandReportLine(std::string_view line, ReportValues& values) {
    std::string out;
    out.reserve(line.size() + 64);
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t dollar = line.find('$', at);
        if (dollar == std::string_view::npos) {
            out.append(line.substr(at));
            break;
        }
        out.append(line.substr(at, dollar - at));
        const std::string_view rest = line.substr(dollar + 1);
        const Name* found = nullptr;
        for (const Name& n : kNames) {
            if (StartsNoCase(rest, n.text)) {
                found = &n;
                break;
            }
        }
        if (found == nullptr) {
            // The "$" and the character after it are dropped, whatever it
            // is (a line end too, all bytes of a UTF-8 character, so that
            // no broken character is left); a "$" that ends the text drops
            // alone.
            std::size_t skip = rest.empty() ? 0 : 1;
            if (skip == 1 && (static_cast<unsigned char>(rest[0]) & 0xC0) == 0xC0) {
                while (skip < rest.size() && skip < 4 && (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) ++skip;
            }
            at = dollar + 1 + skip;
            continue;
        }
        std::size_t extra = 0;
        const std::string_view after = rest.substr(found->text.size());
        out += Value(found->var, after, values, extra);
        at = dollar + 1 + found->text.size() + extra;
        // A variable that reaches the end of the line (its line end taken
        // with it, or the last line of the text, or a piece of a long line)
        // ends the output line.
        if (at >= line.size()) out += '\n';
    }
    return out;
}

std::string ExpandReport(std::string_view text, ReportValues& values) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        end = std::min(end, at + kReportLineMax);
        out += ExpandReportLine(text.substr(at, end - at), values);
        at = end;
    }
    return out;
}

std::string BuiltInReport(const ReportValues& v, bool english) {
    struct Labels {
        const char *head, *missing, *rapid, *feed, *time, *max, *min;
    };
    static constexpr Labels kEnglish{"\" Cutting Information >>>\n", "※:\"verify_form.def\" is not found.\n",
                                     "Length of Rapid Path:%7lld\n", "Length of Feed Path:%7lld\n", "Time:%7lld\n",
                                     "Maximum X:%9.3f ,Y:%9.3f ,Z:%9.3f\n", "Minimum X:%9.3f ,Y:%9.3f ,Z:%9.3f\n"};
    static constexpr Labels kJapanese{"\" の加工情報出力 >>>\n",
                                      "※:\"verify_form.def\"が見つかりません。一部適当に出力しておきます。\n",
                                      "早送り長さ:%7lld\n", "切削送り長さ:%7lld\n", "全加工時間:%7lld\n",
                                      "最大 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n", "最小 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n"};
    const Labels& l = english ? kEnglish : kJapanese;
    const MachiningTotals& t = v.totals;
    std::string out = "<<< \"" + v.nc + l.head + l.missing;
    out += Format(l.rapid, Rounded(t.rapidLength));
    out += Format(l.feed, Rounded(t.feedLength));
    out += Format(l.time, Rounded(t.rapidTime) + Rounded(t.feedTime));
    out += Format(l.max, v.all.max[0], v.all.max[1], v.all.max[2]);
    out += Format(l.min, v.all.min[0], v.all.min[1], v.all.min[2]);
    return out;
}

}  // namespace morvex
