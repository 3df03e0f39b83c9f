// Reading the settings file: the defaults that come from parsing, the value
// forms (keywords, numbers, triples, colours), the derived values (light
// angles, pitches, thread counts), where files are looked up, and the command
// line's values taking the place of their keys.
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
    SettingsContext Context(int processors = 1) const { return {start.Dir(), program.Dir(), processors}; }
    // `text` is the settings file, its lines separated by "\n".
    Settings Read(const std::string& text, const LaunchOptions& options = {}, int processors = 1) const {
        IniFile ini;
        ini.loaded = true;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) ini.lines.push_back(line);
        Settings s;
        ReadSettings(ini, options, Context(processors), s);
        return s;
    }
};

// A numeric field (bools as 0 and 1) and its expected value.
struct Field {
    const char* name;
    double (*get)(const Settings&);
};
#define FIELD(f) Field{#f, [](const Settings& s) { return static_cast<double>(s.f); }}
struct Want {
    Field field;
    double value;
};
void ExpectFields(const Settings& s, std::initializer_list<Want> wants, const std::string& label = "") {
    for (const Want& w : wants) EXPECT_DOUBLE_EQ(w.field.get(s), w.value) << w.field.name << " " << label;
}

void ExpectVec(const Vec3& v, const Vec3& e, const std::string& label) {
    EXPECT_NEAR(v.x, e.x, 1e-12) << label;
    EXPECT_NEAR(v.y, e.y, 1e-12) << label;
    EXPECT_NEAR(v.z, e.z, 1e-12) << label;
}

std::string NoSlash(std::string dir) {
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;
}

// Changes the current directory for one scope.
struct CurrentDir {
    std::filesystem::path saved = std::filesystem::current_path();
    explicit CurrentDir(const std::string& dir) { std::filesystem::current_path(dir); }
    ~CurrentDir() { std::filesystem::current_path(saved); }
};

// Only the defaults that go through the value parsing: INTERFERENCE "YES" is
// the catch-all (1, 3), MULTI THREAD "YES" takes every processor, SYNC NO "0"
// stores 0, not -1; the files found nowhere fall back to the program directory.
TEST(SettingsReader, NoSettingsFileGivesTheParsedDefaults) {
    Reader r;
    Settings s;
    ReadSettings(LoadIni(r.start.Path("morvex.ini")), LaunchOptions{}, r.Context(4), s);
    ExpectFields(s, {{FIELD(work.rapidInterferenceMode), 1}, {FIELD(work.arborMode), 3},
                     {FIELD(work.lengthMode), 0}, {FIELD(work.sweepThreads.count), 0},
                     {FIELD(work.sweepThreads.countMinusOne), -1}, {FIELD(work.offsetThreads.count), 4},
                     {FIELD(sync.number), 0}, {FIELD(sync.timeoutSeconds), 60}, {FIELD(save.x), -1}});
    ExpectVec(s.dmf.initialMax, {100, 100, 30}, "block max");
    EXPECT_EQ(s.nc.ncDir, r.start.Dir());
    EXPECT_EQ(s.table.controllerTable, r.program.Path("vadez.ctl"));
    EXPECT_EQ(s.colors[ColorKey::Background], MakeColor(255, 255, 255));
}

TEST(SettingsReader, SettingsAndHelpFilesAreLookedUpInStartThenProgramDirectory) {
    TempDir start, program;
    const SettingsContext context{start.Dir(), program.Dir(), 1};
    EXPECT_EQ(LocateSettingsFile("morvex.ini", context), program.Path("morvex.ini"));  // found nowhere
    start.Write("morvex.ini", "[Define]\n");
    program.Write("morvex.ini", "[Define]\n");
    EXPECT_EQ(LocateSettingsFile("morvex.ini", context), start.Path("morvex.ini"));
    // A name with a directory is used unchanged, even when it does not exist.
    EXPECT_EQ(LocateSettingsFile("conf/other.ini", context), "conf/other.ini");
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
    EXPECT_EQ(resolve(NoSlash(dir.Dir()), "atc.ttl"), dir.Path("atc.ttl"));  // separator inserted
    EXPECT_EQ(resolve(dir.Dir(), "sub/atc.ttl"), "sub/atc.ttl");  // a directory of its own

    // Reading the settings: the start directory by default, then the bare
    // name in the current directory. Directory keys without a trailing
    // separator or with a backslash one; values with backslashes.
    Reader r;
    EXPECT_EQ(r.Read("").table.toolTable, "atc.ttl");
    r.start.Write("atc.ttl", "");
    EXPECT_EQ(r.Read("").table.toolTable, r.start.Path("atc.ttl"));
    TempDir ctl, mtl;
    ctl.Write("lathe.ctl", "");
    mtl.Write("mill.mtl", "");
    Settings s = r.Read("[Table]\nTarget_CTLdir=" + NoSlash(ctl.Dir()) +
                        "\nCONTROLLER_TABLE=lathe.ctl\nTOOL_TABLE=sub\\tools.ttl\nTarget_MTLdir=" +
                        NoSlash(mtl.Dir()) + "\\\nMACHINE_TABLE=mill.mtl\n[NCdata]\nTarget_NCdir=jobs\\nc\\");
    EXPECT_EQ(s.table.controllerTable, ctl.Path("lathe.ctl"));
    EXPECT_EQ(s.table.toolTable, "sub/tools.ttl");
    EXPECT_EQ(s.table.machineTable, mtl.Path("mill.mtl"));
    EXPECT_EQ(s.nc.ncDir, "jobs/nc/");

    // A definition file named on the command line takes the place of its key.
    r.start.Write("mine.mtl", "");
    LaunchOptions options;
    options.machineTable = program.Path("cmd.mtl");
    EXPECT_EQ(r.Read("[Table]\nMACHINE_TABLE=mine.mtl", options).table.machineTable, program.Path("cmd.mtl"));

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
        {"PITCH(WORK)=AUTO5000", 1.0, 1.0, true, 5000, false},
        {"PITCH(WORK)=auto0", 1.0, 1.0, true, 20000, false},
        {"PITCH(WORK)=0.25\nPITCH(MOVE)=0.75", 0.25, 0.75, false, 0, false},
        {"PITCH(WORK)=0.5\nPITCH(MOVE)=AUTO", 0.5, 0.5, false, 0, true},
        {"PITCH(WORK)=2\nPITCH(MOVE)=AUTO0.5", 2.0, 1.0, false, 0, true},
        // The move factor multiplies the work pitch of an automatic work pitch too.
        {"PITCH(WORK)=AUTO\nPITCH(MOVE)=AUTO3", 1.0, 3.0, true, 20000, true},
    };
    for (const auto& c : cases) {
        const WorkSettings w = r.Read(std::string("[Define]\n") + c.lines).work;
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
    ExpectFields(r.Read(file), {{FIELD(work.controlPoint.z), 9}, {FIELD(save.x), 1}});
    LaunchOptions options;
    options.controlPoint = Vec3{1.5, -2.0, 3.0};
    options.workPitch = 0.2;
    options.movePitch = 0.4;
    options.geometry = WindowGeometry{10, 20, 300, 400};
    options.offsetValue = 2.5;
    const Settings s = r.Read(file, options);
    ExpectVec(s.work.controlPoint, {1.5, -2.0, 3.0}, "control point");
    ExpectFields(s, {{FIELD(work.workPitch), 0.2}, {FIELD(work.movePitch), 0.4}, {FIELD(work.autoPitch), 0},
                     {FIELD(work.autoMovePitch), 0}, {FIELD(save.x), 10}, {FIELD(save.y), 20},
                     {FIELD(save.height), 300}, {FIELD(save.width), 400}, {FIELD(work.offsetValue), 2.5},
                     {FIELD(save.display), 1}});  // not one of the replaced keys
    // A move pitch of 0 on the command line leaves PITCH(MOVE) to the file,
    // whose factor then applies to the command line's work pitch.
    LaunchOptions workOnly;
    workOnly.workPitch = 0.5;
    ExpectFields(r.Read(file, workOnly), {{FIELD(work.workPitch), 0.5}, {FIELD(work.autoPitch), 0},
                                          {FIELD(work.autoMovePitch), 1}, {FIELD(work.movePitch), 1.0}});
}

TEST(SettingsReader, ThreadCountsFollowWordsNumbersAndProcessorCount) {
    Reader r;
    const struct {
        std::string value;
        int processors;
        int count;
    } cases[] = {{"on", 4, 4}, {"YES", 0, 1}, {"off", 4, 0}, {"3", 1, 3}, {"256", 1, 256}, {"257", 1, 256}};
    for (const auto& c : cases) {
        const WorkSettings w =
            r.Read("[Define]\nthreadnc=" + c.value + "\nMULTI THREAD=" + c.value, {}, c.processors).work;
        EXPECT_EQ((std::array{w.sweepThreads.count, w.sweepThreads.countMinusOne, w.offsetThreads.count,
                              w.offsetThreads.countMinusOne}),
                  (std::array{c.count, c.count - 1, c.count, c.count - 1}))
            << c.value << " / " << c.processors;
    }
    // A file written for the 32-bit program has only threadno: it is honoured,
    // but MULTI THREAD wins when both are there.
    EXPECT_EQ(r.Read("[Define]\nthreadno=3", {}, 8).work.offsetThreads.count, 3);
    EXPECT_EQ(r.Read("[Define]\nthreadno=3\nMULTI THREAD=NO", {}, 8).work.offsetThreads.count, 0);
}

TEST(SettingsReader, ColoursKeepTheLowByteOfTruncatedComponents) {
    Reader r;
    const struct {
        std::string value;
        ColorRef color;
    } cases[] = {
        {"BLACK", MakeColor(0, 0, 0)},           {"white", MakeColor(255, 255, 255)},
        {"(10.9,20.2,30.7)", MakeColor(10, 20, 30)}, {"(-1,256,511)", MakeColor(255, 0, 255)},
        {"(1,2)", MakeColor(1, 2, 0)},
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
    // Every key of its section once, so that a misspelt key shows.
    ExpectFields(r.Read("[Define]\nMESH MODE=yes please\nPERSPECTIVE=off\nIGNORE G00=Yes\nSOUND=on\n"
                        "TOOL DISPLAY=OFFLINE\nCOLOR MODE=direction\nTOOL-TOP COLOR MODE=pen color\n"
                        "DISPLAY GUIDANCE=no thanks\nUPDATE=full\nDIFFERENCE MODE=always\nVOLUME UNIT=M3\n"
                        "NEW CONTROL POINT=specify\nNEW CONTROL POINTD=current\nTOOL BASE POINT=arbor-top\n"
                        "STOP KEY=space bar\nESCAPE KEY=PAUSE\nINTERFERENCE=NOPE\nBASIC AXIS=OFF\nPROGRESS BAR=no\n"
                        "[Mouse]\nMOVE SWITCH=middle\nWHEEL ZOOM=reverse\n[DMFdata]\nSHARE MODE=yes\nSYNC DISPLAY=3\n"
                        "VALUE TYPE=int\nDATA_LEVEL=4\nSAVE_LEVEL=3\n[Optimize]\nOPT-AIRCUT=MAXOPTF\nOPT-CUT=ESCAPE\n"
                        "OPT-NC=no\nV-VALUE=torque\n[OUTPUTdata]\nNAMING MODE(LENGTH)=fixed\n"
                        "NAMING MODE(VERIFY)=auto\nCREATE MODE(LENGTH)=APPEND"),
                 {{FIELD(display.meshMode), 1}, {FIELD(display.perspective), 0}, {FIELD(work.ignoreG00), 1},
                  {FIELD(work.sound), 1}, {FIELD(display.toolDisplay), 0}, {FIELD(display.colorByDirection), 1},
                  {FIELD(display.toolTopPenColor), 1}, {FIELD(display.displayGuidance), 0},
                  {FIELD(display.updateMode), 2}, {FIELD(work.differenceAlways), 1}, {FIELD(work.volumeInM3), 1},
                  {FIELD(work.newControlPoint), 2}, {FIELD(work.newControlPointStart), 1},
                  {FIELD(work.toolBasePoint), 4}, {FIELD(work.stopKey), 32}, {FIELD(work.escapeKey), 19},
                  {FIELD(work.rapidInterferenceMode), 0}, {FIELD(work.arborMode), 1}, {FIELD(display.basicAxis), 0},
                  {FIELD(display.progressBar), 0}, {FIELD(mouse.moveWhileRightButtonDown), 1},
                  {FIELD(mouse.wheelReverse), 1}, {FIELD(dmf.shareMode), 1}, {FIELD(dmf.syncDisplay), 3},
                  {FIELD(dmf.valueTypeInt), 1}, {FIELD(dmf.dataLevel), 4}, {FIELD(dmf.saveLevel), 3},
                  {FIELD(optimize.optAircut), 2}, {FIELD(optimize.optCut), 2}, {FIELD(optimize.optNc), 0},
                  {FIELD(optimize.torqueValue), 1}, {FIELD(output.lengthNamingMode), 1},
                  {FIELD(output.verifyNamingMode), 2}, {FIELD(output.lengthAppend), 1}});
    // The whole keyword must be present: a shorter value is not a match.
    ExpectFields(r.Read("[Define]\nINTERFERENCE=N\nPERSPECTIVE=OF\nMESH MODE=YE\nTOOL DISPLAY="),
                 {{FIELD(work.rapidInterferenceMode), 1}, {FIELD(work.arborMode), 3},
                  {FIELD(display.perspective), 1}, {FIELD(display.meshMode), 0}, {FIELD(display.toolDisplay), 1}});
    const struct {
        const char* lines;
        Field field;
        int value;
    } cases[] = {
        {"[DMFdata]\nSHARE MODE=NO\nSYNC DISPLAY=3", FIELD(dmf.syncDisplay), 0},  // only while shared
        // A longer word is tried before its prefix.
        {"[Optimize]\nCUT-DATA=BINARY-OPEN", FIELD(optimize.cutData), 4},
        {"[Optimize]\nCUT-DATA=binary", FIELD(optimize.cutData), 3},
        {"[OUTPUTdata]\nNAMING MODE(LENGTH)=AUTO", FIELD(output.lengthNamingMode), 2},
        {"[Define]\nSTOP KEY=PAUSE", FIELD(work.stopKey), 19},
        {"[Define]\nESCAPE KEY=break", FIELD(work.escapeKey), 3},
        {"[Optimize]\nOPT-NC=YES", FIELD(optimize.optNc), 1},
        {"[DMFdata]\nSAVE_LEVEL=5", FIELD(dmf.saveLevel), 1},  // out of range
        {"[Sync]\nSYNC TIMEOUT=5", FIELD(sync.timeoutSeconds), 5},
        {"[Sync]\nSYNC TIMEOUT=-3", FIELD(sync.timeoutSeconds), 0},  // no limit
    };
    for (const auto& c : cases) ExpectFields(r.Read(c.lines), {{c.field, double(c.value)}}, c.lines);
}

TEST(SettingsReader, InterferenceArborHeightAndChipChecks) {
    Reader r;
    const struct {
        const char* lines;
        int rapid, arbor;
    } cases[] = {
        {"INTERFERENCE=TOOL", 1, 1},
        {"INTERFERENCE=ARBOR", 0, 3},
        {"INTERFERENCE=STOP", 2, 3},
        {"INTERFERENCE=NO\nARBOR CHECK=STOP", 0, 4},
        {"INTERFERENCE=TOOL\nARBOR CHECK=CUT", 1, 2},
        {"INTERFERENCE=STOP\nARBOR CHECK=NO", 2, 0},
        {"INTERFERENCE=ARBOR\nARBOR CHECK=YES", 0, 3},
        {"INTERFERENCE=YES\nARBOR CHECK=OUTPUT", 1, 1},
    };
    for (const auto& c : cases) {
        const WorkSettings w = r.Read(std::string("[Define]\n") + c.lines).work;
        EXPECT_EQ(std::pair(w.rapidInterferenceMode, w.arborMode), std::pair(c.rapid, c.arbor)) << c.lines;
    }
    for (const auto& [value, mode] : {std::pair("NO", 0), {"OUTPUT", 1}, {"stop", 3}, {"ABORT", 2}}) {
        const WorkSettings w =
            r.Read(std::string("[Define]\nHEIGHT CHECK=") + value + "\nCHIP-W CHECK=" + value).work;
        EXPECT_EQ(std::pair(w.lengthMode, w.chipMode), std::pair(mode, mode)) << value;
    }
    ExpectFields(r.Read("[Define]\nRAPID FEEDRATE=no\nTOOL CLEARANCE=0.5\nARBOR CLEARANCE=YES"),
                 {{FIELD(work.rapidFeedrate), 999999999.0}, {FIELD(work.toolClearanceMode), 2},
                  {FIELD(work.toolClearance), 0.5}, {FIELD(work.arborClearanceMode), 1}});
    ExpectFields(r.Read("[Define]\nRAPID FEEDRATE=12000\nTOOL CLEARANCE=NO\nARBOR CLEARANCE=2"),
                 {{FIELD(work.rapidFeedrate), 12000.0}, {FIELD(work.toolClearanceMode), 0},
                  {FIELD(work.arborClearanceMode), 2}, {FIELD(work.arborClearance), 2.0}});
}

TEST(SettingsReader, NumbersTriplesAreasAndLimits) {
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
        "WELDING(HEIGHT)=0.7\nMAX MAGAZINE=150\n"
        "[DMFdata]\n"
        "INITIAL SIZE=(-5,-6,-7,50,60,70)\n"
        "SHARE NAME=" + std::string(35, 'N') + "XYZ\n"  // at most 35 characters
        "[OUTPUTdata]\nVERIFY SUFFIX=abcdefghijkl\n"    // at most 9
        "[Sync]\nSYNC MODE=mapfile\nSYNC TOTAL=4\nSHARE NAME=LOCKSTEP\nSYNC NO=3");  // stored one less
    ExpectFields(s, {{FIELD(display.angleA), 30}, {FIELD(display.angleB), 0}, {FIELD(display.expandRate), 2.5},
                     {FIELD(display.targetAreaOn), 1}, {FIELD(sync.mode), 2}, {FIELD(sync.number), 2},
                     {FIELD(sync.total), 4}, {FIELD(work.maxMagazine), 150}});
    EXPECT_FLOAT_EQ(s.work.weldingHeight, 0.7f);
    EXPECT_EQ(s.sync.shareName, "LOCKSTEP");
    EXPECT_EQ(s.display.progressName, "Job 1");
    ExpectVec(s.work.controlPoint, {1, 3, 0}, "control point");
    ExpectVec(s.work.specifiedPoint, {-1.5, 20, 0.25}, "specified point");
    EXPECT_EQ(s.display.targetArea, (std::array<double, 6>{-10, -20, 0, 10, 20, 5}));
    ExpectVec(s.dmf.initialMin, {-5, -6, -7}, "block min");
    ExpectVec(s.dmf.initialMax, {50, 60, 70}, "block max");
    EXPECT_EQ(s.dmf.shareName, std::string(35, 'N'));
    EXPECT_EQ(s.output.verifySuffix, "abcdefghi");

    EXPECT_FALSE(r.Read("[Define]\nTARGET AREA=no").display.targetAreaOn);
    s = r.Read("[Define]\nTARGET AREA=1,2,3");  // missing elements read as 0
    EXPECT_TRUE(s.display.targetAreaOn);
    EXPECT_EQ(s.display.targetArea, (std::array<double, 6>{1, 2, 3, 0, 0, 0}));
    for (const auto& [value, stored] : {std::pair("1", 0), {"0", 0}, {"257", 255}})
        EXPECT_EQ(static_cast<int>(r.Read(std::string("[Sync]\nSYNC NO=") + value).sync.number), stored) << value;
    EXPECT_EQ(r.Read("[Sync]\nSYNC MODE=SYNC").sync.mode, 1);
    EXPECT_EQ(r.Read("[Sync]\nSYNC MODE=other").sync.mode, 0);
}

TEST(SettingsReader, UnattendedRunsForceToolAndPathOffAndProgressBarOn) {
    Reader r;
    const std::string file =
        "[Define]\nTOOL DISPLAY=ON\nPATH(RESULT)=YES\nPROGRESS BAR=NO\n[Save]\nVIEW_T=1\nVIEW_P=1";
    LaunchOptions options;
    options.minimised = true;
    ExpectFields(r.Read(file), {{FIELD(display.toolDisplay), 1}, {FIELD(display.pathResult), 1},
                                {FIELD(display.progressBar), 0}, {FIELD(save.viewToolDialog), 1}});
    ExpectFields(r.Read(file, options), {{FIELD(display.toolDisplay), 0}, {FIELD(display.pathResult), 0},
                                         {FIELD(display.progressBar), 1}, {FIELD(save.viewToolDialog), 0},
                                         {FIELD(save.viewPanel), 1}});  // not among the forced keys
}

}  // namespace
}  // namespace morvex
