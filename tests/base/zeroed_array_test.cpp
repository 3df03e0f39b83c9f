#include "base/zeroed_array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace morvex {
namespace {

// Storage handed back and taken again (small blocks come from the heap,
// large ones from fresh pages) is zero every time, whatever it held;
// assign and move carry the elements over.
TEST(ZeroedArray, FreshStorageIsZeroAndAssignedOrMovedElementsStay) {
    for (const std::size_t n : {std::size_t{7}, std::size_t{1} << 12, std::size_t{1} << 20}) {
        ZeroedArray<std::int32_t> a;
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(a.Reset(n));
            ASSERT_EQ(a.size(), n);
            std::size_t nonZero = 0;
            for (const std::int32_t v : a) nonZero += v != 0 ? 1 : 0;
            EXPECT_EQ(nonZero, 0u) << n << " round " << round;
            for (std::size_t i = 0; i < n; ++i) a[i] = -1 - static_cast<std::int32_t>(i);
        }
        ZeroedArray<std::int32_t> copy;
        ASSERT_TRUE(copy.assign(a.begin(), a.end()));
        EXPECT_TRUE(copy == a);
        EXPECT_NE(copy.data(), a.data());
        copy[n - 1] = 5;
        EXPECT_FALSE(copy == a);
        const std::int32_t* held = a.data();
        ZeroedArray<std::int32_t> moved = std::move(a);
        EXPECT_EQ(moved.data(), held);
        EXPECT_TRUE(a.empty() && a.data() == nullptr);  // NOLINT(bugprone-use-after-move): a move empties it
        moved = std::move(copy);
        EXPECT_EQ(moved[n - 1], 5);
    }
    // A fill value is written by its bytes: -0.0 and NaN stay what they are.
    ZeroedArray<float> f;
    ASSERT_TRUE(f.assign(3, -0.0f));
    EXPECT_TRUE(std::signbit(f[2]));
    ASSERT_TRUE(f.assign(2, std::nanf("")));
    EXPECT_TRUE(std::isnan(f[1]));
    const float values[] = {1.5f, 2.5f};
    ASSERT_TRUE(f.assign(values, values + 2));
    EXPECT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1], 2.5f);
    EXPECT_TRUE(f.Reset(0) && f.empty());
}

}  // namespace
}  // namespace morvex
