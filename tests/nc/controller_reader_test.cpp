// Controller definition reading: keys, value words, memories, axis mapping.
#include "nc/controller_reader.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

// Reads `text` as a controller file into a fresh record.
ControllerDef ReadText(const std::string& text) {
    test::TempDir dir;
    ControllerDef def;
    EXPECT_EQ(ReadControllerDef(dir.Write("c.ctl", text), def), 1);
    return def;
}

template <std::size_t N>
std::string Flags(const std::array<bool, N>& a) {
    std::string s;
    for (const bool b : a) s += b ? '1' : '0';
    return s;
}

std::string Letters(const std::array<char, 3>& a) { return std::string(a.begin(), a.end()); }

using Replacements = std::vector<std::pair<std::string, std::string>>;
template <typename List>
Replacements Pairs(const List& list) {
    Replacements out;
    for (const auto& r : list) out.emplace_back(r.from, r.to);
    return out;
}

TEST(ControllerReader, HeldValuesSurviveTheNextReadAndOthersReset) {
    test::TempDir dir;
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(dir.Write("a.ctl",
                                          "R-TOLERANCE = 0.01\nSMOOTH ANGLE = 5\nG73_D = 0.5\nG83_D = 2\n"
                                          "F7 = 300\nDECIMAL POINT = YES\nREPLACE \"A\" \"B\"\n"
                                          "WAIT M-CODE = 150\nMEMORY D1 = 5\nY-CODE = -Y\n"),
                                def),
              1);
    for (const std::string& next : {dir.Write("b.ctl", "; a note\n"), dir.Path("missing.ctl"), dir.Dir()}) {
        EXPECT_EQ(ReadControllerDef(next, def), next == dir.Path("b.ctl") ? 1 : -1) << next;
        EXPECT_EQ((std::array{def.rTolerance, def.smoothAngle, def.g73Return, def.g83Clearance, def.fTable[7]}),
                  (std::array{0.01f, 5.0f, 0.5f, 2.0f, 300.0f}));
        EXPECT_EQ(std::tuple(def.decimalPoint, def.replacements.size(), def.waitCodes.size(), def.dOffsets[1].value),
                  std::tuple(0, 0u, 0u, 0.0f));
        EXPECT_EQ(def.planeCodes, (std::array<int, 3>{17, 18, 19}));
    }
}

TEST(ControllerReader, UnitWordsSetIncrementsAndTolerance) {
    const struct {
        std::string text;
        int length;
        double tolerance;
        int scale, angle;
    } cases[] = {
        {"UNIT = 1/10000\n", 10000, 0.00005, 1000, 1000},
        {"UNIT = 0.01\n", 100, 0.0005, 1000, 1000},
        {"unit=.0001\n", 10000, 0.00005, 1000, 1000},
        {"UNIT = 1/10000\nUNIT = MM\nUNIT = 1/1000\n", 1000, 0.0005, 1000, 1000},
        {"UNIT (DEG) = 1/10000\n", 1000, 0.0005, 1000, 1000},  // sixth character "("
        {"UNIT(DEG) = .00001\nUNIT(SCALE) = 1/100000\nUNIT(SCALE) = 1/100\n", 1000, 0.0005, 100000, 100000},
        // A line longer than 255 characters: its rest is read as a line of its own.
        {std::string(255, 'x') + "UNIT = 1/10000\n" + std::string(100000, '9') + "\n", 10000, 0.00005, 1000, 1000},
    };
    for (const auto& c : cases) {
        const ControllerDef d = ReadText(c.text);
        EXPECT_EQ(std::tuple(d.lengthIncrement, d.positionTolerance, d.scaleIncrement, d.angleIncrement),
                  std::tuple(c.length, c.tolerance, c.scale, c.angle))
            << c.text.substr(0, 60);
    }
}

TEST(ControllerReader, ValueWordsInTheirOrder) {
    // Longer words before their prefixes ("NORMAL" before "NO", "ASYNC1" before
    // "ASYNC"); text that is no word gives 2 for DECIMAL POINT, else changes nothing.
    const struct {
        std::string text;
        int decimalPoint, g00Mode, preRead;
    } cases[] = {
        {"DECIMAL POINT = NORMAL\nG00MODE = ASYNC\nPRE READ = NEW\n", 3, 1, 10},
        {"decimal point=no\nG00MODE = ASYNC2\nPRE READ = 5 BLOCKS\n", 0, 2, 5},
        {"DECIMAL POINT = SOMETIMES\nG00MODE = ASYNC2\nG00MODE = CURVE\nPRE READ = -3\n", 2, 2, 0},
        {"  DECIMAL POINT = YES\n; G00MODE = ASYNC\n", 0, 0, 0},  // no key at column 1
    };
    for (const auto& c : cases) {
        const ControllerDef d = ReadText(c.text);
        EXPECT_EQ(std::tuple(d.decimalPoint, d.g00Mode, d.preRead), std::tuple(c.decimalPoint, c.g00Mode, c.preRead))
            << c.text;
    }
    const ControllerDef def = ReadText(
        "PRODUCT = HEIDENHAIN\nRETURN LEVEL = R\nINITIAL PLANE = yz\nSCALE EFFECT(Y) = OFF\n"
        "SCALE EFFECT(Z) = ON\nSCALE(X) = +2.5\nSCALE(Z) = -0.5\nCHAR(Y) = v\nCHAR(Z) = 5\n"
        "G81 CLEARANCE = 2.5\ng70 clearance=1\nG80CLEARANCE = 9\nG83 DISTANCE = 5\nCYCLE(D) = 3\nG73_D = 0.5\n");
    EXPECT_EQ(def.product, ProductFamily::Heidenhain);
    EXPECT_EQ(def.returnLevel, 0);
    EXPECT_EQ(def.initialPlane, 19);
    EXPECT_EQ(Flags(def.scaleEffect), "101");
    EXPECT_EQ(def.scale, (std::array<double, 3>{2.5, 1.0, -0.5}));
    EXPECT_EQ(Letters(def.axisLetters), "XVZ");  // a letter, upper-cased; "5" is none
    for (std::size_t i = 0; i < def.cycleClearance.size(); ++i) {
        EXPECT_DOUBLE_EQ(def.cycleClearance[i], i == 11 ? 2.5 : i == 0 ? 1.0 : 0.0) << "G" << 70 + i;
    }
    EXPECT_FLOAT_EQ(def.g73Return, 0.5f);
    EXPECT_FLOAT_EQ(def.g83Clearance, 3.0f);
}

TEST(ControllerReader, ListValues) {
    const struct {
        std::string value;
        bool stop;
        int list;
        bool paint;
    } checks[] = {
        {"STOP+LIST", true, 1, false}, {"OPEN", false, 2, false}, {"list + penki", false, 1, true},
        {"NONE", false, 0, false},
    };
    for (const auto& c : checks) {
        const ControllerDef d = ReadText("CHECK RADIUS OFFSET = " + c.value + "\n");
        EXPECT_EQ(std::tuple(d.radiusCheck, d.radiusCheckStop, d.radiusCheckList, d.radiusCheckPaint),
                  std::tuple(c.stop || c.list != 0 || c.paint, c.stop, c.list, c.paint))
            << c.value;
    }

    const struct {
        std::string value;
        std::string levels;  // the flags of levels 0..9
    } skips[] = {{"1,3", "0101000000"}, {"1,,3,9,10,-1", "0101000001"}, {"0", "1000000000"}, {"", "0000000000"}};
    for (const auto& c : skips) {
        const ControllerDef d = ReadText("OPTIONAL BLOCK SKIP = " + c.value + "\n");
        EXPECT_EQ(std::tuple(Flags(d.skipLevels), d.skipActive), std::tuple(c.levels, c.levels != "0000000000"))
            << c.value;
    }

    EXPECT_EQ(ReadText("STOP CHARACTER = M06 M01,\tM30 ,, ABCDEFGHIJKLMN\r\n").stopStrings,
              (std::vector<std::string>{"M06", "M01", "M30", "ABCDEFGHIJ"}));
    EXPECT_TRUE(ReadText("STOP CHARACTER M06\n").stopStrings.empty());  // nothing behind an "="
    std::string many = "STOP CHARACTER =";
    for (int i = 0; i < 25; ++i) many += " S" + std::to_string(i);
    const ControllerDef def = ReadText(many + "\n");
    ASSERT_EQ(def.stopStrings.size(), 22u);
    EXPECT_EQ(def.stopStrings.back(), "S21");
}

TEST(ControllerReader, WaitCodesNameTheirFiles) {
    const ControllerDef def = ReadText("WAIT M-CODE = 150, 151 pallet.w  , M152, 153,named_after ,"
                                       " 154 waitingforthe end,6,7,8,9,10,11\n");
    std::vector<std::pair<int, std::string>> codes;
    for (const WaitCode& w : def.waitCodes) codes.emplace_back(w.mCode, w.file);
    EXPECT_EQ(codes, (std::vector<std::pair<int, std::string>>{
                         {150, "waitfile"}, {151, "pallet.w"}, {152, "waitfile"}, {153, "named_after"},
                         {154, "waitingforthe"},  // cut to 14 characters, then the blank at its end
                         {6, "waitfile"}, {7, "waitfile"}, {8, "waitfile"}, {9, "waitfile"}, {10, "waitfile"}}));
}

TEST(ControllerReader, StaleWaitFilesAreDeletedOnlyInTheirFolders) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    for (const char* name : {"ctl/rel.w", "ctl/sub/s.w", "outside/abs.w", "outside/target", "x", "nc/n.w", "tmp/t.w"}) {
        dir.Write(name, "keep me");
    }
    fs::create_directory(dir.Path("ctl/dir.w"));
    fs::create_symlink(dir.Path("outside/target"), dir.Path("ctl/link.w"));
    fs::create_directory_symlink(dir.Path("outside"), dir.Path("ctl/out"));
    const std::string ctl = dir.Write("ctl/c.ctl", "");
    const WaitFilePlaces places{dir.Path("nc"), dir.Path("tmp/")};

    const struct {
        std::string name;
        std::string path;  // where the name leads
        std::optional<WaitFileFate> fate;
    } cases[] = {
        {"rel.w", dir.Path("ctl/rel.w"), WaitFileFate::Deleted},
        {dir.Path("outside/abs.w"), dir.Path("outside/abs.w"), WaitFileFate::KeptOutside},
        {"../x", dir.Path("x"), WaitFileFate::KeptOutside},
        {"out/target", dir.Path("ctl/out/target"), WaitFileFate::KeptOutside},  // a linked folder leads out
        {"link.w", dir.Path("ctl/link.w"), WaitFileFate::KeptNotRegular},       // the link is kept, not followed
        {"dir.w", dir.Path("ctl/dir.w"), WaitFileFate::KeptNotRegular},
        {"sub/s.w", dir.Path("ctl/sub/s.w"), WaitFileFate::KeptOutside},  // only the folder itself
        {dir.Path("nc/n.w"), dir.Path("nc/n.w"), WaitFileFate::Deleted},
        {dir.Path("nc/../tmp/t.w"), dir.Path("tmp/t.w"), WaitFileFate::Deleted},
        {"absent.w", dir.Path("ctl/absent.w"), std::nullopt},
    };
    for (const auto& c : cases) {
        const std::vector<WaitCode> codes = {{150, c.name, ""}};
        const std::vector<WaitFileNote> notes = DeleteStaleWaitFiles(ctl, codes, places);
        EXPECT_EQ(fs::path(ResolveWaitFile(ctl, c.name)).lexically_normal(), fs::path(c.path).lexically_normal());
        ASSERT_EQ(notes.size(), c.fate ? 1u : 0u) << c.name;
        if (!c.fate) continue;
        EXPECT_EQ(notes[0].fate, *c.fate) << c.name;
        EXPECT_EQ(fs::exists(fs::symlink_status(c.path)), *c.fate != WaitFileFate::Deleted) << c.name;
    }
    EXPECT_EQ(test::TempDir::Read(dir.Path("outside/target")), "keep me");
    EXPECT_EQ(WaitFileMessage(WaitFileFate::KeptOutside), MsgId::WaitFileKeptOutside);

    // Through the reader: the names resolve in the controller file's folder,
    // whatever the current directory, and the run uses those paths.
    dir.Write("ctl/again.w", "");
    std::vector<WaitFileNote> notes;
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(dir.Write("ctl/d.ctl", "WAIT M-CODE = 150 again.w, 151 ../x\n"), def, places, &notes),
              1);
    ASSERT_EQ(def.waitCodes.size(), 2u);
    EXPECT_EQ(def.waitCodes[0].path, dir.Path("ctl/again.w"));
    EXPECT_EQ(fs::path(def.waitCodes[1].path), fs::path(dir.Path("x")).lexically_normal());
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(std::tuple(notes[0].fate, notes[1].fate), std::tuple(WaitFileFate::Deleted, WaitFileFate::KeptOutside));
    EXPECT_TRUE(fs::exists(dir.Path("x")));
}

TEST(ControllerReader, AxisCodesMapLettersAndTurnPlanes) {
    // Plane codes worked out by hand: a reversed axis or a swapped pair turns a
    // plane over; a cyclic rotation of the axes keeps every plane's side.
    const struct {
        std::string text;
        std::string letters, centres, reversed;
        std::array<int, 3> planes;
    } cases[] = {
        {"", "XYZ", "IJK", "000", {17, 18, 19}},
        {"Y-CODE = -Y\n", "XYZ", "IJK", "010", {-17, 18, -19}},
        {"X-CODE = -X\nY-CODE = -Y\n", "XYZ", "IJK", "110", {17, -18, -19}},
        {"Z-CODE = -Z\n", "XYZ", "IJK", "001", {17, -18, -19}},
        {"X-CODE = Y\nY-CODE = X\n", "YXZ", "JIK", "000", {-17, -19, -18}},
        {"X-CODE = Y\nY-CODE = Z\nZ-CODE = X\n", "ZXY", "KIJ", "000", {18, 19, 17}},
        {"Y-CODE = -Y\nY-CODE = W\n", "XYZ", "IJK", "000", {17, 18, 19}},  // the flag is cleared first
        {"CHAR(X) = U\n", "UYZ", "IJK", "000", {17, 18, 19}},
    };
    for (const auto& c : cases) {
        const ControllerDef d = ReadText(c.text);
        EXPECT_EQ(std::tuple(Letters(d.axisLetters), Letters(d.centreLetters), Flags(d.axisReversed), d.planeCodes),
                  std::tuple(c.letters, c.centres, c.reversed, c.planes))
            << c.text;
    }

    const struct {
        std::string text;
        int programmed;
        std::array<int, 4> axes;  // first, second, third, plane
    } selections[] = {
        {"", 18, {2, 0, 1, 18}},
        {"", 19, {1, 2, 0, 19}},
        {"Y-CODE = -Y\n", 17, {0, 1, 2, -17}},
        {"X-CODE = Y\nY-CODE = X\n", 18, {1, 2, 0, -19}},  // NC Z, X drive machine Z, Y
        {"X-CODE = Y\nY-CODE = X\n", 19, {2, 0, 1, -18}},
        {"X-CODE = Y\nY-CODE = Z\nZ-CODE = X\n", 17, {1, 2, 0, 19}},
    };
    for (const auto& s : selections) {
        const PlaneAxes a = PlaneOf(ReadText(s.text), s.programmed);
        EXPECT_EQ((std::array<int, 4>{a.first, a.second, a.third, a.plane}), s.axes) << s.text << s.programmed;
    }
}

TEST(ControllerReader, TextValues) {
    ControllerDef def = ReadText(
        "NAME(MAX20) = VADEZ 3-AXIS MILL\r\n"
        "REPLACE \"G91 G28 Z0.\" \"G90 G00 Z100.\"\n"
        "REPLACE \"M6\" \"\"\n"
        "NAME COLOR = 255,255,255,0,64,160\n"
        "CHECK CHAR = \"\"\n"
        "EOR = %\n");
    EXPECT_EQ(def.name, "VADEZ 3-AXIS MILL");
    EXPECT_EQ(Pairs(def.replacements),
              (Replacements{{"G91 G28 Z0.", "G90 G00 Z100."}, {"M6", ""}}));
    EXPECT_EQ(def.nameColor, (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(def.nameBackground, (std::array<int, 3>{0, 64, 160}));
    EXPECT_TRUE(def.hasCheckChars);  // an empty set: only digits pass
    EXPECT_EQ(def.endOfRecord, '%');

    std::string text = "CHECK CHAR = ABC\nNAME COLOR = 300,-5\nEOR =  \n";
    for (int i = 0; i < 32; ++i) text += "REPLACE \"A" + std::to_string(i) + "\" \"B\"\n";
    def = ReadText(text);
    EXPECT_FALSE(def.hasCheckChars);
    EXPECT_EQ(def.nameColor, (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(def.nameBackground, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(def.endOfRecord, ' ');
    ASSERT_EQ(def.replacements.size(), 30u);
    EXPECT_EQ(def.replacements.back().from, "A29");
}

TEST(ControllerReader, MemoryLines) {
    const ControllerDef def = ReadText(
        "MEMORY D105 = 5.0 0.2\nMEMORY H3= 1.5,-0.1\nD7 = 2.5\nh8=1\t2\nF12 = 400\nMEMORY F13=500\n"
        "MEMORY G54= (10,20,0)\nmemory g59=(1,2,3)\nMEMORY WK7 = (4.5, -6, 7)\nMEMORY D6= 1e999\n"
        // Out of range or no entry: ignored.
        "MEMORY D1000= 9\nF1000 = 9\nMEMORY D99999999999999999999= 9\nMEMORY D= 9\nD-1 = 9\n"
        "MEMORY WK0= (9,9,9)\nMEMORY WK201= (9,9,9)\nMEMORY G53= (9,9,9)\nMEMORY G54.1 P2= (9,9,9)\n");
    const struct {
        const OffsetValue& offset;
        float value, second;
    } offsets[] = {{def.dOffsets[105], 5.0f, 0.2f}, {def.hOffsets[3], 1.5f, -0.1f},
                   {def.dOffsets[7], 2.5f, 0.0f},   {def.hOffsets[8], 1.0f, 2.0f},
                   {def.dOffsets[6], FLT_MAX, 0.0f}};
    for (const auto& o : offsets) {
        EXPECT_FLOAT_EQ(o.offset.value, o.value);
        EXPECT_FLOAT_EQ(o.offset.second, o.second);
    }
    EXPECT_FLOAT_EQ(def.fTable[12], 400.0f);
    EXPECT_FLOAT_EQ(def.fTable[13], 500.0f);
    const struct {
        int entry;
        float x, y, z;
    } work[] = {{1, 10, 20, 0}, {6, 1, 2, 3}, {7, 4.5f, -6, 7}};
    for (const auto& w : work) {
        EXPECT_EQ((std::array<float, 3>{def.work[w.entry].x, def.work[w.entry].y, def.work[w.entry].z}),
                  (std::array<float, 3>{w.x, w.y, w.z}))
            << w.entry;
    }
    // The ignored lines touched nothing else.
    int nonZero = 0;
    for (const WorkCoordinate& w : def.work) nonZero += (w.x != 0 || w.y != 0 || w.z != 0);
    for (const OffsetValue& o : def.dOffsets) nonZero += (o.value != 0 || o.second != 0);
    for (const float f : def.fTable) nonZero += f != 0;
    EXPECT_EQ(nonZero, 3 + 3 + 2);
}

}  // namespace
}  // namespace morvex
