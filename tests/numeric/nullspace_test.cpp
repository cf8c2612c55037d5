#include "numeric/nullspace.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "numeric/fatalreport.h"
#include "reactions/services.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

using testing::bombline;
using testing::fatalreport;
using table = std::vector<std::vector<int32_t>>;  // rows of a matrix, from the first

intmatrix matrixof(const table& rows) {
    intmatrix a(rows.size() + 1);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows[i].size(); ++j) a[i + 1][j + 1] = rows[i][j];
    return a;
}

int16_t rowsof(const table& t) { return static_cast<int16_t>(t.size()); }
int16_t colsof(const table& t) { return static_cast<int16_t>(t.empty() ? 0 : t[0].size()); }

// The composition matrix (components x end-members) and an empty reaction store.
void setcomposition(const table& c) {
    ws = workingsetstate{};
    ws.c.assign(maxcomps + 1, comprow{});
    for (size_t i = 0; i < c.size(); ++i)
        for (size_t j = 0; j < c[i].size(); ++j) ws.c[i + 1][j + 1] = static_cast<int16_t>(c[i][j]);
    reactions = reactionstate{};
    reactions.r.assign(maxreactions + 1, reaction{});
}

std::vector<int32_t> storedreaction(int k, int n) {
    std::vector<int32_t> v;
    for (int j = 1; j <= n; ++j) v.push_back(reactions.r[k][j]);
    return v;
}

TEST(IntRowReduce, RankOfSmallMatrices) {
    struct { table a; int16_t rank; } cases[] = {
        {{{2, 4}, {1, 2}}, 1},
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 3},
        {{{0, 0}, {0, 0}}, 0},
        {{{0, 0, 1}, {0, 0, 2}}, 1},                       // only the last column holds a pivot
        {{{0, 1}, {0, 2}, {1, 0}}, 2},                     // pivot found below, rows swapped
        {{{0, 1, 1}, {1, 0, 1}, {1, 1, 2}}, 2},            // third row the sum of the others
        {{{1, 2, 3, 4}, {2, 4, 6, 9}}, 2},                 // wide, pivots in columns 1 and 4
        {{{1, 2}, {3, 4}, {5, 6}, {7, 8}}, 2},             // tall
        {{{3, 2, 1, 2, 0, 0}, {1, 0, 1, 0, 0, 1}, {3, 2, 0, 1, 1, 1}}, 3},
        {{{6, 4, 2}, {9, 6, 3}, {-3, -2, -1}}, 1},         // multiples with a common factor
    };
    for (const auto& c : cases) {
        const intmatrix a = matrixof(c.a);
        const intmatrix before = a;
        EXPECT_EQ(introwreduce(a, rowsof(c.a), colsof(c.a)), c.rank) << "first row " << c.a[0][0];
        EXPECT_EQ(a, before);
    }
}

TEST(IntRowReduce, EntriesBeyond32BitsEndTheRun) {
    const table big = {{2000000000, 3}, {3, 2000000000}};
    EXPECT_NE(fatalreport([&] { introwreduce(matrixof(big), 2, 2); })
                  .find(bombline("introwreduce", "integer overflow (beyond 32 bits)")),
              std::string::npos);
}

// Reactions in the order and with the signs the elimination gives them, each checked
// to balance against the composition and to have coprime coefficients.
TEST(NullSpace, BalancedReactionsOfCompositionMatrices) {
    struct { const char* name; table c; int16_t rank; table reactions; } cases[] = {
        {"A, B, AB2", {{1, 0, 1}, {0, 1, 2}}, 2, {{-1, -2, 1}}},
        {"q, per, fo, en", {{1, 0, 1, 1}, {0, 1, 2, 1}}, 2, {{-1, -1, 0, 1}, {-1, -2, 1, 0}}},
        {"pivots of 2", {{2, 0, 1}, {0, 2, 1}}, 2, {{-1, -1, 2}}},
        {"negative pivot", {{-1, 1}}, 1, {{-1, -1}}},
        {"pivot in the last column", {{1, 2, 0}, {0, 0, 1}}, 2, {{-2, 1, 0}}},
        {"rows swapped, rank 2", {{0, 1, 1}, {1, 0, 1}, {1, 1, 2}}, 2, {{-1, -1, 1}}},
        {"py, en, sp, fo, q, ky",
         {{3, 2, 1, 2, 0, 0}, {1, 0, 1, 0, 0, 1}, {3, 2, 0, 1, 1, 1}},
         3,
         {{-4, 5, 2, 0, 0, 2}, {-1, 1, 1, 0, 1, 0}, {1, -2, -1, 1, 0, 0}}},
        {"independent", {{1, 0}, {0, 1}}, 2, {}},
        {"more components than end-members", {{1, 0}, {0, 1}, {1, 1}}, 2, {}},
        {"end-member of no composition", {{1, 0, 2}, {0, 0, 1}}, 2, {{0, 1, 0}}},
        {"no composition at all", {{0, 0}}, 0, {{0, 1}, {1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setcomposition(c.c);
        const int m = rowsof(c.c), n = colsof(c.c);
        EXPECT_EQ(nullspace(matrixof(c.c), static_cast<int16_t>(m), static_cast<int16_t>(n)), c.rank);
        ASSERT_EQ(reactions.nreac, static_cast<int16_t>(c.reactions.size()));
        for (int k = 1; k <= reactions.nreac; ++k) {
            const std::vector<int32_t> v = storedreaction(k, n);
            EXPECT_EQ(v, c.reactions[static_cast<size_t>(k - 1)]) << "reaction " << k;
            int32_t g = 0;
            for (int j = 0; j < n; ++j) g = gcd(g, v[static_cast<size_t>(j)]);
            EXPECT_EQ(g, 1) << "reaction " << k;
            for (int i = 0; i < m; ++i) {
                int64_t sum = 0;
                for (int j = 0; j < n; ++j) sum += int64_t{c.c[static_cast<size_t>(i)][static_cast<size_t>(j)]} * v[static_cast<size_t>(j)];
                EXPECT_EQ(sum, 0) << "reaction " << k << " component " << i + 1;
            }
        }
    }
}

TEST(NullSpace, AppendsAfterTheReactionsAlreadyStored) {
    setcomposition({{1, 0, 1}, {0, 1, 2}});
    reactions.nreac = 3;
    nullspace(matrixof({{1, 0, 1}, {0, 1, 2}}), 2, 3);
    EXPECT_EQ(reactions.nreac, 4);
    EXPECT_EQ(storedreaction(4, 3), (std::vector<int32_t>{-1, -2, 1}));
}

TEST(NullSpace, FaultsEndTheRun) {
    // the matrix passed is not the composition it is checked against: an internal fault
    const std::string unbalanced = fatalreport([] {
        setcomposition({{1, 0, 1}, {0, 1, 3}});
        nullspace(matrixof({{1, 0, 1}, {0, 1, 2}}), 2, 3);
    });
    EXPECT_NE(unbalanced.find(bombline("nullspace", "reaction doesn't balance")), std::string::npos) << unbalanced;
    EXPECT_NE(unbalanced.find(testing::internalmark), std::string::npos);

    // (-60000, -1, 2) balances but does not fit 16 bits: cut, it would be stored as garbage
    const table wide = {{1, 0, 30000}, {0, 2, 1}};
    const std::string overflow = fatalreport([&] {
        setcomposition(wide);
        nullspace(matrixof(wide), 2, 3);
    });
    EXPECT_NE(overflow.find(bombline("nullspace", "integer overflow (beyond 16 bits) in a reaction coefficient")),
              std::string::npos)
        << overflow;
    EXPECT_EQ(overflow.find(testing::internalmark), std::string::npos);

    const table big = {{2000000000, 3}, {3, 2000000000}};
    EXPECT_NE(fatalreport([&] {
                  setcomposition({});
                  nullspace(matrixof(big), 2, 2);
              }).find(bombline("nullspace", "integer overflow (beyond 32 bits)")),
              std::string::npos);
}

TEST(NullSpace, TheReactionStoreHolds150Rows) {
    const table c = {{1, 0, 1, 1}, {0, 1, 2, 1}};  // two reactions
    setcomposition(c);
    reactions.nreac = 148;
    nullspace(matrixof(c), 2, 4);
    EXPECT_EQ(reactions.nreac, 150);
    EXPECT_EQ(storedreaction(150, 4), (std::vector<int32_t>{-1, -2, 1, 0}));

    const std::string full = fatalreport([&] {
        setcomposition(c);
        reactions.nreac = 149;
        nullspace(matrixof(c), 2, 4);
    });
    EXPECT_NE(full.find(bombline("nullspace", "too many reactions (more than 150)")), std::string::npos) << full;
    EXPECT_EQ(reactions.nreac, 150);
}

}  // namespace
}  // namespace zt
