// Definition-file value readers.
//
// Implementation notes: the number conversion accepts exactly the decimal
// form sign, digits, one point, digits, exponent; it never reads hexadecimal,
// "inf" or "nan", which a general library conversion would. A value beyond
// the range of the target type is held at the largest finite value so that
// no infinity reaches the geometry.
#include "nc/definition_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <limits>

#include "base/text.h"

namespace morvex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number at `text` (0 when there is none).
std::size_t DecimalLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
        const std::size_t expStart = j;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j > expStart) i = j;
    }
    return i;
}

double ConvertDecimal(std::string_view text) {
    const std::size_t len = DecimalLength(text);
    if (len == 0) return 0.0;
    const char* first = text.data();
    if (*first == '+') ++first;  // from_chars takes no plus sign
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, text.data() + len, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Either an underflow (tiny) or an overflow (huge): tell by the exponent sign.
        const bool negative = text[0] == '-';
        const std::size_t e = text.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < len && text[e + 1] == '-';
        if (tiny) return 0.0;
        const double big = std::numeric_limits<double>::max();
        return negative ? -big : big;
    }
    return ec == std::errc() ? value : 0.0;
}

// Cursor position of the number's first character, or npos.
std::size_t FindNumberStart(std::size_t cursor, std::string_view line) {
    if (cursor >= line.size()) return std::string_view::npos;
    return line.find_first_of("1234567890-.\n", cursor);
}

}  // namespace

bool OpenDefinitionFile(const std::string& path, DefinitionLineReader& reader) {
    reader.begin = 0;
    reader.end = 0;
    // Only regular files: a FIFO or device would block or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        reader.file.reset();
        return false;
    }
    reader.file.reset(std::fopen(path.c_str(), "rb"));
    return reader.file != nullptr;
}

namespace {

// Reads the next piece of the file into the emptied buffer; false at the end
// of the file or on a read error (which the file's error flag keeps).
bool Refill(DefinitionLineReader& reader) {
    if (!reader.buffer) reader.buffer = std::make_unique<char[]>(kReadAheadBytes);
    reader.begin = 0;
    reader.end = std::fread(reader.buffer.get(), 1, kReadAheadBytes, reader.file.get());
    return reader.end > 0;
}

}  // namespace

bool ReadDefinitionLine(DefinitionLineReader& reader, std::string& line, std::size_t maxChars) {
    line.clear();
    if (!reader.file) return false;
    while (line.size() < maxChars) {
        if (reader.begin == reader.end && !Refill(reader)) break;
        const char* data = reader.buffer.get() + reader.begin;
        const std::size_t avail = std::min(reader.end - reader.begin, maxChars - line.size());
        // Everything up to the first line end or carriage return is taken as it stands.
        const void* newline = std::memchr(data, '\n', avail);
        const std::size_t scan = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - data) : avail;
        const void* cr = std::memchr(data, '\r', scan);
        const std::size_t plain = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : scan;
        line.append(data, plain);
        reader.begin += plain;
        if (plain == avail) continue;  // the line is full or the buffer used up
        char c = data[plain];
        ++reader.begin;
        if (c == '\r') {
            // "\r\n" counts as "\n"; a carriage return alone is an ordinary character.
            if (reader.begin == reader.end) Refill(reader);
            if (reader.begin < reader.end && reader.buffer[reader.begin] == '\n') {
                ++reader.begin;
                c = '\n';
            }
        }
        line.push_back(c);
        if (c == '\n') break;
    }
    return !line.empty();
}

bool MatchKey(std::string_view line, std::string_view key) { return StartsWithNoCase(line, key); }

bool MatchWord(std::size_t cursor, std::string_view line, std::string_view word) {
    return cursor <= line.size() && StartsWithNoCase(line.substr(cursor), word);
}

void SkipSeparators(std::size_t& cursor, std::string_view line) {
    while (cursor < line.size() && (line[cursor] == ' ' || line[cursor] == '=')) ++cursor;
}

void ReadNumberDouble(std::size_t& cursor, std::string_view line, double& out) {
    const std::size_t start = FindNumberStart(cursor, line);
    if (start == std::string_view::npos) {
        out = 0.0;
        return;
    }
    cursor = start;
    out = line[start] == '\n' ? 0.0 : ConvertDecimal(line.substr(start));
}

void ReadNumberFloat(std::size_t& cursor, std::string_view line, float& out) {
    double value = 0.0;
    ReadNumberDouble(cursor, line, value);
    out = ClampToFloat(value);
}

void ReadNextDouble(std::size_t& cursor, std::string_view line, double& out) {
    const std::size_t comma = cursor < line.size() ? line.find(',', cursor) : std::string_view::npos;
    if (comma == std::string_view::npos) {
        out = 0.0;
        return;
    }
    cursor = comma;
    ReadNumberDouble(cursor, line, out);
}

void ReadNextFloat(std::size_t& cursor, std::string_view line, float& out) {
    double value = 0.0;
    ReadNextDouble(cursor, line, value);
    out = ClampToFloat(value);
}

void ReadQuotedText(std::size_t& cursor, std::string_view line, std::optional<std::string>& out) {
    out.reset();
    const std::size_t open = cursor < line.size() ? line.find('"', cursor) : std::string_view::npos;
    if (open == std::string_view::npos) return;
    std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) {
        close = line.size();
        while (close > open + 1 && (line[close - 1] == '\n' || line[close - 1] == '\r')) --close;
    }
    out = std::string(line.substr(open + 1, close - open - 1));
    cursor = close;
}

std::size_t EndOfNumber(std::string_view text, std::size_t i) {
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    while (i < text.size() && (IsDigit(text[i]) || text[i] == '.')) ++i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

float ClampToFloat(double value) {
    if (std::isnan(value)) return 0.0f;
    constexpr double kMax = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kMax, kMax));
}

int TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (value >= kMax) return std::numeric_limits<int>::max();
    if (value <= kMin) return std::numeric_limits<int>::min();
    return static_cast<int>(std::trunc(value));
}

float NumberFloatAt(std::string_view line, std::size_t& cursor) {
    float v = 0.0f;
    ReadNumberFloat(cursor, line, v);
    return v;
}

float NextFloatAt(std::string_view line, std::size_t& cursor) {
    float v = 0.0f;
    ReadNextFloat(cursor, line, v);
    return v;
}

}  // namespace morvex
