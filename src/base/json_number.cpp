// JSON numbers.
//
// Implementation notes: the digits come from the JSON library's own double
// conversion (Grisu2, which is not always the shortest form a general
// shortest-digits conversion gives, and formats exponents its own way), so
// that the text is the library's byte for byte. The cache is direct-mapped
// on a multiplicative hash of the bits; a miss converts and replaces.
#include "base/json_number.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include <nlohmann/json.hpp>

namespace morvex {

char* WriteJsonNumber(char* at, double value, JsonNumberCache& cache) {
    if (!std::isfinite(value)) {
        std::memcpy(at, "null", 4);
        return at + 4;
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    JsonNumberCache::Entry& e = cache.entries[(bits * 0x9E3779B97F4A7C15ull) >> 56];
    if (e.bits != bits) {
        char digits[40];  // the conversion asks for room beyond the longest text
        const char* end = nlohmann::detail::to_chars(digits, digits + sizeof digits, value);
        e.length = static_cast<std::uint8_t>(end - digits);
        std::memcpy(e.text.data(), digits, e.length);
        e.bits = bits;
    }
    std::memcpy(at, e.text.data(), e.length);
    return at + e.length;
}

char* WriteJsonNumber(char* at, int value) {
    return std::to_chars(at, at + 11, value).ptr;
}

}  // namespace morvex
