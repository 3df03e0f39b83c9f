// Definition-file line discipline and the value readers every definition
// file shares; the file readers' own tests rely on these.
#include "nc/definition_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(DefinitionReader, KeysWordsAndSeparators) {
    EXPECT_TRUE(MatchKey("r-tolerance=0.01\n", "R-TOLERANCE"));
    EXPECT_TRUE(MatchKey("UNIT(SCALE) = 1\n", "UNIT"));  // a prefix key also matches: order decides
    EXPECT_FALSE(MatchKey("  UNIT = MM\n", "UNIT"));     // leading blanks match nothing
    EXPECT_FALSE(MatchKey("UNI\n", "UNIT"));
    EXPECT_TRUE(MatchWord(6, "KEY = inch mode", "INCH"));
    EXPECT_FALSE(MatchWord(6, "KEY = in", "INCH"));
    // Blanks and equals signs separate, tabs do not.
    for (const auto& [line, expected] : {std::pair<std::string, std::size_t>{"KEY = VALUE", 6}, {"KEY VALUE", 4},
                                         {"KEY\t= VALUE", 3}, {"KEY", 3}}) {
        std::size_t cursor = 3;
        SkipSeparators(cursor, line);
        EXPECT_EQ(cursor, expected) << line;
    }
}

TEST(DefinitionReader, NumbersStartAtTheFirstNumericCharacterAndStayFinite) {
    const struct {
        std::string text;
        double value;
        std::size_t cursorAfter;  // the cursor stays on the number's first character
    } cases[] = {
        {"= +2.5\n", 2.5, 3},  // "+" is skipped like any other non-number character
        {"= -2.5\n", -2.5, 2},
        {"abc .5e2\n", 50.0, 4},
        {"1e", 1.0, 0},      // an exponent without digits is not part of the number
        {"--5\n", 0.0, 0},   // no digits after the sign: zero
        {"0x1A\n", 0.0, 0},  // hexadecimal is not read: 0 then stop at "x"
        {"-inf\n", 0.0, 0},
        {"word\n", 0.0, 4},  // the newline is found first: 0, cursor on the newline
        {"word", 0.0, 0},    // nothing at all: 0, the cursor does not move
        {"1e999", DBL_MAX, 0},
        {"-1e999", -DBL_MAX, 0},
        {"1e-999", 0.0, 0},
    };
    for (const auto& c : cases) {
        std::size_t cursor = 0;
        double value = -99.0;
        ReadNumberDouble(cursor, c.text, value);
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        EXPECT_EQ(cursor, c.cursorAfter) << c.text;
    }
    std::size_t cursor = 0;
    float f = 0.0f;
    ReadNumberFloat(cursor, "1e300", f);
    EXPECT_EQ(f, FLT_MAX);
    EXPECT_EQ(TruncateToInt(1e300), 2147483647);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
}

TEST(DefinitionReader, ListElementsStepOverCommas) {
    const std::string line = "1,,3\n";
    std::size_t cursor = 0;
    double a = 0.0, b = 0.0, c = -1.0;
    ReadNumberDouble(cursor, line, a);
    ReadNextDouble(cursor, line, b);  // passes over the second comma
    ReadNextDouble(cursor, line, c);  // no further comma
    EXPECT_EQ((std::array{a, b, c}), (std::array{1.0, 3.0, 0.0}));

    const std::string triple = "(10.5, -2 ,3e1)\n";
    cursor = 0;
    float x = 0, y = 0, z = 0;
    ReadNumberFloat(cursor, triple, x);
    ReadNextFloat(cursor, triple, y);
    ReadNextFloat(cursor, triple, z);
    EXPECT_EQ((std::array{x, y, z}), (std::array{10.5f, -2.0f, 30.0f}));
}

TEST(DefinitionReader, QuotedTextIsReplacedAndMayBeMissing) {
    std::optional<std::string> text = std::string("old");
    std::size_t cursor = 0;
    const std::string line = "NAME = \"ホルダー A\" rest\n";
    ReadQuotedText(cursor, line, text);
    EXPECT_EQ(text, std::optional<std::string>("ホルダー A"));  // multi-byte text is carried unchanged
    EXPECT_EQ(line[cursor], '"');
    cursor = 0;
    ReadQuotedText(cursor, "NAME = none\n", text);
    EXPECT_FALSE(text.has_value());  // the old string is released
    cursor = 0;
    ReadQuotedText(cursor, "NAME = \"open end\r\n", text);
    EXPECT_EQ(text, std::optional<std::string>("open end"));
}

TEST(DefinitionReader, LinesAreCutAt255CharactersAndLineEndsNormalised) {
    test::TempDir dir;
    DefinitionLineReader reader;
    ASSERT_TRUE(OpenDefinitionFile(dir.Write("long.ctl", std::string(300, 'A') + "\nKEY=1\r\nLAST"), reader));
    std::vector<std::string> lines;
    for (std::string line; ReadDefinitionLine(reader, line);) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(255, 'A'), std::string(45, 'A') + "\n", "KEY=1\n", "LAST"}));
    // The file is read in large pieces: a line end split between two pieces
    // is still one "\r\n", a carriage return alone stays a character, and a
    // cut line goes on across the piece boundary.
    for (const std::size_t at : {kReadAheadBytes - 1, kReadAheadBytes, kReadAheadBytes + 1}) {
        std::string text(at - 6, '\n');
        text += "G1X1\r\nG2\rX2\r";
        text += std::string(260, 'B') + "\r";
        DefinitionLineReader big;
        ASSERT_TRUE(OpenDefinitionFile(dir.Write("big.nc", text), big));
        std::vector<std::string> got;
        for (std::string line; ReadDefinitionLine(big, line);) got.push_back(line);
        ASSERT_EQ(got.size(), at - 6 + 3) << at;
        EXPECT_EQ(got[at - 6], "G1X1\n") << at;
        EXPECT_EQ(got[at - 5], "G2\rX2\r" + std::string(249, 'B')) << at;
        EXPECT_EQ(got[at - 4], std::string(11, 'B') + "\r") << at;
    }
    DefinitionLineReader missing;
    std::string line;
    EXPECT_FALSE(OpenDefinitionFile(dir.Path("none.ctl"), missing));
    EXPECT_FALSE(ReadDefinitionLine(missing, line));
}

}  // namespace
}  // namespace morvex
