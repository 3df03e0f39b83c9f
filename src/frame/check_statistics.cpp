// Statistics rows of the NC check.
#include "frame/check_statistics.h"

#include <cmath>

#include "base/text.h"
#include "nc/nc_alarms.h"

namespace morvex {
namespace {

std::string Pick(bool english, const char* en, const char* ja) { return english ? en : ja; }

std::string PointText(const Point& p) { return Format("%.3f, %.3f, %.3f", p[0], p[1], p[2]); }

// Extents that saw no motion keep their start values: shown as "-".
bool Seen(const CheckExtents& e) { return e.max[0] >= e.min[0]; }

std::string Codes(char letter, const std::vector<int>& codes, const char* format) {
    if (codes.empty()) return "-";
    std::string s;
    for (const int c : codes) {
        if (!s.empty()) s += ' ';
        s += letter + Format(format, c);
    }
    return s;
}

}  // namespace

std::string CheckTitle(int mode, bool english) {
    return mode == kCheckMinMax ? Pick(english, "Check Min-Max", "最大最小チェック")
                                : Pick(english, "Check Data", "データチェック");
}

std::string ClockTime(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
    const long long s = std::llround(std::min(seconds, 3.6e12));
    return Format("%lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
}

std::vector<StatisticsRow> CheckStatistics(const CheckResult& r, int mode, bool english) {
    std::vector<StatisticsRow> rows;
    rows.push_back({Pick(english, "NC lines", "行数"), std::to_string(r.lines)});
    if (r.error != 0) {
        rows.push_back({Pick(english, "NC error", "NCエラー"),
                        Format(english ? "%d (line %d)" : "%d (%d行目)", r.error + kNcAlarmBase, r.errorLine)});
    }
    rows.push_back({Pick(english, "Max X, Y, Z", "最大 X, Y, Z"), Seen(r.all) ? PointText(r.all.max) : "-"});
    rows.push_back({Pick(english, "Min X, Y, Z", "最小 X, Y, Z"), Seen(r.all) ? PointText(r.all.min) : "-"});
    rows.push_back({Pick(english, "Cutting max X, Y, Z", "切削最大 X, Y, Z"), Seen(r.cut) ? PointText(r.cut.max) : "-"});
    rows.push_back({Pick(english, "Cutting min X, Y, Z", "切削最小 X, Y, Z"), Seen(r.cut) ? PointText(r.cut.min) : "-"});
    if (mode == kCheckMinMax) return rows;
    const MachiningTotals& t = r.totals;
    rows.push_back({Pick(english, "Rapid length", "早送り距離"), Format("%.3f mm", t.rapidLength)});
    rows.push_back({Pick(english, "Feed length", "切削送り距離"), Format("%.3f mm", t.feedLength)});
    rows.push_back({Pick(english, "Rapid time", "早送り時間"), ClockTime(t.rapidTime)});
    rows.push_back({Pick(english, "Feed time", "切削送り時間"), ClockTime(t.feedTime)});
    rows.push_back({Pick(english, "Machining time", "加工時間"), ClockTime(t.rapidTime + t.feedTime)});
    const bool fed = t.maxProgramFeed >= t.minProgramFeed;
    rows.push_back({Pick(english, "Max feed", "最大送り速度"), fed ? Format("%.1f mm/min", t.maxProgramFeed) : "-"});
    rows.push_back({Pick(english, "Min feed", "最小送り速度"), fed ? Format("%.1f mm/min", t.minProgramFeed) : "-"});
    rows.push_back({Pick(english, "Tools", "工具"), Codes('T', r.tools, "%02d")});
    rows.push_back({Pick(english, "G codes", "Gコード"), Codes('G', r.g, "%02d")});
    rows.push_back({Pick(english, "M codes", "Mコード"), Codes('M', r.m, "%02d")});
    rows.push_back({Pick(english, "D codes", "Dコード"), Codes('D', r.d, "%02d")});
    rows.push_back({Pick(english, "H codes", "Hコード"), Codes('H', r.h, "%02d")});
    return rows;
}

}  // namespace morvex
