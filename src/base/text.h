// Small text helpers shared by every reader: ASCII case rules, prefix
// compares over a keyword's own length, trimming and printf-style formatting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvex {

char ToUpperAscii(char c);
std::string ToUpperAscii(std::string_view text);

// True when `text` begins with `prefix`, letter case ignored (ASCII only;
// bytes of Japanese text compare exactly).
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The text without the carriage returns and line feeds at its end.
std::string_view WithoutLineEnd(std::string_view text);

// Removes blanks, tabs, carriage returns and line feeds at both ends.
std::string_view TrimBlanks(std::string_view text);

// snprintf into a std::string; the format is checked by the compiler.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

// Copies at most `maxBytes` bytes of `text`, never splitting a UTF-8 sequence.
std::string TruncateBytes(std::string_view text, std::size_t maxBytes);

// The words of a command text: quoted texts (which keep their blanks, the
// quotes dropped) and runs of non-blank characters.
std::vector<std::string> CommandWords(std::string_view text);

}  // namespace morvex
