// Address word readers.
//
// Implementation notes: a word's text runs from the cursor to the next
// address letter, "(" or line end. Numbers are converted from the decimal
// form only (sign, digits, one point, digits); an exponent letter would be
// an address letter and ends the word.
#include "nc/word_reader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace morvex {
namespace {

bool EndsWord(char c) { return IsAddressLetter(c) || c == '(' || c == '\n' || c == '\0'; }

std::size_t WordEnd(std::string_view block, std::size_t cursor) {
    while (cursor < block.size() && !EndsWord(block[cursor])) ++cursor;
    return cursor;
}

struct WordNumber {
    double value = 0.0;
    bool hasPoint = false;
    int characters = 0;  // of the number as written
};

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;  // every integer up to it is exact
constexpr int kMantissaDigits = 19;  // digits that always fit in 64 bits

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number at the cursor: blanks, then sign, digits, point, digits;
// anything after ends the number, and the cursor moves on to the end of the
// word (none of the number's characters ends a word).
// Digits making an integer up to 2^53 with at most 22 decimals are that
// integer divided by a power of ten: both exact, so the one division rounds
// correctly and gives the same double as a full conversion, which only
// longer numbers take.
WordNumber ReadWordNumber(std::string_view block, std::size_t& cursor) {
    WordNumber out;
    const char* const text = block.data();
    const std::size_t size = block.size();
    std::size_t i = cursor;
    while (i < size && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t begin = i;
    if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digitsFrom = i;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    for (; i < size && IsDigit(text[i]); ++i, ++digits) {
        mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (i < size && text[i] == '.') {
        out.hasPoint = true;
        for (++i; i < size && IsDigit(text[i]); ++i, ++digits, ++decimals) {
            mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
        }
    }
    out.characters = static_cast<int>(i - begin);
    cursor = WordEnd(block, i);
    if (digits == 0) return out;
    double value = 0.0;
    if (digits <= kMantissaDigits && mantissa <= kExactMantissa &&
        decimals < static_cast<int>(std::size(kExactPowers))) {
        value = static_cast<double>(mantissa) / kExactPowers[decimals];
    } else {
        const auto result = std::from_chars(text + digitsFrom, text + i, value);
        if (result.ec != std::errc() || !std::isfinite(value)) {
            // Out of range: huge when the whole part has a non-zero digit, else tiny.
            const std::string_view whole = block.substr(digitsFrom, i - digitsFrom);
            const bool huge = whole.substr(0, whole.find('.')).find_first_of("123456789") !=
                              std::string_view::npos;
            value = huge ? std::numeric_limits<double>::max() : 0.0;
        }
    }
    out.value = text[begin] == '-' ? -value : value;
    return out;
}

double Scaled(const WordNumber& n, int increment) {
    if (n.hasPoint || increment <= 0) return n.value;
    return n.value / increment;
}

}  // namespace

int ReadIntegerWord(std::string_view block, std::size_t& cursor) {
    if (cursor < block.size() && IsAddressLetter(block[cursor])) {
        cursor = block.size();
        return 0;
    }
    // The number's characters never end a word: read it, then find the word's end.
    std::size_t i = cursor;
    while (i < block.size() && (block[i] == ' ' || block[i] == '\t')) ++i;
    bool negative = false;
    if (i < block.size() && (block[i] == '+' || block[i] == '-')) negative = block[i++] == '-';
    long long value = 0;
    while (i < block.size() && IsDigit(block[i])) {
        value = value * 10 + (block[i++] - '0');
        if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    }
    cursor = WordEnd(block, i);
    return static_cast<int>(negative ? -value : value);
}

void ReadGCodeWord(std::string_view block, std::size_t& cursor, int& code, int& suffix) {
    const std::size_t start = cursor;
    code = ReadIntegerWord(block, cursor);
    suffix = 0;
    const std::string_view text = block.substr(start, cursor - start);
    const std::size_t point = text.find('.');
    if (point != std::string_view::npos && point + 1 < text.size() && text[point + 1] >= '0' &&
        text[point + 1] <= '9') {
        suffix = text[point + 1] - '0';
    }
}

double ReadCoordinateWord(std::string_view block, std::size_t& cursor, int decimalPoint,
                          int increment) {
    const WordNumber n = ReadWordNumber(block, cursor);
    return decimalPoint == 3 ? n.value : Scaled(n, increment);
}

double ReadScaledWord(std::string_view block, std::size_t& cursor, int increment) {
    const WordNumber n = ReadWordNumber(block, cursor);
    return Scaled(n, increment);
}

double ReadTimeWord(std::string_view block, std::size_t& cursor) {
    const WordNumber n = ReadWordNumber(block, cursor);
    return n.hasPoint ? n.value : n.value * 0.001;
}

double ReadFeedWord(std::string_view block, std::size_t& cursor, int& characters) {
    const WordNumber n = ReadWordNumber(block, cursor);
    characters = n.characters;
    return n.value;
}

}  // namespace morvex
