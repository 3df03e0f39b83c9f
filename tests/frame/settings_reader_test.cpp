// Reading the settings file: built-in defaults, the value forms (keywords,
// numbers, triples, colours), the derived values (light angles, pitches,
// thread counts), where the settings and definition files are looked up, and
// the command line's values taking the place of their keys.
#include "frame/settings_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// Start and program directories that hold no files, so that no definition
// file is found by accident.
struct Reader {
    TempDir start;
    TempDir program;
    SettingsContext Context(int processors = 1) const {
        return {start.Dir(), program.Dir(), processors};
    }
    // `text` is the settings file, its lines separated by "\n".
    Settings Read(const std::string& text, const LaunchOptions& options = {},
                  int processors = 1) const {
        IniFile ini;
        ini.loaded = true;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            ini.lines.push_back(line);
        Settings s;
        ReadSettings(ini, options, Context(processors), s);
        return s;
    }
};

// A numeric field (bools as 0 and 1) and its expected value, compared with
// EXPECT_DOUBLE_EQ: exact for every integer.
struct Field {
    const char* name;
    double (*get)(const Settings&);
};
#define FIELD(f)                                                       \
    Field {                                                            \
#f, [](const Settings& s) { return static_cast<double>(s.f); } \
    }
struct Want {
    Field field;
    double value;
};
void ExpectFields(const Settings& s, std::initializer_list<Want> wants,
                  const std::string& label = "") {
    for (const Want& w : wants) {
        EXPECT_DOUBLE_EQ(w.field.get(s), w.value) << w.field.name << " " << label;
    }
}

void ExpectVec(const Vec3& v, const Vec3& e, const std::string& label) {
    EXPECT_NEAR(v.x, e.x, 1e-12) << label;
    EXPECT_NEAR(v.y, e.y, 1e-12) << label;
    EXPECT_NEAR(v.z, e.z, 1e-12) << label;
}

std::string WithoutTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;
}

// Changes the current directory for one scope.
struct CurrentDir {
    std::filesystem::path saved = std::filesystem::current_path();
    explicit CurrentDir(const std::string& dir) { std::filesystem::current_path(dir); }
    ~CurrentDir() { std::filesystem::current_path(saved); }
};

TEST(SettingsReader, NoSettingsFileGivesTheBuiltInDefaults) {
    Reader r;
    Settings s;
    ReadSettings(LoadIni(r.start.Path("morvex.ini")), LaunchOptions{}, r.Context(4), s);
    // INTERFERENCE "YES" is the catch-all (1, 3); HEIGHT and CHIP-W CHECK "NO";
    // MULTI THREAD "YES" takes every processor; SYNC NO "0" stores 0, not -1.
    // clang-format off
    ExpectFields(s, {
        {FIELD(display.perspective), 1}, {FIELD(display.displayGuidance), 2},
        {FIELD(display.toolDisplay), 1}, {FIELD(work.workPitch), 1}, {FIELD(work.movePitch), 1},
        {FIELD(work.offsetValue), 5}, {FIELD(work.rapidInterferenceMode), 1},
        {FIELD(work.arborMode), 3}, {FIELD(work.lengthMode), 0}, {FIELD(work.chipMode), 0},
        {FIELD(work.rapidFeedrate), 999999999}, {FIELD(work.stopKey), 17},
        {FIELD(work.escapeKey), 27}, {FIELD(work.maxMagazine), 200}, {FIELD(work.sound), 0},
        {FIELD(work.sweepThreads.count), 0}, {FIELD(work.sweepThreads.countMinusOne), -1},
        {FIELD(work.offsetThreads.count), 4}, {FIELD(work.offsetThreads.countMinusOne), 3},
        {FIELD(optimize.optAircut), 1}, {FIELD(sync.number), 0}, {FIELD(save.x), -1},
        {FIELD(save.show), 1}, {FIELD(mouse.moveWhileRightButtonDown), 0}});
    // clang-format on
    ExpectVec(s.dmf.initialMax, {100, 100, 30}, "block max");
    // Directories default to the start directory; the definition files, found
    // nowhere, fall back to the program directory.
    EXPECT_EQ(s.table.ttlDir, r.start.Dir());
    EXPECT_EQ(s.dmf.dmfDir, r.start.Dir());
    EXPECT_EQ(s.nc.ncDir, r.start.Dir());
    EXPECT_EQ(s.table.toolTable, r.program.Path("atc.ttl"));
    EXPECT_EQ(s.table.controllerTable, r.program.Path("vadez.ctl"));
    EXPECT_EQ(s.table.machineTable, r.program.Path("zuvid.mtl"));
    // In ColorKey order.
    const std::array<ColorRef, kColorCount> colors = {
        MakeColor(127, 127, 255), MakeColor(0, 255, 0),   MakeColor(255, 255, 0),
        MakeColor(192, 192, 192), MakeColor(191, 191, 0), MakeColor(191, 0, 191),
        MakeColor(0, 191, 191),   MakeColor(255, 0, 127), MakeColor(106, 181, 181),
        MakeColor(0, 127, 255),   MakeColor(127, 0, 255), MakeColor(255, 127, 0),
        MakeColor(255, 128, 255), MakeColor(255, 0, 128), MakeColor(128, 128, 192),
        MakeColor(0, 128, 0),     MakeColor(0, 128, 128), MakeColor(255, 0, 0),
        MakeColor(255, 128, 0),   MakeColor(255, 0, 255), MakeColor(255, 255, 0),
        MakeColor(255, 255, 0),   MakeColor(255, 0, 0),   MakeColor(255, 255, 255)};
    EXPECT_EQ(s.colors.value, colors);
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
    auto resolve = [&](const std::string& d, const std::string& value) {
        return ResolveDefinitionFile(d, value, program.Dir());
    };
    EXPECT_EQ(resolve(dir.Dir(), "atc.ttl"), program.Path("atc.ttl"));
    cwd.Write("atc.ttl", "");
    EXPECT_EQ(resolve(dir.Dir(), "atc.ttl"), "atc.ttl");
    dir.Write("atc.ttl", "");
    EXPECT_EQ(resolve(dir.Dir(), "atc.ttl"), dir.Path("atc.ttl"));
    // One separator is inserted when the directory lacks its trailing one.
    EXPECT_EQ(resolve(WithoutTrailingSlash(dir.Dir()), "atc.ttl"), dir.Path("atc.ttl"));
    // A value with a directory of its own is used as it is.
    EXPECT_EQ(resolve(dir.Dir(), "sub/atc.ttl"), "sub/atc.ttl");

    // The same order when the settings are read: start directory by default,
    // then the bare name in the current directory, then the program directory.
    Reader r;
    Settings s = r.Read("");
    EXPECT_EQ(s.table.toolTable, "atc.ttl");  // only the current directory has it
    EXPECT_EQ(s.table.controllerTable, r.program.Path("vadez.ctl"));
    r.start.Write("atc.ttl", "");
    EXPECT_EQ(r.Read("").table.toolTable, r.start.Path("atc.ttl"));

    // Directory keys without a trailing separator or with a backslash one, and
    // values with a directory written with backslashes.
    TempDir ctl, mtl;
    ctl.Write("lathe.ctl", "");
    mtl.Write("mill.mtl", "");
    s = r.Read("[Table]\nTarget_CTLdir=" + WithoutTrailingSlash(ctl.Dir()) +
               "\nCONTROLLER_TABLE=lathe.ctl\nTOOL_TABLE=sub\\tools.ttl\nTarget_MTLdir=" +
               WithoutTrailingSlash(mtl.Dir()) +
               "\\\nMACHINE_TABLE=mill.mtl\n[NCdata]\nTarget_NCdir=jobs\\nc\\");
    EXPECT_EQ(s.table.controllerTable, ctl.Path("lathe.ctl"));
    EXPECT_EQ(s.table.toolTable, "sub/tools.ttl");
    EXPECT_EQ(s.table.machineTable, mtl.Path("mill.mtl"));
    EXPECT_EQ(s.nc.ncDir, "jobs/nc/");

    // A definition file named on the command line takes the place of its key.
    r.start.Write("mine.mtl", "");
    LaunchOptions options;
    options.machineTable = program.Path("cmd.mtl");
    EXPECT_EQ(r.Read("[Table]\nMACHINE_TABLE=mine.mtl", options).table.machineTable,
              program.Path("cmd.mtl"));

    // The basic model is resolved against the work-file directory; BASIC DMF is
    // read only when BASIC MODEL is empty.
    r.start.Write("ref.dmf", "");
    s = r.Read("[DMFdata]\nBASIC DMF=ref.dmf");
    EXPECT_TRUE(s.dmf.basicModelOn);
    EXPECT_EQ(s.dmf.basicModel, r.start.Path("ref.dmf"));
    EXPECT_EQ(r.Read("[DMFdata]\nBASIC MODEL=model.stl\nBASIC DMF=ref.dmf").dmf.basicModel,
              r.program.Path("model.stl"));
}

TEST(SettingsReader, LightVectorGivesAzimuthAndTilt) {
    const double h = std::sqrt(0.5);
    const struct {
        const char* value;
        double azimuth, tilt;
        Vec3 unit;
    } cases[] = {
        {"(0.0,0.0,1.0)", 0.0, 0.0, {0, 0, 1}},
        {"(1,0,1)", 0.0, 45.0, {h, 0, h}},
        {"(0,-1,1)", 270.0, 45.0, {0, -h, h}},
        {"(-2,0,0)", 180.0, 90.0, {-1, 0, 0}},
        {"(3,4,0)", 53.13010235415598, 90.0, {0.6, 0.8, 0}},  // acos(0.6)
        {"(0,0,-5)", 0.0, 0.0, {0, 0, -1}},
        {"(0,0,0)", 0.0, 0.0, {0, 0, 1}},  // no light at all: from above
    };
    Reader r;
    for (const auto& c : cases) {
        const Settings s = r.Read(std::string("[Define]\nLIGHT VECTOR=") + c.value);
        EXPECT_NEAR(s.display.lightAzimuth, c.azimuth, 1e-9) << c.value;
        EXPECT_NEAR(s.display.lightTilt, c.tilt, 1e-9) << c.value;
        ExpectVec(s.display.lightVector, c.unit, c.value);
    }
}

TEST(SettingsReader, PitchesAndTheirAutomaticModes) {
    Reader r;
    const struct {
        const char* lines;
        double work, move;
        bool autoWork;
        int cells;
        bool autoMove;
    } cases[] = {
        {"PITCH(WORK)=AUTO", 1.0, 1.0, true, 20000, false},
        {"PITCH(WORK)=AUTO5000", 1.0, 1.0, true, 5000, false},
        {"PITCH(WORK)=auto0", 1.0, 1.0, true, 20000, false},
        {"PITCH(WORK)=0.25\nPITCH(MOVE)=0.75", 0.25, 0.75, false, 0, false},
        {"PITCH(WORK)=0.5\nPITCH(MOVE)=AUTO2", 0.5, 1.0, false, 0, true},
        {"PITCH(WORK)=0.5\nPITCH(MOVE)=AUTO", 0.5, 0.5, false, 0, true},
        {"PITCH(WORK)=2\nPITCH(MOVE)=AUTO0.5", 2.0, 1.0, false, 0, true},
        // The move factor multiplies the work pitch of an automatic work pitch too.
        {"PITCH(WORK)=AUTO\nPITCH(MOVE)=AUTO3", 1.0, 3.0, true, 20000, true},
    };
    for (const auto& c : cases) {
        const WorkSettings w = r.Read(std::string("[Define]\n") + c.lines).work;
        // The cell count matters only for an automatic work pitch.
        EXPECT_EQ(std::tuple(w.workPitch, w.movePitch, w.autoPitch, w.autoMovePitch,
                             w.autoPitch ? w.autoPitchCells : 0),
                  std::tuple(c.work, c.move, c.autoWork, c.autoMove, c.cells))
            << c.lines;
    }
}

TEST(SettingsReader, CommandLineValuesTakeThePlaceOfTheirKeys) {
    Reader r;
    const std::string file =
        "[Define]\nCONTROL POINT=(7,8,9)\nPITCH(WORK)=AUTO\nPITCH(MOVE)=AUTO2\n"
        "OFFSET VALUE=9.5\n[Save]\nX=1\nY=2\nHEIGHT=3\nWIDE=4\nDISPLAY=1";
    // clang-format off
    ExpectFields(r.Read(file), {{FIELD(work.controlPoint.z), 9}, {FIELD(save.x), 1},
                                {FIELD(save.width), 4}, {FIELD(work.offsetValue), 9.5}});
    // clang-format on
    LaunchOptions options;
    options.controlPoint = Vec3{1.5, -2.0, 3.0};
    options.workPitch = 0.2;
    options.movePitch = 0.4;
    options.geometry = WindowGeometry{10, 20, 300, 400};
    options.offsetValue = 2.5;
    const Settings s = r.Read(file, options);
    ExpectVec(s.work.controlPoint, {1.5, -2.0, 3.0}, "control point");
    // clang-format off
    ExpectFields(s, {{FIELD(work.workPitch), 0.2}, {FIELD(work.movePitch), 0.4},
                     {FIELD(work.autoPitch), 0}, {FIELD(work.autoMovePitch), 0},
                     {FIELD(save.x), 10}, {FIELD(save.y), 20}, {FIELD(save.height), 300},
                     {FIELD(save.width), 400}, {FIELD(work.offsetValue), 2.5},
                     {FIELD(save.display), 1}});  // not one of the replaced keys
    // A move pitch of 0 on the command line leaves PITCH(MOVE) to the file,
    // whose factor then applies to the command line's work pitch.
    LaunchOptions workOnly;
    workOnly.workPitch = 0.5;
    ExpectFields(r.Read(file, workOnly), {{FIELD(work.workPitch), 0.5}, {FIELD(work.autoPitch), 0},
                                          {FIELD(work.autoMovePitch), 1},
                                          {FIELD(work.movePitch), 1.0}});
    // clang-format on
}

TEST(SettingsReader, ThreadCountsFollowWordsNumbersAndProcessorCount) {
    Reader r;
    const struct {
        std::string value;
        int processors;
        int count;
    } cases[] = {{"YES", 4, 4}, {"on", 4, 4}, {"YES", 0, 1},   {"NO", 4, 0},
                 {"off", 4, 0}, {"3", 1, 3},  {"256", 1, 256}, {"257", 1, 256}};
    for (const auto& c : cases) {
        const std::string file = "[Define]\nthreadnc=" + c.value + "\nMULTI THREAD=" + c.value;
        const WorkSettings w = r.Read(file, {}, c.processors).work;
        EXPECT_EQ((std::array{w.sweepThreads.count, w.sweepThreads.countMinusOne,
                              w.offsetThreads.count, w.offsetThreads.countMinusOne}),
                  (std::array{c.count, c.count - 1, c.count, c.count - 1}))
            << c.value << " / " << c.processors;
    }
    // A file written for the 32-bit program has only threadno: it is honoured.
    EXPECT_EQ(r.Read("[Define]\nthreadno=3", {}, 8).work.offsetThreads.count, 3);
    // This build reads MULTI THREAD; threadno is passed over when both are there.
    EXPECT_EQ(r.Read("[Define]\nthreadno=3\nMULTI THREAD=NO", {}, 8).work.offsetThreads.count, 0);
}

TEST(SettingsReader, ColoursKeepTheLowByteOfTruncatedComponents) {
    Reader r;
    const struct {
        std::string value;
        ColorRef color;
    } cases[] = {
        {"(300,0,0)", MakeColor(44, 0, 0)},          {"BLACK", MakeColor(0, 0, 0)},
        {"white", MakeColor(255, 255, 255)},         {"(10.9,20.2,30.7)", MakeColor(10, 20, 30)},
        {"(-1,256,511)", MakeColor(255, 0, 255)},    {"(1,2)", MakeColor(1, 2, 0)},
        {"( 10 , 20 , 30 )", MakeColor(10, 20, 30)},
    };
    for (const auto& c : cases) {
        const Settings s = r.Read("[Define]\nPEN3 COLOR=" + c.value + "\nBACKGROUND=" + c.value);
        EXPECT_EQ(s.colors[ColorKey::Pen3], c.color) << c.value;
        EXPECT_EQ(s.colors[ColorKey::Background], c.color) << c.value;
    }
}

TEST(SettingsReader, KeywordsMatchByPrefixIgnoringCase) {
    // "NOPE" begins with NO; a MOVE SWITCH word other than the two known ones
    // counts as RBUTTONDOWN.
    Reader r;
    // clang-format off
    ExpectFields(r.Read(
        "[Define]\nMESH MODE=yes please\nPERSPECTIVE=off\nIGNORE G00=Yes\nSOUND=on\n"
        "TOOL DISPLAY=OFFLINE\nCOLOR MODE=direction\nTOOL-TOP COLOR MODE=pen color\n"
        "DISPLAY GUIDANCE=no thanks\nUPDATE=full\nDIFFERENCE MODE=always\nVOLUME UNIT=M3\n"
        "NEW CONTROL POINT=specify\nNEW CONTROL POINTD=current\nTOOL BASE POINT=arbor-top\n"
        "STOP KEY=space bar\nESCAPE KEY=break\nINTERFERENCE=NOPE\n"
        "[Mouse]\nMOVE SWITCH=middle\nWHEEL ZOOM=reverse\n"
        "[DMFdata]\nSHARE MODE=yes\nSYNC DISPLAY=3\nVALUE TYPE=int"), {
        {FIELD(display.meshMode), 1}, {FIELD(display.perspective), 0},
        {FIELD(work.ignoreG00), 1}, {FIELD(work.sound), 1}, {FIELD(display.toolDisplay), 0},
        {FIELD(display.colorByDirection), 1}, {FIELD(display.toolTopPenColor), 1},
        {FIELD(display.displayGuidance), 0}, {FIELD(display.updateMode), 2},
        {FIELD(work.differenceAlways), 1}, {FIELD(work.volumeInM3), 1},
        {FIELD(work.newControlPoint), 2}, {FIELD(work.newControlPointStart), 1},
        {FIELD(work.toolBasePoint), 4}, {FIELD(work.stopKey), 32}, {FIELD(work.escapeKey), 3},
        {FIELD(work.rapidInterferenceMode), 0}, {FIELD(work.arborMode), 1},
        {FIELD(mouse.moveWhileRightButtonDown), 1}, {FIELD(mouse.wheelReverse), 1},
        {FIELD(dmf.shareMode), 1}, {FIELD(dmf.syncDisplay), 3}, {FIELD(dmf.valueTypeInt), 1}});
    // The whole keyword must be present: a shorter value is not a match.
    ExpectFields(r.Read("[Define]\nINTERFERENCE=N\nPERSPECTIVE=OF\nMESH MODE=YE\nTOOL DISPLAY="), {
        {FIELD(work.rapidInterferenceMode), 1}, {FIELD(work.arborMode), 3},
        {FIELD(display.perspective), 1}, {FIELD(display.meshMode), 0},
        {FIELD(display.toolDisplay), 1}});
    // clang-format on
    const struct {
        const char* lines;
        Field field;
        int value;
    } cases[] = {
        // SYNC DISPLAY counts only while the work is shared.
        {"[DMFdata]\nSHARE MODE=NO\nSYNC DISPLAY=3", FIELD(dmf.syncDisplay), 0},
        // A longer word is tried before its prefix.
        {"[Optimize]\nCUT-DATA=BINARY-OPEN", FIELD(optimize.cutData), 4},
        {"[Optimize]\nCUT-DATA=binary", FIELD(optimize.cutData), 3},
        {"[Optimize]\nCUT-DATA=YES", FIELD(optimize.cutData), 1},
        {"[Optimize]\nOPT-AIRCUT=MAXOPTF", FIELD(optimize.optAircut), 2},
        {"[Optimize]\nOPT-CUT=ESCAPE", FIELD(optimize.optCut), 2},
        {"[Optimize]\nOPT-NC=no", FIELD(optimize.optNc), 0},
        {"[Optimize]\nOPT-NC=YES", FIELD(optimize.optNc), 1},
        {"[Optimize]\nV-VALUE=torque", FIELD(optimize.torqueValue), 1},
        {"[OUTPUTdata]\nNAMING MODE(LENGTH)=AUTO", FIELD(output.lengthNamingMode), 2},
        {"[OUTPUTdata]\nNAMING MODE(LENGTH)=fixed", FIELD(output.lengthNamingMode), 1},
        {"[OUTPUTdata]\nNAMING MODE(VERIFY)=auto", FIELD(output.verifyNamingMode), 2},
        {"[OUTPUTdata]\nCREATE MODE(LENGTH)=APPEND", FIELD(output.lengthAppend), 1},
        {"[Define]\nBASIC AXIS=OFF", FIELD(display.basicAxis), 0},
        {"[Define]\nPROGRESS BAR=no", FIELD(display.progressBar), 0},
        {"[Define]\nSTOP KEY=PAUSE", FIELD(work.stopKey), 19},
        {"[Define]\nESCAPE KEY=PAUSE", FIELD(work.escapeKey), 19},
        {"[DMFdata]\nDATA_LEVEL=4", FIELD(dmf.dataLevel), 4},
        {"[DMFdata]\nSAVE_LEVEL=3", FIELD(dmf.saveLevel), 3},
        {"[DMFdata]\nSAVE_LEVEL=5", FIELD(dmf.saveLevel), 1},
    };
    for (const auto& c : cases)
        ExpectFields(r.Read(c.lines), {{c.field, double(c.value)}}, c.lines);
}

TEST(SettingsReader, InterferenceArborHeightAndChipChecks) {
    Reader r;
    const struct {
        const char* lines;
        int rapid, arbor;
    } cases[] = {
        // clang-format off
        {"INTERFERENCE=NO", 0, 1}, {"INTERFERENCE=TOOL", 1, 1}, {"INTERFERENCE=ARBOR", 0, 3},
        {"INTERFERENCE=STOP", 2, 3}, {"INTERFERENCE=YES", 1, 3},
        {"INTERFERENCE=ARBOR\nARBOR CHECK=YES", 0, 3}, {"INTERFERENCE=NO\nARBOR CHECK=STOP", 0, 4},
        {"INTERFERENCE=TOOL\nARBOR CHECK=CUT", 1, 2}, {"INTERFERENCE=STOP\nARBOR CHECK=NO", 2, 0},
        {"INTERFERENCE=YES\nARBOR CHECK=OUTPUT", 1, 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        const WorkSettings w = r.Read(std::string("[Define]\n") + c.lines).work;
        EXPECT_EQ(std::pair(w.rapidInterferenceMode, w.arborMode), std::pair(c.rapid, c.arbor))
            << c.lines;
    }
    for (const auto& [value, mode] :
         {std::pair("NO", 0), {"OUTPUT", 1}, {"stop", 3}, {"ABORT", 2}}) {
        const WorkSettings w =
            r.Read(std::string("[Define]\nHEIGHT CHECK=") + value + "\nCHIP-W CHECK=" + value).work;
        EXPECT_EQ(std::pair(w.lengthMode, w.chipMode), std::pair(mode, mode)) << value;
    }
    // clang-format off
    ExpectFields(r.Read("[Define]\nRAPID FEEDRATE=no\nTOOL CLEARANCE=0.5\nARBOR CLEARANCE=YES"), {
        {FIELD(work.rapidFeedrate), 999999999.0}, {FIELD(work.toolClearanceMode), 2},
        {FIELD(work.toolClearance), 0.5}, {FIELD(work.arborClearanceMode), 1}});
    ExpectFields(r.Read("[Define]\nRAPID FEEDRATE=12000\nTOOL CLEARANCE=NO\nARBOR CLEARANCE=2"), {
        {FIELD(work.rapidFeedrate), 12000.0}, {FIELD(work.toolClearanceMode), 0},
        {FIELD(work.arborClearanceMode), 2}, {FIELD(work.arborClearance), 2.0}});
    // clang-format on
}

TEST(SettingsReader, NumbersTriplesAndAreas) {
    Reader r;
    Settings s = r.Read(
        "[Define]\n"
        "ANGLE-A=abc 30\n"           // text before the number is skipped
        "ANGLE-B=none\n"             // present without a number: 0, not the default
        "EXPAND RATE = +2.5\n"       // blanks around the equals sign
        "PROGRESS NAME=\"Job 1\"\n"  // a quoted value loses its quotes
        "CONTROL POINT=(1,,3)\n"     // the empty element is passed over; the third is missing
        "SPECIFIED POINT=(-1.5,2e1,.25)\n"
        "TARGET AREA=(-10,-20,0,10,20,5)\n"
        "WELDING(HEIGHT)=0.7\n"
        "MAX MAGAZINE=150\n"
        "[DMFdata]\n"
        "INITIAL SIZE=(-5,-6,-7,50,60,70)");
    // clang-format off
    ExpectFields(s, {{FIELD(display.angleA), 30}, {FIELD(display.angleB), 0},
                     {FIELD(display.expandRate), 2.5}, {FIELD(display.targetAreaOn), 1},
                     {FIELD(work.maxMagazine), 150}});
    // clang-format on
    EXPECT_EQ(s.display.progressName, "Job 1");
    ExpectVec(s.work.controlPoint, {1, 3, 0}, "control point");
    ExpectVec(s.work.specifiedPoint, {-1.5, 20, 0.25}, "specified point");
    EXPECT_EQ(s.display.targetArea, (std::array<double, 6>{-10, -20, 0, 10, 20, 5}));
    EXPECT_FLOAT_EQ(s.work.weldingHeight, 0.7f);
    ExpectVec(s.dmf.initialMin, {-5, -6, -7}, "block min");
    ExpectVec(s.dmf.initialMax, {50, 60, 70}, "block max");

    EXPECT_FALSE(r.Read("[Define]\nTARGET AREA=no").display.targetAreaOn);
    s = r.Read("[Define]\nTARGET AREA=1,2,3");  // missing elements read as 0
    EXPECT_TRUE(s.display.targetAreaOn);
    EXPECT_EQ(s.display.targetArea, (std::array<double, 6>{1, 2, 3, 0, 0, 0}));
}

TEST(SettingsReader, SyncNumbersAndNameLimits) {
    Reader r;
    const struct {
        std::string value;
        int stored;
    } numbers[] = {{"3", 2}, {"1", 0}, {"0", 0}, {"256", 255}, {"257", 255}};
    for (const auto& c : numbers) {
        EXPECT_EQ(static_cast<int>(r.Read("[Sync]\nSYNC NO=" + c.value).sync.number), c.stored)
            << c.value;
    }
    const Settings s = r.Read("[Sync]\nSYNC MODE=mapfile\nSYNC TOTAL=4\nSHARE NAME=LOCKSTEP");
    ExpectFields(s, {{FIELD(sync.mode), 2}, {FIELD(sync.total), 4}});
    EXPECT_EQ(s.sync.shareName, "LOCKSTEP");
    EXPECT_EQ(r.Read("[Sync]\nSYNC MODE=SYNC").sync.mode, 1);
    EXPECT_EQ(r.Read("[Sync]\nSYNC MODE=other").sync.mode, 0);

    // The shared work name holds at most 35 characters, the report suffix 9.
    const std::string name35(35, 'N');
    const Settings t =
        r.Read("[DMFdata]\nSHARE NAME=" + name35 + "XYZ\n[OUTPUTdata]\nVERIFY SUFFIX=abcdefghijkl");
    EXPECT_EQ(t.dmf.shareName, name35);
    EXPECT_EQ(t.output.verifySuffix, "abcdefghi");
    EXPECT_EQ(r.Read("[DMFdata]\nSHARE NAME=" + name35).dmf.shareName, name35);
}

TEST(SettingsReader, UnattendedRunsForceToolAndPathOffAndProgressBarOn) {
    Reader r;
    const std::string file =
        "[Define]\nTOOL DISPLAY=ON\nPATH(RESULT)=YES\nPROGRESS BAR=NO\n[Save]\nVIEW_T=1\nVIEW_P=1";
    LaunchOptions options;
    options.minimised = true;
    // clang-format off
    ExpectFields(r.Read(file), {{FIELD(display.toolDisplay), 1}, {FIELD(display.pathResult), 1},
                                {FIELD(display.progressBar), 0}, {FIELD(save.viewToolDialog), 1}});
    ExpectFields(r.Read(file, options), {
        {FIELD(display.toolDisplay), 0}, {FIELD(display.pathResult), 0},
        {FIELD(display.progressBar), 1}, {FIELD(save.viewToolDialog), 0},
        {FIELD(save.viewPanel), 1}});  // not among the forced keys
    // clang-format on
}

}  // namespace
}  // namespace morvex
