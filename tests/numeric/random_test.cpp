#include "numeric/methods/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/fatalreport.h"
#include "runtime/clock.h"

namespace zt {
namespace {

using testing::bombline;
using testing::fatalreport;

sortlist listof(const std::vector<real>& values) {
    sortlist list{};
    for (size_t i = 0; i < values.size(); ++i) list[i + 1] = values[i];
    return list;
}

TEST(Random, WichmannHillFromSeedsOneOneOne) {
    randomseeds = randomstate{};
    // frac(s1/30269 + s2/30307 + s3/30323) with the seeds worked out by hand:
    // (171, 172, 170), (29241, 29584, 28900), (5826, 27179, 674)
    EXPECT_NEAR(static_cast<double>(randomwh()), 0.016930906199656831, 1e-17);
    EXPECT_NEAR(static_cast<double>(randomwh()), 0.895253911237999250, 1e-16);
    EXPECT_NEAR(static_cast<double>(randomwh()), 0.111491021216452077, 1e-17);
    EXPECT_EQ(randomseeds.s1, 5826);
    EXPECT_EQ(randomseeds.s2, 27179);
    EXPECT_EQ(randomseeds.s3, 674);

    for (int i = 0; i < 2000; ++i) {
        const real r = randomwh();
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 1);
    }
}

TEST(Random, SeedsComeFromTheClock) {
    clockreading reading;
    reading.hour = 13;
    reading.second = 59;
    reading.millisecond = 999;
    setfixedclock(&reading);
    setseeds();
    setfixedclock(nullptr);
    EXPECT_EQ(randomseeds.s1, 14);
    EXPECT_EQ(randomseeds.s2, 60);
    EXPECT_EQ(randomseeds.s3, 1000);
    const real first = randomwh();
    randomseeds = {14, 60, 1000};
    EXPECT_EQ(randomwh(), first);
}

TEST(Random, TestSeedsFromTheEnvironmentOverTheClock) {
    clockreading reading;
    reading.hour = 2;
    reading.second = 3;
    reading.millisecond = 4;
    setfixedclock(&reading);
    struct seedcase {
        const char* value;
        randomstate want;
    };
    const seedcase cases[] = {
        {"17 2000 30000", {17, 2000, 30000}},
        {"17 2000", {3, 4, 5}},          // too few: the clock
        {"17 2000 3 4", {3, 4, 5}},      // too many
        {"0 5 6", {3, 4, 5}},            // a seed must be positive
        {"5 x 6", {3, 4, 5}},
    };
    for (const seedcase& c : cases) {
        SCOPED_TRACE(c.value);
        setenv("ZELTRAM_TEST_SEEDS", c.value, 1);
        setseeds();
        EXPECT_EQ(randomseeds.s1, c.want.s1);
        EXPECT_EQ(randomseeds.s2, c.want.s2);
        EXPECT_EQ(randomseeds.s3, c.want.s3);
    }
    unsetenv("ZELTRAM_TEST_SEEDS");
    setseeds();
    EXPECT_EQ(randomseeds.s1, 3);
    setfixedclock(nullptr);
}

TEST(Random, ShellsortSortsTheFirstNValues) {
    struct { std::vector<real> in; int16_t n; std::vector<real> out; } cases[] = {
        {{3, 1, 2}, 3, {1, 2, 3}},
        {{5}, 1, {5}},
        {{2, 1}, 0, {2, 1}},
        {{3, 1, 2, 0}, 3, {1, 2, 3, 0}},
        {{2, -1, 2, -1, 0}, 5, {-1, -1, 0, 2, 2}},
        {{9, 8, 7, 6, 5, 4, 3, 2, 1}, 9, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const auto& c : cases) {
        sortlist list = listof(c.in);
        shellsort(list, c.n);
        for (size_t i = 0; i < c.out.size(); ++i) EXPECT_EQ(list[i + 1], c.out[i]) << "n " << c.n << " at " << i + 1;
    }

    randomseeds = {7, 8, 9};
    std::vector<real> values;
    for (int i = 0; i < maxsortlist; ++i) values.push_back(std::floor(randomwh() * 1000));
    sortlist list = listof(values);
    shellsort(list, maxsortlist);
    std::sort(values.begin(), values.end());
    for (int i = 1; i <= maxsortlist; ++i) ASSERT_EQ(list[i], values[static_cast<size_t>(i - 1)]) << i;
}

TEST(Random, MedianLeavesTheListAlone) {
    struct { std::vector<real> in; real median; } cases[] = {
        {{5, 1, 3}, 3}, {{4, 1, 3, 2}, 2.5L}, {{-7}, -7}, {{2, 2, 1, 9, 9}, 2},
    };
    for (const auto& c : cases) {
        const sortlist list = listof(c.in);
        const sortlist before = list;
        EXPECT_EQ(findmedian(list, static_cast<int16_t>(c.in.size())), c.median);
        EXPECT_EQ(list, before);
    }
    EXPECT_NE(fatalreport([] { findmedian(listof({1}), 0); }).find(bombline("findmedian", "zero length list")),
              std::string::npos);
}

TEST(Random, PowersOfTen) {
    for (int n = -10; n <= 10; ++n)
        EXPECT_NEAR(static_cast<double>(tentopower(static_cast<int16_t>(n)) / std::pow(10.0L, n)), 1, 1e-18) << n;
    EXPECT_EQ(tentopower(0), 1);
    EXPECT_EQ(tentopower(-10), 1e-10L);
    for (int16_t n : {11, -11}) {
        const std::string report = fatalreport([n] { tentopower(n); });
        EXPECT_NE(report.find(bombline("tentopower", "stuffed")), std::string::npos) << report;
        EXPECT_EQ(report.find(testing::internalmark), std::string::npos);
    }
}

TEST(Random, RationalPowers) {
    // whole powers up to 8 are products: exact in binary, and defined for negative x
    struct { int16_t n, m; real x, exact; } products[] = {
        {3, 1, -2, -8},      {0, 1, 5, 1},         {1, 1, -3, -3},        {2, 1, -1.5L, 2.25L},
        {4, 1, 1.5L, 5.0625L}, {5, 1, -1.5L, -7.59375L}, {6, 1, 1.5L, 11.390625L}, {7, 1, -1.5L, -17.0859375L},
        {8, 1, 1.5L, 25.62890625L}, {1, 2, 0, 0},     {1, 2, 2.25L, 1.5L},
    };
    for (const auto& c : products) EXPECT_EQ(rationalpower(c.n, c.m, c.x), c.exact) << c.n << "/" << c.m << " " << static_cast<double>(c.x);

    struct { int16_t n, m; real x, value; } logs[] = {
        {9, 1, 2, 512}, {-1, 1, 4, 0.25L}, {1, 3, 8, 2}, {3, 2, 4, 8}, {-2, 3, 27, 1.0L / 9},
    };
    for (const auto& c : logs)
        EXPECT_NEAR(static_cast<double>(rationalpower(c.n, c.m, c.x) / c.value), 1, 1e-17) << c.n << "/" << c.m;
}

}  // namespace
}  // namespace zt
