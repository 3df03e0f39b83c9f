#include "base/fixed_decimal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace morvex {

char* WriteFixedSix(char* out, double value) {
    if (!std::isfinite(value) || !(std::fabs(value) < 1e12)) return nullptr;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // subnormal
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    // |value| * 1e6 = mantissa * 1e6 * 2^exponent, exactly: the product
    // needs 73 bits; the shift right keeps the remainder for the rounding.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 1000000u;
    std::uint64_t units = 0;  // of 1e-6
    if (exponent >= 0) {
        units = static_cast<std::uint64_t>(scaled << exponent);  // below 1e18: |value| < 1e12
    } else if (exponent > -128) {
        const int shift = -exponent;
        const unsigned __int128 one = 1;
        units = static_cast<std::uint64_t>(scaled >> shift);
        const unsigned __int128 rest = scaled & ((one << shift) - 1);
        const unsigned __int128 half = one << (shift - 1);
        if (rest > half || (rest == half && (units & 1) != 0)) ++units;
    }  // else below 2^-54 of a unit: rounds to 0
    char* p = out;
    if (negative) *p++ = '-';
    std::uint64_t whole = units / 1000000u;
    std::uint32_t fraction = static_cast<std::uint32_t>(units % 1000000u);
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (n > 0) *p++ = digits[--n];
    *p++ = '.';
    for (int i = 5; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return p + 6;
}

}  // namespace morvex
