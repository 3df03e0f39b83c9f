// Programs read through a reader module: the motions it delivers are taken
// over as blocks would give them, and whatever nonsense it delivers ends the
// program with a read error instead of reaching the interpreter.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "nc/interpreter.h"
#include "nc/tool_change.h"

namespace morvex {
namespace {

struct Delivered {
    int32_t result = 1;
    int32_t type = MV_LINE;
    double x = 0, y = 0, z = 0, i = 0, j = 0, k = 0;
    int32_t plane = 0;
    double feed = 0;
    int32_t line = 0;
};

// The fake module: a script of motions, then the end (or endless copies of
// the last one).
struct Script {
    std::vector<Delivered> motions;
    bool endless = false;
    int32_t openFlag = 1;
    double start[3] = {1, 2, 3};
    std::size_t next = 0;
    int opens = 0, closes = 0, calls = 0;
};
Script script;

void Open(const char*, int32_t* flag) {
    ++script.opens;
    script.next = 0;
    *flag = script.openFlag;
}
void Start(double* x, double* y, double* z) {
    *x = script.start[0];
    *y = script.start[1];
    *z = script.start[2];
}
int32_t Path(int32_t* type, double* x, double* y, double* z, double* i, double* j, double* k, int32_t* plane,
             double* feed, int32_t* line) {
    ++script.calls;
    if (script.next >= script.motions.size()) {
        if (!script.endless || script.motions.empty()) return 0;
        script.next = script.motions.size() - 1;
    }
    const Delivered& d = script.motions[script.next++];
    *type = d.type;
    *x = d.x, *y = d.y, *z = d.z, *i = d.i, *j = d.j, *k = d.k;
    *plane = d.plane;
    *feed = d.feed;
    *line = d.line;
    return d.result;
}
void Close() { ++script.closes; }

ModuleReader Module() {
    ModuleReader m;
    m.open = Open;
    m.startPoint = Start;
    m.path = Path;
    m.close = Close;
    return m;
}

struct ReadOut {
    std::vector<PathRecord> motions;
    MotionResult last = MotionResult::Motion;
    int error = 0;
    std::string reason;
};

ReadOut Read(Interpreter& in, ControllerDef& ctl, int limit = 100) {
    ReadOut r;
    while (limit-- > 0) {
        r.last = NextMotion(in, ctl, ToolWordForm{});
        if (r.last == MotionResult::Motion) {
            ToToolFrame(in);
            r.motions.push_back(in.path);
        }
        if (in.reader.pendingError != kNcNoError && r.error == 0) r.error = in.reader.pendingError;
        if (r.last != MotionResult::Motion) break;
    }
    r.reason = in.reader.module.error;
    return r;
}

ReadOut ReadScript(const Script& s, ControllerDef ctl = {}) {
    script = s;
    Interpreter in;
    EXPECT_TRUE(OpenNcProgram(in.reader, "x.hlx", Module()));
    StartProgram(in, ctl, Point{});
    return Read(in, ctl);
}

TEST(ModuleReader, MotionsAreTakenOverAsBlocks) {
    Script s;
    Delivered tool{1, MV_NO_MOTION + 3};
    Delivered rapid{1, MV_RAPID, 10, 0, 5};
    Delivered line{1, MV_LINE, 10, 0, -1, 0, 0, 0, 0, 300};
    line.line = 40;
    // A quarter turn around (0, 0), half a millimetre down: a helix piece.
    Delivered arc{1, MV_ARC_CCW, 0, 10, -1.5, 0, 0, 99, 17, 0};
    Delivered negative{1, MV_LINE, 0, 10, 0};
    negative.line = -7;
    s.motions = {tool, rapid, line, arc, negative};
    const ReadOut r = ReadScript(s);
    EXPECT_EQ(r.last, MotionResult::End);
    EXPECT_EQ(r.error, 0);
    ASSERT_EQ(r.motions.size(), 5u);
    // The module's start point is where the program starts.
    EXPECT_EQ(r.motions[0].start, (Point{1, 2, 3}));
    EXPECT_EQ(r.motions[0].moduleTool, 3);
    EXPECT_EQ(r.motions[0].end, r.motions[0].start);
    int preselected = 0;
    EXPECT_EQ(ToolChangeOf(kAtcWait, ToolWordForm{}, r.motions[0], preselected), 3);  // counts without M06
    EXPECT_EQ(r.motions[1].type, kRapid);
    EXPECT_EQ(r.motions[1].end, (Point{10, 0, 5}));
    EXPECT_EQ(r.motions[2].feed, 300.0);
    EXPECT_EQ(r.motions[3].feed, 300.0);  // 0 keeps the feed
    EXPECT_EQ(r.motions[3].type, kArcCcw);
    EXPECT_NEAR(r.motions[3].sweep, kPi / 2, 1e-12);
    EXPECT_NEAR(r.motions[3].arcLength, 5 * kPi, 1e-9);
    EXPECT_EQ(r.motions[3].centre[0], 0.0);
    // Line numbers: counted on from 0, taken when given, counted on after a
    // negative one (it would read as a compensated motion's line).
    const int lines[5] = {1, 2, 40, 41, 42};
    for (int m = 0; m < 5; ++m) EXPECT_EQ(r.motions[static_cast<std::size_t>(m)].line, lines[m]) << m;
    EXPECT_EQ(script.opens, 1);
    EXPECT_EQ(script.closes, 1);
}

TEST(ModuleReader, NonsenseEndsTheProgramWithAReadError) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        Delivered bad;
        const char* reason;
    };
    const Case cases[] = {
        {{1, MV_LINE, nan, 0, 0}, "end point not a number"},
        {{1, MV_RAPID, 0, inf, 0}, "end point not a number"},
        {{1, MV_ARC_CW, 1, 0, 0, nan, 0, 0}, "arc centre not a number"},
        {{1, 7}, "unknown motion type 7"},
        {{1, -1}, "unknown motion type -1"},
        {{1, 999}, "unknown motion type 999"},
        {{1, MV_LINE, 1, 0, 0, 0, 0, 0, 20}, "unknown plane 20"},
        {{1, MV_LINE, 1, 0, 0, 0, 0, 0, 0, nan}, "feed not a number or negative"},
        {{1, MV_LINE, 1, 0, 0, 0, 0, 0, 0, -5}, "feed not a number or negative"},
        {{-3}, "read error -3"},
    };
    for (const Case& c : cases) {
        Script s;
        s.motions = {Delivered{1, MV_LINE, 1, 1, 1, 0, 0, 0, 0, 100}, c.bad, Delivered{}};
        const ReadOut r = ReadScript(s);
        EXPECT_EQ(r.last, MotionResult::Error) << c.reason;
        EXPECT_EQ(r.error, kNcModuleRead) << c.reason;
        EXPECT_EQ(r.reason, c.reason);
        ASSERT_EQ(r.motions.size(), 1u) << c.reason;
        EXPECT_EQ(script.closes, 1) << c.reason;
    }
}

TEST(ModuleReader, OpeningEndlessAndArcChecks) {
    // A module that declines to open: the program cannot be opened.
    Script s;
    s.openFlag = 0;
    script = s;
    Interpreter in;
    EXPECT_FALSE(OpenNcProgram(in.reader, "x.hlx", Module()));
    EXPECT_EQ(script.closes, 0);

    // A start point that is not a number leaves the control point.
    s = Script{};
    s.start[1] = std::numeric_limits<double>::quiet_NaN();
    s.motions = {Delivered{1, MV_RAPID, 5, 5, 5}};
    script = s;
    Interpreter second;
    ASSERT_TRUE(OpenNcProgram(second.reader, "x.hlx", Module()));
    // While it reads, the same module cannot be opened a second time.
    Interpreter third;
    EXPECT_FALSE(OpenNcProgram(third.reader, "x.hlx", Module()));
    ControllerDef ctl;
    StartProgram(second, ctl, Point{7, 8, 9});
    ReadOut r = Read(second, ctl);
    ASSERT_EQ(r.motions.size(), 1u);
    EXPECT_EQ(r.motions[0].start, (Point{7, 8, 9}));

    // A module that never ends is stopped at the motion limit.
    s = Script{};
    s.endless = true;
    s.motions = {Delivered{1, MV_LINE, 1, 1, 1, 0, 0, 0, 0, 100}};
    script = s;
    Interpreter endless;
    ASSERT_TRUE(OpenNcProgram(endless.reader, "x.hlx", Module()));
    StartProgram(endless, ctl, Point{});
    endless.reader.module.delivered = kMaxModuleMotions - 5;
    r = Read(endless, ctl, 1000);
    EXPECT_EQ(r.motions.size(), 5u);
    EXPECT_EQ(r.error, kNcModuleRead);
    EXPECT_EQ(r.reason, "more than 50000000 motions");
    EXPECT_EQ(script.closes, 1);

    // An arc whose end is off its circle raises the arc error, as a block would.
    s = Script{};
    s.motions = {Delivered{1, MV_ARC_CW, 10, 0, 0, 0, 0, 0, 17, 100}};
    s.start[0] = 5, s.start[1] = 0, s.start[2] = 0;
    ctl.rTolerance = 0.01;
    const ReadOut arc = ReadScript(s, ctl);
    ASSERT_EQ(arc.motions.size(), 1u);
    EXPECT_EQ(arc.motions[0].error, kNcArcRadius);
}

}  // namespace
}  // namespace morvex
