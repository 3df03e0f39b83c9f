// Address words: integers, G codes with suffixes, coordinates under the
// decimal-point modes, dwell times and feeds.
#include "nc/word_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace morvex {
namespace {

TEST(WordReader, IntegerWordsStopAtTheNextLetterAndALetterRightAfterEndsTheBlock) {
    {
        const std::string b = "G X10\n";
        std::size_t c = 1;
        EXPECT_EQ(ReadIntegerWord(b, c), 0);  // a blank, then a letter: no number
        EXPECT_EQ(b[c], 'X');
        ++c;
        EXPECT_DOUBLE_EQ(ReadCoordinateWord(b, c, 3, 1000), 10.0);
    }
    {
        const std::string b = "GX10\n";
        std::size_t c = 1;
        EXPECT_EQ(ReadIntegerWord(b, c), 0);
        EXPECT_EQ(c, b.size());  // the rest of the block is not read
    }
    {
        const std::string b = "M-3(note)S12000\n";
        std::size_t c = 1;
        EXPECT_EQ(ReadIntegerWord(b, c), -3);
        EXPECT_EQ(b[c], '(');
    }
    const struct {
        const char* text;
        int code, suffix;
    } gs[] = {{"G01 ", 1, 0}, {"G54.1P2", 54, 1}, {"G06.2X", 6, 2}, {"G17", 17, 0}};
    for (const auto& g : gs) {
        const std::string b = g.text;
        std::size_t c = 1;
        int code = -1, suffix = -1;
        ReadGCodeWord(b, c, code, suffix);
        EXPECT_EQ(std::pair(code, suffix), std::pair(g.code, g.suffix)) << g.text;
    }
}

TEST(WordReader, CoordinatesFollowTheDecimalPointModeAndTheIncrement) {
    const struct {
        const char* word;  // after the letter
        int mode, increment;
        double value;
    } cases[] = {
        {"100\n", 0, 1000, 0.1},  {"100.\n", 0, 1000, 100.0},   {"100\n", 3, 1000, 100.0},
        {"-.5Y\n", 0, 1000, -0.5}, {"+25\n", 1, 100, 0.25},      {"\n", 0, 1000, 0.0},
        {" 12.5 \n", 2, 1000, 12.5}, {"1.2.3\n", 3, 1000, 1.2}, {"12345678901234567890\n", 3, 1000, 12345678901234567890.0},
    };
    for (const auto& c : cases) {
        const std::string b = c.word;
        std::size_t cursor = 0;
        EXPECT_DOUBLE_EQ(ReadCoordinateWord(b, cursor, c.mode, c.increment), c.value) << c.word;
        EXPECT_TRUE(cursor == b.size() - 1 || b[cursor] == 'Y') << c.word;
    }
    std::size_t cursor = 0;
    EXPECT_DOUBLE_EQ(ReadScaledWord("45000\n", cursor, 1000), 45.0);
    cursor = 0;
    EXPECT_DOUBLE_EQ(ReadScaledWord("1.5\n", cursor, 100000), 1.5);
}

TEST(WordReader, DwellTimesAndFeeds) {
    std::size_t c = 0;
    EXPECT_DOUBLE_EQ(ReadTimeWord("500\n", c), 0.5);  // milliseconds without a point
    c = 0;
    EXPECT_DOUBLE_EQ(ReadTimeWord("0.5\n", c), 0.5);
    const struct {
        const char* word;
        double value;
        int characters;
    } feeds[] = {{"12X\n", 12.0, 2}, {"1.\n", 1.0, 2}, {"1500.5\n", 1500.5, 6}};
    for (const auto& f : feeds) {
        c = 0;
        int characters = 0;
        EXPECT_DOUBLE_EQ(ReadFeedWord(f.word, c, characters), f.value) << f.word;
        EXPECT_EQ(characters, f.characters) << f.word;
    }
}

}  // namespace
}  // namespace morvex
