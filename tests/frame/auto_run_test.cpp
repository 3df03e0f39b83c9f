// The automatic run's modes and letters, the window's missing program, and
// the command line of another instance (the X key).
#include "frame/auto_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "frame/self_instance.h"
#include "sim/run_control.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::RecordingHost;
using test::TempDir;

TEST(AutoRun, EachModeNumberAndVariantLetterSelectsItsRun) {
    const struct {
        int mode;
        std::string variant;
        int runMode;
        bool fast, window, optimize, nonStop;
        char bad;
    } cases[] = {
        {0, "", 0, false, true, false, false, 0},
        {1, "", kRunReal, false, true, false, false, 0},
        {2, "", kRunSkip, false, true, false, false, 0},
        {3, "", kRunResult, false, true, false, false, 0},
        {4, "", kRunSkip, true, true, false, false, 0},
        {5, "", kRunResult, true, true, false, false, 0},
        {6, "", kRunResult, false, false, false, false, 0},
        {7, "", kRunResult, true, false, false, false, 0},
        {3, "O", kRunResult, false, true, true, false, 0},
        {4, "NO", kRunSkip, true, true, true, true, 0},
        {5, "n", kRunResult, true, true, false, true, 0},
        {6, "O", kRunResult, false, false, true, false, 0},
        // The first letter that selects nothing is named; the known ones still count.
        {3, "OBZ", kRunResult, false, true, true, false, 'B'},
        {8, "", 0, false, true, false, false, 0},
        {-1, "O", 0, false, true, false, false, 0},
    };
    for (const auto& c : cases) {
        const AutoRunPlan p = AutoRunPlanOf(c.mode, c.variant);
        EXPECT_EQ(std::tuple(p.runMode, p.fast, p.window, p.optimize, p.nonStop, p.badLetter),
                  std::tuple(c.runMode, c.fast, c.window, c.optimize, c.nonStop, c.bad))
            << "/X" << c.mode << c.variant;
    }
}

TEST(AutoRun, AMissingProgramIsToldInTheWindowBelowModeFiveAndEndsTheProgramFromFiveOn) {
    TempDir t;
    for (const int mode : {0, 3, 4, 5}) {
        App app;
        app.settings.output.logDir = t.Dir();
        app.launch.ncProgram = "gone.nc";
        app.launch.autoRunMode = mode;
        ReportMissingNcProgram(app, mode);
        EXPECT_EQ(app.launch.autoRunMode, 0) << mode;
        EXPECT_EQ(std::tuple(app.launch.endAtStart, app.launch.tellNcMissing),
                  std::tuple(mode >= 5, mode < 5))
            << mode;
    }
    // Only mode 5 wrote the batch log, with the program's name.
    const std::string log = TempDir::Read(t.Path("morvex.log"));
    EXPECT_NE(log.find("gone.nc" + std::string(Msg(MsgId::NcDataNotExistLog))), std::string::npos)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST(SelfInstance, TheTemplateBecomesTheArgumentsOfTheOtherInstance) {
    const struct {
        std::string option, program;
        int line;
        std::vector<std::string> args;
    } cases[] = {
        {"/X2 VAZED!.NC", "/nc/a.nc", 7, {"/X2", "VAZED!.NC"}},
        {"/X3 %1", "/nc/a.nc", 7, {"/X3", "/nc/a.nc"}},
        // A path with blanks stays one argument; quoted words keep their blanks.
        {"/X1 \"%1\" /O \"out put.dmf\"",
         "/my nc/a b.nc",
         1,
         {"/X1", "/my nc/a b.nc", "/O", "out put.dmf"}},
        {"-j%2 %1", "a.nc", -12, {"-j12", "a.nc"}},
        {"-j%2", "", 0, {"-j1"}},
        // No program: its word goes; a "%2" inside the path is the path's own.
        {"/X2 %1", "", 5, {"/X2"}},
        {"%1", "/x%2/a.nc", 3, {"/x%2/a.nc"}},
        {"", "a.nc", 1, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SelfInstanceArgs(c.option, c.program, c.line), c.args) << c.option;
    }
    // The program started is this very file, whatever the current folder.
    const std::string self = OwnProgramFile();
    EXPECT_EQ(self.front(), '/');
    EXPECT_NE(self, "/proc/self/exe");
}

}  // namespace
}  // namespace morvex
