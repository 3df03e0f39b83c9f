// Numbers for the machine-readable outputs, written straight into a text
// buffer exactly as the JSON library writes them, so that a listing of a
// million motions needs no JSON document per line.
#pragma once

#include <array>
#include <cstdint>

namespace morvex {

// The longest number text: "-1.7976931348623157e+308".
inline constexpr int kJsonNumberChars = 24;

// The texts of recently written doubles by their bits. A listing writes most
// of its numbers more than once (a motion starts where the one before it
// ended), and the conversion is the costly part of writing them.
struct JsonNumberCache {
    struct Entry {
        std::uint64_t bits = 0x7ff8000000000001;  // a NaN: no written value has it
        std::uint8_t length = 0;
        std::array<char, kJsonNumberChars> text{};
    };
    std::array<Entry, 256> entries{};
};

// Writes the double at `at` (room for kJsonNumberChars) and returns the end:
// the shortest form of its Grisu2 digits that reads back to the same double,
// whole values with ".0" ("50.0", "-0.0"), exponents beyond 1e15 and below
// 1e-4 as "1e+16"; "null" for infinities and NaN.
char* WriteJsonNumber(char* at, double value, JsonNumberCache& cache);

// Writes the integer at `at` (room for 11 characters) and returns the end.
char* WriteJsonNumber(char* at, int value);

}  // namespace morvex
