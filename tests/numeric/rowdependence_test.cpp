#include "numeric/methods/rowdependence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numeric/fatalreport.h"

namespace zt {
namespace {

using testing::bombline;
using testing::fatalreport;

// Rows given without the unused index 0.
introws rowsof(const std::vector<std::vector<int32_t>>& given) {
    introws rows(given.size() + 1);
    for (size_t k = 0; k < given.size(); ++k) {
        rows[k + 1].push_back(0);
        rows[k + 1].insert(rows[k + 1].end(), given[k].begin(), given[k].end());
    }
    return rows;
}

std::vector<bool> allcolumns(size_t n) { return std::vector<bool>(n + 1, true); }

// The reactions of a garnet-plagioclase-aluminosilicate rock over gr an ky sill q py en.
const std::vector<int32_t> r1{0, 0, 1, -1, 0, 0, 0}, r2{-1, 3, -2, 0, -1, 0, 0}, r3{0, 0, 0, -1, 1, 1, -3};

std::vector<int32_t> sum(const std::vector<int32_t>& a, int fa, const std::vector<int32_t>& b, int fb) {
    std::vector<int32_t> s(a.size());
    for (size_t j = 0; j < a.size(); ++j) s[j] = fa * a[j] + fb * b[j];
    return s;
}

TEST(RowDependence, NamesEachRowThatCombinesEarlierOnes) {
    struct row {
        const char* what;
        std::vector<std::vector<int32_t>> rows;
        std::vector<std::vector<int16_t>> dependent;  // row number, then the rows it combines
    };
    const std::vector<int32_t> zero(7, 0);
    const row table[] = {
        {"independent", {r1, r2, r3}, {}},
        {"sum of the first and the third", {r1, r2, r3, sum(r1, 1, r3, 1)}, {{4, 1, 3}}},
        {"sum of two, given before one of them", {r1, sum(r1, 1, r2, 1), r2, r3}, {{3, 1, 2}}},
        {"a multiple", {r1, r2, r3, sum(r2, 2, r2, 0)}, {{4, 2}}},
        {"a repeated row", {r1, r2, r2, r3}, {{3, 2}}},
        {"an empty row", {r1, zero, r2}, {{2}}},
        {"two dependent rows", {r1, r2, sum(r1, 3, r2, -2), r3, sum(r2, 1, r3, -1)}, {{3, 1, 2}, {5, 2, 4}}},
    };
    for (const row& t : table) {
        SCOPED_TRACE(t.what);
        const auto found = dependentrows(rowsof(t.rows), 7, allcolumns(7));
        ASSERT_EQ(found.size(), t.dependent.size());
        for (size_t d = 0; d < found.size(); ++d) {
            EXPECT_EQ(found[d].row, t.dependent[d][0]);
            EXPECT_EQ(found[d].on, std::vector<int16_t>(t.dependent[d].begin() + 1, t.dependent[d].end()));
        }
    }
}

TEST(RowDependence, OnlyTheChosenColumnsCount) {
    // Over gr, an, py and en alone (the end-members with uncertain activities) the first
    // reaction is empty, and the sum of the second and third depends on them.
    std::vector<bool> use{false, true, true, false, false, false, true, true};
    const auto found = dependentrows(rowsof({r1, r2, r3, sum(r2, 1, r3, 1)}), 7, use);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].row, 1);
    EXPECT_TRUE(found[0].on.empty());
    EXPECT_EQ(found[1].row, 4);
    EXPECT_EQ(found[1].on, (std::vector<int16_t>{2, 3}));
}

// Rank by Gaussian elimination in double precision: exact enough for small integers.
int rankof(std::vector<std::vector<double>> a) {
    int rank = 0;
    const size_t cols = a.empty() ? 0 : a[0].size();
    for (size_t c = 0; c < cols && rank < static_cast<int>(a.size()); ++c) {
        size_t p = static_cast<size_t>(rank);
        for (size_t r = p; r < a.size(); ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        if (std::fabs(a[p][c]) < 1e-9) continue;
        std::swap(a[p], a[static_cast<size_t>(rank)]);
        for (size_t r = static_cast<size_t>(rank) + 1; r < a.size(); ++r) {
            const double f = a[r][c] / a[static_cast<size_t>(rank)][c];
            for (size_t k = c; k < cols; ++k) a[r][k] -= f * a[static_cast<size_t>(rank)][k];
        }
        ++rank;
    }
    return rank;
}

TEST(RowDependence, AgreesWithTheRankOfEveryLeadingBlock) {
    // Rows built from a few random ones, so that some depend on the others.
    unsigned seed = 12345;
    auto next = [&seed](int spread) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int32_t>((seed >> 16) % static_cast<unsigned>(2 * spread + 1)) - spread;
    };
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 3 + trial % 6, cols = 4 + trial % 5;
        std::vector<std::vector<int32_t>> given;
        for (int k = 0; k < n; ++k) {
            std::vector<int32_t> row(static_cast<size_t>(cols), 0);
            if (k >= 2 && next(2) > 0) {
                for (int j = 0; j < cols; ++j) row[j] = next(3) * given[0][j] + next(3) * given[static_cast<size_t>(k - 1)][j];
            } else {
                for (int j = 0; j < cols; ++j) row[j] = next(6);
            }
            given.push_back(row);
        }
        const auto found = dependentrows(rowsof(given), cols, allcolumns(static_cast<size_t>(cols)));
        size_t d = 0;
        std::vector<std::vector<double>> block;
        int lastrank = 0;
        for (int k = 1; k <= n; ++k) {
            block.emplace_back(given[static_cast<size_t>(k - 1)].begin(), given[static_cast<size_t>(k - 1)].end());
            const int rank = rankof(block);
            const bool dependent = d < found.size() && found[d].row == k;
            EXPECT_EQ(dependent, rank == lastrank) << "trial " << trial << " row " << k;
            if (dependent) {
                // The row and the rows it names are dependent; without it they are not.
                std::vector<std::vector<double>> named;
                for (int16_t i : found[d].on)
                    named.emplace_back(given[static_cast<size_t>(i - 1)].begin(), given[static_cast<size_t>(i - 1)].end());
                const int without = rankof(named);
                EXPECT_EQ(without, static_cast<int>(named.size()));
                named.push_back(block.back());
                EXPECT_EQ(rankof(named), without);
                ++d;
            }
            lastrank = rank;
        }
        EXPECT_EQ(d, found.size());
    }
}

TEST(RowDependence, ValuesBeyond64BitsEndTheRun) {
    const int32_t big = 2147483647, other = 2147483629;
    const std::string out = fatalreport([&] {
        dependentrows(rowsof({{big, other, 1, 0}, {other, big, 0, 1}, {1, big, other, 3}, {big, 1, big, other}}), 4,
                      allcolumns(4));
    });
    EXPECT_NE(out.find(bombline("dependentrows", "integer overflow (beyond 64 bits)")), std::string::npos) << out;
}

}  // namespace
}  // namespace zt
