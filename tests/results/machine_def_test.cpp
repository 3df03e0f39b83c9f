// Machine definition reading: keys, separators, ATC forms, attachments,
// what a second read keeps, and hostile input.
#include "results/machine_def.h"
#include "results/attachment.h"

#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace morvex {
namespace {

MachineDef ReadText(const std::string& text) {
    test::TempDir dir;
    MachineDef def;
    EXPECT_EQ(ReadMachineDef(dir.Write("m.mtl", text), def), 1);
    return def;
}

void ExpectAxes(const std::array<float, 3>& a, std::array<float, 3> e, const std::string& what) {
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(a[i], e[i]) << what << " axis " << i;
}

// A SQUARE shape from its side, height pairs.
AttachmentShape Square(std::initializer_list<float> values) {
    AttachmentShape s;
    s.type = AttachmentType::Square;
    std::size_t i = 0;
    for (const float v : values) {
        auto& column = i % 2 == 0 ? s.first : s.second;
        column[i / 2] = v;
        ++i;
    }
    s.pairCount = static_cast<int>(i / 2);
    return s;
}

TEST(MachineDef, MissingFileLeavesDefaults) {
    test::TempDir dir;
    for (const std::string& path : {dir.Path("none.mtl"), dir.Dir(), std::string()}) {
        MachineDef def;
        EXPECT_EQ(ReadMachineDef(path, def), -1) << path;
        MachineDef expected;
        expected.loaded = -1;
        expected.fileTime = def.fileTime;
        EXPECT_TRUE(def == expected) << path;
        EXPECT_EQ(def.fileTime.has_value(), path == dir.Dir()) << path;  // a folder has a time
    }
}

TEST(MachineDef, EveryKeyReadsInAnyCaseWithAnySeparator) {
    const std::pair<std::string, std::string> lines[] = {
        {"NAME", "Mill 7 (BT40)"}, {"ATC TYPE", "WAIT"}, {"TOOL CHANGE TIME", "2.5"},
        {"RAPID(X)", "30000"}, {"RAPID(Y)", "31000"}, {"RAPID(Z)", "-32000"},
        {"RAPID ACCELERATION(X)", ".4"}, {"RAPID ACCELERATION(Y)", "0.5"}, {"RAPID ACCELERATION(Z)", "+0.6"},
        {"MAXIMUM FEEDRATE(X)", "7000"}, {"MAXIMUM FEEDRATE(Y)", "8000"}, {"MAXIMUM FEEDRATE(Z)", "9000"},
        {"ACCELERATION(X)", "0.21"}, {"ACCELERATION(Y)", "0.22"}, {"ACCELERATION(Z)", "0.23"},
        {"INI ATTACHMENT", "1"}, {"ATTACHMENT", "4"},
    };
    for (const std::string sep : {" = ", "=", " ", "\t", "= "}) {
        for (const bool lower : {false, true}) {
            std::string text = "; a note line\n";
            for (auto [key, value] : lines) {
                if (lower) for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                text += key + sep + value + "\r\n";
            }
            const MachineDef d = ReadText(text);
            const std::string what = "separator '" + sep + (lower ? "' lower case" : "'");
            EXPECT_TRUE(d.name == "Mill 7 (BT40)" && d.atcType == AtcType::Wait && d.toolChangeTime == 2.5f) << what;
            ExpectAxes(d.rapid, {30000, 31000, -32000}, what);
            ExpectAxes(d.rapidAccel, {0.4f, 0.5f, 0.6f}, what);
            ExpectAxes(d.maxFeed, {7000, 8000, 9000}, what);
            ExpectAxes(d.accel, {0.21f, 0.22f, 0.23f}, what);
            EXPECT_TRUE(d.initialAttachment == 1 && d.attachmentCount == 1 && d.attachmentNo[0] == 4) << what;
        }
    }
    // A value directly behind the key keeps its first character; leading blanks match no key.
    ExpectAxes(ReadText("RAPID(X)5000\nRAPID(Y)-5\n  RAPID(Z) = 1\n").rapid, {5000, -5, 10000}, "joined");
    // A key without a value reads 0, not the default; so does ATTACHMENT without a number.
    const MachineDef bare = ReadText("ATTACHMENT\nRAPID(Z)\n");
    EXPECT_TRUE(bare.rapid[2] == 0.0f && bare.attachmentCount == 1 && bare.attachmentNo[0] == 0);
}

TEST(MachineDef, CommonLimitAndSynonymsFollowLineOrder) {
    const struct {
        std::string text;
        std::array<float, 3> maxFeed, accel;
    } cases[] = {
        {"MAXIMUM FEEDRATE = 5000\nMAXIMUM FEEDRATE(Z) = 2000\n", {5000, 5000, 2000}, {0.3f, 0.3f, 0.3f}},
        {"MAXIMUM FEEDRATE(Z) = 2000\nMAXIMUM FEEDRATE = 5000\n", {5000, 5000, 5000}, {0.3f, 0.3f, 0.3f}},
        {"ACCELERATION(Y) = 0.2\nMAXIMUM ACCELERATION(Y) = 0.4\n", {10000, 10000, 10000}, {0.3f, 0.4f, 0.3f}},
        {"MAXIMUM ACCELERATION(Y) = 0.4\nACCELERATION(Y) = 0.2\nMAXIMUM ACCELERATION(X) = 0.1\n",
         {10000, 10000, 10000}, {0.1f, 0.2f, 0.3f}},
    };
    for (const auto& c : cases) {
        const MachineDef d = ReadText(c.text);
        ExpectAxes(d.maxFeed, c.maxFeed, c.text);
        ExpectAxes(d.accel, c.accel, c.text);
    }
}

TEST(MachineDef, AtcTypeForms) {
    const struct {
        std::string value;
        AtcType type;
        bool withOffset;
        int toolDigits, offsetDigits;
    } cases[] = {
        {"DIRECT", AtcType::Direct, false, 0, 0},         {"direct t3,1", AtcType::Direct, true, 3, 1},
        {"DIRECT T2", AtcType::Direct, true, 2, 0},       {"DIRECT T400,400", AtcType::Direct, true, 9, 9},
        {"DIRECT T-1,1e30", AtcType::Direct, true, 0, 9}, {"wait2", AtcType::Wait2, false, 0, 0},
        {"WAIT 2", AtcType::Wait, false, 0, 0},           {"MANUAL", AtcType::Direct, false, 0, 0},
    };
    for (const auto& c : cases) {
        const MachineDef d = ReadText("ATC TYPE = " + c.value + "\n");
        EXPECT_EQ(std::tuple(d.atcType, d.toolCodeMode, d.toolDigits, d.offsetDigits),
                  std::tuple(c.type, c.withOffset ? ToolCodeMode::ToolAndOffset : ToolCodeMode::Plain,
                             c.toolDigits, c.offsetDigits))
            << c.value;
    }
}

TEST(MachineDef, AttachmentsAndShapes) {
    const MachineDef d = ReadText(
        "INI ATTACHMENT = 3\n"
        "ATTACHMENT 3 SQUARE 120.0,80.0,0.0\n"
        "ATTACHMENT 0 square 90,55,130,110,0.0\n"
        "ATTACHMENT 11 SQUARE 1,1,0\n"  // numbers outside 0..10 are passed over
        "ATTACHMENT -1\n"
        "ATTACHMENT 10 SQUARE 1,2,3,4,5,6,7,8,9,10,11,12,0\n"
        "ATTACHMENT 7 SQUARE 0.0\n"
        "ATTACHMENT 8 SQUARE 50,20\n"  // no terminator: the missing element reads 0
        "ATTACHMENT 5\n");
    EXPECT_EQ(d.attachmentCount, 6);
    EXPECT_EQ(d.attachmentNo, (std::array<int, 10>{3, 0, 10, 7, 8, 5}));
    EXPECT_EQ(d.initialAttachment, 3);
    EXPECT_EQ(d.attachmentShape[3], Square({120, 80}));
    EXPECT_EQ(d.attachmentShape[0], Square({90, 55, 130, 110}));
    EXPECT_EQ(d.attachmentShape[10], Square({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));  // five pairs at most
    EXPECT_EQ(d.attachmentShape[7], Square({}));
    EXPECT_EQ(d.attachmentShape[8], Square({50, 20}));
    EXPECT_EQ(d.attachmentShape[5], AttachmentShape{});

    // The initial attachment is a position in the list; one outside it means none.
    EXPECT_EQ(ReadText("INI ATTACHMENT = 2\nATTACHMENT 4\nATTACHMENT 6\n").initialAttachment, 2);
    EXPECT_EQ(ReadText("INI ATTACHMENT = 3\nATTACHMENT 4\nATTACHMENT 6\n").initialAttachment, 0);
    EXPECT_EQ(ReadText("INI ATTACHMENT = -1\nATTACHMENT 4\n").initialAttachment, 0);
}

TEST(MachineDef, EleventhAttachmentEndsTheReading) {
    std::string text = "ATTACHMENT 12\n";  // passed over: not one of the ten
    for (int n = 1; n <= 10; ++n) text += "ATTACHMENT " + std::to_string(n) + "\n";
    text += "ATTACHMENT 0 SQUARE 5,5,0\nRAPID(X) = 1234\n";
    const MachineDef d = ReadText(text);
    EXPECT_TRUE(d.attachmentCount == 10 && d.attachmentNo[9] == 10);
    EXPECT_EQ(d.attachmentShape[0].type, AttachmentType::None);
    EXPECT_FLOAT_EQ(d.rapid[0], 10000.0f);
}

TEST(MachineDef, SecondReadResetsOnlyWhatReadingResets) {
    test::TempDir dir;
    MachineDef d;
    ASSERT_EQ(ReadMachineDef(dir.Write("a.mtl", "NAME = A\nATC TYPE = DIRECT T2,3\nRAPID(X) = 5000\n"
                                                "INI ATTACHMENT = 1\nATTACHMENT 2 SQUARE 10,20,0\n"),
                             d),
              1);
    ASSERT_TRUE(d.fileTime.has_value());
    ASSERT_EQ(ReadMachineDef(dir.Write("b.mtl", "ATTACHMENT 4\n"), d), 1);
    MachineDef expected;  // the name, the rate and the digit counts are held
    expected.name = "A";
    expected.toolDigits = 2;
    expected.offsetDigits = 3;
    expected.rapid[0] = 5000.0f;
    expected.attachmentCount = 1;
    expected.attachmentNo[0] = 4;
    expected.loaded = 1;
    expected.fileTime = d.fileTime;
    EXPECT_TRUE(d == expected);

    ASSERT_EQ(ReadMachineDef(dir.Write("c.mtl", "ATC TYPE = WAIT\n"), d), 1);
    EXPECT_EQ(ReadMachineDef(dir.Path("gone.mtl"), d), -1);
    EXPECT_EQ(d.atcType, AtcType::Direct);
    EXPECT_FALSE(d.fileTime.has_value());
}

// The mounted attachment's blocks, by position in the attachment list.
TEST(MachineDef, AttachmentBlocksOfTheMountedAttachment) {
    const MachineDef def = ReadText("ATTACHMENT 3 SQUARE 120,40,80,25\nATTACHMENT 5\nINI ATTACHMENT = 1\n");
    const AttachmentBlocks a = AttachmentOf(def, def.initialAttachment);
    ASSERT_EQ(a.count, 2);
    EXPECT_EQ((std::array{a.side[0], a.height[0], a.side[1], a.height[1]}), (std::array{120.0f, 40.0f, 80.0f, 25.0f}));
    // Number 5 has no square shape; 3 is past the list; 0 is none.
    for (const int position : {2, 3, 0}) EXPECT_EQ(AttachmentOf(def, position).count, 0) << position;
}

}  // namespace
}  // namespace morvex
