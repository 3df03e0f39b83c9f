// The cutting-information report: a text template whose `$` variables are
// replaced by the totals, extents, codes and files of the last data check,
// or a short built-in report when there is no template.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nc/path_record.h"
#include "results/machining_time.h"
#include "results/nc_check.h"

namespace morvex {

// What a report can say, taken from the last data check and the files in force.
struct ReportValues {
    MachiningTotals totals;
    CheckExtents all;  // every motion
    CheckExtents cut;  // the cutting motions
    double maxS = 0.0;
    std::vector<int> g, m, tools, h, d;  // codes used, ascending
    int lines = 0;
    std::uint64_t ncSize = 0;  // bytes
    std::string nc, ttl, ctl, mtl;  // paths of the files in force
    double rapidFeedrate = 999999999.0;  // RAPID FEEDRATE; this value means none was set
    Point machineRapid{};  // the machine's rapid rates X, Y, Z
    std::vector<Point> workOffsets;  // work coordinate entries 0..; 1..6 are G54..G59
};

// One template line (with its newline when it has one) with its variables
// replaced. $GCODEW takes G54..G59 out of values.g, so that a later $GCODE
// leaves them out.
std::string ExpandReportLine(std::string_view line, ReportValues& values);

// A whole template, line by line (lines longer than kReportLineMax bytes
// are taken in pieces of that length).
inline constexpr std::size_t kReportLineMax = 1023;
std::string ExpandReport(std::string_view text, ReportValues& values);

// The report written when no template is found.
std::string BuiltInReport(const ReportValues& values, bool english);

// " hh:mm:ss" (one leading blank; the hours take more digits from 100 on).
std::string ReportClock(long long seconds);

// Numbers as a list: "%02d" separated by ",", "None" for none.
std::string CodeList(const std::vector<int>& codes);

}  // namespace morvex
