#include "numeric/methods/svd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/channels.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using matrix = std::vector<std::vector<real>>;

class Svd : public ::testing::Test {
protected:
    void SetUp() override { resetsvd(); }

    // Loads a, decomposes it and checks that U diag(w) V^T gives a back, that U and V
    // have orthonormal columns and that w is ascending and not negative.
    void decomposeandcheck(const matrix& a) {
        const int m = static_cast<int>(a.size()), n = static_cast<int>(a[0].size());
        real size = 0;
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= n; ++j) {
                svdarrays.svda[i][j] = a[i - 1][j - 1];
                size = std::max(size, std::fabs(a[i - 1][j - 1]));
            }
        svd(static_cast<int16_t>(m), static_cast<int16_t>(n));
        const auto& u = svdarrays.svda;
        const auto& v = svdarrays.svdv;
        const auto& w = svdarrays.svdw();
        const real tol = 50 * std::numeric_limits<real>::epsilon();
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= n; ++j) {
                real x = 0;
                for (int k = 1; k <= n; ++k) x += u[i][k] * w[k] * v[j][k];
                EXPECT_NEAR(static_cast<double>((x - a[i - 1][j - 1]) / size), 0, static_cast<double>(tol))
                    << "entry " << i << "," << j;
            }
        for (int p = 1; p <= n; ++p)
            for (int q = 1; q <= n; ++q) {
                real uu = 0, vv = 0;
                for (int i = 1; i <= m; ++i) uu += u[i][p] * u[i][q];
                for (int i = 1; i <= n; ++i) vv += v[i][p] * v[i][q];
                // a column of U that belongs to a zero singular value is zero
                if (w[p] != 0 && w[q] != 0) {
                    EXPECT_NEAR(static_cast<double>(uu), p == q, static_cast<double>(tol));
                }
                EXPECT_NEAR(static_cast<double>(vv), p == q, static_cast<double>(tol));
            }
        for (int k = 1; k <= n; ++k) {
            EXPECT_GE(w[k], 0) << k;
            if (k > 1) {
                EXPECT_LE(w[k - 1], w[k]) << k;
            }
        }
    }
};

TEST_F(Svd, ReproducesSquareTallAndRankDeficientMatrices) {
    decomposeandcheck({{4, -2, 1, 3}, {1, 5, -3, 2}, {-2, 1, 6, -1}, {3, 0, 2, 7}});
    decomposeandcheck({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}, {-1, 0, 2}, {3, -3, 1}});
    decomposeandcheck({{1, 2, 3}, {4, 5, 6}, {5, 7, 9}});
    EXPECT_LT(std::fabs(svdarrays.svdw()[1]), 1e-17L * svdarrays.svdw()[3]);
    decomposeandcheck({{1e-3L, 2}, {3, 4e5L}});
}

TEST_F(Svd, DiagonalMatricesGiveTheirMagnitudesInOrder) {
    decomposeandcheck({{3, 0, 0}, {0, -1, 0}, {0, 0, 2}});
    EXPECT_EQ(svdarrays.svdw()[1], 1);
    EXPECT_EQ(svdarrays.svdw()[2], 2);
    EXPECT_EQ(svdarrays.svdw()[3], 3);

    decomposeandcheck({{-0.5L}});
    EXPECT_EQ(svdarrays.svdw()[1], 0.5L);
}

TEST_F(Svd, ConditionNumberOfSingularValuesOneAndHundred) {
    // eigenvalues 100 and 1 of a symmetric matrix
    decomposeandcheck({{50.5L, 49.5L}, {49.5L, 50.5L}});
    EXPECT_NEAR(static_cast<double>(svdarrays.svdw()[1]), 1, 1e-17);
    EXPECT_NEAR(static_cast<double>(svdarrays.svdw()[2] / svdarrays.svdw()[1]), 100, 1e-15);
}

TEST_F(Svd, NegligibilityIsJudgedInExtendedPrecision) {
    // 1e-17 vanishes beside 1 in double but not in extended: the values are 1 -/+ 5e-18
    decomposeandcheck({{1, 1e-17L}, {0, 1}});
    const real gap = svdarrays.svdw()[2] - svdarrays.svdw()[1];
    EXPECT_NEAR(static_cast<double>(gap), 1e-17, 1e-18);
}

TEST_F(Svd, EveryEntryOfWIsClearedAndHugeValuesStayPut) {
    svdarrays.svdw()[7] = 5;
    decomposeandcheck({{2, 1}, {1, 2}});
    EXPECT_EQ(svdarrays.svdw()[7], 0);

    // the sort passes over values of 1e35 and above
    resetsvd();
    svdarrays.svda[1][1] = 1;
    svdarrays.svda[2][2] = 3e35L;
    svdarrays.svda[3][3] = 2e35L;
    svd(3, 3);
    EXPECT_EQ(svdarrays.svdw()[1], 1);
    EXPECT_EQ(svdarrays.svdw()[2], 3e35L);
    EXPECT_EQ(svdarrays.svdw()[3], 2e35L);
}

TEST_F(Svd, AValueThatDoesNotConvergeIsReportedAndTheWorkGoesOn) {
    resetchannels();
    channels.outchannels = wordset(1) << chconsole;
    testing::consolecapture console;
    const real nan = std::numeric_limits<real>::quiet_NaN();
    svdarrays.svda[1][1] = nan;
    svdarrays.svda[1][2] = 1;
    svdarrays.svda[2][1] = 2;
    svdarrays.svda[2][2] = 3;
    svd(2, 2);
    EXPECT_EQ(console.output(), "too many iterations (k =    2)\n");
}

}  // namespace
}  // namespace zt
