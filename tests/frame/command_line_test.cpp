// The command line: options with attached or separate values, plain file
// arguments classified by their ending (links followed), the output work
// format of /O, the unattended modes and the errors for unusable arguments.
#include "frame/launch_options.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/text.h"
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

// Parses `args`, which must be accepted.
LaunchOptions Options(const std::vector<std::string>& args,
                      const CommandLineContext& context = {}) {
    const Parsed p = Parse(args, context);
    EXPECT_EQ(p.status, CommandLineStatus::Ok) << args[0] << ": " << p.error;
    return p.options;
}

std::array<double, 3> Xyz(const std::optional<Vec3>& v) {
    return v ? std::array{v->x, v->y, v->z} : std::array{-99.0, -99.0, -99.0};
}
std::array<int, 4> Window(const std::optional<WindowGeometry>& g) {
    return g ? std::array{g->x, g->y, g->height, g->width} : std::array{-99, -99, -99, -99};
}

// Runs a test inside its own temporary folder, so that relative names of
// files that do not exist are never found and never look like options.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::current_path(dir_.Dir());
        dir_.Write("prog.nc", "G00 X0 Y0\nM30\n");
    }
    void TearDown() override { std::filesystem::current_path(saved_); }
    TempDir dir_;

private:
    std::filesystem::path saved_ = std::filesystem::current_path();
};

TEST(CommandLineOutput, FormatComesFromTheEndingAndTailsAreRemoved) {
    const struct {
        const char* given;
        const char* name;
        OutputFormat format;
    } cases[] = {
        {"out.DMF", "out.DMF", OutputFormat::Dmf},
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
    // The endings of save modules are formats 7, 8, 9 in slot order; the
    // built-in endings come first.
    const std::vector<std::string> savers = {".XYZ", ".pts", ".STL"};
    const struct {
        const char* given;
        OutputFormat format;
    } saved[] = {
        {"out.xyz", OutputFormat::Plugin1}, {"out.PTS", OutputFormat::Plugin2},
        {"out.stl", OutputFormat::Stl},     {"out.abc", OutputFormat::Dmf},
    };
    for (const auto& c : saved) {
        std::string name = c.given;
        EXPECT_EQ(ClassifyOutputName(name, savers), c.format) << c.given;
    }
    CommandLineContext context;
    context.saverEndings = {".XYZ"};
    LaunchOptions o;
    std::string error;
    ASSERT_EQ(ParseCommandLine({"/O", "out.xyz"}, context, o, error), CommandLineStatus::Ok);
    EXPECT_EQ(std::tuple(o.outputWork, o.outputFormat), std::tuple("out.xyz", OutputFormat::Plugin1));
}

TEST_F(CommandLine, OptionsTakeValuesAttachedOrInTheNextArgument) {
    LaunchOptions o = Options({"/O", "out.stl,b", "prog.nc"});
    EXPECT_EQ(std::tuple(o.outputWork, o.outputFormat, o.ncProgram, o.ncProgramOpened),
              std::tuple("out.stl", OutputFormat::StlBinary, "prog.nc", true));

    o = Options({"-oresult", "/S(1,2.5,-3)", "/P(0.5,0.25)", "/(10,20,300,400)", "/G2", "/F5,abc",
                 "/Ttools.ttl", "/cmill.ctl", "/Mfast.mtl", "/Kref.stl", "/Iother.cfg"});
    EXPECT_EQ(std::tuple(o.outputWork, o.outputFormat),
              std::tuple("result.DMF", OutputFormat::Dmf));
    EXPECT_EQ(Xyz(o.controlPoint), (std::array{1.0, 2.5, -3.0}));
    EXPECT_EQ(std::tuple(o.workPitch, o.movePitch), std::tuple(0.5, 0.25));
    EXPECT_EQ(Window(o.geometry), (std::array{10, 20, 300, 400}));
    EXPECT_EQ(std::tuple(o.processor, o.fOption, o.fText), std::tuple(2, 5, "abc"));
    EXPECT_EQ(std::tuple(o.toolTable, o.controllerTable, o.machineTable, o.basicModel),
              std::tuple("tools.ttl", "mill.ctl", "fast.mtl", "ref.stl"));
    EXPECT_EQ(o.workFile, "");  // the basic model is not the work to load
    EXPECT_EQ(std::tuple(o.settingsFile, o.settingsFromCommandLine), std::tuple("other.cfg", true));

    o = Options({"/o", "scene.wrl,z", "-s", "(4,5,6)", "/p", "(2,4)", "-(1,2,3,4)", "/g", "3", "/f",
                 "12,some text", "/t", "tools.ttl,5", "/i", "my.ini"});
    EXPECT_EQ(std::tuple(o.outputWork, o.outputFormat),
              std::tuple("scene.wrl", OutputFormat::WrlCompressed));
    EXPECT_EQ(Xyz(o.controlPoint), (std::array{4.0, 5.0, 6.0}));
    EXPECT_EQ(std::tuple(o.workPitch, o.movePitch), std::tuple(2.0, 4.0));
    EXPECT_EQ(Window(o.geometry), (std::array{1, 2, 3, 4}));
    EXPECT_EQ(std::tuple(o.processor, o.fOption, o.fText), std::tuple(3, 12, "some text"));
    EXPECT_EQ(o.toolTable, "tools.ttl");  // a comma ends the name
    EXPECT_EQ(o.settingsFile, "my.ini");

    // A separate value may be an absolute path of a file that does not exist yet.
    o = Options({"/O", dir_.Path("new/out.stl,b2"), "-K", dir_.Path("none.dmf")});
    EXPECT_EQ(
        std::tuple(o.outputWork, o.outputFormat, o.basicModel),
        std::tuple(dir_.Path("new/out.stl"), OutputFormat::StlBinary2, dir_.Path("none.dmf")));

    EXPECT_EQ(Options({"--close-after", "250"}).closeAfterMs, 250);
    EXPECT_TRUE(Options({"--help"}).showHelp);
    EXPECT_TRUE(Options({"--version"}).showVersion);
}

TEST_F(CommandLine, PlainArgumentsAreClassifiedByTheirEndingIgnoringCase) {
    CommandLineContext context;
    context.workEndings = {".XYZ"};
    const LaunchOptions o =
        Options({"My.INI", "a.Ttl", "b.CTL", "c.mtl", "w.Dmf", "prog.nc"}, context);
    EXPECT_EQ(std::tuple(o.settingsFile, o.settingsFromCommandLine), std::tuple("My.INI", true));
    EXPECT_EQ(std::tuple(o.toolTable, o.controllerTable, o.machineTable, o.workFile),
              std::tuple("a.Ttl", "b.CTL", "c.mtl", "w.Dmf"));
    EXPECT_EQ(std::tuple(o.ncProgram, o.ncProgramOpened), std::tuple("prog.nc", true));

    EXPECT_EQ(Options({"part.stl"}, context).workFile, "part.stl");
    EXPECT_EQ(Options({"part.xyz"}, context).workFile, "part.xyz");
    EXPECT_EQ(Options({"part.xyz"}).ncProgram, "part.xyz");  // not registered: NC program
    // The first unclassified argument is the NC program; one that cannot be
    // opened is still named.
    const LaunchOptions missing = Options({"missing.nc", "prog.nc"});
    EXPECT_EQ(std::tuple(missing.ncProgram, missing.ncProgramOpened),
              std::tuple("missing.nc", false));

    // An absolute path is a file, not an option ("/tmp/..." would otherwise
    // read as /T with a value), even when it does not exist yet; an option
    // whose value starts a path is still an option.
    const std::string tools = dir_.Write("tools.ttl", "");
    const LaunchOptions a = Options({tools, dir_.Path("prog.nc")});
    EXPECT_EQ(std::tuple(a.toolTable, a.ncProgram, a.ncProgramOpened),
              std::tuple(tools, dir_.Path("prog.nc"), true));
    const LaunchOptions b = Options({dir_.Path("missing/job.nc")});
    EXPECT_EQ(std::tuple(b.ncProgram, b.ncProgramOpened, b.toolTable),
              std::tuple(dir_.Path("missing/job.nc"), false, ""));
    EXPECT_EQ(Options({"/Onowhere/out.stl"}).outputWork, "nowhere/out.stl");
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

    LaunchOptions o = Options({"jobs/job.lnk"});
    EXPECT_EQ(std::tuple(o.ncProgramOpened, o.toolTable), std::tuple(true, std::string()));
    o = Options({"tools.lnk", "settings-link"});
    EXPECT_EQ(
        std::tuple(o.toolTable, o.settingsFile, o.settingsFromCommandLine, o.ncProgram),
        std::tuple(dir_.Path("real.ttl"), fs::canonical(dir_.Path("real.ini")).string(), true, ""));
    EXPECT_TRUE(Options({"UPPER.LNK"}).ncProgramOpened);
    // A link whose own name has a known ending is that kind, wherever it points.
    fs::create_symlink(dir_.Write("tools_v3", ""), dir_.Path("current.ttl"));
    o = Options({"current.ttl", "prog.nc"});
    EXPECT_EQ(std::tuple(o.toolTable, o.ncProgram), std::tuple("current.ttl", "prog.nc"));
    for (const char* name : {"fake.lnk", "FAKE2.LNK"}) {
        const Parsed fake = Parse({name});
        EXPECT_EQ(fake.status, CommandLineStatus::Error) << name;
        EXPECT_NE(fake.error.find(name), std::string::npos) << fake.error;
    }
}

TEST_F(CommandLine, ALaterArgumentOfAKindGivenByAnOptionIsIgnored) {
    const LaunchOptions o = Options({"/T", "first.ttl", "second.ttl", "/C", "first.ctl",
                                     "second.ctl", "/M", "first.mtl", "second.mtl", "/I",
                                     "first.ini", "second.ini", "prog.nc", "other.nc"});
    EXPECT_EQ(
        std::tuple(o.toolTable, o.controllerTable, o.machineTable, o.settingsFile, o.ncProgram),
        std::tuple("first.ttl", "first.ctl", "first.mtl", "first.ini", "prog.nc"));
}

TEST_F(CommandLine, AutomaticRunModesVariantsAndTheMinimisedFlag) {
    const struct {
        std::string option;
        int mode;
        std::string variant;
        bool minimised;
    } runs[] = {{"/X1", 1, "", false}, {"/x2", 2, "", false}, {"/X4B", 4, "B", false},
                {"/X5", 5, "", false}, {"-X6", 6, "", true},  {"/X7", 7, "", true}};
    for (const auto& r : runs) {
        const LaunchOptions o = Options({r.option, "prog.nc"});
        EXPECT_EQ(std::tuple(o.autoRunMode, ToUpperAscii(o.autoVariant), o.minimised),
                  std::tuple(r.mode, r.variant, r.minimised))
            << r.option;
    }
    // Work operations all run minimised.
    const struct {
        std::vector<std::string> args;
        char operation;
        std::string kind, file;
    } operations[] = {
        {{"/XOZ2", "prog.nc"}, 'O', "Z2", ""},
        {{"/xoh3", "prog.nc"}, 'O', "H3", ""},
        {{"/XAL", "model.stl", "prog.nc"}, 'A', "L", "model.stl"},
        {{"/XAHmodel.stl", "prog.nc"}, 'A', "H", "model.stl"},
        {{"/XMAB", "prog.nc"}, 'M', "AB", ""},
    };
    for (const auto& c : operations) {
        const LaunchOptions o = Options(c.args);
        EXPECT_EQ(std::tuple(o.workOperation, ToUpperAscii(o.workOperationKind),
                             o.workOperationFile, o.ncProgram, o.minimised),
                  std::tuple(c.operation, c.kind, c.file, "prog.nc", true))
            << c.args[0];
    }
    // Report modes, the digit attached or separate; only mode 6 is
    // unattended. A separate digit that names a file is the NC program.
    dir_.Write("5", "a program named 5");
    const struct {
        std::vector<std::string> args;
        int report;
        bool minimised;
        std::string program;
    } reports[] = {{{"/V", "prog.nc"}, 1, false, "prog.nc"}, {{"/V5", "prog.nc"}, 5, false, "prog.nc"},
                   {{"-v6", "prog.nc"}, 6, true, "prog.nc"}, {{"/V", "6", "prog.nc"}, 6, true, "prog.nc"},
                   {{"/V", "5"}, 1, false, "5"}};
    for (const auto& r : reports) {
        const LaunchOptions o = Options(r.args);
        EXPECT_EQ(std::tuple(o.reportMode, o.minimised, o.ncProgram), std::tuple(r.report, r.minimised, r.program))
            << r.args[0] << " " << r.args[1];
    }
    // Work-definition option, alone and with numbers; the list may follow
    // after a blank, like any option value.
    const struct {
        std::vector<std::string> args;
        std::vector<double> numbers;
    } definitions[] = {
        {{"/D"}, {}}, {{"/DX(1,2.5,-3)"}, {1.0, 2.5, -3.0}}, {{"/dx", "(4,5)"}, {4, 5}}};
    for (const auto& c : definitions) {
        const LaunchOptions o = Options(c.args);
        EXPECT_EQ(std::tuple(o.dOption, o.dNumbers), std::tuple(true, c.numbers)) << c.args[0];
    }
}

TEST_F(CommandLine, AutomaticModeIsClearedWhenThereIsNothingToDo) {
    const struct {
        std::vector<std::string> args;
        int mode;
    } cases[] = {
        {{"/X1"}, 0},       {{"/X3", "missing.nc"}, 3},    {{"/X3", "prog.nc"}, 3},
        {{"/X2", "/V"}, 2}, {{"/X2", "/O", "out.stl"}, 2}, {{"/X4", "part.dmf"}, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Options(c.args).autoRunMode, c.mode) << c.args.back();
}

TEST_F(CommandLine, UnusableArgumentsAreErrors) {
    // A missing value, an unknown letter, too few numbers, a negative pitch.
    const std::vector<std::vector<std::string>> cases = {
        // clang-format off
        {"/Q"}, {"-Z", "prog.nc"}, {"/T"}, {"/C"}, {"/M"}, {"/O"}, {"/I"}, {"/S"}, {"/S(1,2)"},
        {"/P"}, {"/P(0.5)"}, {"/P(1,-2)"}, {"/G"}, {"/X"}, {"/X9", "prog.nc"}, {"--bogus"},
        {"--close-after"}, {"--close-after", "soon"},
        // clang-format on
    };
    for (const auto& args : cases) {
        const Parsed p = Parse(args);
        EXPECT_EQ(p.status, CommandLineStatus::Error) << args[0];
        EXPECT_NE(p.error.find(args[0]), std::string::npos) << p.error;
    }
}

}  // namespace
}  // namespace morvex
