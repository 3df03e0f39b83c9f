// The block reader: line ends, counters, replacements, the character check,
// optional block skip, record marks and the stop-block test.
#include "nc/block_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

std::vector<std::string> ReadAll(const std::string& text, const ControllerDef& ctl,
                                 BlockReader& reader, test::TempDir& dir) {
    EXPECT_TRUE(OpenNcProgram(reader, dir.Write("p.nc", text)));
    ResetBlockReader(reader, ctl);
    std::vector<std::string> blocks;
    while (ReadNextBlock(reader, ctl)) blocks.push_back(reader.block);
    return blocks;
}

TEST(BlockReader, BlocksEndWithOneNewlineAndLongLinesContinue) {
    test::TempDir dir;
    ControllerDef ctl;
    BlockReader reader;
    const std::string longLine = "G01X1" + std::string(295, '0');
    const auto blocks = ReadAll("G00 X0\r\nN2\n" + longLine + "\nLAST", ctl, reader, dir);
    // 255 characters and the newline, then the rest as a block of its own.
    EXPECT_EQ(blocks, (std::vector<std::string>{"G00 X0\n", "N2\n", longLine.substr(0, 255) + "\n",
                                                std::string(45, '0') + "\n", "LAST\n"}));
    EXPECT_TRUE(reader.programLine == 5 && reader.endState == EndState::EndReached);
}

TEST(BlockReader, ReplacementsMatchLeftToRightWithoutLookingAhead) {
    const std::vector<Replacement> pairs = {{"M6", "M06"}, {"", "never"}, {"t", "T0"}};
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"M60\n", "M060\n"},       // the match does not look at what follows
        {"m6 t1\n", "M06 T01\n"},  // letter case ignored
    };
    for (const auto& c : cases) {
        std::string block = c.in;
        ApplyReplacements(block, pairs);
        EXPECT_EQ(block, c.out) << c.in;
    }
    std::string many(100, 'A');
    ApplyReplacements(many, {{"A", "BB"}});
    EXPECT_EQ(many.substr(0, 60), std::string(60, 'B'));  // 30 matches at most
    EXPECT_EQ(many.substr(60, 70), std::string(70, 'A'));
    std::string big(200, 'A');
    ApplyReplacements(big, {{"A", "BBBB"}});
    EXPECT_EQ(big.size(), kBlockChars);  // cut to the block length
}

TEST(BlockReader, CharacterCheckGivesTheColumnAndSkipsComments) {
    ControllerDef ctl;
    int column = 0;
    char bad = 0;
    EXPECT_EQ(CheckBlockCharacters("G01X10.5.3\n", ctl, column, bad), kNcDoubleDecimalPoint);
    EXPECT_EQ(column, 9);
    EXPECT_EQ(CheckBlockCharacters("X1.5Y2.5(a.b.c)\n", ctl, column, bad), kNcNoError);
    EXPECT_EQ(CheckBlockCharacters("#1.5.\n", ctl, column, bad), kNcDoubleDecimalPoint);
    ctl.hasCheckChars = true;
    ctl.checkChars = "GXYZ. -";
    EXPECT_EQ(CheckBlockCharacters("G01 X1 Y2 (@ ok)\n", ctl, column, bad), kNcNoError);
    EXPECT_EQ(CheckBlockCharacters("G01 X10 Y20@\n", ctl, column, bad), kNcInvalidCharacter);
    EXPECT_TRUE(column == 12 && bad == '@');

    // In a file: the error stays pending and the block is not delivered.
    test::TempDir dir;
    ctl.codeCheck = true;
    BlockReader reader;
    const auto blocks = ReadAll("G01 X1\nG01 X10 Y20@\nG01 X2\n", ctl, reader, dir);
    EXPECT_TRUE(blocks.size() == 1u && reader.pendingError == kNcInvalidCharacter && reader.programLine == 2);
}

TEST(BlockReader, OptionalBlockSkipByLevel) {
    ControllerDef ctl;
    ctl.skipLevels[1] = true;
    ctl.skipLevels[3] = true;
    ctl.skipActive = true;
    EXPECT_TRUE(IsSkippedBlock("\t/1\n", ctl));
    EXPECT_FALSE(IsSkippedBlock("/ X1\n", ctl));  // level 0 is not set
    ctl.skipLevels[0] = true;
    EXPECT_TRUE(IsSkippedBlock("/X1\n", ctl));
    EXPECT_FALSE(IsSkippedBlock("X1 /1\n", ctl));

    test::TempDir dir;
    BlockReader reader;
    const auto blocks = ReadAll("N1\n/1 N2\n/2 N3\n  /3N4\nN5\n", ctl, reader, dir);
    EXPECT_EQ(blocks, (std::vector<std::string>{"N1\n", "/2 N3\n", "N5\n"}));
    EXPECT_EQ(reader.programLine, 5);  // skipped lines are counted
}

TEST(BlockReader, RecordMarksAndStopBlocks) {
    EXPECT_TRUE(IsRecordMark("%\n", '%'));
    EXPECT_TRUE(IsRecordMark(" %\n", '%'));
    EXPECT_FALSE(IsRecordMark("  %\n", '%'));
    EXPECT_FALSE(IsRecordMark(" \n", ' '));

    ControllerDef ctl;
    ctl.stopStrings = {"STOPHERE", "T5"};
    BlockReader reader;
    const struct {
        const char* block;
        int option;
        bool stop;
    } cases[] = {
        {"G01 X1\n", 3, true},    {"M0\n", 1, true},         {"M01\n", 1, false},
        {"M01\n", 2, true},       {"M00 M03\n", 1, false},  // the last M word counts
        {"(M00) M3\n", 1, false}, {"N1 T5 M06\n", 4, true},  {"(STOPHERE)\n", 4, true},
        {"N1\n", 4, false},       {"M00\n", 0, false},
    };
    for (const auto& c : cases) {
        reader.block = c.block;
        EXPECT_EQ(IsStopBlock(reader, ctl, c.option), c.stop) << c.block << " option " << c.option;
    }
    reader.block = "G01 X1\n";
    reader.forcedStop = true;
    EXPECT_TRUE(IsStopBlock(reader, ctl, 0));
    EXPECT_FALSE(IsStopBlock(reader, ctl, 0));  // one shot
}

}  // namespace
}  // namespace morvex
