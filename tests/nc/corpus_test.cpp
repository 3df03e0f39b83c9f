// The interpreter against real CAM programs, motion by motion, compared with
// what an outside interpreter made of them (end points of travelling motions
// to 2e-4 mm, feed length and the extents of feed end points). The programs
// live outside the repository; without them the test is skipped.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "nc/interpreter.h"

namespace morvex {
namespace {

namespace fs = std::filesystem;

struct Travel {
    Point end{};
    bool feed = false;
    double length = 0.0;
    int line = 0;
};

std::string CorpusDir() {
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    const fs::path base = source ? fs::path(source) : fs::current_path();
    return (base.parent_path() / "shared" / "corpus").string();
}

std::vector<Travel> ReferenceMotions(const std::string& path) {
    std::vector<Travel> out;
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) return out;
    std::string line;
    char buffer[4096];
    while (gzgets(f, buffer, sizeof(buffer))) {
        line += buffer;
        if (line.empty() || line.back() != '\n') continue;
        const auto j = nlohmann::json::parse(line, nullptr, false);
        line.clear();
        if (j.is_discarded() || j.value("length", 0.0) <= 0.0) continue;
        Travel t;
        for (int a = 0; a < 3; ++a) t.end[a] = j["end"][a].get<double>();
        t.feed = j.value("type", "") != "rapid";
        t.length = j.value("length", 0.0);
        out.push_back(t);
    }
    gzclose(f);
    return out;
}

std::vector<Travel> OurMotions(const std::string& path) {
    ControllerDef ctl;
    ctl.decimalPoint = 3;  // numbers without a point are millimetres
    ctl.g00Mode = 0;
    Interpreter in;
    std::vector<Travel> out;
    if (!OpenNcProgram(in.reader, path)) return out;
    StartProgram(in, ctl, Point{});
    while (NextMotion(in, ctl, ToolWordForm{}) == MotionResult::Motion) {
        const PathRecord& p = in.path;
        const bool arc = p.type == kArcCw || p.type == kArcCcw;
        double length = 0.0;
        if (arc) {
            const double dz = p.end[p.third] - p.start[p.third];
            length = std::hypot(p.arcLength, dz);
        } else {
            length = std::hypot(p.end[0] - p.start[0], p.end[1] - p.start[1], p.end[2] - p.start[2]);
        }
        if (length <= 1e-9) continue;
        out.push_back(Travel{p.end, p.type != kRapid, length, p.line});
    }
    return out;
}

struct Comparison {
    std::size_t matched = 0;  // travelling motions after the first that agree
    double ourFeedLength = 0.0;
    double referenceFeedLength = 0.0;
    std::string firstDifference;
};

Comparison Compare(const std::vector<Travel>& ours, const std::vector<Travel>& ref) {
    Comparison c;
    for (const Travel& t : ours) c.ourFeedLength += t.feed ? t.length : 0.0;
    for (const Travel& t : ref) c.referenceFeedLength += t.feed ? t.length : 0.0;
    const std::size_t n = std::min(ours.size(), ref.size());
    for (std::size_t i = 1; i < n; ++i) {
        double worst = 0.0;
        for (int a = 0; a < 3; ++a) worst = std::max(worst, std::fabs(ours[i].end[a] - ref[i].end[a]));
        if (worst > 2e-4) {
            c.firstDifference = "motion " + std::to_string(i) + " (line " +
                                std::to_string(ours[i].line) + ") differs by " + std::to_string(worst);
            return c;
        }
        ++c.matched;
    }
    if (ours.size() != ref.size()) {
        c.firstDifference = "motion counts " + std::to_string(ours.size()) + " and " +
                            std::to_string(ref.size());
    }
    return c;
}

// Feed end-point extents, X, Y, Z minimum and maximum.
std::array<double, 6> FeedExtents(const std::vector<Travel>& motions) {
    std::array<double, 6> e{1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (const Travel& t : motions) {
        if (!t.feed) continue;
        for (int a = 0; a < 3; ++a) {
            e[a] = std::min(e[a], t.end[a]);
            e[a + 3] = std::max(e[a + 3], t.end[a]);
        }
    }
    return e;
}

TEST(Corpus, RealProgramsMoveAsTheOutsideInterpreterSays) {
    const std::string dir = CorpusDir();
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    // Moves the outside interpreter makes and this dialect does not: G28
    // returns to machine zero there and is no motion here.
    const std::map<std::string, std::size_t> extraReferenceMotions = {{"1003.nc", 2}};
    int programs = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/programs")) {
        const std::string name = entry.path().filename().string();
        const auto ours = OurMotions(entry.path().string());
        const auto ref = ReferenceMotions(dir + "/reference/" + name + ".motions.jsonl.gz");
        ASSERT_FALSE(ours.empty()) << name;
        const Comparison c = Compare(ours, ref);
        const auto extra = extraReferenceMotions.count(name) ? extraReferenceMotions.at(name) : 0;
        EXPECT_EQ(ref.size(), ours.size() + extra) << name;
        EXPECT_EQ(c.matched, ours.size() - 1) << name << ": " << c.firstDifference;
        if (extra == 0) {
            EXPECT_NEAR(c.ourFeedLength, c.referenceFeedLength, 1e-5 * c.referenceFeedLength) << name;
            std::ifstream summaryFile(dir + "/reference/" + name + ".summary.json");
            const auto summary = nlohmann::json::parse(summaryFile, nullptr, false);
            ASSERT_FALSE(summary.is_discarded()) << name;
            const auto& extents = summary["extents_feed_endpoints"];
            const auto ourExtents = FeedExtents(ours);
            const char* axes[3] = {"x", "y", "z"};
            for (int a = 0; a < 3; ++a) {
                EXPECT_NEAR(ourExtents[a], extents[axes[a]][0].get<double>(), 2e-4) << name << axes[a];
                EXPECT_NEAR(ourExtents[a + 3], extents[axes[a]][1].get<double>(), 2e-4) << name << axes[a];
            }
        }
        ++programs;
    }
    EXPECT_EQ(programs, 16);
}

}  // namespace
}  // namespace morvex
