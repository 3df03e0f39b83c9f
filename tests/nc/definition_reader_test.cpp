// Definition-file line discipline and value readers.
#include "nc/definition_reader.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(DefinitionReader, KeysMatchAtColumnOneIgnoringCase) {
    EXPECT_TRUE(MatchKey("r-tolerance=0.01\n", "R-TOLERANCE"));
    EXPECT_TRUE(MatchKey("UNIT(SCALE) = 1\n", "UNIT"));  // a prefix key also matches: order decides
    EXPECT_FALSE(MatchKey("  UNIT = MM\n", "UNIT"));     // leading blanks match nothing
    EXPECT_FALSE(MatchKey("; UNIT = MM\n", "UNIT"));
    EXPECT_FALSE(MatchKey("UNI\n", "UNIT"));

    const std::string line = "r-tolerance=0.01\n";
    std::size_t cursor = std::string("R-TOLERANCE").size();
    SkipSeparators(cursor, line);
    double value = 0.0;
    ReadNumberDouble(cursor, line, value);
    EXPECT_DOUBLE_EQ(value, 0.01);
}

TEST(DefinitionReader, SeparatorsAreBlanksAndEqualsSignsButNotTabs) {
    const struct {
        std::string line;
        std::size_t expected;
    } cases[] = {
        {"KEY = VALUE", 6}, {"KEY=VALUE", 4}, {"KEY VALUE", 4}, {"KEY\t= VALUE", 3}, {"KEY", 3},
    };
    for (const auto& c : cases) {
        std::size_t cursor = 3;
        SkipSeparators(cursor, c.line);
        EXPECT_EQ(cursor, c.expected) << c.line;
    }
    EXPECT_TRUE(MatchWord(6, "KEY = inch mode", "INCH"));
    EXPECT_FALSE(MatchWord(6, "KEY = in", "INCH"));
}

TEST(DefinitionReader, NumbersStartAtTheFirstNumericCharacter) {
    const struct {
        std::string text;
        double value;
        std::size_t cursorAfter;  // the cursor stays on the number's first character
    } cases[] = {
        {"= +2.5\n", 2.5, 3},   // "+" is skipped like any other non-number character
        {"= -2.5\n", -2.5, 2},
        {"(x)12\n", 12.0, 3},
        {"abc .5e2\n", 50.0, 4},
        {"1e", 1.0, 0},         // an exponent without digits is not part of the number
        {"--5\n", 0.0, 0},      // no digits after the sign: zero
        {"0x1A\n", 0.0, 0},     // hexadecimal is not read: 0 then stop at "x"
        {"-inf\n", 0.0, 0},
        {"word\n", 0.0, 4},     // the newline is found first: 0, cursor on the newline
        {"word", 0.0, 0},       // nothing at all: 0, the cursor does not move
        {"", 0.0, 0},
    };
    for (const auto& c : cases) {
        std::size_t cursor = 0;
        double value = -99.0;
        ReadNumberDouble(cursor, c.text, value);
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        EXPECT_EQ(cursor, c.cursorAfter) << c.text;
    }
}

TEST(DefinitionReader, HugeNumbersAreHeldFiniteAndTinyOnesAreZero) {
    std::size_t cursor = 0;
    double d = 0.0;
    ReadNumberDouble(cursor, "1e999", d);
    EXPECT_EQ(d, DBL_MAX);
    cursor = 0;
    ReadNumberDouble(cursor, "-1e999", d);
    EXPECT_EQ(d, -DBL_MAX);
    cursor = 0;
    ReadNumberDouble(cursor, "1e-999", d);
    EXPECT_EQ(d, 0.0);
    float f = 0.0f;
    cursor = 0;
    ReadNumberFloat(cursor, "1e300", f);
    EXPECT_EQ(f, FLT_MAX);
    EXPECT_EQ(TruncateToInt(1e300), 2147483647);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(2.9), 2);
}

TEST(DefinitionReader, ListElementsStepOverCommas) {
    const std::string line = "1,,3\n";
    std::size_t cursor = 0;
    double a = 0.0, b = 0.0, c = -1.0;
    ReadNumberDouble(cursor, line, a);
    ReadNextDouble(cursor, line, b);  // passes over the second comma
    ReadNextDouble(cursor, line, c);  // no further comma
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(b, 3.0);
    EXPECT_EQ(c, 0.0);

    const std::string triple = "(10.5, -2 ,3e1)\n";
    cursor = 0;
    float x = 0, y = 0, z = 0;
    ReadNumberFloat(cursor, triple, x);
    ReadNextFloat(cursor, triple, y);
    ReadNextFloat(cursor, triple, z);
    EXPECT_FLOAT_EQ(x, 10.5f);
    EXPECT_FLOAT_EQ(y, -2.0f);
    EXPECT_FLOAT_EQ(z, 30.0f);
}

TEST(DefinitionReader, QuotedTextIsReplacedAndMayBeMissing) {
    std::optional<std::string> text = std::string("old");
    std::size_t cursor = 0;
    const std::string line = "NAME = \"ホルダー A\" rest\n";
    ReadQuotedText(cursor, line, text);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "ホルダー A");  // multi-byte text is carried unchanged
    EXPECT_EQ(line[cursor], '"');

    cursor = 0;
    ReadQuotedText(cursor, "NAME = none\n", text);
    EXPECT_FALSE(text.has_value());  // the old string is released

    cursor = 0;
    ReadQuotedText(cursor, "NAME = \"open end\r\n", text);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "open end");
}

TEST(DefinitionReader, LinesAreCutAt255CharactersAndLineEndsNormalised) {
    test::TempDir dir;
    const std::string longLine(300, 'A');
    const std::string path = dir.Write("long.ctl", longLine + "\nKEY=1\r\nLAST");
    DefinitionLineReader reader;
    ASSERT_TRUE(OpenDefinitionFile(path, reader));
    std::vector<std::string> lines;
    std::string line;
    while (ReadDefinitionLine(reader, line)) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string(255, 'A'));
    EXPECT_EQ(lines[1], std::string(45, 'A') + "\n");
    EXPECT_EQ(lines[2], "KEY=1\n");
    EXPECT_EQ(lines[3], "LAST");

    DefinitionLineReader missing;
    EXPECT_FALSE(OpenDefinitionFile(dir.Path("none.ctl"), missing));
    EXPECT_FALSE(ReadDefinitionLine(missing, line));
}

}  // namespace
}  // namespace morvex
