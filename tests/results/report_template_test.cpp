#include "results/report_template.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "results/report_file.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

ReportValues Sample() {
    ReportValues v;
    v.totals.rapidLength = 120.4;
    v.totals.feedLength = 300.5;
    v.totals.rapidTime = 25.0;
    v.totals.feedTime = 3700.4;  // with the rapids 3725 s: 1 h 2 min 5 s
    v.totals.rapidClassTime = 7.6;
    v.all.min = {-1.0, -2.0, -3.0};
    v.all.max = {10.0, 20.0, 30.0};
    v.cut.max = {9.5, 19.5, 29.5};
    v.g = {0, 1, 17, 54, 55, 90};
    v.m = {3, 30};
    v.nc = "/nc/part1.nc";
    v.ncSize = 12345;
    v.lines = 77;
    v.maxS = 8000.9;
    v.workOffsets = {{0, 0, 0}, {10.0, 20.0, -5.0}, {1.5, 2.5, 3.5}};
    return v;
}

TEST(Report, VariablesMatchLongestFirstAndKeepTheirFormats) {
    ReportValues v = Sample();
    // The clock keeps its own leading blank; TIMER is never TIME and an R.
    EXPECT_EQ(ExpandReportLine("Time $TIM\n", v), "Time  01:02:05\n");
    EXPECT_EQ(ExpandReportLine("$TIMER|$TIME|$TIMR\n", v), "      8|   3725| 00:00:08\n");
    EXPECT_EQ(ReportClock(360000), " 100:00:00");
    EXPECT_EQ(ExpandReportLine("$LEN1 $LEN2 $LEN\n", v), "    120     301     421\n");
    // Case does not matter; the cutting extents end in 2.
    EXPECT_EQ(ExpandReportLine("$maxx2/$MaxX/$MINZ\n", v), "    9.500/   10.000/   -3.000\n");
    // A variable that ends the last line (no line end) still ends it.
    EXPECT_EQ(ExpandReportLine("$MAXS $LINES $SIZE", v), "    8000       77     12345\n");
    // Feed extremes of a program without feeds are their start values.
    EXPECT_EQ(ExpandReportLine("$MINF $MAXF\n", v), "9999999 -9999999\n");
    EXPECT_EQ(ExpandReportLine("$RAPIDFEEDRATE\n", v), "NO\n");
    v.rapidFeedrate = 5000.7;
    EXPECT_EQ(ExpandReportLine("$RAPIDFEEDRATE\n", v), "   5000\n");
    // Unknown names lose the "$" and one character, a line end too (the
    // next line then goes on this one); "$$" writes nothing.
    EXPECT_EQ(ExpandReportLine("a$$b $QX c$\n", v), "ab X c");
    EXPECT_EQ(ExpandReportLine("c$\r\n", v), "c\n");
    // A character of several bytes goes whole: no broken UTF-8 is left.
    EXPECT_EQ(ExpandReportLine("a$\u203bb$\xe3", v), "ab");
    // Work offsets: G54 is entry 1. Both forms are five characters long, so
    // the character after "$G54" goes with it; a line end taken so is
    // written all the same.
    EXPECT_EQ(ExpandReportLine("$G54 $WK02\n", v), "(   10.000,   20.000,   -5.000)(    1.500,    2.500,    3.500)\n");
    EXPECT_EQ(ExpandReportLine("X$G54\n", v), "X(   10.000,   20.000,   -5.000)\n");
    EXPECT_EQ(ExpandReportLine("[$G53][$G59][$WK150]$G54", v), "[[[0](   10.000,   20.000,   -5.000)\n");
    // The number after the name is read as atoi reads it: a blank and a
    // sign before it, and a number too large for any entry (the name takes
    // two characters of it all the same).
    EXPECT_EQ(ExpandReportLine("[$WK 2][$G5 4][$WK-1]", v),
              "[(    1.500,    2.500,    3.500)][(   10.000,   20.000,   -5.000)][]");
    EXPECT_EQ(ExpandReportLine("[$WK4294967297]", v), "[94967297]");
    // Codes: none is "None" (a T0 is no tool); GCODEW takes G54..G59 from
    // a later GCODE.
    EXPECT_EQ(ExpandReportLine("$TCODE $MCODE\n", v), "None 03,30\n");
    v.tools = {0};
    EXPECT_EQ(ExpandReportLine("$TCODE\n", v), "None\n");
    v.tools = {0, 1, 12};
    EXPECT_EQ(ExpandReportLine("$TCODE\n", v), "01,12\n");
    ReportValues other = v;
    EXPECT_EQ(ExpandReportLine("$GCODE;$GCODEW\n", other), "00,01,17,54,55,90;54,55\n");
    EXPECT_EQ(ExpandReportLine("$GCODEW;$GCODE\n", v), "54,55;00,01,17,90\n");
}

TEST(Report, WholeTemplatesAndTheBuiltInReport) {
    ReportValues v = Sample();
    // Long lines are taken in pieces; a "$" at the very end and bytes of a
    // binary file give defined text and read nothing beyond the input.
    const std::string longLine(3000, 'x');
    EXPECT_EQ(ExpandReport(longLine + "$NC\n", v), longLine + "/nc/part1.nc\n");
    EXPECT_EQ(ExpandReport("end$", v), "end");
    EXPECT_EQ(ExpandReport("a$\nb\n", v), "ab\n");
    // A variable that ends a piece of a long line ends an output line.
    const std::string head(kReportLineMax - 5, 'x');
    EXPECT_EQ(ExpandReport(head + "$LEN1T\n", v), head + "    120\nT\n");
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 37 % 256);
    const std::string out = ExpandReport(binary, v);
    EXPECT_LE(out.size(), binary.size() * 40);
    const std::string en = BuiltInReport(v, true);
    EXPECT_EQ(en,
              "<<< \"/nc/part1.nc\" Cutting Information >>>\n"
              "※:\"verify_form.def\" is not found.\n"
              "Length of Rapid Path:    120\n"
              "Length of Feed Path:    301\n"
              "Time:   3725\n"
              "Maximum X:   10.000 ,Y:   20.000 ,Z:   30.000\n"
              "Minimum X:   -1.000 ,Y:   -2.000 ,Z:   -3.000\n");
    EXPECT_NE(BuiltInReport(v, false).find("全加工時間:   3725\n"), std::string::npos);
}

TEST(ReportFile, NamesTemplatesAndSafeWrites) {
    ReportFileSettings s;
    EXPECT_EQ(ReportFileName(s, "/nc/part1.nc"), "verify.txt");
    s.dir = "/out";
    EXPECT_EQ(ReportFileName(s, "/nc/part1.nc"), "/out/verify.txt");
    s.automatic = true;
    s.suffix = "rep";
    EXPECT_EQ(ReportFileName(s, "/nc/part1.nc"), "/nc/part1_verify.rep");
    EXPECT_EQ(ReportFileName(s, "/nc/PART"), "/nc/PART_verify.rep");
    EXPECT_EQ(ReportFileName(s, "/n.c/PART"), "/n.c/PART_verify.rep");

    TempDir current, settings;
    EXPECT_EQ(FindReportTemplate(current.Dir(), settings.Dir()), "");
    settings.Write(kReportTemplateName, "s");
    EXPECT_EQ(FindReportTemplate(current.Dir(), settings.Dir()), settings.Path(kReportTemplateName));
    current.Write(kReportTemplateName, "c");
    EXPECT_EQ(FindReportTemplate(current.Dir(), settings.Dir()), current.Path(kReportTemplateName));

    // New replaces, append adds; a missing folder is made.
    const std::string dir = current.Path("reports/deep");
    const std::string path = dir + "/verify.txt";
    ASSERT_TRUE(WriteReportFile(path, "one\n", false, dir));
    ASSERT_TRUE(WriteReportFile(path, "two\n", true, dir));
    EXPECT_EQ(TempDir::Read(path), "one\ntwo\n");
    ASSERT_TRUE(WriteReportFile(path, "three\n", false, dir));
    EXPECT_EQ(TempDir::Read(path), "three\n");
    // A folder that cannot be written: refused, the report before it whole,
    // no temporary file left (root ignores the mode bits, so only checked
    // when they hold).
    ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);
    const bool locked = ::access(dir.c_str(), W_OK) != 0;
    if (locked) {
        EXPECT_FALSE(WriteReportFile(path, "four\n", true, dir));
        EXPECT_EQ(TempDir::Read(path), "three\n");
    }
    ::chmod(dir.c_str(), 0700);
    EXPECT_FALSE(WriteReportFile(current.Path("no/such") + "/verify.txt", "x", false, ""));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace morvex
