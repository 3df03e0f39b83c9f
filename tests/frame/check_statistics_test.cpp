// The statistics rows of the NC check: extents never reached show "-",
// times as h:mm:ss, codes with their letters, the min-max check only the
// extents, and an NC error with its code and line.
#include "frame/check_statistics.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

std::string Value(const std::vector<StatisticsRow>& rows, const std::string& label) {
    for (const auto& r : rows) {
        if (r.label == label) return r.value;
    }
    return "(missing)";
}

TEST(CheckStatistics, RowsOfBothChecks) {
    CheckResult r;
    r.lines = 42;
    r.all.min = {-1, 2, -3.5};
    r.all.max = {10, 20, 5};
    r.totals.rapidLength = 123.4567;
    r.totals.rapidTime = 59.6;
    r.totals.feedTime = 3725.4;
    r.totals.maxProgramFeed = 1500;
    r.totals.minProgramFeed = 100;
    r.tools = {1, 3};
    r.g = {0, 1, 90};
    const auto data = CheckStatistics(r, kCheckData, true);
    EXPECT_EQ(Value(data, "NC lines"), "42");
    EXPECT_EQ(Value(data, "Max X, Y, Z"), "10.000, 20.000, 5.000");
    EXPECT_EQ(Value(data, "Min X, Y, Z"), "-1.000, 2.000, -3.500");
    EXPECT_EQ(Value(data, "Cutting max X, Y, Z"), "-");  // no cutting motion
    EXPECT_EQ(Value(data, "Rapid length"), "123.457 mm");
    EXPECT_EQ(Value(data, "Rapid time"), "0:01:00");
    EXPECT_EQ(Value(data, "Feed time"), "1:02:05");
    EXPECT_EQ(Value(data, "Machining time"), "1:03:05");
    EXPECT_EQ(Value(data, "Max feed"), "1500.0 mm/min");
    EXPECT_EQ(Value(data, "Tools"), "T01 T03");
    EXPECT_EQ(Value(data, "G codes"), "G00 G01 G90");
    EXPECT_EQ(Value(data, "M codes"), "-");
    EXPECT_EQ(Value(data, "NC error"), "(missing)");
    // The min-max check: the lines and the extents only.
    EXPECT_EQ(CheckStatistics(r, kCheckMinMax, true).size(), 5u);
    EXPECT_EQ(CheckTitle(kCheckMinMax, false), "最大最小チェック");
    // A check stopped by an NC error names it (codes count from 101).
    r.error = 3;
    r.errorLine = 17;
    EXPECT_EQ(Value(CheckStatistics(r, kCheckData, true), "NC error"), "103 (line 17)");
    // No feeds at all; nonsense times stay readable.
    CheckResult empty;
    empty.totals.feedTime = -5;
    const auto none = CheckStatistics(empty, kCheckData, true);
    EXPECT_EQ(Value(none, "Max feed"), "-");
    EXPECT_EQ(Value(none, "Feed time"), "0:00:00");
    EXPECT_EQ(ClockTime(1e300), ClockTime(3.6e12));
}

}  // namespace
}  // namespace morvex
