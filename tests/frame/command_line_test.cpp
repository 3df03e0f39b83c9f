// The command line: options with attached or separate values, plain file
// arguments classified by their ending (links followed), the output work
// format of /O, the unattended modes and the errors for unusable arguments.
#include "frame/launch_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

struct Parsed {
    CommandLineStatus status;
    LaunchOptions options;
    std::string error;
};

Parsed Parse(const std::vector<std::string>& args, const CommandLineContext& context = {}) {
    Parsed p;
    p.status = ParseCommandLine(args, context, p.options, p.error);
    return p;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Runs a test inside its own temporary folder, so that relative names of
// files that do not exist are never found and never look like options.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Dir());
        dir_.Write("prog.nc", "G00 X0 Y0\nM30\n");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    TempDir dir_;

private:
    std::filesystem::path saved_;
};

TEST(CommandLineOutput, FormatComesFromTheEndingAndTailsAreRemoved) {
    const struct {
        const char* given;
        const char* name;
        OutputFormat format;
    } cases[] = {
        {"out.DMF", "out.DMF", OutputFormat::Dmf},
        {"out.dmf", "out.dmf", OutputFormat::Dmf},
        {"out.stl", "out.stl", OutputFormat::Stl},
        {"out.STL,b", "out.STL", OutputFormat::StlBinary},
        {"out.stl,b", "out.stl", OutputFormat::StlBinary},
        {"out.stl,b2", "out.stl", OutputFormat::StlBinary2},
        {"scene.WRL", "scene.WRL", OutputFormat::Wrl},
        {"scene.WRL,z", "scene.WRL", OutputFormat::WrlCompressed},
        {"result", "result.DMF", OutputFormat::Dmf},
        {"result.txt", "result.txt.DMF", OutputFormat::Dmf},
        {"dir.stl/result", "dir.stl/result.DMF", OutputFormat::Dmf},
    };
    for (const auto& c : cases) {
        std::string name = c.given;
        EXPECT_EQ(ClassifyOutputName(name), c.format) << c.given;
        EXPECT_EQ(name, c.name) << c.given;
    }
}

TEST_F(CommandLine, OptionsTakeValuesAttachedOrInTheNextArgument) {
    {
        const Parsed p = Parse({"/O", "out.stl,b", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.outputWork, "out.stl");
        EXPECT_EQ(p.options.outputFormat, OutputFormat::StlBinary);
        EXPECT_EQ(p.options.ncProgram, "prog.nc");
        EXPECT_TRUE(p.options.ncProgramOpened);
    }
    {
        const Parsed p =
            Parse({"-oresult", "/S(1,2.5,-3)", "/P(0.5,0.25)", "/(10,20,300,400)", "/G2", "/F5,abc",
                   "/Ttools.ttl", "/cmill.ctl", "/Mfast.mtl", "/Kref.stl", "/Iother.cfg"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        const LaunchOptions& o = p.options;
        EXPECT_EQ(o.outputWork, "result.DMF");
        EXPECT_EQ(o.outputFormat, OutputFormat::Dmf);
        ASSERT_TRUE(o.controlPoint.has_value());
        EXPECT_DOUBLE_EQ(o.controlPoint->x, 1.0);
        EXPECT_DOUBLE_EQ(o.controlPoint->y, 2.5);
        EXPECT_DOUBLE_EQ(o.controlPoint->z, -3.0);
        EXPECT_DOUBLE_EQ(o.workPitch, 0.5);
        EXPECT_DOUBLE_EQ(o.movePitch, 0.25);
        ASSERT_TRUE(o.geometry.has_value());
        EXPECT_EQ(o.geometry->x, 10);
        EXPECT_EQ(o.geometry->y, 20);
        EXPECT_EQ(o.geometry->height, 300);
        EXPECT_EQ(o.geometry->width, 400);
        EXPECT_EQ(o.processor, 2);
        ASSERT_TRUE(o.fOption.has_value());
        EXPECT_EQ(*o.fOption, 5);
        EXPECT_EQ(o.fText, "abc");
        EXPECT_EQ(o.toolTable, "tools.ttl");
        EXPECT_EQ(o.controllerTable, "mill.ctl");
        EXPECT_EQ(o.machineTable, "fast.mtl");
        EXPECT_EQ(o.basicModel, "ref.stl");
        EXPECT_TRUE(o.workFile.empty());  // the basic model is not the work to load
        EXPECT_EQ(o.settingsFile, "other.cfg");
        EXPECT_TRUE(o.settingsFromCommandLine);
    }
    {
        const Parsed p =
            Parse({"/o", "scene.wrl,z", "-s", "(4,5,6)", "/p", "(2,4)", "-(1,2,3,4)", "/g", "3",
                   "/f", "12,some text", "/t", "tools.ttl,5", "/i", "my.ini"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        const LaunchOptions& o = p.options;
        EXPECT_EQ(o.outputWork, "scene.wrl");
        EXPECT_EQ(o.outputFormat, OutputFormat::WrlCompressed);
        ASSERT_TRUE(o.controlPoint.has_value());
        EXPECT_DOUBLE_EQ(o.controlPoint->z, 6.0);
        EXPECT_DOUBLE_EQ(o.workPitch, 2.0);
        EXPECT_DOUBLE_EQ(o.movePitch, 4.0);
        ASSERT_TRUE(o.geometry.has_value());
        EXPECT_EQ(o.geometry->width, 4);
        EXPECT_EQ(o.processor, 3);
        ASSERT_TRUE(o.fOption.has_value());
        EXPECT_EQ(*o.fOption, 12);
        EXPECT_EQ(o.fText, "some text");
        EXPECT_EQ(o.toolTable, "tools.ttl");  // a comma ends the name
        EXPECT_EQ(o.settingsFile, "my.ini");
    }
    {
        // A separate value may be an absolute path of a file that does not exist yet.
        const Parsed p = Parse({"/O", dir_.Path("new/out.stl,b2"), "-K", dir_.Path("none.dmf")});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.outputWork, dir_.Path("new/out.stl"));
        EXPECT_EQ(p.options.outputFormat, OutputFormat::StlBinary2);
        EXPECT_EQ(p.options.basicModel, dir_.Path("none.dmf"));
    }
    {
        const Parsed p = Parse({"--close-after", "250"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.closeAfterMs, 250);
        EXPECT_TRUE(Parse({"--help"}).options.showHelp);
        EXPECT_TRUE(Parse({"--version"}).options.showVersion);
    }
}

TEST_F(CommandLine, PlainArgumentsAreClassifiedByTheirEndingIgnoringCase) {
    CommandLineContext context;
    context.workEndings = {".XYZ"};
    {
        const Parsed p = Parse({"My.INI", "a.Ttl", "b.CTL", "c.mtl", "w.Dmf", "prog.nc"}, context);
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        const LaunchOptions& o = p.options;
        EXPECT_EQ(o.settingsFile, "My.INI");
        EXPECT_TRUE(o.settingsFromCommandLine);
        EXPECT_EQ(o.toolTable, "a.Ttl");
        EXPECT_EQ(o.controllerTable, "b.CTL");
        EXPECT_EQ(o.machineTable, "c.mtl");
        EXPECT_EQ(o.workFile, "w.Dmf");
        EXPECT_EQ(o.ncProgram, "prog.nc");
        EXPECT_TRUE(o.ncProgramOpened);
    }
    EXPECT_EQ(Parse({"part.stl"}, context).options.workFile, "part.stl");
    EXPECT_EQ(Parse({"part.xyz"}, context).options.workFile, "part.xyz");
    EXPECT_EQ(Parse({"part.xyz"}).options.ncProgram, "part.xyz");  // not registered: NC program
    {
        // The first unclassified argument is the NC program; one that cannot
        // be opened is still named.
        const Parsed p = Parse({"missing.nc", "prog.nc"});
        EXPECT_EQ(p.options.ncProgram, "missing.nc");
        EXPECT_FALSE(p.options.ncProgramOpened);
    }
    {
        // An absolute path naming an existing file is a file, not an option
        // ("/tmp/..." would otherwise read as /T with a value).
        const std::string tools = dir_.Write("tools.ttl", "");
        const Parsed p = Parse({tools, dir_.Path("prog.nc")});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.toolTable, tools);
        EXPECT_EQ(p.options.ncProgram, dir_.Path("prog.nc"));
        EXPECT_TRUE(p.options.ncProgramOpened);
    }
}

TEST_F(CommandLine, LinksAreFollowedAndClassifiedByTheirTarget) {
    namespace fs = std::filesystem;
    fs::create_directory(dir_.Path("jobs"));
    fs::create_symlink("../prog.nc", dir_.Path("jobs/job.lnk"));  // relative to the link
    fs::create_symlink(dir_.Write("real.ttl", ""), dir_.Path("tools.lnk"));
    fs::create_symlink(dir_.Write("real.ini", ""), dir_.Path("settings-link"));
    fs::create_symlink("prog.nc", dir_.Path("UPPER.LNK"));
    dir_.Write("fake.lnk", "not a link");
    dir_.Write("FAKE2.LNK", "not a link");
    {
        const Parsed p = Parse({"jobs/job.lnk"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_TRUE(p.options.ncProgramOpened);
        EXPECT_TRUE(p.options.toolTable.empty());
    }
    {
        const Parsed p = Parse({"tools.lnk", "settings-link"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.toolTable, dir_.Path("real.ttl"));
        EXPECT_TRUE(p.options.settingsFromCommandLine);
        EXPECT_NE(p.options.settingsFile.find("ini"), std::string::npos) << p.options.settingsFile;
        EXPECT_TRUE(p.options.ncProgram.empty());
    }
    EXPECT_TRUE(Parse({"UPPER.LNK"}).options.ncProgramOpened);
    // A link whose own name has a known ending is that kind, wherever it points.
    fs::create_symlink(dir_.Write("tools_v3", ""), dir_.Path("current.ttl"));
    {
        const Parsed p = Parse({"current.ttl", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.toolTable, "current.ttl");
        EXPECT_EQ(p.options.ncProgram, "prog.nc");
    }
    for (const char* name : {"fake.lnk", "FAKE2.LNK"}) {
        const Parsed fake = Parse({name});
        EXPECT_EQ(fake.status, CommandLineStatus::Error) << name;
        EXPECT_FALSE(fake.error.empty()) << name;
    }
}

TEST_F(CommandLine, ALaterArgumentOfAKindGivenByAnOptionIsIgnored) {
    const Parsed p =
        Parse({"/T", "first.ttl", "second.ttl", "/C", "first.ctl", "second.ctl", "/M", "first.mtl",
               "second.mtl", "/I", "first.ini", "second.ini", "prog.nc", "other.nc"});
    ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
    EXPECT_EQ(p.options.toolTable, "first.ttl");
    EXPECT_EQ(p.options.controllerTable, "first.ctl");
    EXPECT_EQ(p.options.machineTable, "first.mtl");
    EXPECT_EQ(p.options.settingsFile, "first.ini");
    EXPECT_EQ(p.options.ncProgram, "prog.nc");
}

TEST_F(CommandLine, AutomaticRunModesVariantsAndTheMinimisedFlag) {
    const struct {
        std::vector<std::string> args;
        int mode;
        bool minimised;
    } runs[] = {
        {{"/X1", "prog.nc"}, 1, false}, {{"/x2", "prog.nc"}, 2, false},
        {{"/X5", "prog.nc"}, 5, false}, {{"-X6", "prog.nc"}, 6, true},
        {{"/X7", "prog.nc"}, 7, true},
    };
    for (const auto& r : runs) {
        const Parsed p = Parse(r.args);
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << r.args[0] << ": " << p.error;
        EXPECT_EQ(p.options.autoRunMode, r.mode) << r.args[0];
        EXPECT_EQ(p.options.minimised, r.minimised) << r.args[0];
    }
    {
        const Parsed p = Parse({"/X4B", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.autoRunMode, 4);
        EXPECT_EQ(Upper(p.options.autoVariant), "B");
    }

    // Work operations all run minimised.
    {
        const Parsed p = Parse({"/XOZ2", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.workOperation, 'O');
        EXPECT_EQ(Upper(p.options.workOperationKind), "Z2");
        EXPECT_TRUE(p.options.minimised);
    }
    {
        const Parsed p = Parse({"/xoh3", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.workOperation, 'O');
        EXPECT_EQ(Upper(p.options.workOperationKind), "H3");
    }
    {
        const Parsed p = Parse({"/XAL", "model.stl", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.workOperation, 'A');
        EXPECT_EQ(Upper(p.options.workOperationKind), "L");
        EXPECT_EQ(p.options.workOperationFile, "model.stl");
        EXPECT_EQ(p.options.ncProgram, "prog.nc");
        EXPECT_TRUE(p.options.minimised);
    }
    {
        const Parsed p = Parse({"/XAHmodel.stl", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(Upper(p.options.workOperationKind), "H");
        EXPECT_EQ(p.options.workOperationFile, "model.stl");
    }
    {
        const Parsed p = Parse({"/XMAB", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.workOperation, 'M');
        EXPECT_EQ(Upper(p.options.workOperationKind), "AB");
        EXPECT_TRUE(p.options.minimised);
    }

    // Report modes; only mode 6 is unattended.
    const struct {
        const char* option;
        int report;
        bool minimised;
    } reports[] = {{"/V", 1, false}, {"/V5", 5, false}, {"-v6", 6, true}};
    for (const auto& r : reports) {
        const Parsed p = Parse({r.option, "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << r.option << ": " << p.error;
        EXPECT_EQ(p.options.reportMode, r.report) << r.option;
        EXPECT_EQ(p.options.minimised, r.minimised) << r.option;
        EXPECT_EQ(p.options.ncProgram, "prog.nc") << r.option;
    }

    // Work-definition option, alone and with numbers.
    EXPECT_TRUE(Parse({"/D"}).options.dOption);
    {
        const Parsed p = Parse({"/DX(1,2.5,-3)"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_TRUE(p.options.dOption);
        EXPECT_EQ(p.options.dNumbers, (std::vector<double>{1.0, 2.5, -3.0}));
    }
    {
        // The list may follow after a blank, like any option value.
        const Parsed p = Parse({"/dx", "(4,5)"});
        EXPECT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.dNumbers, (std::vector<double>{4.0, 5.0}));
    }
}

TEST_F(CommandLine, AutomaticModeIsClearedWhenThereIsNothingToDo) {
    const struct {
        std::vector<std::string> args;
        int mode;
    } cases[] = {
        {{"/X1"}, 0},
        {{"/X3", "missing.nc"}, 0},
        {{"/X3", "prog.nc"}, 3},
        {{"/X2", "/O", "out.stl"}, 2},
        {{"/X2", "/V"}, 2},
        {{"/X4", "part.dmf"}, 4},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.args);
        const std::string label = c.args.back();
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << label << ": " << p.error;
        EXPECT_EQ(p.options.autoRunMode, c.mode) << label;
    }
}

TEST_F(CommandLine, UnusableArgumentsAreErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"/Q"},
        {"-Z", "prog.nc"},
        {"/T"},
        {"/C"},
        {"/M"},
        {"/O"},
        {"/I"},
        {"/S"},
        {"/P"},
        {"/G"},
        {"/X"},
        {"/X9", "prog.nc"},
        {"--bogus"},
        {"--close-after"},
        {"--close-after", "soon"},
    };
    for (const auto& args : cases) {
        const Parsed p = Parse(args);
        EXPECT_EQ(p.status, CommandLineStatus::Error) << args[0];
        EXPECT_FALSE(p.error.empty()) << args[0];
    }
}

TEST_F(CommandLine, MissingAbsolutePathsAreFilesAndReportModesTakeASeparateDigit) {
    // "/tmp/..." names a file even when it does not exist yet: it is never
    // taken for the option "/t" with the value "mp/...".
    const std::string missing = dir_.Path("missing/job.nc");
    {
        const Parsed p = Parse({missing});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.ncProgram, missing);
        EXPECT_FALSE(p.options.ncProgramOpened);
        EXPECT_TRUE(p.options.toolTable.empty());
    }
    // An option whose value starts a path is still an option.
    EXPECT_EQ(Parse({"/Onowhere/out.stl"}).options.outputWork, "nowhere/out.stl");
    {
        const Parsed p = Parse({"/V", "6", "prog.nc"});
        ASSERT_EQ(p.status, CommandLineStatus::Ok) << p.error;
        EXPECT_EQ(p.options.reportMode, 6);
        EXPECT_TRUE(p.options.minimised);
        EXPECT_EQ(p.options.ncProgram, "prog.nc");
    }
    dir_.Write("5", "a program named 5");
    EXPECT_EQ(Parse({"/V", "5"}).options.reportMode, 1);  // the file "5" is the NC program
}

}  // namespace
}  // namespace morvex
