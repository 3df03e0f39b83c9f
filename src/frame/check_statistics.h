// What the NC check found, as the rows of the statistics dialog: the lines
// read, an NC error, the extents of all motions and of the cutting ones,
// and for a data check also the lengths, times, feeds and codes used.
#pragma once

#include <string>
#include <vector>

#include "results/nc_check.h"

namespace morvex {

struct StatisticsRow {
    std::string label;
    std::string value;
};

// "Check Data" or "Check Min-Max" in the language asked for.
std::string CheckTitle(int mode, bool english);

std::vector<StatisticsRow> CheckStatistics(const CheckResult& result, int mode, bool english);

// Seconds as "h:mm:ss" (rounded to the second).
std::string ClockTime(double seconds);

}  // namespace morvex
