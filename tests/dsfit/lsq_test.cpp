#include "dsfit/lsq.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "fitfixture.h"

namespace zt {
namespace {

using fittest::fitworld;

constexpr int np = 4;
constexpr int nr = 9;
using matrix = std::array<std::array<real, np + 1>, np + 1>;

// Nine rows on four enthalpies, with integer coefficients as reactions have them.
const int coefs[nr][np] = {{1, 0, 0, 0},  {0, 1, 0, 0}, {0, 0, 1, 0},  {-1, 1, 0, 0}, {0, -2, 1, 1},
                           {1, 0, 0, -1}, {0, 0, 0, 1}, {2, -1, -1, 0}, {0, 1, 0, -3}};
const real obs[nr] = {-2593.1L, -2585.7L, -910.7L, 8.1L, 1550.2L, -1682.0L, -4232.5L, -3690.6L, 10112.0L};
const real sds[nr] = {1.0L, 1.5L, 0.4L, 0.6L, 3.0L, 2.0L, 1.2L, 2.5L, 4.0L};

void loadproblem(int rows)
{
    ds.ntp = np;
    fit.nrows = static_cast<int16_t>(rows);
    for (int i = 1; i <= rows; ++i) {
        fit.y[static_cast<size_t>(i)] = obs[i - 1];
        fit.rowsd[static_cast<size_t>(i)] = sds[i - 1];
        for (int j = 1; j <= np; ++j) {
            const int c = coefs[i - 1][j - 1];
            fit.x[fitat(i, j)] = static_cast<int16_t>(c);
            fit.b[fitat(i, j)] = c != 0;
        }
    }
}

// The same problem by the normal equations, inverted by Gauss-Jordan elimination.
struct normalsolution {
    matrix cov{};
    std::array<real, np + 1> theta{};
    real sigfitsq = 0;
    std::array<real, nr + 1> hat{};
};

normalsolution solvenormal()
{
    matrix a{};
    std::array<real, np + 1> rhs{};
    for (int i = 0; i < nr; ++i) {
        const real w = 1 / (sds[i] * sds[i]);
        for (int j = 0; j < np; ++j) {
            rhs[j + 1] += coefs[i][j] * obs[i] * w;
            for (int l = 0; l < np; ++l) a[j + 1][l + 1] += coefs[i][j] * coefs[i][l] * w;
        }
    }
    normalsolution s;
    matrix inv{};
    for (int j = 1; j <= np; ++j) inv[j][j] = 1;
    for (int k = 1; k <= np; ++k) {
        int piv = k;
        for (int i = k + 1; i <= np; ++i) {
            if (std::fabs(a[i][k]) > std::fabs(a[piv][k])) piv = i;
        }
        std::swap(a[k], a[piv]);
        std::swap(inv[k], inv[piv]);
        const real d = a[k][k];
        for (int j = 1; j <= np; ++j) {
            a[k][j] /= d;
            inv[k][j] /= d;
        }
        for (int i = 1; i <= np; ++i) {
            if (i == k) continue;
            const real f = a[i][k];
            for (int j = 1; j <= np; ++j) {
                a[i][j] -= f * a[k][j];
                inv[i][j] -= f * inv[k][j];
            }
        }
    }
    s.cov = inv;
    for (int j = 1; j <= np; ++j) {
        for (int l = 1; l <= np; ++l) s.theta[j] += inv[j][l] * rhs[l];
    }
    real ss = 0;
    for (int i = 0; i < nr; ++i) {
        real r = obs[i];
        real h = 0;
        for (int j = 0; j < np; ++j) {
            r -= coefs[i][j] * s.theta[j + 1];
            for (int l = 0; l < np; ++l) h += coefs[i][j] * inv[j + 1][l + 1] * coefs[i][l];
        }
        ss += (r / sds[i]) * (r / sds[i]);
        s.hat[i + 1] = h / (sds[i] * sds[i]);
    }
    s.sigfitsq = ss / (nr - np);
    return s;
}

void expectrelative(real want, real got, const std::string& what)
{
    EXPECT_LE(std::fabs(static_cast<double>(got - want)), 1e-8 * std::fabs(static_cast<double>(want)) + 1e-12) << what;
}

TEST(FitLeastSquares, BothSolversAgreeWithTheNormalEquations)
{
    const normalsolution want = solvenormal();
    const std::pair<const char*, std::function<void()>> solvers[] = {{"qr", qr}, {"choleski", choleski}};
    for (const auto& [name, solve] : solvers) {
        fitworld w;
        loadproblem(nr);
        ASSERT_EQ(testing::exitcodeof(solve), -1) << w.out();
        const std::string tag = name;
        for (int j = 1; j <= np; ++j) {
            expectrelative(want.theta[j], fit.theta[static_cast<size_t>(j)], tag + " theta");
            for (int l = 1; l <= np; ++l) expectrelative(want.cov[j][l], fit.xx[fitat(j, l)], tag + " covariance");
        }
        expectrelative(want.sigfitsq, fit.sigfitsq, tag + " sigfitsq");
        for (int i = 1; i <= nr; ++i) expectrelative(want.hat[i], fit.hat[static_cast<size_t>(i)], tag + " hat");
    }
}

TEST(FitLeastSquares, CholeskiReportsSigfitAndDegreesOfFreedom)
{
    fitworld w;
    loadproblem(nr);
    choleski();
    EXPECT_NE(w.out().find("\nconstructing LSQ for choleski...\n"), std::string::npos) << w.out();
    EXPECT_NE(w.out().find("     (ndf = 5)\n"), std::string::npos) << w.out();
}

TEST(FitLeastSquares, AsManyRowsAsUnknownsFitExactly)
{
    fitworld w;
    loadproblem(np);
    // Rows 1..3 observe H1..H3 directly; row 4 now observes H4 + H1.
    fit.x[fitat(4, 2)] = 0;
    fit.b[fitat(4, 2)] = 0;
    fit.x[fitat(4, 4)] = 1;
    fit.b[fitat(4, 4)] = 1;
    fit.x[fitat(4, 1)] = 1;
    fit.y[4] = -6000;
    qr();
    EXPECT_EQ(fit.sigfitsq, 0);
    EXPECT_NEAR(static_cast<double>(fit.theta[1]), -2593.1, 1e-9);
    EXPECT_NEAR(static_cast<double>(fit.theta[3]), -910.7, 1e-9);
    EXPECT_NEAR(static_cast<double>(fit.theta[4]), -6000 + 2593.1, 1e-9);
}

// Rows on the enthalpies of ka, kb, kc and qz; coefficient rows and sds.
struct rowset {
    const char* what;
    std::vector<std::array<int, 4>> rows;
    std::vector<real> sds;
    const char* undetermined;  // names the refusal must give, or nullptr: solvable
};

void loadrows(const rowset& c)
{
    const char* names[] = {"ka", "kb", "kc", "qz"};
    ds.ntp = 4;
    for (int j = 1; j <= 4; ++j) ds.dsnames[static_cast<size_t>(j)] = names[j - 1];
    fit.nrows = static_cast<int16_t>(c.rows.size());
    for (size_t i = 1; i <= c.rows.size(); ++i) {
        fit.y[i] = 100 * static_cast<real>(i);
        fit.rowsd[i] = c.sds[i - 1];
        for (int j = 1; j <= 4; ++j) {
            fit.x[fitat(static_cast<int>(i), j)] = static_cast<int16_t>(c.rows[i - 1][static_cast<size_t>(j - 1)]);
            fit.b[fitat(static_cast<int>(i), j)] = c.rows[i - 1][static_cast<size_t>(j - 1)] != 0;
        }
    }
}

TEST(FitLeastSquares, RowsThatLeaveEnthalpiesFreeEndTheRunNamingThem)
{
    const rowset cases[] = {
        {"qz in no row", {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}, {1, 1, 1}, "qz"},
        {"fewer rows than unknowns", {{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}}, {1, 1, 1}, "ka qz"},
        // The kc column is the sum of the ka and kb columns: no column is empty, yet only
        // qz is determined.
        {"dependent columns",
         {{-1, 0, -1, 0}, {0, -1, -1, 0}, {-1, -1, -2, 0}, {-2, 1, -1, 0}, {0, 0, 0, 1}},
         {0.3L, 0.7L, 1.1L, 0.9L, 0.5L},
         "ka kb kc"},
        {"dependent columns, unequal weights",
         {{1, 0, 1, 0}, {0, 1, 1, 0}, {1, 1, 2, 1}, {0, 0, 0, 1}},
         {1e-4L, 30, 0.002L, 500},
         "ka kb kc"},
        {"determined, with weights from 1e-4 to 1e3",
         {{1, 0, 0, 0}, {1, 1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}, {1, 0, 0, 1}},
         {1e-4L, 1e3L, 0.5L, 1e-3L, 2},
         nullptr},
    };
    const std::pair<const char*, std::function<void()>> solvers[] = {{"qr", qr}, {"choleski", choleski}};
    for (const rowset& c : cases) {
        for (const auto& [name, solve] : solvers) {
            fitworld w;
            loadrows(c);
            const int code = testing::exitcodeof(solve);
            const std::string tag = std::string(name) + ", " + c.what;
            if (c.undetermined == nullptr) {
                EXPECT_EQ(code, -1) << tag << w.out();
                for (int j = 1; j <= 4; ++j) EXPECT_TRUE(std::isfinite(fit.theta[static_cast<size_t>(j)])) << tag;
                continue;
            }
            EXPECT_EQ(code, 1) << tag;
            const std::string want = std::string(name) +
                                     " : matrix is singular: the rows do not determine the enthalpies of " +
                                     c.undetermined + " (dataset not written)\n";
            EXPECT_NE(w.out().find(want), std::string::npos) << tag << w.out();
        }
    }
}

}  // namespace
}  // namespace zt
