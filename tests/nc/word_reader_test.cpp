// Address words: integers, G codes with suffixes, coordinates under the
// decimal-point modes, dwell times and feeds.
#include "nc/word_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

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
    // Every written number reads as the correctly rounded double, the value a
    // full conversion gives: short and long digit strings, many decimals,
    // leading and trailing zeros, halfway cases, and values past the range.
    std::vector<std::string> numbers = {
        "0.1", "0.3333333333333333", "-0.", "-0.000", "9007199254740993", "123456789012345",
        "1234567890123456", "999999999999999.9", "0.000000000000000000001", "0.0000000000000000000001",
        "0.00000000000000000000001", "00000.0000500", "12345678901234567.5", "2.2250738585072014",
        "1.00000000000000011102230246251565404236316680908203125", "4.35", "0.7",
        "179769313486231570000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000000"};
    std::mt19937_64 random(15);
    for (int i = 0; i < 20000; ++i) {
        const int whole = static_cast<int>(random() % 9), decimals = static_cast<int>(random() % 25);
        std::string n = random() % 2 ? "-" : "";
        for (int d = 0; d < whole; ++d) n += static_cast<char>('0' + random() % 10);
        if (decimals > 0 || random() % 2) n += '.';
        for (int d = 0; d < decimals; ++d) n += static_cast<char>('0' + random() % 10);
        numbers.push_back(n.size() > 1 ? n : n + "7");
    }
    for (const std::string& n : numbers) {
        const std::string b = n + "Y\n";
        std::size_t at = 0;
        const double got = ReadCoordinateWord(b, at, 3, 1000);
        const std::string digits = n[0] == '-' ? n.substr(1) : n;
        double want = 0.0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), want);
        if (ec == std::errc::result_out_of_range) want = std::numeric_limits<double>::max();
        if (n[0] == '-' && ec != std::errc::invalid_argument) want = -want;  // "-." reads 0
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want)) << n;
        EXPECT_EQ(b[at], 'Y') << n;
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
