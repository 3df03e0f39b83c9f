// The decisions a run makes from the sweep's findings: go on, pause or abort
// after a motion, the load of one step against the tool's limits and its
// record file, and the required-length report line and file name.
#include "sim/run_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "sim/tool_table.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// Flags of a motion that lowered nodes; `hits` names the findings: t taper,
// a attachment, h holder, l length, c chip.
SweepFlags Hits(const std::string& hits) {
    SweepFlags f;
    f.cutDone = 1;
    f.taperHit = hits.find('t') != std::string::npos;
    f.attachmentHit = hits.find('a') != std::string::npos;
    f.holderHit = hits.find('h') != std::string::npos;
    f.lengthHit = hits.find('l') != std::string::npos;
    f.chipHit = hits.find('c') != std::string::npos;
    return f;
}

RunChecks Checks(int rapid, int arbor, int length, int chip) {
    RunChecks c;
    c.rapid = rapid;
    c.arbor = arbor;
    c.length = length;
    c.chip = chip;
    c.rapidFeedrate = 5000.0;
    return c;
}

// "go", "abort <code>" or "pause" followed by the listed kinds.
std::string Verdict(const SweepFlags& f, const RunChecks& c, bool rapid, double feed) {
    const MotionVerdict v = DecideAfterMotion(f, c, rapid, feed);
    std::string s = v.decision == RunDecision::Abort   ? "abort " + std::to_string(v.alarmCode)
                    : v.decision == RunDecision::Pause ? "pause"
                                                       : "go";
    const InterferenceFindings& k = v.findings;
    const std::pair<bool, const char*> kinds[] = {{k.rapid, "rapid"}, {k.arbor, "arbor"}, {k.overLength, "length"},
                                                  {k.overChip, "chip"}, {k.taper, "taper"},   {k.tooFast, "toofast"},
                                                  {k.attachment, "attachment"}};
    for (const auto& [on, name] : kinds) s += on ? std::string(" ") + name : "";
    return s;
}

TEST(RunChecks, DecisionAfterAMotion) {
    // Nothing lowered: go on whatever the flags and modes say.
    SweepFlags idle = Hits("tahlc");
    idle.cutDone = 0;
    EXPECT_EQ(Verdict(idle, Checks(2, 4, 3, 3), true, 1e12), "go");

    const struct {
        const char* hits;
        RunChecks checks;
        bool rapid;
        double feed;
        const char* want;
    } cases[] = {
        // Rapid check 1: RAPID, or a feed at the rapid feedrate (equal counts), aborts; 2 pauses.
        {"", Checks(1, 0, 0, 0), true, 0.0, "abort 1 rapid"},
        {"", Checks(1, 0, 0, 0), false, 5000.0, "abort 6 toofast"},
        {"", Checks(1, 0, 0, 0), false, 4999.99, "go"},
        {"", Checks(2, 0, 0, 0), false, 5000.0, "pause toofast"},
        // Arbor check 3: taper 5, attachment 8, holder 2, taper first, then attachment.
        {"h", Checks(0, 3, 0, 0), false, 100.0, "abort 2 arbor"},
        {"tah", Checks(0, 3, 0, 0), false, 100.0, "abort 5 taper"},
        {"ah", Checks(0, 3, 0, 0), false, 100.0, "abort 8 attachment"},
        // Arbor check 4 pauses and lists only the first of taper, attachment, holder.
        {"tah", Checks(0, 4, 0, 0), false, 100.0, "pause taper"},
        {"ah", Checks(0, 4, 0, 0), false, 100.0, "pause attachment"},
        {"tah", Checks(0, 2, 0, 0), false, 100.0, "go"},
        // Effective length and chip: 2 aborts, 3 pauses, 0 and 1 let it pass.
        {"l", Checks(0, 0, 2, 0), false, 100.0, "abort 3 length"},
        {"c", Checks(0, 0, 0, 2), false, 100.0, "abort 4 chip"},
        {"c", Checks(0, 0, 0, 3), false, 100.0, "pause chip"},
        {"tahlc", Checks(0, 0, 0, 0), true, 1e9, "go"},
        {"tahlc", Checks(0, 1, 1, 1), true, 1e9, "go"},
        // Several kinds at once are all listed; any abort outranks the pauses
        // and its entry lists them too.
        {"hlc", Checks(2, 4, 3, 3), true, 0.0, "pause rapid arbor length chip"},
        {"hlc", Checks(2, 4, 3, 1), false, 5000.0, "pause arbor length toofast"},
        {"hlc", Checks(2, 4, 2, 3), true, 0.0, "abort 3 rapid arbor length chip"},
        {"h", Checks(1, 3, 0, 0), true, 0.0, "abort 1 rapid arbor"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Verdict(Hits(c.hits), c.checks, c.rapid, c.feed), c.want)
            << c.hits << " rapid " << c.checks.rapid << " arbor " << c.checks.arbor << " length "
            << c.checks.length << " chip " << c.checks.chip << " feed " << c.feed;
    }
}

TEST(RunChecks, StepLoadAgainstTheSlotOfItsClass) {
    LimitDef limit;
    limit.kind = 1;
    limit.value = {10.0f, 20.0f, 0.0f, -5.0f};  // general, vertical, up (off), down (off)
    auto check = [&](int cls, double volume, double length, double feed = 600.0) {
        SweepFlags step;
        step.stepClass = cls;
        step.loadVolume = volume;
        step.loadTorque = 2.0 * volume;
        return CheckStepLoad(limit, step, length, feed, false);
    };
    // V = volume / step length, over only when strictly above the slot.
    EXPECT_DOUBLE_EQ(check(kStepClassGeneral, 20.0, 2.0).value, 10.0);
    EXPECT_FALSE(check(kStepClassGeneral, 20.0, 2.0).over);
    EXPECT_TRUE(check(kStepClassGeneral, 20.2, 2.0).over);
    EXPECT_FALSE(check(kStepClassVertical, 40.0, 2.0).over);
    EXPECT_EQ(check(kStepClassVertical, 40.2, 2.0).cutClass, kStepClassVertical);
    // Slots of 0 or below, an unknown class or no step length check nothing.
    for (const auto& [cls, length] : {std::pair{kStepClassUp, 1.0}, {kStepClassDown, 1.0},
                                      {kStepClassUnknown, 1.0}, {kStepClassGeneral, 0.0}})
        EXPECT_FALSE(check(cls, 1e9, length).over) << cls;
    // The torque load divides the torque sum: 2 * 6 / 1 = 12 > 10.
    SweepFlags step;
    step.stepClass = kStepClassGeneral;
    step.loadVolume = 6.0;
    step.loadTorque = 12.0;
    EXPECT_TRUE(CheckStepLoad(limit, step, 1.0, 600.0, true).over);
    EXPECT_FALSE(CheckStepLoad(limit, step, 1.0, 600.0, false).over);

    // Kinds 2 and 12 compare the removal rate V * F / 60: 3 mm2 at 600 mm/min is 30 mm3/s.
    limit.value = {30.0f, 0.0f, 0.0f, 0.0f};
    for (const int kind : {2, 12}) {
        limit.kind = kind;
        EXPECT_FALSE(check(kStepClassGeneral, 1.5, 0.5).over) << kind;
        EXPECT_DOUBLE_EQ(check(kStepClassGeneral, 1.5, 0.5, 606.0).value, 30.3) << kind;
        EXPECT_TRUE(check(kStepClassGeneral, 1.5, 0.5, 606.0).over) << kind;
    }
    limit.kind = 11;
    EXPECT_DOUBLE_EQ(check(kStepClassGeneral, 1.5, 0.5).value, 3.0);
}

TEST(RunChecks, OverloadRecordLinesAndFiles) {
    TempDir dir;
    LimitRecord record;
    StepLoad load;
    load.over = true;
    load.value = 12.5;
    load.cutClass = kStepClassUp;
    RecordOverload(record, dir.Dir(), 11, 7, Point{1.5, -2.25, 3.0}, load);
    load.cutClass = kStepClassVertical;
    RecordOverload(record, dir.Dir(), 11, 8, Point{0.0, 0.0, -1.0}, load);
    load.cutClass = kStepClassDown;
    RecordOverload(record, dir.Dir(), 11, 9, Point{2.0, 2.0, 2.0}, load);
    EXPECT_EQ(record.count, 3);
    CloseLimitRecord(record);
    EXPECT_EQ(TempDir::Read(dir.Path("limitp.txt")), "7:X1.500000Y-2.250000Z3.000000:12.500000(U)\n"
                                                     "8:X0.000000Y0.000000Z-1.000000:12.500000(V)\n"
                                                     "9:X2.000000Y2.000000Z2.000000:12.500000(D)\n");
    load.cutClass = kStepClassGeneral;

    // Kind 12 writes "limitsp.txt"; a folder that cannot take it still counts.
    TempDir other;
    RecordOverload(record, other.Dir(), 12, 3, Point{1.0, 2.0, 3.0}, load);
    CloseLimitRecord(record);
    EXPECT_EQ(TempDir::Read(other.Path("limitsp.txt")), "3:X1.000000Y2.000000Z3.000000:12.500000(A)\n");
    RecordOverload(record, other.Path("missing/deeper"), 11, 1, Point{}, load);
    RecordOverload(record, other.Path("missing/deeper"), 11, 2, Point{}, load);
    EXPECT_EQ(record.count, 2);
    CloseLimitRecord(record);
}

// Tool 3 of a table, named "EM6", 6 mm, with a LengthDef and a holder when asked.
ToolProfile ReportTool(int shape, bool holder, int lengthKind) {
    ToolTable table;
    table.tools.resize(4);
    ToolDef& t = table.tools[3];
    t.defined = true;
    t.shape = shape;
    t.d = 6.0f;
    t.h = 20.0f;
    t.tipWidth = 1.0f;
    t.e = 1.0f;
    t.name = "EM6";
    if (lengthKind > 0) {
        t.length.kind = lengthKind;
        t.length.len = {40.0f, 25.0f, 5.0f, 10.0f, 20.0f, 10.0f};
    }
    t.holder.defined = holder;
    t.holder.count = 1;
    t.holder.dia[0] = 30.0f;
    t.holder.hgt[0] = 50.0f;
    ToolProfile p;
    SelectTool(table, 3, 0.0, 0.0, nullptr, p);
    return p;
}

TEST(RunChecks, RequiredLengthLineAddsOneMillimetreAndResets) {
    const ToolProfile holder = ReportTool(kShapeFlat, true, 1);
    ASSERT_TRUE(holder.holder);
    const RunChecks arbor = Checks(0, 1, 0, 0);
    RequiredLengths n;
    n.stickOut = 5.0;
    EXPECT_EQ(RequiredLengthLine(holder, arbor, n, true), "T03:EM6:Length=   6.000\n");
    // The maxima are gone after the line.
    EXPECT_EQ(RequiredLengthLine(holder, arbor, n, true), "T03:EM6:Length=   1.000\n");
    n.stickOut = 12.3456;
    EXPECT_EQ(RequiredLengthLine(holder, arbor, n, false), "T03:EM6:突出=  13.346以上\n");
    const ToolProfile bare = ReportTool(kShapeFlat, false, 0);
    EXPECT_EQ(RequiredLengthLine(bare, arbor, n, true), "T03:EM6:ARBOR not defined \n");

    // A neck (LENGTH2) adds the pair Lu / Lt, or "NG" when no taper clears the contact.
    const ToolProfile neck = ReportTool(kShapeFlat, true, 2);
    n.stickOut = 30.0;
    n.neck = 26.5;
    n.taper = 4.25;
    EXPECT_EQ(RequiredLengthLine(neck, arbor, n, true),
              "T03:EM6:Length=  31.000:Lu= 27.500 or Lt=  5.250\n");
    n.neck = 26.5;
    n.taperImpossible = true;
    EXPECT_EQ(RequiredLengthLine(neck, arbor, n, true),
              "T03:EM6:Length=   1.000:Lu= 27.500 or Lt= NG\n");

    // Effective length and chip width or centre height, each with 1.0 added.
    n.flute = 2.25;
    EXPECT_EQ(RequiredLengthLine(bare, Checks(0, 0, 1, 0), n, true), "T03:EM6:Height=   3.250\n");
    const ToolProfile vertical = ReportTool(kShapeVertical, false, 0);
    n.tipWidth = 0.5;
    EXPECT_EQ(RequiredLengthLine(vertical, Checks(0, 0, 0, 1), n, true), "T03:EM6:TipW=   1.500\n");
    n.centre = 0.75;
    EXPECT_EQ(RequiredLengthLine(ReportTool(kShapeRadius, false, 0), Checks(0, 0, 0, 1), n, true),
              "T03:EM6:CenterH=   1.750\n");
    n.tipWidth = 0.5;
    EXPECT_EQ(RequiredLengthLine(bare, Checks(0, 0, 0, 1), n, true), "T03:EM6:NOT VERTICAL \n");

    // All compute modes at once, in the order stick-out, effective length, chip.
    n.flute = 2.0;
    n.tipWidth = 3.0;
    EXPECT_EQ(RequiredLengthLine(vertical, Checks(0, 1, 1, 1), n, true),
              "T03:EM6:ARBOR not defined :Height=   3.000:TipW=   4.000\n");
}

TEST(RunChecks, LengthReportNamesAndOpening) {
    const struct {
        bool english;
        int namingMode;
        RunChecks checks;
        const char* nc;
        const char* name;
    } names[] = {
        {true, 0, Checks(0, 1, 1, 1), "/nc/part.nc", "length.txt"},
        {true, 0, Checks(0, 0, 1, 1), "/nc/part.nc", "height.txt"},
        {true, 0, Checks(0, 0, 0, 1), "/nc/part.nc", "chip-w.txt"},
        {false, 0, Checks(0, 0, 1, 0), "/nc/part.nc", "有効刃長.txt"},
        {false, 1, Checks(0, 0, 0, 1), "/nc/part.nc", "length.txt"},
        {false, 2, Checks(0, 1, 0, 0), "/nc.d/p.v2.nc", "p.v2_length.txt"},
        {false, 2, Checks(0, 1, 0, 0), "/nc.d/prog", "prog_length.txt"},
    };
    for (const auto& n : names) {
        LengthReportSettings s;
        s.english = n.english;
        s.namingMode = n.namingMode;
        EXPECT_EQ(LengthReportName(n.checks, n.nc, s), n.name) << n.nc << " " << n.namingMode;
    }

    // New or appended; each opening begins with the NC file name; none without a compute mode.
    TempDir dir;
    LengthReportSettings open;
    open.folder = dir.Dir();
    EXPECT_EQ(OpenLengthReport(Checks(1, 3, 2, 2), "/nc/a.nc", open), nullptr);
    for (const auto& [append, nc] : {std::pair{false, "/nc/a.nc"}, {true, "/nc/b.nc"}}) {
        open.append = append;
        ASSERT_NE(OpenLengthReport(Checks(0, 0, 1, 0), nc, open), nullptr);
    }
    EXPECT_EQ(TempDir::Read(dir.Path("height.txt")), "/nc/a.nc\n/nc/b.nc\n");
}

}  // namespace
}  // namespace morvex
