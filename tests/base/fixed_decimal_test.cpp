// Six-decimal numbers against the C library's "%f": random values over many
// magnitudes, exact halves (which round to even), values near halves, the
// smallest and the largest accepted values, negative zero and what is
// handed back.
#include "base/fixed_decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace morvex {
namespace {

std::string Printf(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", v);
    return buf;
}

std::string Fixed(double v) {
    char buf[32];
    const char* end = WriteFixedSix(buf, v);
    return end == nullptr ? std::string("(none)") : std::string(buf, static_cast<std::size_t>(end - buf));
}

TEST(FixedDecimal, AgreesWithPrintfEverywhereItAnswers) {
    const double cases[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1.0 / 128, 3.0 / 128, -5.0 / 128,  // exact halves of 1e-6
                            0.0000005, 0.0000015, 0.0000025, 1e-7, -1e-7, 4.9406564584124654e-324,
                            123.4565, 99.9999995, 999999999999.9999, -999999999999.999, 0.1, 0.3, 2.675,
                            1e11 + 0.1234565, 15.123456500000001,
                            // rounding up into one more digit before the point
                            9.99999951, 99.99999951, 999.99999951, std::nextafter(1e6, 0.0)};
    for (double v : cases) EXPECT_EQ(Fixed(v), Printf(v)) << v;

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> magnitude(-12, 11);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 300000; ++i) {
        const double v = unit(random) * std::pow(10.0, magnitude(random));
        ASSERT_EQ(Fixed(v), Printf(v)) << v;
        // Values on the grid of 1e-6 and 1/2^k, where ties and near-ties live.
        const double grid = std::round(v * 1e6) / 1e6 + (static_cast<double>(i % 7) - 3.0) / 134217728.0;
        ASSERT_EQ(Fixed(grid), Printf(grid)) << grid;
        double any;
        const std::uint64_t b = bits(random);
        std::memcpy(&any, &b, sizeof any);
        if (std::isfinite(any) && std::fabs(any) < 1e12) {
            ASSERT_EQ(Fixed(any), Printf(any)) << any;
        }
    }

    // Near one half of a unit, where a product rounded onto the half must
    // not decide the rounding.
    std::uniform_int_distribution<std::uint64_t> units(0, 999999999999ULL);
    for (int i = 0; i < 20000; ++i) {
        const double whole = static_cast<double>(units(random) >> (i % 40));
        for (double d : {0.0, 1.0 / 1024, -1.0 / 1024, 1.0 / 1024 + 1e-7, -1.0 / 1024 - 1e-7, 1.0 / 16384, -1e-12}) {
            const double v = (whole + 0.5 + d) / 1e6 * (i % 2 == 0 ? 1.0 : -1.0);
            ASSERT_EQ(Fixed(v), Printf(v)) << v;
        }
    }

    // Outside its range the caller formats: nothing is written.
    EXPECT_EQ(Fixed(1e12), "(none)");
    EXPECT_EQ(Fixed(-2e15), "(none)");
    EXPECT_EQ(Fixed(std::numeric_limits<double>::quiet_NaN()), "(none)");
    EXPECT_EQ(Fixed(-std::numeric_limits<double>::infinity()), "(none)");
}

}  // namespace
}  // namespace morvex
