#include "base/fixed_decimal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace morvex {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// |value| in units of 1e-6, rounded half to even from the exact binary
// value: mantissa * 1e6 * 2^exponent needs 73 bits; the shift right keeps
// the remainder for the rounding.
std::uint64_t ExactUnits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // subnormal
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 1000000u;
    std::uint64_t units = 0;
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
    return units;
}

// The same for |value| below 1e6, mostly without the exact product. There
// the rounded product |value| * 1e6 lies below 2^40, where every half unit
// is a double: rounding to the nearest double never carries the product
// across one, so the rounded product lies on the same side of it as the
// exact one, or on it. Only a product that lands on a half asks the exact
// way which side the exact product lies on.
std::uint64_t Units(double magnitude) {
    if (magnitude < 1e6) {
        const double scaled = magnitude * 1e6;
        const auto whole = static_cast<std::uint64_t>(scaled);
        const double fraction = scaled - static_cast<double>(whole);  // exact
        if (fraction != 0.5) return whole + (fraction > 0.5 ? 1 : 0);
    }
    return ExactUnits(magnitude);
}

}  // namespace

char* WriteFixedSix(char* out, double value) {
    if (!std::isfinite(value) || !(std::fabs(value) < 1e12)) return nullptr;
    const std::uint64_t units = Units(std::fabs(value));
    char* p = out;
    if (std::signbit(value)) *p++ = '-';
    std::uint64_t whole = units / 1000000u;
    const auto fraction = static_cast<std::uint32_t>(units % 1000000u);
    // Two digits at a time from a table: a cut data line has four of these
    // numbers, and a run writes a line per step. Most coordinates have
    // three digits or fewer before the point.
    if (whole < 10) {
        *p++ = static_cast<char>('0' + whole);
    } else if (whole < 100) {
        std::memcpy(p, kDigitPairs + 2 * whole, 2);
        p += 2;
    } else if (whole < 1000) {
        *p = static_cast<char>('0' + whole / 100);
        std::memcpy(p + 1, kDigitPairs + 2 * (whole % 100), 2);
        p += 3;
    } else {
        char digits[20];
        int n = 20;
        while (whole >= 100) {
            n -= 2;
            std::memcpy(digits + n, kDigitPairs + 2 * (whole % 100), 2);
            whole /= 100;
        }
        if (whole >= 10) {
            n -= 2;
            std::memcpy(digits + n, kDigitPairs + 2 * whole, 2);
        } else {
            digits[--n] = static_cast<char>('0' + whole);
        }
        std::memcpy(p, digits + n, static_cast<std::size_t>(20 - n));
        p += 20 - n;
    }
    *p++ = '.';
    std::memcpy(p, kDigitPairs + 2 * (fraction / 10000), 2);
    std::memcpy(p + 2, kDigitPairs + 2 * (fraction / 100 % 100), 2);
    std::memcpy(p + 4, kDigitPairs + 2 * (fraction % 100), 2);
    return p + 6;
}

}  // namespace morvex
