// Tool table and arbor file reading: shape reduction and classification,
// per-tool keywords, holders and their defaults, base points, the sample
// magazine and hostile input. Expected values are worked by hand.
#include "sim/tool_table.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "base/messages.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using namespace std::string_literals;

constexpr double kPi = 3.14159265358979323846;

ToolTable ReadText(const std::string& text, ToolTableOptions options = {}) {
    test::TempDir dir;
    ToolTable table;
    EXPECT_EQ(ReadToolTable(dir.Write("t.ttl", text), options, table), 1);
    return table;
}

TEST(ToolTable, ShapeKeywordsReduceToSevenValues) {
    struct Case {
        const char* line;
        int shape;
        float d, r, e, f, h;
    };
    // 2(1/cos 5° − tan 5°) = 1.8326623; taper-ball CUTTER probes 0.76e-5 and 1.77e-5 off it.
    const Case cases[] = {
        {"CUTTER 10,5,0,5,0,0,20", kShapeBall, 10, 5, 0, 5, 20},
        {"CUTTER 10,0,0,0,0,0,20", kShapeFlat, 10, 0, 0, 0, 20},
        {"CUTTER 10,2,3,2,0,0,20", kShapeBull, 10, 2, 3, 2, 20},
        {"CUTTER 10,0,0,0,45,0,12", kShapeOther, 10, 0, 0, 0, 12},
        {"CUTTER 1.83267,1,0,1,0,5,10", kShapeTaperBall, 1.83267f, 1, 0, 1, 10},
        {"CUTTER 1.83268,1,0,1,0,5,10", kShapeOther, 1.83268f, 1, 0, 1, 10},
        {"TAPERBALL 1,5,10", kShapeTaperBall, 1.8326623f, 1, 0, 0, 10},
        {"BALL 8,16", kShapeBall, 8, 4, 0, 4, 16},
        {"BULL 12,1,25", kShapeBull, 12, 1, 5, 1, 25},
        {"KEGAKI 0.2,1", kShapeKegaki, 0.2f, 0, 0, 0, 1},
        {"VERTICAL 10,0.5,20", kShapeVertical, 10, 0, 0, 0, 20},
        {"OVAL 10,2,3,15", kShapeOval, 10, 0, 3, 2, 15},
        {"OVALR 10,2,3,1,15", kShapeOval, 10, 1, 3, 2, 15},
        {"T-THROW 12,2,5,7,8", kShapeBull, 12, 5, 1, 5, 5},  // h < r: h = r
        {"T-THROW 10,20,0,0,0", kShapeFlat, 10, 0, 5, 0, 20},
        {"T-THROW 10,20,5,0,0", kShapeBall, 10, 5, 0, 5, 20},
        {"RADIUS 20,4,2", kShapeRadius, 20, 4, 10 - 4 - std::sqrt(12.0f), 2, 4},  // s = √(16 − 4)
        {"RADIUS 20,4,6", kShapeRadius, 20, 4, 2, 6, 4},                          // s = r
    };
    for (const Case& c : cases) {
        const ToolDef t = ReadText(std::string("MAGAZINE01 ") + c.line + ",\"N\"\n").tools[1];
        EXPECT_TRUE(t.defined && t.shape == c.shape && t.name == std::optional<std::string>("N")) << c.line;
        for (const auto& [got, want] : {std::pair{t.d, c.d}, {t.r, c.r}, {t.e, c.e}, {t.f, c.f}, {t.h, c.h}})
            EXPECT_NEAR(got, want, 1e-6) << c.line;
        EXPECT_EQ(t.tipWidth, c.shape == kShapeVertical ? 0.5f : 0.0f) << c.line;
    }
}

TEST(ToolTable, PenShiftLimitsLengthsAndFeedTables) {
    std::string feeds = "OPT-F(u) 100";  // 45 non-zero values: the table keeps 19 pairs
    for (int i = 1; i <= 44; ++i) feeds += "," + std::to_string(i);
    const ToolTable table = ReadText(
        "MAGAZINE01 FLAT 10,20 PEN 9 SHIFT 2.5 LIMIT 50%\n"
        "MAGAZINE02 FLAT 10,20 PEN -1 LIMITSP 1,2%,3,4\nOPT-F(D) 100,5,200,0,300\n" +
        feeds +
        "\nLENGTH3 1,2,3,4,5,6\nLENGTH2 30,12,3,4\n"
        "MAGAZINE03 FLAT 10,20,\"F\" PEN 3.7 LENGTH 7\nNAME= \"X\" PEN 5\n");
    const ToolDef& t1 = table.tools[1];
    const ToolDef& t2 = table.tools[2];
    EXPECT_EQ((std::array{t1.pen, t2.pen, table.tools[3].pen}), (std::array{7, 0, 3}));  // NAME= ends the line
    EXPECT_EQ(table.tools[3].name, std::optional<std::string>("X"));
    EXPECT_FLOAT_EQ(t1.shift, 2.5f);
    EXPECT_EQ(t1.limit.kind, 1);
    for (float v : t1.limit.value) EXPECT_NEAR(v, 12.5 * kPi, 1e-4);  // 50·10²·0.0025·π
    EXPECT_EQ(t2.limit.kind, 12);
    EXPECT_NEAR(t2.limit.value[1], 0.5 * kPi, 1e-6);
    EXPECT_EQ(t2.limit.value[3], 4.0f);
    const OptFeedSlot& d = t2.optF[3];
    EXPECT_TRUE(d.set && d.first == 100.0f && d.a[0] == 5.0f && d.b[0] == 200.0f);
    EXPECT_EQ(d.pairCount, 1);  // the pair 0, 300 ends the table
    EXPECT_EQ(t2.optF[2].pairCount, 19);
    EXPECT_EQ(t2.optF[2].b[18], 38.0f);
    EXPECT_FALSE(t2.optF[0].set);
    EXPECT_EQ(t2.length.kind, 2);  // a later length keyword starts afresh
    EXPECT_EQ(t2.length.len, (std::array<float, 6>{30, 12, 3, 0, 0, 4}));
    EXPECT_EQ(table.tools[3].length.len[0], 7.0f);
}

TEST(ToolTable, HolderLines) {
    ArborDef a;
    ASSERT_TRUE(ParseHolderLine("ARBOR 40,30,60,20\n", true, a));
    EXPECT_TRUE(a.defined && a.kind == kArborSteps && a.count == 2);  // no diameter after 20
    EXPECT_EQ(a.dia, (std::array<float, 11>{40, 60}));
    EXPECT_EQ(a.hgt, (std::array<float, 10>{30, 20}));
    ASSERT_TRUE(ParseHolderLine("arbor2 21,0.5,32,60,56,0,0,9,9\n", false, a));
    EXPECT_TRUE(a.kind == kArborCones && a.count == 2 && a.dia[2] == 56.0f);
    // ARBOR3: a zero height ends the arbor file's list; the table's list needs the diameter 0 too.
    ASSERT_TRUE(ParseHolderLine("ARBOR3 40,0,0,50,10,1.9,60", false, a));
    EXPECT_TRUE(!a.defined && a.count == 0);
    ASSERT_TRUE(ParseHolderLine("ARBOR3 40,0,0,50,10,1.9,60", true, a));
    EXPECT_TRUE(a.kind == kArborMixed && a.count == 2 && a.cone[1] == 1 && a.dia[2] == 60.0f);
    std::string many = "ARBOR3 10";
    for (int i = 1; i <= 12; ++i) many += ",1,0," + std::to_string(10 + i);
    ASSERT_TRUE(ParseHolderLine(many, true, a));
    EXPECT_EQ(a.count, kMaxArborSegments);
    EXPECT_EQ(a.dia[10], 20.0f);
    EXPECT_FALSE(ParseHolderLine("PEN 3 ARBOR 1,2,3", true, a));
    EXPECT_EQ(a.count, kMaxArborSegments);  // untouched
}

TEST(ToolTable, ArborFileDefaultAndOwnHolders) {
    test::TempDir dir;
    dir.Write("sub/h.atl", "# note\nARBOR 30,10\nARBOR 50,20\n");
    const std::string path = dir.Write("sub/t.ttl",
                                       "ATL = h.atl \nMAGAZINE01 FLAT 10,20\nLENGTH 40\n"
                                       "MAGAZINE02 FLAT 10,20 LENGTH 40 ARBOR2 20,5,30\n"
                                       "MAGAZINE03 FLAT 10,20\nLENGTH 40\nARBOR 25,15\n"
                                       "MAGAZINE04 FLAT 10,20\n"
                                       "MAGAZINE05 FLAT 0.5,2,\"KEGAKI 30\" LENGTH 40\n");
    ToolTable table;
    ASSERT_EQ(ReadToolTable(path, {}, table), 1);
    EXPECT_EQ(table.arborStatus, 1);
    EXPECT_EQ(table.arborFile, dir.Path("sub/h.atl"));
    EXPECT_EQ(table.defaultHolder.dia[0], 30.0f);  // the first ARBOR line only
    EXPECT_EQ(table.tools[1].holder, table.defaultHolder);
    EXPECT_EQ(table.tools[2].holder.kind, kArborCones);
    EXPECT_EQ(table.tools[3].holder.dia[0], 25.0f);
    EXPECT_FALSE(table.tools[4].holder.defined);  // no LengthDef, no holder
    EXPECT_TRUE(table.tools[5].shape == kShapeKegaki && table.tools[5].length.kind == 0 &&
                !table.tools[5].holder.defined);

    // Holder lines of the table itself; an ATL name with a separator is used as written.
    table = ReadText("ATL=C:\\nowhere\\h.atl\nARBOR 40,30,60,20\nMAGAZINE01 BALL 6,9 LENGTH 20\n");
    EXPECT_EQ(table.arborStatus, -1);
    EXPECT_EQ(table.arborFile, "C:/nowhere/h.atl");
    EXPECT_EQ(table.tools[1].holder.count, 2);
    table = ReadText("ATL " + dir.Path("sub/h.atl") + "\nMAGAZINE01 BALL 6,9 LENGTH 20\n");
    EXPECT_EQ(table.tools[1].holder.dia[0], 30.0f);

    ArborDef holder;
    holder.defined = true;
    EXPECT_EQ(ReadArborFile(dir.Path("none.atl"), holder), -1);
    EXPECT_FALSE(holder.defined);
}

TEST(ToolTable, MagazineRangeInitialToolAndBasePoints) {
    ToolTableOptions small;
    small.maxMagazine = 3;
    for (const char* stop : {"MAGAZINE04", "MAGAZINE00", "MAGAZINE-1", "MAGAZINE2147483647", "MAGAZINE1e30",
                             "MAGAZINE.5"}) {
        const ToolTable t = ReadText(
            std::string("I 5\nMAGAZINE01 BALL 10,20\n") + stop + " BALL 1,1\nMAGAZINE02 BALL 4,4\n",
            small);
        ASSERT_EQ(t.tools.size(), 4u) << stop;
        EXPECT_TRUE(t.initialTool == 5 && t.tools[1].defined && !t.tools[2].defined && !t.tools[3].defined)
            << stop;
    }
    // The number sits in columns 9 and 10, the keywords start in column 12.
    EXPECT_EQ(ReadText("MAGAZINE1 BALL 10,20\n").tools[1].shape, kShapeOther);

    // Shift added per base point: ball r = 5; CUTTER corner r = 1 on a 30° bottom,
    // centre 1 inside the side R = 5 at height 3/cos 30° = 2√3; bull f = 1; oval f = 2.
    const std::string text =
        "MAGAZINE01 BALL 10,20 LENGTH 40\n"
        "MAGAZINE02 CUTTER 10,1,0,0,30,0,20 LENGTH 40\n"
        "MAGAZINE03 BULL 12,1,25 LENGTH 40 ARBOR 40,30,60,20\n"
        "MAGAZINE04 FLAT 10,20 SHIFT 2\n"
        "MAGAZINE05 OVAL 10,2,3,15\n";
    const float expected[5][5] = {{0, 0, 0, 2, 0},
                                  {5, 0, 0, 2, 0},
                                  {5, 2 * std::sqrt(3.0f), 1, 2, 2},
                                  {40, 40, 40, 2, 0},
                                  {40, 40, 90, 2, 0}};
    for (int base = 0; base < 5; ++base) {
        ToolTableOptions options;
        options.toolBasePoint = base;
        const ToolTable t = ReadText(text, options);
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(t.tools[i + 1].shift, expected[base][i], 1e-5) << base;
    }
}

TEST(ToolTable, MissingAndHostileFiles) {
    test::TempDir dir;
    ToolTable table;
    for (const std::string& path : {dir.Path("none.ttl"), dir.Dir(), std::string("a\0b", 3)}) {
        EXPECT_EQ(ReadToolTable(path, {}, table), -1);
        EXPECT_TRUE(table.status == -1 && table.tools.size() == 201u);
        for (const ToolDef& t : table.tools) EXPECT_FALSE(t.defined);
    }
    const std::string longLine(1 << 20, 'A');
    std::string binary;
    unsigned seed = 12345;
    for (int i = 0; i < 65536; ++i) binary += static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    ToolTableOptions options;
    options.maxMagazine = -5;  // held at one tool
    options.toolBasePoint = kBasePointFCenter;
    table = ReadText("ATL h\0x.atl\n"s + longLine + "\nMAGAZINE01 BULL 1e39,1e39,-1e39 SHIFT " +
                         std::string(300, '9') + "\nTAPERBALL 1e30,89.99999,1 A\0BALL 6\0,20\n"s +
                         binary,
                     options);
    EXPECT_EQ(table.arborStatus, -1);
    ASSERT_EQ(table.tools.size(), 2u);
    const ToolDef& t = table.tools[1];
    EXPECT_TRUE(t.defined);
    EXPECT_EQ(t.d, 6.0f);  // BALL behind a NUL byte, its h behind another
    EXPECT_EQ(t.h, 20.0f);
    for (float v : {t.d, t.r, t.e, t.f, t.h, t.shift}) EXPECT_TRUE(std::isfinite(v));
}

TEST(ToolTable, ShapeNames) {
    ToolDef t;
    SetEnglish(true);
    EXPECT_EQ(ToolShapeName(&t), "No Tool");
    t.defined = true;
    t.shape = kShapeOval;
    t.d = 10;
    t.e = 5;
    EXPECT_EQ(ToolShapeName(&t), "Oval Mill");
    t.e = 5.5f;
    EXPECT_EQ(ToolShapeName(&t), "Oval-R Mill");
    t.name = "MY TOOL";
    EXPECT_EQ(ToolShapeName(&t), "MY TOOL");
    SetEnglish(false);
    EXPECT_EQ(ToolShapeName(nullptr), "工具無し");
}

}  // namespace
}  // namespace morvex
