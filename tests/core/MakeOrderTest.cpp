#include "core/MakeOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace rentabo;

TEST(MakeOrder, TiesAreBrokenTowardsLaterPositions) {
    struct Case {
        std::vector<int> keys;
        std::vector<int> order;
    };
    const Case cases[] = {
        {{9, 8, 7}, {0, 1, 2}},
        {{1, 2, 3}, {2, 1, 0}},
        {{5, 5, 5, 5}, {0, 1, 2, 3}},
        {{1, 9, 9, 4}, {3, 0, 1, 2}},
        {{2, 7, 2, 7, 2}, {2, 0, 3, 1, 4}},
        {{0, 98, 0, 98, 50, 50}, {4, 0, 5, 1, 2, 3}},
        {{}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(orderFromKeys(c.keys), c.order);
}

TEST(MakeOrder, AlwaysAPermutation) {
    std::mt19937 rng;
    for (int n : {1, 2, 9, 27, 81}) {
        for (std::int64_t now = 0; now < 2000; now += 7) {
            std::array<int, 81> order{};
            order.fill(-1);
            MakeOrder(order, n, rng, now * 1000003);
            std::vector<int> got(order.begin(), order.begin() + n);
            std::sort(got.begin(), got.end());
            std::vector<int> want(static_cast<std::size_t>(n));
            std::iota(want.begin(), want.end(), 0);
            ASSERT_EQ(got, want) << "n=" << n << " now=" << now;
            // Positions past n are left alone.
            for (int i = n; i < 81; ++i) ASSERT_EQ(order[static_cast<std::size_t>(i)], -1);
        }
    }
}

TEST(MakeOrder, ReseededFromTheClockItIsGivenEachTime) {
    std::mt19937 rng;
    std::array<int, 81> a{}, b{}, c{};
    MakeOrder(a, 27, rng, 123456);
    MakeOrder(b, 27, rng, 123456);
    MakeOrder(c, 27, rng, 123457);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}
