#include "numeric/methods/subsets.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "numeric/fatalreport.h"

namespace zt {
namespace {

using sequence = std::vector<std::vector<int16_t>>;

indexvector junk() {
    indexvector v;
    v.fill(77);
    return v;
}

// Steps a freshly prepared vector until more comes back false, keeping every combination.
sequence collect(indexvector v, int16_t k, const std::function<void(indexvector&, bool&)>& next) {
    for (int i = k + 1; i <= maxems; ++i) EXPECT_EQ(v[i], -1) << i;
    sequence seen;
    bool more = true;
    for (int guard = 0; guard < 100000; ++guard) {
        next(v, more);
        if (!more) return seen;
        seen.emplace_back(v.begin() + 1, v.begin() + k + 1);
    }
    ADD_FAILURE() << "enumeration does not end";
    return seen;
}

sequence subsetsof(int16_t k, int16_t n) {
    indexvector v = junk();
    firstsubset(v, k);
    return collect(v, k, [&](indexvector& x, bool& more) { nextsubset(x, k, n, more); });
}

sequence countsof(const std::vector<int16_t>& digitlimits) {
    const auto k = static_cast<int16_t>(digitlimits.size());
    indexvector limits{};
    for (size_t j = 0; j < digitlimits.size(); ++j) limits[j + 1] = digitlimits[j];
    indexvector v = junk();
    firstcounter(v, k);
    return collect(v, k, [&](indexvector& x, bool& more) { nextcounter(x, limits, k, more); });
}

TEST(Subsets, LexicographicSubsets) {
    struct { int16_t k, n; sequence expected; } cases[] = {
        {2, 4, {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}},
        {3, 3, {{1, 2, 3}}},
        {1, 3, {{1}, {2}, {3}}},
        {3, 5, {{1, 2, 3}, {1, 2, 4}, {1, 2, 5}, {1, 3, 4}, {1, 3, 5}, {1, 4, 5}, {2, 3, 4}, {2, 3, 5}, {2, 4, 5}, {3, 4, 5}}},
        {3, 2, {}},  // more elements asked for than there are
        {1, 0, {}},
        {0, 4, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(subsetsof(c.k, c.n), c.expected) << c.k << " of " << c.n;

    const sequence all = subsetsof(4, 10);
    EXPECT_EQ(all.size(), 210u);
    for (size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1], all[i]);
}

TEST(Subsets, CountersRunLikeAnOdometer) {
    struct { std::vector<int16_t> limits; sequence expected; } cases[] = {
        {{2, 3}, {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}},
        {{3}, {{1}, {2}, {3}}},
        {{1, 1}, {{1, 1}}},
        {{2, 1, 2}, {{1, 1, 1}, {1, 1, 2}, {2, 1, 1}, {2, 1, 2}}},
        // a digit that cannot reach 1 leaves nothing to count (it would never stop)
        {{0, 2}, {}},
        {{2, 0}, {}},
        {{2, -1, 3}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(countsof(c.limits), c.expected) << c.limits.size() << " digits";
}

TEST(Subsets, TheLargest16BitLimitStillEnds) {
    const sequence subsets = subsetsof(1, 32767);
    ASSERT_EQ(subsets.size(), 32767u);
    EXPECT_EQ(subsets.back(), std::vector<int16_t>{32767});

    const sequence counts = countsof({32767});
    ASSERT_EQ(counts.size(), 32767u);
    EXPECT_EQ(counts.back(), std::vector<int16_t>{32767});
}

TEST(Subsets, MoreThan400PositionsEndTheRun) {
    const std::string report = testing::fatalreport([] {
        indexvector v{};
        firstsubset(v, 401);
    });
    EXPECT_NE(report.find(testing::bombline("firstsubset", "more than 400 positions")), std::string::npos) << report;
}

}  // namespace
}  // namespace zt
