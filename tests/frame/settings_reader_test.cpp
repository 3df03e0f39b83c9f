// Reading the settings file: built-in defaults, the value forms (keywords,
// numbers, triples, colours), the derived values (light angles, pitches,
// thread counts), where the settings and definition files are looked up, and
// the command line's values taking the place of their keys.
#include "frame/settings_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

IniFile Ini(std::vector<std::string> lines) {
    IniFile ini;
    ini.lines = std::move(lines);
    ini.loaded = true;
    return ini;
}

// Start and program directories that hold no files, so that no definition
// file is found by accident.
struct Reader {
    TempDir start;
    TempDir program;
    SettingsContext Context(int processors = 1) const {
        return {start.Dir(), program.Dir(), processors};
    }
    Settings Read(std::vector<std::string> lines, const LaunchOptions& options = {},
                  int processors = 1) const {
        Settings s;
        ReadSettings(Ini(std::move(lines)), options, Context(processors), s);
        return s;
    }
};

// Changes the current directory for one scope.
class CurrentDir {
public:
    explicit CurrentDir(const std::string& dir) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDir() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::filesystem::path saved_;
};

void ExpectVec(const Vec3& v, const Vec3& e, const std::string& label) {
    EXPECT_NEAR(v.x, e.x, 1e-12) << label;
    EXPECT_NEAR(v.y, e.y, 1e-12) << label;
    EXPECT_NEAR(v.z, e.z, 1e-12) << label;
}

std::string WithoutTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;
}

TEST(SettingsReader, NoSettingsFileGivesTheBuiltInDefaults) {
    Reader r;
    Settings s;
    ReadSettings(LoadIni(r.start.Path("morvex.ini")), LaunchOptions{}, r.Context(4), s);

    // View, light and work block.
    EXPECT_DOUBLE_EQ(s.display.angleA, 315.0);
    EXPECT_DOUBLE_EQ(s.display.angleB, 45.0);
    EXPECT_TRUE(s.display.perspective);
    EXPECT_EQ(s.display.displayGuidance, 2);
    EXPECT_FALSE(s.display.targetAreaOn);
    EXPECT_TRUE(s.display.pathResult && s.display.toolDisplay && s.display.progressBar);
    EXPECT_DOUBLE_EQ(s.display.lightAzimuth, 0.0);
    EXPECT_DOUBLE_EQ(s.display.lightTilt, 0.0);
    ExpectVec(s.display.lightVector, {0, 0, 1}, "light");
    ExpectVec(s.dmf.initialMin, {0, 0, 0}, "block min");
    ExpectVec(s.dmf.initialMax, {100, 100, 30}, "block max");
    ExpectVec(s.work.specifiedPoint, {0, 0, 100}, "specified point");
    EXPECT_DOUBLE_EQ(s.work.workPitch, 1.0);
    EXPECT_DOUBLE_EQ(s.work.movePitch, 1.0);
    EXPECT_FALSE(s.work.autoPitch || s.work.autoMovePitch);
    EXPECT_DOUBLE_EQ(s.work.offsetValue, 5.0);

    // Checks and keys: INTERFERENCE "YES" is the catch-all (1, 3); the height
    // and chip-width checks and both clearances are "NO".
    EXPECT_EQ(s.work.rapidInterferenceMode, 1);
    EXPECT_EQ(s.work.arborMode, 3);
    EXPECT_EQ(s.work.lengthMode, 0);
    EXPECT_EQ(s.work.chipMode, 0);
    EXPECT_DOUBLE_EQ(s.work.rapidFeedrate, 999999999.0);
    EXPECT_EQ(s.work.toolClearanceMode, 0);
    EXPECT_EQ(s.work.arborClearanceMode, 0);
    EXPECT_EQ(s.work.stopKey, 17);
    EXPECT_EQ(s.work.escapeKey, 27);
    EXPECT_EQ(s.work.maxMagazine, 200);
    EXPECT_FALSE(s.work.sound);
    EXPECT_FALSE(s.mouse.moveWhileRightButtonDown);  // "RBUTTONCLICK"
    // threadnc "NO"; the offset bands come from MULTI THREAD "YES": every processor.
    EXPECT_EQ(s.work.sweepThreads.count, 0);
    EXPECT_EQ(s.work.sweepThreads.countMinusOne, -1);
    EXPECT_EQ(s.work.offsetThreads.count, 4);
    EXPECT_EQ(s.work.offsetThreads.countMinusOne, 3);

    // Outputs, names and window: OPT-CUT "OPTIMIZE" 1, OPT-AIRCUT "ESCAPE" 1.
    EXPECT_EQ(s.optimize.optCut, 1);
    EXPECT_EQ(s.optimize.optAircut, 1);
    EXPECT_EQ(s.optimize.cutData, 0);
    EXPECT_EQ(s.output.lengthNamingMode, 0);
    EXPECT_EQ(s.dmf.shareName, "MORVEXDMF");
    EXPECT_FALSE(s.dmf.basicModelOn);
    EXPECT_EQ(s.editor.selfOption, "/X2 VAZED!.NC");
    EXPECT_EQ(s.sync.shareName, "MORVEXSYNC");
    EXPECT_EQ(s.sync.number, 0);  // SYNC NO "0": -1 is stored as 0
    EXPECT_EQ(s.save.x, -1);
    EXPECT_EQ(s.save.width, -1);
    EXPECT_EQ(s.save.show, 1);

    // Directories default to the start directory; the definition files, found
    // nowhere, fall back to the program directory.
    EXPECT_EQ(s.table.ttlDir, r.start.Dir());
    EXPECT_EQ(s.dmf.dmfDir, r.start.Dir());
    EXPECT_EQ(s.nc.ncDir, r.start.Dir());
    EXPECT_EQ(s.table.toolTable, r.program.Path("atc.ttl"));
    EXPECT_EQ(s.table.controllerTable, r.program.Path("vadez.ctl"));
    EXPECT_EQ(s.table.machineTable, r.program.Path("zuvid.mtl"));

    const struct {
        ColorKey key;
        int red, green, blue;
    } colors[] = {
        {ColorKey::Work, 127, 127, 255},       {ColorKey::Pen1, 0, 255, 0},
        {ColorKey::Pen2, 255, 255, 0},         {ColorKey::Pen3, 192, 192, 192},
        {ColorKey::Pen4, 191, 191, 0},         {ColorKey::Pen5, 191, 0, 191},
        {ColorKey::Pen6, 0, 191, 191},         {ColorKey::Pen7, 255, 0, 127},
        {ColorKey::UpCut, 106, 181, 181},      {ColorKey::DownCut, 0, 127, 255},
        {ColorKey::VerticalCut, 127, 0, 255},  {ColorKey::Penki, 255, 127, 0},
        {ColorKey::Work2, 255, 128, 255},      {ColorKey::ToolTop, 255, 0, 128},
        {ColorKey::ToolSide, 128, 128, 192},   {ColorKey::Arbor, 0, 128, 0},
        {ColorKey::Attachment, 0, 128, 128},   {ColorKey::TopPath, 255, 0, 0},
        {ColorKey::ControlPath, 255, 128, 0},  {ColorKey::CutPath, 255, 0, 255},
        {ColorKey::Construction, 255, 255, 0}, {ColorKey::Plus, 255, 255, 0},
        {ColorKey::Minus, 255, 0, 0},          {ColorKey::Background, 255, 255, 255},
    };
    for (const auto& c : colors) {
        const ColorRef v = s.colors[c.key];
        EXPECT_EQ(ColorRed(v), c.red) << static_cast<int>(c.key);
        EXPECT_EQ(ColorGreen(v), c.green) << static_cast<int>(c.key);
        EXPECT_EQ(ColorBlue(v), c.blue) << static_cast<int>(c.key);
    }
}

TEST(SettingsReader, SettingsAndHelpFilesAreLookedUpInStartThenProgramDirectory) {
    TempDir start, program;
    const SettingsContext context{start.Dir(), program.Dir(), 1};

    // Found nowhere: the program directory is used without a message.
    EXPECT_EQ(LocateSettingsFile("morvex.ini", context), program.Path("morvex.ini"));
    program.Write("morvex.ini", "[Define]\n");
    EXPECT_EQ(LocateSettingsFile("morvex.ini", context), program.Path("morvex.ini"));
    start.Write("morvex.ini", "[Define]\n");
    EXPECT_EQ(LocateSettingsFile("morvex.ini", context), start.Path("morvex.ini"));
    // A name with a directory is used unchanged, even when it does not exist.
    EXPECT_EQ(LocateSettingsFile("conf/other.ini", context), "conf/other.ini");
    EXPECT_EQ(LocateSettingsFile(program.Path("x.ini"), context), program.Path("x.ini"));

    EXPECT_EQ(LocateHelpFile(context), program.Path("HELP/index.htm"));
    start.Write("HELP/index.htm", "<html></html>");
    EXPECT_EQ(LocateHelpFile(context), start.Path("HELP/index.htm"));
}

TEST(SettingsReader, DefinitionFilesAreLookedUpInTheirDirectoryThenBareThenInTheProgramDirectory) {
    TempDir dir, cwd, program;
    CurrentDir here(cwd.Dir());

    EXPECT_EQ(ResolveDefinitionFile(dir.Dir(), "atc.ttl", program.Dir()), program.Path("atc.ttl"));
    cwd.Write("atc.ttl", "");
    EXPECT_EQ(ResolveDefinitionFile(dir.Dir(), "atc.ttl", program.Dir()), "atc.ttl");
    dir.Write("atc.ttl", "");
    EXPECT_EQ(ResolveDefinitionFile(dir.Dir(), "atc.ttl", program.Dir()), dir.Path("atc.ttl"));
    // One separator is inserted when the directory lacks its trailing one.
    EXPECT_EQ(ResolveDefinitionFile(WithoutTrailingSlash(dir.Dir()), "atc.ttl", program.Dir()),
              dir.Path("atc.ttl"));
    // A value with a directory of its own is used as it is.
    EXPECT_EQ(ResolveDefinitionFile(dir.Dir(), "sub/atc.ttl", program.Dir()), "sub/atc.ttl");

    // The same order when the settings are read: start directory by default,
    // then the bare name in the current directory, then the program directory.
    {
        Reader r;
        Settings s = r.Read({});
        EXPECT_EQ(s.table.toolTable, "atc.ttl");  // only the current directory has it
        EXPECT_EQ(s.table.controllerTable, r.program.Path("vadez.ctl"));
        r.start.Write("atc.ttl", "");
        s = r.Read({});
        EXPECT_EQ(s.table.toolTable, r.start.Path("atc.ttl"));
    }
    // Directory keys without a trailing separator, and a value with a directory
    // written with a backslash.
    {
        Reader r;
        TempDir ctl;
        ctl.Write("lathe.ctl", "");
        const Settings s = r.Read({"[Table]", "Target_CTLdir=" + WithoutTrailingSlash(ctl.Dir()),
                                   "CONTROLLER_TABLE=lathe.ctl", "TOOL_TABLE=sub\\tools.ttl"});
        EXPECT_EQ(s.table.controllerTable, ctl.Path("lathe.ctl"));
        EXPECT_EQ(s.table.toolTable, "sub/tools.ttl");
    }
    // A directory written with backslashes, trailing one included.
    {
        Reader r;
        TempDir mtl;
        mtl.Write("mill.mtl", "");
        const Settings s =
            r.Read({"[Table]", "Target_MTLdir=" + WithoutTrailingSlash(mtl.Dir()) + "\\",
                    "MACHINE_TABLE=mill.mtl", "[NCdata]", "Target_NCdir=jobs\\nc\\"});
        EXPECT_EQ(s.table.machineTable, mtl.Path("mill.mtl"));
        EXPECT_EQ(s.nc.ncDir, "jobs/nc/");
    }
    // A definition file named on the command line takes the place of its key.
    {
        Reader r;
        r.start.Write("mine.mtl", "");
        LaunchOptions options;
        options.machineTable = program.Path("cmd.mtl");
        const Settings s = r.Read({"[Table]", "MACHINE_TABLE=mine.mtl"}, options);
        EXPECT_EQ(s.table.machineTable, program.Path("cmd.mtl"));
    }
    // The basic model is resolved against the work-file directory; BASIC DMF is
    // read only when BASIC MODEL is empty.
    {
        Reader r;
        r.start.Write("ref.dmf", "");
        Settings s = r.Read({"[DMFdata]", "BASIC DMF=ref.dmf"});
        EXPECT_TRUE(s.dmf.basicModelOn);
        EXPECT_EQ(s.dmf.basicModel, r.start.Path("ref.dmf"));
        s = r.Read({"[DMFdata]", "BASIC MODEL=model.stl", "BASIC DMF=ref.dmf"});
        EXPECT_TRUE(s.dmf.basicModelOn);
        EXPECT_EQ(s.dmf.basicModel, r.program.Path("model.stl"));
    }
}

TEST(SettingsReader, LightVectorGivesAzimuthAndTilt) {
    const double r = std::sqrt(0.5);
    const struct {
        const char* value;
        double azimuth, tilt;
        Vec3 unit;
    } cases[] = {
        {"(0.0,0.0,1.0)", 0.0, 0.0, {0, 0, 1}},
        {"(1,0,1)", 0.0, 45.0, {r, 0, r}},
        {"(0,-1,1)", 270.0, 45.0, {0, -r, r}},
        {"(-2,0,0)", 180.0, 90.0, {-1, 0, 0}},
        {"(3,4,0)", 53.13010235415598, 90.0, {0.6, 0.8, 0}},  // acos(0.6)
        {"(0,0,-5)", 0.0, 0.0, {0, 0, -1}},
    };
    Reader reader;
    for (const auto& c : cases) {
        const Settings s = reader.Read({"[Define]", std::string("LIGHT VECTOR=") + c.value});
        EXPECT_NEAR(s.display.lightAzimuth, c.azimuth, 1e-9) << c.value;
        EXPECT_NEAR(s.display.lightTilt, c.tilt, 1e-9) << c.value;
        ExpectVec(s.display.lightVector, c.unit, c.value);
    }
}

TEST(SettingsReader, PitchesAndTheirAutomaticModes) {
    Reader r;
    const struct {
        std::vector<std::string> lines;
        double work, move;
        bool autoWork;
        int cells;
        bool autoMove;
    } cases[] = {
        {{"PITCH(WORK)=AUTO"}, 1.0, 1.0, true, 20000, false},
        {{"PITCH(WORK)=AUTO5000"}, 1.0, 1.0, true, 5000, false},
        {{"PITCH(WORK)=auto0"}, 1.0, 1.0, true, 20000, false},
        {{"PITCH(WORK)=0.25", "PITCH(MOVE)=0.75"}, 0.25, 0.75, false, 20000, false},
        {{"PITCH(WORK)=0.5", "PITCH(MOVE)=AUTO2"}, 0.5, 1.0, false, 20000, true},
        {{"PITCH(WORK)=0.5", "PITCH(MOVE)=AUTO"}, 0.5, 0.5, false, 20000, true},
        {{"PITCH(WORK)=2", "PITCH(MOVE)=AUTO0.5"}, 2.0, 1.0, false, 20000, true},
        // The move factor multiplies the work pitch of an automatic work pitch too.
        {{"PITCH(WORK)=AUTO", "PITCH(MOVE)=AUTO3"}, 1.0, 3.0, true, 20000, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines{"[Define]"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        const Settings s = r.Read(lines);
        const std::string label = c.lines.back();
        EXPECT_DOUBLE_EQ(s.work.workPitch, c.work) << label;
        EXPECT_DOUBLE_EQ(s.work.movePitch, c.move) << label;
        EXPECT_EQ(s.work.autoPitch, c.autoWork) << label;
        if (c.autoWork) {
            EXPECT_EQ(s.work.autoPitchCells, c.cells) << label;
        }
        EXPECT_EQ(s.work.autoMovePitch, c.autoMove) << label;
    }
}

TEST(SettingsReader, CommandLineValuesTakeThePlaceOfTheirKeys) {
    Reader r;
    const std::vector<std::string> lines{"[Define]",
                                         "CONTROL POINT=(7,8,9)",
                                         "PITCH(WORK)=AUTO",
                                         "PITCH(MOVE)=AUTO2",
                                         "OFFSET VALUE=9.5",
                                         "[Save]",
                                         "X=1",
                                         "Y=2",
                                         "HEIGHT=3",
                                         "WIDE=4",
                                         "DISPLAY=1"};
    {
        const Settings s = r.Read(lines);
        EXPECT_DOUBLE_EQ(s.work.controlPoint.z, 9.0);
        EXPECT_EQ(s.save.x, 1);
        EXPECT_EQ(s.save.width, 4);
        EXPECT_DOUBLE_EQ(s.work.offsetValue, 9.5);
    }
    LaunchOptions options;
    options.controlPoint = Vec3{1.5, -2.0, 3.0};
    options.workPitch = 0.2;
    options.movePitch = 0.4;
    options.geometry = WindowGeometry{10, 20, 300, 400};
    options.offsetValue = 2.5;
    const Settings s = r.Read(lines, options);
    ExpectVec(s.work.controlPoint, {1.5, -2.0, 3.0}, "control point");
    EXPECT_DOUBLE_EQ(s.work.workPitch, 0.2);
    EXPECT_DOUBLE_EQ(s.work.movePitch, 0.4);
    EXPECT_FALSE(s.work.autoPitch);
    EXPECT_FALSE(s.work.autoMovePitch);
    EXPECT_EQ(s.save.x, 10);
    EXPECT_EQ(s.save.y, 20);
    EXPECT_EQ(s.save.height, 300);
    EXPECT_EQ(s.save.width, 400);
    EXPECT_EQ(s.save.display, 1);  // not one of the replaced keys
    EXPECT_DOUBLE_EQ(s.work.offsetValue, 2.5);

    // A move pitch of 0 on the command line leaves PITCH(MOVE) to the file,
    // whose factor then applies to the command line's work pitch.
    LaunchOptions workOnly;
    workOnly.workPitch = 0.5;
    const Settings w = r.Read(lines, workOnly);
    EXPECT_DOUBLE_EQ(w.work.workPitch, 0.5);
    EXPECT_FALSE(w.work.autoPitch);
    EXPECT_TRUE(w.work.autoMovePitch);
    EXPECT_DOUBLE_EQ(w.work.movePitch, 1.0);
}

TEST(SettingsReader, ThreadCountsFollowWordsNumbersAndProcessorCount) {
    Reader r;
    const struct {
        const char* value;
        int processors;
        int count;
    } cases[] = {
        {"YES", 1, 1}, {"YES", 4, 4}, {"on", 4, 4}, {"YES", 0, 1},
        {"NO", 4, 0},  {"off", 4, 0}, {"3", 1, 3},  {"3", 4, 3},
    };
    for (const auto& c : cases) {
        const std::string label = std::string(c.value) + " / " + std::to_string(c.processors);
        const Settings s = r.Read({"[Define]", std::string("threadnc=") + c.value,
                                   std::string("MULTI THREAD=") + c.value},
                                  {}, c.processors);
        EXPECT_EQ(s.work.sweepThreads.count, c.count) << label;
        EXPECT_EQ(s.work.sweepThreads.countMinusOne, c.count - 1) << label;
        EXPECT_EQ(s.work.offsetThreads.count, c.count) << label;
        EXPECT_EQ(s.work.offsetThreads.countMinusOne, c.count - 1) << label;
    }
    // A file written for the 32-bit program has only threadno: it is honoured.
    EXPECT_EQ(r.Read({"[Define]", "threadno=3"}, {}, 8).work.offsetThreads.count, 3);
    // This build reads MULTI THREAD; threadno is passed over when both are there.
    const Settings s = r.Read({"[Define]", "threadno=3", "MULTI THREAD=NO"}, {}, 8);
    EXPECT_EQ(s.work.offsetThreads.count, 0);
}

TEST(SettingsReader, ColoursKeepTheLowByteOfTruncatedComponents) {
    Reader r;
    const struct {
        const char* value;
        int red, green, blue;
    } cases[] = {
        {"(300,0,0)", 44, 0, 0},          {"BLACK", 0, 0, 0},
        {"white", 255, 255, 255},         {"(10.9,20.2,30.7)", 10, 20, 30},
        {"(-1,256,511)", 255, 0, 255},    {"(1,2)", 1, 2, 0},
        {"( 10 , 20 , 30 )", 10, 20, 30},
    };
    for (const auto& c : cases) {
        const Settings s = r.Read({"[Define]", std::string("PEN3 COLOR=") + c.value,
                                   std::string("BACKGROUND=") + c.value});
        for (const ColorKey key : {ColorKey::Pen3, ColorKey::Background}) {
            EXPECT_EQ(ColorRed(s.colors[key]), c.red) << c.value;
            EXPECT_EQ(ColorGreen(s.colors[key]), c.green) << c.value;
            EXPECT_EQ(ColorBlue(s.colors[key]), c.blue) << c.value;
        }
    }
}

TEST(SettingsReader, KeywordsMatchByPrefixIgnoringCase) {
    // "NOPE" begins with NO; a MOVE SWITCH word other than the two known ones
    // counts as RBUTTONDOWN.
    Reader r;
    // clang-format off
    const Settings s = r.Read({"[Define]",
        "MESH MODE=yes please", "PERSPECTIVE=off", "IGNORE G00=Yes", "SOUND=on",
        "TOOL DISPLAY=OFFLINE", "COLOR MODE=direction", "TOOL-TOP COLOR MODE=pen color",
        "DISPLAY GUIDANCE=no thanks", "UPDATE=full", "DIFFERENCE MODE=always", "VOLUME UNIT=M3",
        "NEW CONTROL POINT=specify", "NEW CONTROL POINTD=current", "TOOL BASE POINT=arbor-top",
        "STOP KEY=space bar", "ESCAPE KEY=break", "INTERFERENCE=NOPE",
        "[Mouse]", "MOVE SWITCH=middle", "WHEEL ZOOM=reverse",
        "[DMFdata]", "SHARE MODE=yes", "SYNC DISPLAY=3", "VALUE TYPE=int"});
    // clang-format on
    EXPECT_TRUE(s.display.meshMode);
    EXPECT_FALSE(s.display.perspective);
    EXPECT_TRUE(s.work.ignoreG00);
    EXPECT_TRUE(s.work.sound);
    EXPECT_FALSE(s.display.toolDisplay);
    EXPECT_TRUE(s.display.colorByDirection);
    EXPECT_TRUE(s.display.toolTopPenColor);
    EXPECT_EQ(s.display.displayGuidance, 0);
    EXPECT_EQ(s.display.updateMode, 2);
    EXPECT_TRUE(s.work.differenceAlways);
    EXPECT_TRUE(s.work.volumeInM3);
    EXPECT_EQ(s.work.newControlPoint, 2);
    EXPECT_EQ(s.work.newControlPointStart, 1);
    EXPECT_EQ(s.work.toolBasePoint, 4);
    EXPECT_EQ(s.work.stopKey, 32);
    EXPECT_EQ(s.work.escapeKey, 3);
    EXPECT_EQ(s.work.rapidInterferenceMode, 0);
    EXPECT_EQ(s.work.arborMode, 1);
    EXPECT_TRUE(s.mouse.moveWhileRightButtonDown);
    EXPECT_TRUE(s.mouse.wheelReverse);
    EXPECT_TRUE(s.dmf.shareMode);
    EXPECT_EQ(s.dmf.syncDisplay, 3);
    EXPECT_TRUE(s.dmf.valueTypeInt);

    // The whole keyword must be present: a shorter value is not a match.
    {
        const Settings t = r.Read(
            {"[Define]", "INTERFERENCE=N", "PERSPECTIVE=OF", "MESH MODE=YE", "TOOL DISPLAY="});
        EXPECT_EQ(t.work.rapidInterferenceMode, 1);
        EXPECT_EQ(t.work.arborMode, 3);
        EXPECT_TRUE(t.display.perspective);
        EXPECT_FALSE(t.display.meshMode);
        EXPECT_TRUE(t.display.toolDisplay);
    }
    // SYNC DISPLAY counts only while the work is shared.
    EXPECT_EQ(r.Read({"[DMFdata]", "SHARE MODE=NO", "SYNC DISPLAY=3"}).dmf.syncDisplay, 0);
    // A longer word is tried before its prefix.
    EXPECT_EQ(r.Read({"[Optimize]", "CUT-DATA=BINARY-OPEN"}).optimize.cutData, 4);
    EXPECT_EQ(r.Read({"[Optimize]", "CUT-DATA=binary"}).optimize.cutData, 3);
    EXPECT_EQ(r.Read({"[Optimize]", "CUT-DATA=YES"}).optimize.cutData, 1);
    EXPECT_EQ(r.Read({"[Optimize]", "OPT-AIRCUT=MAXOPTF"}).optimize.optAircut, 2);
    EXPECT_EQ(r.Read({"[Optimize]", "OPT-CUT=ESCAPE"}).optimize.optCut, 2);
    EXPECT_EQ(r.Read({"[OUTPUTdata]", "NAMING MODE(LENGTH)=AUTO"}).output.lengthNamingMode, 2);
    EXPECT_EQ(r.Read({"[OUTPUTdata]", "NAMING MODE(VERIFY)=auto"}).output.verifyNamingMode, 2);
    EXPECT_EQ(r.Read({"[Optimize]", "OPT-NC=no"}).optimize.optNc, 0);
    EXPECT_EQ(r.Read({"[Optimize]", "OPT-NC=YES"}).optimize.optNc, 1);
    EXPECT_TRUE(r.Read({"[Optimize]", "V-VALUE=torque"}).optimize.torqueValue);
    EXPECT_TRUE(r.Read({"[OUTPUTdata]", "CREATE MODE(LENGTH)=APPEND"}).output.lengthAppend);
    EXPECT_EQ(r.Read({"[OUTPUTdata]", "NAMING MODE(LENGTH)=fixed"}).output.lengthNamingMode, 1);
    EXPECT_FALSE(r.Read({"[Define]", "BASIC AXIS=OFF"}).display.basicAxis);
    EXPECT_FALSE(r.Read({"[Define]", "PROGRESS BAR=no"}).display.progressBar);
    EXPECT_EQ(r.Read({"[Define]", "STOP KEY=PAUSE", "ESCAPE KEY=PAUSE"}).work.stopKey, 19);
    EXPECT_EQ(r.Read({"[Define]", "STOP KEY=PAUSE", "ESCAPE KEY=PAUSE"}).work.escapeKey, 19);
    EXPECT_EQ(r.Read({"[DMFdata]", "DATA_LEVEL=4"}).dmf.dataLevel, 4);
    EXPECT_EQ(r.Read({"[DMFdata]", "SAVE_LEVEL=3"}).dmf.saveLevel, 3);
    EXPECT_EQ(r.Read({"[DMFdata]", "SAVE_LEVEL=5"}).dmf.saveLevel, 1);
}

TEST(SettingsReader, InterferenceArborHeightAndChipChecks) {
    Reader r;
    const struct {
        const char* interference;
        const char* arborCheck;  // nullptr: key absent
        int rapid, arbor;
    } cases[] = {
        {"NO", nullptr, 0, 1},   {"TOOL", nullptr, 1, 1}, {"ARBOR", nullptr, 0, 3},
        {"STOP", nullptr, 2, 3}, {"YES", nullptr, 1, 3},  {"ARBOR", "YES", 0, 3},
        {"NO", "STOP", 0, 4},    {"TOOL", "CUT", 1, 2},   {"STOP", "NO", 2, 0},
        {"YES", "OUTPUT", 1, 1}, {"TOOL", "maybe", 1, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines{"[Define]", std::string("INTERFERENCE=") + c.interference};
        if (c.arborCheck) lines.push_back(std::string("ARBOR CHECK=") + c.arborCheck);
        const Settings s = r.Read(lines);
        const std::string label =
            std::string(c.interference) + " / " + (c.arborCheck ? c.arborCheck : "-");
        EXPECT_EQ(s.work.rapidInterferenceMode, c.rapid) << label;
        EXPECT_EQ(s.work.arborMode, c.arbor) << label;
    }

    const struct {
        const char* value;
        int length, chip;
    } checks[] = {
        {"NO", 0, 0}, {"OUTPUT", 1, 1}, {"stop", 3, 3}, {"ABORT", 2, 2}, {"YES", 2, 2},
    };
    for (const auto& c : checks) {
        const Settings s = r.Read({"[Define]", std::string("HEIGHT CHECK=") + c.value,
                                   std::string("CHIP-W CHECK=") + c.value});
        EXPECT_EQ(s.work.lengthMode, c.length) << c.value;
        EXPECT_EQ(s.work.chipMode, c.chip) << c.value;
    }

    Settings s =
        r.Read({"[Define]", "RAPID FEEDRATE=no", "TOOL CLEARANCE=0.5", "ARBOR CLEARANCE=YES"});
    EXPECT_DOUBLE_EQ(s.work.rapidFeedrate, 999999999.0);
    EXPECT_EQ(s.work.toolClearanceMode, 2);
    EXPECT_DOUBLE_EQ(s.work.toolClearance, 0.5);
    EXPECT_EQ(s.work.arborClearanceMode, 1);
    s = r.Read({"[Define]", "RAPID FEEDRATE=12000", "TOOL CLEARANCE=NO", "ARBOR CLEARANCE=2"});
    EXPECT_DOUBLE_EQ(s.work.rapidFeedrate, 12000.0);
    EXPECT_EQ(s.work.toolClearanceMode, 0);
    EXPECT_EQ(s.work.arborClearanceMode, 2);
    EXPECT_DOUBLE_EQ(s.work.arborClearance, 2.0);
}

TEST(SettingsReader, NumbersTriplesAndAreas) {
    Reader r;
    Settings s = r.Read({
        "[Define]",
        "ANGLE-A=abc 30",           // text before the number is skipped
        "ANGLE-B=none",             // present without a number: 0, not the default
        "EXPAND RATE = +2.5",       // blanks around the equals sign
        "PROGRESS NAME=\"Job 1\"",  // a quoted value loses its quotes
        "CONTROL POINT=(1,,3)",     // the empty element is passed over; the third is missing
        "SPECIFIED POINT=(-1.5,2e1,.25)",
        "TARGET AREA=(-10,-20,0,10,20,5)",
        "WELDING(HEIGHT)=0.7",
        "MAX MAGAZINE=150",
        "[DMFdata]",
        "INITIAL SIZE=(-5,-6,-7,50,60,70)",
    });
    EXPECT_DOUBLE_EQ(s.display.angleA, 30.0);
    EXPECT_DOUBLE_EQ(s.display.angleB, 0.0);
    EXPECT_DOUBLE_EQ(s.display.expandRate, 2.5);
    EXPECT_EQ(s.display.progressName, "Job 1");
    ExpectVec(s.work.controlPoint, {1, 3, 0}, "control point");
    ExpectVec(s.work.specifiedPoint, {-1.5, 20, 0.25}, "specified point");
    EXPECT_TRUE(s.display.targetAreaOn);
    const std::array<double, 6> area{-10, -20, 0, 10, 20, 5};
    EXPECT_EQ(s.display.targetArea, area);
    EXPECT_FLOAT_EQ(s.work.weldingHeight, 0.7f);
    EXPECT_EQ(s.work.maxMagazine, 150);
    ExpectVec(s.dmf.initialMin, {-5, -6, -7}, "block min");
    ExpectVec(s.dmf.initialMax, {50, 60, 70}, "block max");

    s = r.Read({"[Define]", "TARGET AREA=no"});
    EXPECT_FALSE(s.display.targetAreaOn);
    s = r.Read({"[Define]", "TARGET AREA=1,2,3"});  // missing elements read as 0
    EXPECT_TRUE(s.display.targetAreaOn);
    const std::array<double, 6> partial{1, 2, 3, 0, 0, 0};
    EXPECT_EQ(s.display.targetArea, partial);
}

TEST(SettingsReader, SyncNumbersAndNameLimits) {
    Reader r;
    const struct {
        const char* value;
        int stored;
    } numbers[] = {{"3", 2}, {"1", 0}, {"0", 0}, {"-4", 0}, {"200", 199}};
    for (const auto& c : numbers) {
        const Settings s = r.Read({"[Sync]", std::string("SYNC NO=") + c.value});
        EXPECT_EQ(static_cast<int>(s.sync.number), c.stored) << c.value;
    }
    Settings s = r.Read({"[Sync]", "SYNC MODE=mapfile", "SYNC TOTAL=4", "SHARE NAME=LOCKSTEP"});
    EXPECT_EQ(s.sync.mode, 2);
    EXPECT_EQ(static_cast<int>(s.sync.total), 4);
    EXPECT_EQ(s.sync.shareName, "LOCKSTEP");
    EXPECT_EQ(r.Read({"[Sync]", "SYNC MODE=SYNC"}).sync.mode, 1);
    EXPECT_EQ(r.Read({"[Sync]", "SYNC MODE=other"}).sync.mode, 0);

    // The shared work name holds at most 35 characters, the report suffix 9.
    const std::string name35(35, 'N');
    s = r.Read({"[DMFdata]", "SHARE NAME=" + name35 + "XYZ", "[OUTPUTdata]",
                "VERIFY SUFFIX=abcdefghijkl"});
    EXPECT_EQ(s.dmf.shareName, name35);
    EXPECT_EQ(s.output.verifySuffix, "abcdefghi");
    EXPECT_EQ(r.Read({"[DMFdata]", "SHARE NAME=" + name35}).dmf.shareName, name35);
}

TEST(SettingsReader, UnattendedRunsForceToolAndPathOffAndProgressBarOn) {
    Reader r;
    const std::vector<std::string> lines{"[Define]",        "TOOL DISPLAY=ON", "PATH(RESULT)=YES",
                                         "PROGRESS BAR=NO", "[Save]",          "VIEW_T=1",
                                         "VIEW_P=1"};
    Settings s = r.Read(lines);
    EXPECT_TRUE(s.display.toolDisplay);
    EXPECT_TRUE(s.display.pathResult);
    EXPECT_FALSE(s.display.progressBar);
    EXPECT_EQ(s.save.viewToolDialog, 1);

    LaunchOptions options;
    options.minimised = true;
    s = r.Read(lines, options);
    EXPECT_FALSE(s.display.toolDisplay);
    EXPECT_FALSE(s.display.pathResult);
    EXPECT_TRUE(s.display.progressBar);
    EXPECT_EQ(s.save.viewToolDialog, 0);
    EXPECT_EQ(s.save.viewPanel, 1);  // not among the forced keys
}

}  // namespace
}  // namespace morvex
