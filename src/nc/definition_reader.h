// The line discipline and value readers shared by the controller definition,
// the tool table, the arbor file, the machine definition and the settings
// values: lines of at most 255 characters, keys matched as case-blind
// prefixes at column 1, numbers taken from the first numeric character on.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace morvex {

// At most this many characters of a line are seen at once; the rest of a
// longer line arrives as the next line.
inline constexpr std::size_t kDefinitionLineChars = 255;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

// Bytes read from the file ahead of the lines handed out: one large read
// serves thousands of NC blocks.
inline constexpr std::size_t kReadAheadBytes = 64 * 1024;

struct DefinitionLineReader {
    std::unique_ptr<std::FILE, FileCloser> file;
    std::unique_ptr<char[]> buffer;  // kReadAheadBytes, made on the first read
    std::size_t begin = 0;           // next byte of the buffer to hand out
    std::size_t end = 0;             // bytes in the buffer
};

[[nodiscard]] bool OpenDefinitionFile(const std::string& path, DefinitionLineReader& reader);

// Reads the next line into `line` (a "\r\n" line end counts as "\n" and the
// "\n" stays at the end), at most `maxChars` characters of it. Returns false
// at the end of the file.
[[nodiscard]] bool ReadDefinitionLine(DefinitionLineReader& reader, std::string& line,
                                      std::size_t maxChars = kDefinitionLineChars);

// A key matches a line that begins with it, letter case ignored.
bool MatchKey(std::string_view line, std::string_view key);

// A value word matches at the cursor over the word's own length.
bool MatchWord(std::size_t cursor, std::string_view line, std::string_view word);

// Advances over blanks and "=" signs (not tabs).
void SkipSeparators(std::size_t& cursor, std::string_view line);

// Finds the first character of "1234567890-." (or the newline) at or after the
// cursor, leaves the cursor on it and converts the number that starts there.
// No such character: 0 and the cursor stays.
void ReadNumberDouble(std::size_t& cursor, std::string_view line, double& out);
void ReadNumberFloat(std::size_t& cursor, std::string_view line, float& out);

// Moves to the next "," and reads a number from there; no comma: 0.
void ReadNextDouble(std::size_t& cursor, std::string_view line, double& out);
void ReadNextFloat(std::size_t& cursor, std::string_view line, float& out);

// The same as values: the number at the cursor, and the number after the
// next separator; 0 when there is none.
float NumberFloatAt(std::string_view line, std::size_t& cursor);
float NextFloatAt(std::string_view line, std::size_t& cursor);

// Text between the next pair of double quotes; no quote: no text. A missing
// closing quote takes the rest of the line (without its line end).
void ReadQuotedText(std::size_t& cursor, std::string_view line, std::optional<std::string>& out);

// Index behind the number that begins at `i` (sign, digits and points,
// exponent), for readers that take a number's text as it stands.
std::size_t EndOfNumber(std::string_view text, std::size_t i);

// Single precision held inside its range (a double beyond it would not convert).
float ClampToFloat(double value);

// Integer settings are numbers truncated toward zero, held inside int range.
int TruncateToInt(double value);

}  // namespace morvex
