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
constexpr int kExactDigits = 15;  // any 15-digit integer is exact in a double

// Blanks, then sign, digits, point, digits; anything after ends the number.
// A number of at most 15 significant digits and 22 decimals is its digits as
// an integer divided by a power of ten: both exact, so the one division
// rounds correctly and gives the same double as a full conversion, which
// only the longer numbers take.
WordNumber ParseWordNumber(std::string_view text) {
    WordNumber out;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digitsFrom = i;
    bool digits = false;
    std::uint64_t mantissa = 0;
    int significant = 0;  // digits counted into the mantissa from the first non-zero one
    int decimals = 0;
    auto take = [&](char c) {
        if (significant > 0 || c != '0') {
            if (++significant <= kExactDigits) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
        }
    };
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') take(text[i++]), digits = true;
    if (i < text.size() && text[i] == '.') {
        out.hasPoint = true;
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') take(text[i++]), ++decimals, digits = true;
    }
    out.characters = static_cast<int>(i - begin);
    if (!digits) return out;
    double value = 0.0;
    if (significant <= kExactDigits && decimals < static_cast<int>(std::size(kExactPowers))) {
        value = static_cast<double>(mantissa) / kExactPowers[decimals];
    } else {
        const auto result = std::from_chars(text.data() + digitsFrom, text.data() + i, value);
        if (result.ec != std::errc() || !std::isfinite(value)) {
            // Out of range: huge when the whole part has a non-zero digit, else tiny.
            const std::string_view whole = text.substr(digitsFrom, i - digitsFrom);
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
    const std::size_t end = WordEnd(block, cursor);
    std::string_view text = block.substr(cursor, end - cursor);
    cursor = end;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    }
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
    const std::size_t end = WordEnd(block, cursor);
    const WordNumber n = ParseWordNumber(block.substr(cursor, end - cursor));
    cursor = end;
    return decimalPoint == 3 ? n.value : Scaled(n, increment);
}

double ReadScaledWord(std::string_view block, std::size_t& cursor, int increment) {
    const std::size_t end = WordEnd(block, cursor);
    const WordNumber n = ParseWordNumber(block.substr(cursor, end - cursor));
    cursor = end;
    return Scaled(n, increment);
}

double ReadTimeWord(std::string_view block, std::size_t& cursor) {
    const std::size_t end = WordEnd(block, cursor);
    const WordNumber n = ParseWordNumber(block.substr(cursor, end - cursor));
    cursor = end;
    return n.hasPoint ? n.value : n.value * 0.001;
}

double ReadFeedWord(std::string_view block, std::size_t& cursor, int& characters) {
    const std::size_t end = WordEnd(block, cursor);
    const WordNumber n = ParseWordNumber(block.substr(cursor, end - cursor));
    cursor = end;
    characters = n.characters;
    return n.value;
}

}  // namespace morvex
