// Finding the NC program of the command line.
#include "frame/nc_lookup.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::RecordingHost;
using test::TempDir;

TEST(NcLookup, TriesTheNameTheNcFolderTheEndingsAndThenTheProgramFolder) {
    TempDir t;
    const std::string ncDir = t.Dir() + "nc/";
    const std::string programDir = t.Dir() + "bin/";
    t.Write("nc/given.nc", "G0X1\n");
    t.Write("nc/dd.NC", "G0X1\n");
    t.Write("nc/low.nc", "G0X1\n");
    t.Write("nc/both", "G0X1\n");
    t.Write("nc/both.NC", "G0X1\n");
    t.Write("bin/side.NC", "G0X1\n");
    t.Write("nc/folder.NC/x", "");  // a folder of that name is no program
    const struct {
        std::string name, path;
        bool inProgramDir;
    } cases[] = {
        {ncDir + "given.nc", ncDir + "given.nc", false},  // absolute, as given
        {"given.nc", ncDir + "given.nc", false},          // relative: the NC folder
        {"dd", ncDir + "dd.NC", false},
        {"low", ncDir + "low.nc", false},
        {"both", ncDir + "both", false},  // the name as given wins over the ending
        {"side", programDir + "side.NC", true},
        {ncDir + "side", programDir + "side.NC", true},  // a folder given: its name beside the program
        {"folder", "", false},
        {"none", "", false},
    };
    for (const auto& c : cases) {
        const NcLookup found = FindNcProgram(c.name, ncDir, programDir);
        EXPECT_EQ(std::tuple(found.path, found.inProgramDir), std::tuple(c.path, c.inProgramDir)) << c.name;
    }
}

TEST(NcLookup, TheProgramFolderNeedsConsentAndAMissingProgramEndsTheAutomaticRun) {
    TempDir t;
    t.Write("bin/side.NC", "G0X1\n");
    auto app = [&t](const std::string& name, int mode, bool minimised) {
        App a;
        a.settings.nc.ncDir = t.Dir() + "nc/";
        a.locations.programDir = t.Dir() + "bin/";
        a.launch.ncProgram = name;
        a.launch.autoRunMode = mode;
        a.launch.minimised = minimised;
        return a;
    };
    RecordingHost yes;
    App a = app("side", 3, false);
    EXPECT_EQ(ResolveNcProgram(a, yes), NcResolve::Ready);
    EXPECT_EQ(std::tuple(a.launch.ncProgram, a.launch.ncProgramOpened, a.launch.autoRunMode),
              std::tuple(t.Dir() + "bin/side.NC", true, 3));
    ASSERT_EQ(yes.messages.size(), 1u);
    EXPECT_NE(yes.messages[0].find(std::string(Msg(MsgId::ProgramSideFolder))), std::string::npos);

    RecordingHost no;
    no.answer = MessageAnswer::No;
    App b = app("side", 3, false);
    EXPECT_EQ(ResolveNcProgram(b, no), NcResolve::Declined);
    EXPECT_EQ(std::tuple(b.launch.ncProgramOpened, b.launch.autoRunMode), std::tuple(false, 0));
    // An unattended run declines it, and keeps its mode to report it missing.
    App c = app("side", 6, true);
    EXPECT_EQ(ResolveNcProgram(c, no), NcResolve::Declined);
    EXPECT_EQ(std::tuple(c.launch.ncProgramOpened, c.launch.autoRunMode), std::tuple(false, 6));

    // Missing: the window's automatic run ends unless it has other work; an
    // unattended run keeps its mode to report the program in its log.
    const struct {
        int mode;
        bool minimised;
        std::string output;
        int after;
    } missing[] = {{3, false, "", 0}, {2, false, "out.dmf", 2}, {6, true, "", 6}};
    for (const auto& c : missing) {
        App m = app("nothing", c.mode, c.minimised);
        m.launch.outputWork = c.output;
        RecordingHost host;
        EXPECT_EQ(ResolveNcProgram(m, host), NcResolve::Missing);
        EXPECT_EQ(m.launch.autoRunMode, c.after) << c.mode;
        EXPECT_TRUE(host.messages.empty());
    }
}

}  // namespace
}  // namespace morvex
