#include "dsfit/lsq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "dsfit/fitformat.h"
#include "fitfixture.h"
#include "runtime/numberread.h"

namespace zt {
namespace {

using fittest::fitworld;

constexpr int np = 4;
constexpr int nr = 9;
template <class T>
using matrixof = std::array<std::array<T, np + 1>, np + 1>;
using matrix = matrixof<real>;
// 113 bits against the solvers' 64: a reference that keeps its digits where they lose theirs.
using quad = __float128;

quad magnitudeofquad(quad x) { return x < 0 ? -x : x; }
quad rootofquad(quad x)
{
    if (!(x > 0)) return 0;
    const quad r = std::sqrt(static_cast<real>(x));
    return (r + x / r) / 2;
}

// Nine rows on four enthalpies, with integer coefficients as reactions have them.
const int coefs[nr][np] = {{1, 0, 0, 0},  {0, 1, 0, 0}, {0, 0, 1, 0},  {-1, 1, 0, 0}, {0, -2, 1, 1},
                           {1, 0, 0, -1}, {0, 0, 0, 1}, {2, -1, -1, 0}, {0, 1, 0, -3}};
const real obs[nr] = {-2593.1L, -2585.7L, -910.7L, 8.1L, 1550.2L, -1682.0L, -4232.5L, -3690.6L, 10112.0L};
const real sds[nr] = {1.0L, 1.5L, 0.4L, 0.6L, 3.0L, 2.0L, 1.2L, 2.5L, 4.0L};

void loadproblem(int rows, const real* rowsds = sds, const real* rowobs = obs)
{
    ds.ntp = np;
    fit.nrows = static_cast<int16_t>(rows);
    for (int i = 1; i <= rows; ++i) {
        fit.y[static_cast<size_t>(i)] = rowobs[i - 1];
        fit.rowsd[static_cast<size_t>(i)] = rowsds[i - 1];
        for (int j = 1; j <= np; ++j) {
            const int c = coefs[i - 1][j - 1];
            fit.x[fitat(i, j)] = static_cast<int16_t>(c);
            fit.b[fitat(i, j)] = c != 0;
        }
    }
}

template <class T>
T absolute(T x)
{
    return x < 0 ? -x : x;
}

// The inverse of a (rows and columns 1..np) by Gauss-Jordan elimination.
template <class T>
matrixof<T> inverse(matrixof<T> a)
{
    matrixof<T> inv{};
    for (int j = 1; j <= np; ++j) inv[j][j] = 1;
    for (int k = 1; k <= np; ++k) {
        int piv = k;
        for (int i = k + 1; i <= np; ++i) {
            if (absolute(a[i][k]) > absolute(a[piv][k])) piv = i;
        }
        std::swap(a[k], a[piv]);
        std::swap(inv[k], inv[piv]);
        const T d = a[k][k];
        for (int j = 1; j <= np; ++j) {
            a[k][j] /= d;
            inv[k][j] /= d;
        }
        for (int i = 1; i <= np; ++i) {
            if (i == k) continue;
            const T f = a[i][k];
            for (int j = 1; j <= np; ++j) {
                a[i][j] -= f * a[k][j];
                inv[i][j] -= f * inv[k][j];
            }
        }
    }
    return inv;
}

// The same problem by the normal equations, in T; var holds each row's coefficients taken
// as a reaction, x^T C x.
template <class T>
struct normalsolution {
    matrixof<T> cov{};
    std::array<T, np + 1> theta{};
    T sigfitsq = 0;
    std::array<T, nr + 1> hat{}, var{};
};

template <class T>
normalsolution<T> solvenormal(const real* rowsds = sds, const real* rowobs = obs)
{
    matrixof<T> a{};
    std::array<T, np + 1> rhs{};
    for (int i = 0; i < nr; ++i) {
        const T w = 1 / (static_cast<T>(rowsds[i]) * static_cast<T>(rowsds[i]));
        for (int j = 0; j < np; ++j) {
            rhs[j + 1] += coefs[i][j] * static_cast<T>(rowobs[i]) * w;
            for (int l = 0; l < np; ++l) a[j + 1][l + 1] += coefs[i][j] * coefs[i][l] * w;
        }
    }
    normalsolution<T> s;
    const matrixof<T> inv = inverse(a);
    s.cov = inv;
    // Refined twice with the residuals: the sds of the precise rows are far below what
    // the normal equations alone would leave of H.
    for (int pass = 0; pass < 3; ++pass) {
        std::array<T, np + 1> step{};
        for (int j = 1; j <= np; ++j) {
            for (int l = 1; l <= np; ++l) step[j] += inv[j][l] * rhs[l];
        }
        for (int j = 1; j <= np; ++j) s.theta[j] += step[j];
        rhs = {};
        for (int i = 0; i < nr; ++i) {
            T r = static_cast<T>(rowobs[i]);
            for (int j = 0; j < np; ++j) r -= coefs[i][j] * s.theta[j + 1];
            const T w = 1 / (static_cast<T>(rowsds[i]) * static_cast<T>(rowsds[i]));
            for (int j = 0; j < np; ++j) rhs[j + 1] += coefs[i][j] * r * w;
        }
    }
    T ss = 0;
    for (int i = 0; i < nr; ++i) {
        T r = static_cast<T>(rowobs[i]);
        T v = 0;
        for (int j = 0; j < np; ++j) {
            r -= coefs[i][j] * s.theta[j + 1];
            for (int l = 0; l < np; ++l) v += coefs[i][j] * inv[j + 1][l + 1] * coefs[i][l];
        }
        const T sd = static_cast<T>(rowsds[i]);
        ss += (r / sd) * (r / sd);
        s.var[i + 1] = v;
        s.hat[i + 1] = v / (sd * sd);
    }
    s.sigfitsq = ss / (nr - np);
    return s;
}

// A record whose reaction has the given coefficients on the four end-members.
fitexprec reactionof(const std::array<int, np>& c)
{
    fitexprec r;
    for (int j = 1; j <= np; ++j) {
        if (c[static_cast<size_t>(j - 1)] == 0) continue;
        ++r.nrx;
        r.rxem[static_cast<size_t>(r.nrx)] = static_cast<int16_t>(j);
        r.rxcoef[static_cast<size_t>(r.nrx)] = static_cast<int16_t>(c[static_cast<size_t>(j - 1)]);
    }
    return r;
}

void expectrelative(real want, real got, const std::string& what)
{
    EXPECT_LE(std::fabs(static_cast<double>(got - want)), 1e-8 * std::fabs(static_cast<double>(want)) + 1e-12) << what;
}

TEST(FitLeastSquares, BothSolversAgreeWithTheNormalEquations)
{
    const normalsolution<real> want = solvenormal<real>();
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

// The reactions among the nine rows made 10^e times more precise than the rows of single
// end-members and the last, e = 0..13, with observations that agree within their sds,
// against the normal equations in 113-bit reals (refined with their residuals). A solver
// either keeps every digit or refuses: the leverages and the reaction variances (each
// row's coefficients as a reaction) to 1e-6, far inside their two printed decimals, the
// reaction sds to those decimals, H and the covariances to the new dataset's 0.001 kJ and
// 0.0001 kJ^2. Both must take the mild spreads.
TEST(FitLeastSquares, LeveragesAndReactionSdsKeepTheirDigitsAtEverySpreadTheFitAccepts)
{
    const std::pair<const char*, std::function<void()>> solvers[] = {{"qr", qr}, {"choleski", choleski}};
    const real enthalpies[np] = {-2593.1L, -2585.7L, -910.7L, -4232.5L};
    const real misses[nr] = {0.3L, -0.5L, 0.2L, 0.4L, -0.1L, 0.6L, -0.3L, 0.5L, -0.2L};  // in sds
    int widest[2] = {-1, -1};
    for (int e = 0; e <= 13; ++e) {
        std::array<real, nr> spread{}, y{};
        for (int i = 0; i < nr; ++i) {
            int sum = 0;
            for (int j = 0; j < np; ++j) {
                sum += coefs[i][j];
                y[static_cast<size_t>(i)] += coefs[i][j] * enthalpies[j];
            }
            spread[static_cast<size_t>(i)] = sds[i] / (sum == 0 ? std::pow(10.0L, e) : 1);
            y[static_cast<size_t>(i)] += misses[i] * spread[static_cast<size_t>(i)];
        }
        const normalsolution<quad> want = solvenormal<quad>(spread.data(), y.data());
        for (int k = 0; k < 2; ++k) {
            fitworld w;
            loadproblem(nr, spread.data(), y.data());
            const std::string tag = std::string(solvers[k].first) + " at 1e" + std::to_string(e);
            const int code = testing::exitcodeof(solvers[k].second);
            if (code != -1) {
                EXPECT_EQ(code, 1) << tag;
                EXPECT_NE(w.out().find(" too many digits "), std::string::npos) << tag << w.out();
                continue;
            }
            if (widest[k] == e - 1) widest[k] = e;
            const real factor = fitvariancefactor();
            const quad wantfactor = want.sigfitsq;
            for (int j = 1; j <= np; ++j) {
                const auto jj = static_cast<size_t>(j);
                EXPECT_LE(std::fabs(static_cast<real>(fit.theta[jj] - want.theta[jj])), 5e-4L) << tag << " H " << j;
                for (int l = 1; l <= np; ++l) {
                    const auto ll = static_cast<size_t>(l);
                    const real got = factor * fit.xx[fitat(j, l)];
                    const auto exact = static_cast<real>(wantfactor * want.cov[jj][ll]);
                    EXPECT_LE(std::fabs(got - exact), 5e-5L) << tag << " covariance " << j << l;
                }
            }
            for (int i = 1; i <= nr; ++i) {
                const auto ii = static_cast<size_t>(i);
                EXPECT_LE(std::fabs(fit.hat[ii] - static_cast<real>(want.hat[ii])), 1e-6L) << tag << " hat " << i;
                std::array<int, np> c{};
                for (int j = 0; j < np; ++j) c[static_cast<size_t>(j)] = coefs[i - 1][j];
                const real var = reactionvariance(reactionof(c));
                const auto exact = static_cast<real>(want.var[ii]);
                EXPECT_LE(std::fabs(var - exact), 1e-6L * exact) << tag << " reaction variance " << i;
                const real sd = std::sqrt(static_cast<real>(want.var[ii] * wantfactor));
                EXPECT_LE(std::fabs(std::sqrt(var * factor) - sd), 5e-3L) << tag << " reaction sd " << i;
            }
        }
    }
    EXPECT_GE(widest[0], 10) << "QR refused below a spread of 1e10";
    EXPECT_GE(widest[1], 4) << "Cholesky refused below a spread of 1e4";
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
using coefrows = std::vector<std::array<int, 4>>;
struct rowset {
    const char* what;
    coefrows rows;
    std::vector<real> sds;
    const char* undetermined;  // names the refusal must give, or nullptr: solvable
};

void loadrows(const coefrows& rows, const std::vector<real>& ys, const std::vector<real>& sds)
{
    const char* names[] = {"ka", "kb", "kc", "qz"};
    ds.ntp = 4;
    for (int j = 1; j <= 4; ++j) ds.dsnames[static_cast<size_t>(j)] = names[j - 1];
    fit.nrows = static_cast<int16_t>(rows.size());
    for (size_t i = 1; i <= rows.size(); ++i) {
        fit.y[i] = ys[i - 1];
        fit.rowsd[i] = sds[i - 1];
        for (int j = 1; j <= 4; ++j) {
            fit.x[fitat(static_cast<int>(i), j)] = static_cast<int16_t>(rows[i - 1][static_cast<size_t>(j - 1)]);
            fit.b[fitat(static_cast<int>(i), j)] = rows[i - 1][static_cast<size_t>(j - 1)] != 0;
        }
    }
}

void loadrows(const rowset& c)
{
    std::vector<real> ys;
    for (size_t i = 1; i <= c.rows.size(); ++i) ys.push_back(100 * static_cast<real>(i));
    loadrows(c.rows, ys, c.sds);
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
        {"ka and kb only as their difference, weighted 1e10",
         {{1, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e-5L, 1e4L, 1},
         "ka kb"},
        // ka and then kb are fixed; what is left of the last two rows is kc - qz twice.
        {"kc and qz only as their difference once ka and kb are fixed",
         {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 1, -1, 1}, {0, 0, 2, -2}},
         {1e4L, 1e-5L, 1e-5L, 1e4L},
         "kc qz"},
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

// What a fit must give: enthalpies, unscaled covariance, sigfitsq, the leverage of every
// row (from 1) and the unscaled variance of some reactions.
struct exactfit {
    std::array<real, np + 1> theta{};
    matrix cov{};
    real sigfitsq = 0;
    std::vector<real> hat{0};
    std::vector<std::pair<std::array<int, np>, real>> reactions;
};

// Half the last digit the new dataset writes of a covariance, or, for one too large to
// have that digit, a few units of its own last bit.
real covariancedigit(real value) { return std::max(5e-5L, 16 * 5.421010862427522170e-20L * std::fabs(value)); }

void expectleveragesandreactions(const std::string& what, const exactfit& want, real tolerance)
{
    for (size_t i = 1; i < want.hat.size(); ++i)
        EXPECT_LE(std::fabs(fit.hat[i] - want.hat[i]), tolerance) << what << " hat " << i;
    for (const auto& [coefficients, variance] : want.reactions) {
        EXPECT_LE(std::fabs(reactionvariance(reactionof(coefficients)) - variance), tolerance * variance)
            << what << " reaction " << coefficients[0] << coefficients[1] << coefficients[2] << coefficients[3];
    }
}

// QR gives the exact fit, far beyond the printed digits and those of the new dataset,
// leverages and reaction variances included. Cholesky gives it to the digits of the new
// dataset (H to 0.001 kJ, covariances to 0.0001 kJ^2), whatever the spread of the sds
// (solving again in 113-bit reals where its normal equations would lose them).
void expectexactfit(const std::string& what, const std::function<void()>& load, const exactfit& want)
{
    const real wantfactor = want.hat.size() - 1 > np ? want.sigfitsq : 1;
    {
        fitworld w;
        load();
        ASSERT_EQ(testing::exitcodeof(qr), -1) << what << w.out();
        for (int j = 1; j <= 4; ++j) {
            const auto jj = static_cast<size_t>(j);
            EXPECT_NEAR(static_cast<double>(fit.theta[jj]), static_cast<double>(want.theta[jj]), 1e-6)
                << what << " qr H " << j;
            for (int l = 1; l <= 4; ++l) {
                const real scale =
                    std::sqrt(want.cov[jj][jj] * want.cov[static_cast<size_t>(l)][static_cast<size_t>(l)]);
                const real error = std::fabs(fit.xx[fitat(j, l)] - want.cov[jj][static_cast<size_t>(l)]);
                EXPECT_LE(error, 1e-9L * scale) << what << " qr covariance " << j << l;
                EXPECT_LE(fitvariancefactor() * error, covariancedigit(fitvariancefactor() * scale))
                    << what << " qr covariance as written " << j << l;
            }
        }
        EXPECT_NEAR(static_cast<double>(fit.sigfitsq), static_cast<double>(want.sigfitsq),
                    1e-9 * static_cast<double>(want.sigfitsq) + 1e-12)
            << what << " qr sigfitsq";
        expectleveragesandreactions(what + " qr", want, 1e-9L);
    }
    fitworld w;
    load();
    ASSERT_EQ(testing::exitcodeof(choleski), -1) << what << w.out();
    const real factor = fitvariancefactor();
    for (int j = 1; j <= 4; ++j) {
        const auto jj = static_cast<size_t>(j);
        EXPECT_LE(std::fabs(fit.theta[jj] - want.theta[jj]), 5e-4L) << what << " choleski H " << j;
        for (int l = 1; l <= 4; ++l) {
            const real exact = wantfactor * want.cov[jj][static_cast<size_t>(l)];
            const real scale = std::sqrt(want.cov[jj][jj] * want.cov[static_cast<size_t>(l)][static_cast<size_t>(l)]);
            EXPECT_LE(std::fabs(factor * fit.xx[fitat(j, l)] - exact), covariancedigit(wantfactor * scale))
                << what << " choleski covariance " << j << l;
        }
    }
    expectleveragesandreactions(what + " choleski", want, 1e-6L);
}

// Three end-members tied by differences, ka fixed by its own row and qz apart, with sds
// from 1e-5 to 1e4. With weights w = 1/sd^2 the fit has a closed form in sums of positive
// products only, so it is exact in long double whatever the weights: rows 2-4 give
// d = kb - ka and e = kc - ka by
//   D = w2 w3 + w2 w4 + w3 w4,
//   d = (w2 (w3 + w4) y2 + w3 w4 (y4 - y3)) / D,  var d = (w3 + w4) / D,
//   e = (w4 (w2 + w3) y4 + w2 w3 (y2 + y3)) / D,  var e = (w2 + w3) / D,  cov = w3 / D,
// so var (kc - kb) = (w2 + w4) / D, and the loop misses by m = y2 + y3 - y4: chi-squared
// m^2 / (s2^2 + s3^2 + s4^2). Each loop row i has leverage 1 - si^2 / (s2^2 + s3^2 + s4^2),
// every other row 1. Without row 4 (w4 = 0) d = y2 and e = y2 + y3.
TEST(FitLeastSquares, UnevenlyWeightedRowsOnSharedEndMembersGiveTheExactFit)
{
    const real y[] = {-2593.10L, -7.40L, 3.10L, -4.25L, -910.70L};
    struct sdcase {
        real s1, s2, s3, s4;  // s4 = 0: no row 4
    };
    const sdcase cases[] = {
        {2, 0.5L, 1.5L, 3},          {1e3L, 1e-5L, 1, 0},  // ka known loosely, kb - ka very precisely
        {1e3L, 1e-5L, 1e4L, 0},     {1e3L, 1e-5L, 1e4L, 1e-5L}, {1e-5L, 1e4L, 1e-5L, 1e4L},
        {1e4L, 1e4L, 1e-5L, 1e-5L}, {1, 1e-5L, 1e-5L, 1e4L},    {1e-5L, 1e-5L, 1e-5L, 1e-5L},
        {1e4L, 1e4L, 1e4L, 1e4L},    {10, 1e-2L, 1, 5},
    };
    for (const sdcase& c : cases) {
        const bool loop = c.s4 > 0;
        coefrows rows = {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, -1, 1, 0}};
        std::vector<real> ys = {y[0], y[1], y[2]};
        std::vector<real> sds = {c.s1, c.s2, c.s3};
        if (loop) {
            rows.push_back({-1, 0, 1, 0});
            ys.push_back(y[3]);
            sds.push_back(c.s4);
        }
        rows.push_back({0, 0, 0, 1});
        ys.push_back(y[4]);
        sds.push_back(1);

        const real w2 = 1 / (c.s2 * c.s2), w3 = 1 / (c.s3 * c.s3), w4 = loop ? 1 / (c.s4 * c.s4) : 0;
        const real D = w2 * w3 + w2 * w4 + w3 * w4;
        const real d = (w2 * (w3 + w4) * y[1] + w3 * w4 * (y[3] - y[2])) / D;
        const real e = (w4 * (w2 + w3) * y[3] + w2 * w3 * (y[1] + y[2])) / D;
        exactfit want;
        want.theta = {0, y[0], y[0] + d, y[0] + e, y[4]};
        const real v1 = c.s1 * c.s1;
        want.cov[1] = {0, v1, v1, v1, 0};
        want.cov[2] = {0, v1, v1 + (w3 + w4) / D, v1 + w3 / D, 0};
        want.cov[3] = {0, v1, v1 + w3 / D, v1 + (w2 + w3) / D, 0};
        want.cov[4] = {0, 0, 0, 0, 1};
        const real loopvar = c.s2 * c.s2 + c.s3 * c.s3 + c.s4 * c.s4;
        want.hat.push_back(1);
        for (const real si : {c.s2, c.s3, c.s4}) {
            if (si > 0) want.hat.push_back(loop ? 1 - si * si / loopvar : 1);
        }
        want.hat.push_back(1);
        want.reactions = {{{-1, 1, 0, 0}, (w3 + w4) / D}, {{0, -1, 1, 0}, (w2 + w4) / D},
                          {{-1, 0, 1, 0}, (w2 + w3) / D}, {{1, 0, 0, 1}, v1 + 1}};
        if (loop) {
            const real m = y[1] + y[2] - y[3];
            want.sigfitsq = m * m / loopvar;
        }

        std::ostringstream what;
        what << "sds " << static_cast<double>(c.s1) << " " << static_cast<double>(c.s2) << " "
             << static_cast<double>(c.s3) << " " << static_cast<double>(c.s4) << ": ";
        expectexactfit(
            what.str(), [&] { loadrows(rows, ys, sds); }, want);
    }
}

// As many rows as enthalpies: the fit solves the rows exactly whatever their weights, so
// H = X^-1 y and C = X^-1 S^2 X^-T (S the sds), with X^-1 the inverse of the whole-number
// coefficients, found here without the weights and so without their spread. Every
// leverage is 1, and a reaction a has variance sum over rows i of (si (a^T X^-1)_i)^2.
TEST(FitLeastSquares, ExactlyDeterminedRowsGiveTheirSolutionWhateverTheirWeights)
{
    struct squarecase {
        const char* what;
        coefrows rows;
        std::vector<real> sds;
    };
    const squarecase cases[] = {
        // kb only through kb - ka, far more precise than ka's own row.
        {"kb through a precise difference",
         {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e3L, 1e-5L, 2, 0.4L}},
        {"kb through a precise difference, ka loose",
         {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e4L, 1e-5L, 1e-5L, 1e4L}},
        // No row holds a single end-member.
        {"sum and difference",
         {{1, 1, 0, 0}, {1, -1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}},
         {1e-5L, 1e4L, 1, 1e-5L}},
        {"whole-number coefficients",
         {{2, -1, 0, 0}, {0, 3, -2, 0}, {0, 0, 1, -1}, {1, 0, 0, 1}},
         {1e4L, 1e-5L, 1e-5L, 1e4L}},
        {"whole-number coefficients, even weights",
         {{2, -1, 0, 0}, {0, 3, -2, 0}, {0, 0, 1, -1}, {1, 0, 0, 1}},
         {1, 2, 1.5L, 0.5L}},
        // Rows on end-members of their own share nothing to lose digits to, whatever their
        // sds: a variance of 1e20 is held to its own last bits, the others to 0.0001.
        {"rows of their own, sds 0.4 to 1e10",
         {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e10L, 1e5L, 0.4L, 3e9L}},
    };
    const std::vector<real> ys = {-2593.10L, -7.40L, -4232.70L, -910.70L};
    const std::array<int, np> reactions[] = {{-1, 1, 0, 0}, {0, 1, -1, 0}, {1, 0, 0, 1}, {2, -1, 0, -1}};
    for (const squarecase& c : cases) {
        matrix a{};
        for (int i = 1; i <= np; ++i) {
            for (int j = 1; j <= np; ++j) a[i][j] = c.rows[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
        }
        const matrix inv = inverse(a);
        exactfit want;
        for (int j = 1; j <= np; ++j) {
            for (int i = 1; i <= np; ++i) want.theta[j] += inv[j][i] * ys[static_cast<size_t>(i - 1)];
            for (int l = 1; l <= np; ++l) {
                for (int i = 1; i <= np; ++i) {
                    const real s = c.sds[static_cast<size_t>(i - 1)];
                    want.cov[j][l] += inv[j][i] * s * s * inv[l][i];
                }
            }
        }
        want.hat.assign(np + 1, 1);
        for (const auto& r : reactions) {
            real var = 0;
            for (int i = 1; i <= np; ++i) {
                real t = 0;
                for (int j = 1; j <= np; ++j) t += r[static_cast<size_t>(j - 1)] * inv[j][i];
                var += (c.sds[static_cast<size_t>(i - 1)] * t) * (c.sds[static_cast<size_t>(i - 1)] * t);
            }
            want.reactions.emplace_back(r, var);
        }
        expectexactfit(
            c.what, [&] { loadrows(c.rows, ys, c.sds); }, want);
    }
}

// Cholesky past its edge: sweeps that rise by 10^(1/4) a step through the sd of kb - ka
// against that of ka (uneven weights), and through N in the rows ka + kb and
// N ka + (N + 1) kb of sd 1 (nearly parallel rows), with H of thousands of kJ and
// variances of 1 to 1e6 kJ^2. Each sweep passes the point where the normal equations lose
// the new dataset's digits; every fit is still taken (solved again in 113-bit reals) and
// holds those digits against the exact values (as many rows as enthalpies: H = X^-1 y,
// C = X^-1 S^2 X^-T, here in whole numbers and sds).
TEST(FitLeastSquares, CholeskiTakesEveryFitOfTheSweepsToTheDatasetsDigits)
{
    const real ka = -2593.10L, kb = -2600.50L, kc = -4232.70L, qz = -910.70L;
    struct sweep {
        const char* what;
        real looseka;  // 0: the parallel rows
    };
    for (const sweep& sw : {sweep{"uneven, ka sd 1", 1}, sweep{"uneven, ka sd 1000", 1000}, sweep{"parallel", 0}}) {
        for (int k = 0; k <= (sw.looseka > 0 ? 40 : 16); ++k) {
            const real step = std::pow(10.0L, k / 4.0L);
            exactfit want;
            const real s = sw.looseka / step, n = std::nearbyint(step);
            const bool uneven = sw.looseka > 0;
            // built, not assigned: the optimiser warns of copying into an empty vector
            const coefrows rows = uneven ? coefrows{{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}
                                         : coefrows{{1, 1, 0, 0},
                                                    {static_cast<int>(n), static_cast<int>(n) + 1, 0, 0},
                                                    {0, 0, 1, 0},
                                                    {0, 0, 0, 1}};
            const std::vector<real> ys = uneven ? std::vector<real>{ka, kb - ka, kc, qz}
                                                : std::vector<real>{ka + kb, n * ka + (n + 1) * kb, kc, qz};
            const std::vector<real> sds = uneven ? std::vector<real>{sw.looseka, s, 1, 1} : std::vector<real>{1, 1, 1, 1};
            if (uneven) {
                want.theta = {0, ka, ka + (kb - ka), kc, qz};
                const real v = sw.looseka * sw.looseka;
                want.cov[1] = {0, v, v, 0, 0};
                want.cov[2] = {0, v, v + s * s, 0, 0};
            } else {
                // X^-1 = ((n + 1, -1), (-n, 1)) on ka and kb.
                want.theta = {0, (n + 1) * ys[0] - ys[1], -n * ys[0] + ys[1], kc, qz};
                want.cov[1] = {0, (n + 1) * (n + 1) + 1, -(n + 1) * n - 1, 0, 0};
                want.cov[2] = {0, -(n + 1) * n - 1, n * n + 1, 0, 0};
            }
            want.cov[3] = {0, 0, 0, 1, 0};
            want.cov[4] = {0, 0, 0, 0, 1};
            const std::string what = std::string(sw.what) + " step " + std::to_string(k);
            fitworld w;
            loadrows(rows, ys, sds);
            ASSERT_EQ(testing::exitcodeof(choleski), -1) << what << w.out();
            for (int j = 1; j <= np; ++j) {
                const auto jj = static_cast<size_t>(j);
                EXPECT_LE(std::fabs(fit.theta[jj] - want.theta[jj]), 5e-4L) << what << " H " << j;
                for (int l = 1; l <= np; ++l)
                    EXPECT_LE(std::fabs(fit.xx[fitat(j, l)] - want.cov[jj][static_cast<size_t>(l)]), 5e-5L)
                        << what << " covariance " << j << l;
            }
        }
    }
}

// A fit the sweep below makes: whole-number rows on its end-members with their sds, the
// exact observations, and what the program is given: the observations and sds with the
// rounding an experiment's arithmetic leaves in them, and the bound it notes for that.
struct sweepfit {
    int n = 0;
    std::vector<std::vector<int>> rows;
    std::vector<quad> y, sd;
    std::vector<real> giveny, givensd, rounding, sdrounding;
};

// A small generator of its own, so that the sweep is the same on every platform.
struct sweeprandom {
    uint64_t state;
    explicit sweeprandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint64_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    real uniform() { return static_cast<real>(next() >> 11) / 9007199254740992.0L; }
    int whole(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
};

// 7 to 40 end-members. Each has a calorimetric row or a reaction row to one before it,
// so that the rows determine every enthalpy; then reactions among two to four
// end-members, phase-equilibrium groups (three rows on the same four end-members), and
// in some fits nearly parallel rows (ka + kb beside N ka + (N + 1) kb). The sds spread
// log-uniformly over a factor 10^spread; experiment rows carry a rounding of up to 1e-13
// of their Gibbs energies (thousands of kJ) in y and of 1e-13 of sd, which the reference
// leaves out and the program is told of.
sweepfit makesweepfit(sweeprandom& r, int spread, bool parallel)
{
    sweepfit f;
    f.n = r.whole(7, 40);
    std::vector<quad> H(static_cast<size_t>(f.n));
    for (quad& h : H) h = -500 - 9500 * static_cast<quad>(r.uniform());
    std::vector<bool> experiment;
    auto addrow = [&](std::vector<int> row, bool fromexperiment) {
        f.rows.push_back(std::move(row));
        experiment.push_back(fromexperiment);
    };
    for (int j = 0; j < f.n; ++j) {
        std::vector<int> row(static_cast<size_t>(f.n), 0);
        row[static_cast<size_t>(j)] = 1;
        const bool calorimetry = j == 0 || r.uniform() < 0.6L;
        if (!calorimetry) row[static_cast<size_t>(r.whole(0, j - 1))] = -r.whole(1, 3);
        addrow(row, !calorimetry);
    }
    const int reactions = r.whole(0, 2 * f.n);
    for (int k = 0; k < reactions; ++k) {
        std::vector<int> row(static_cast<size_t>(f.n), 0);
        for (int m = r.whole(2, 4); m > 0; --m) row[static_cast<size_t>(r.whole(0, f.n - 1))] = r.whole(-3, 3);
        addrow(row, true);
    }
    for (int g = r.whole(0, 3); g > 0; --g) {
        int ems[4];
        for (int& e : ems) e = r.whole(0, f.n - 1);
        for (int k = 0; k < 3; ++k) {
            std::vector<int> row(static_cast<size_t>(f.n), 0);
            for (int e : ems) row[static_cast<size_t>(e)] += r.whole(-4, 4);
            addrow(row, true);
        }
    }
    if (parallel) {
        const int a = r.whole(0, f.n - 2), b = r.whole(a + 1, f.n - 1), N = r.whole(10, 3000);
        std::vector<int> one(static_cast<size_t>(f.n), 0), many(static_cast<size_t>(f.n), 0);
        one[static_cast<size_t>(a)] = one[static_cast<size_t>(b)] = 1;
        many[static_cast<size_t>(a)] = N;
        many[static_cast<size_t>(b)] = N + 1;
        addrow(one, true);
        addrow(many, true);
    }
    for (size_t i = 0; i < f.rows.size(); ++i) {
        const real sd = 0.05L * std::pow(10.0L, spread * r.uniform());
        quad y = 0, scale = 0;
        for (int j = 0; j < f.n; ++j) {
            y += f.rows[i][static_cast<size_t>(j)] * H[static_cast<size_t>(j)];
            scale += std::abs(f.rows[i][static_cast<size_t>(j)]) * magnitudeofquad(H[static_cast<size_t>(j)]);
        }
        y += static_cast<quad>(sd) * static_cast<quad>(2 * r.uniform() - 1);
        // the exact values are those the program is given, less the rounding
        real dy = 0, dsd = 0, bound = 0, sdbound = 0;
        if (experiment[i]) {
            bound = 1e-13L * static_cast<real>(scale);
            sdbound = 1e-13L;
            dy = bound * (2 * r.uniform() - 1);
            dsd = sdbound * sd * (2 * r.uniform() - 1);
        }
        f.giveny.push_back(static_cast<real>(y));
        f.givensd.push_back(sd);
        f.y.push_back(static_cast<quad>(f.giveny.back()) - dy);
        f.sd.push_back(static_cast<quad>(sd) - dsd);
        f.rounding.push_back(bound);
        f.sdrounding.push_back(sdbound);
    }
    return f;
}

// The exact weighted least squares of a sweep fit in 113-bit reals, by Givens rotations of
// the rows taken heaviest first into R (a method of its own), with the residuals of H
// taken back once into H.
struct sweepexact {
    std::vector<quad> theta, hat;
    std::vector<std::vector<quad>> cov;
    quad sigfitsq = 0;
};

sweepexact solvesweepfit(const sweepfit& f)
{
    const int n = f.n;
    const size_t rows = f.rows.size();
    std::vector<size_t> at(rows);
    for (size_t i = 0; i < rows; ++i) at[i] = i;
    auto heaviest = [&](size_t i) {
        int big = 0;
        for (int c : f.rows[i]) big = std::max(big, std::abs(c));
        return big / f.sd[i];
    };
    std::stable_sort(at.begin(), at.end(), [&](size_t a, size_t b) { return heaviest(a) > heaviest(b); });
    std::vector<std::vector<quad>> R(static_cast<size_t>(n), std::vector<quad>(static_cast<size_t>(n), 0));
    std::vector<quad> z(static_cast<size_t>(n), 0);
    for (size_t i : at) {
        std::vector<quad> a(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) a[static_cast<size_t>(j)] = f.rows[i][static_cast<size_t>(j)] / f.sd[i];
        quad b = f.y[i] / f.sd[i];
        for (int k = 0; k < n; ++k) {
            const auto kk = static_cast<size_t>(k);
            if (a[kk] == 0) continue;
            const quad r = rootofquad(R[kk][kk] * R[kk][kk] + a[kk] * a[kk]);
            const quad c = R[kk][kk] / r, s = a[kk] / r;
            for (size_t j = kk; j < static_cast<size_t>(n); ++j) {
                const quad t = c * R[kk][j] + s * a[j];
                a[j] = c * a[j] - s * R[kk][j];
                R[kk][j] = t;
            }
            const quad t = c * z[kk] + s * b;
            b = c * b - s * z[kk];
            z[kk] = t;
        }
    }
    // Rinv, column by column
    std::vector<std::vector<quad>> Ri(static_cast<size_t>(n), std::vector<quad>(static_cast<size_t>(n), 0));
    for (int j = n - 1; j >= 0; --j) {
        const auto jj = static_cast<size_t>(j);
        Ri[jj][jj] = 1 / R[jj][jj];
        for (int i = j - 1; i >= 0; --i) {
            quad t = 0;
            for (int k = i + 1; k <= j; ++k) t += R[static_cast<size_t>(i)][static_cast<size_t>(k)] * Ri[static_cast<size_t>(k)][jj];
            Ri[static_cast<size_t>(i)][jj] = -t / R[static_cast<size_t>(i)][static_cast<size_t>(i)];
        }
    }
    sweepexact e;
    e.cov.assign(static_cast<size_t>(n), std::vector<quad>(static_cast<size_t>(n), 0));
    for (int j = 0; j < n; ++j) {
        for (int l = 0; l < n; ++l) {
            quad t = 0;
            for (int k = std::max(j, l); k < n; ++k) t += Ri[static_cast<size_t>(j)][static_cast<size_t>(k)] * Ri[static_cast<size_t>(l)][static_cast<size_t>(k)];
            e.cov[static_cast<size_t>(j)][static_cast<size_t>(l)] = t;
        }
    }
    e.theta.assign(static_cast<size_t>(n), 0);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<quad> g(static_cast<size_t>(n), 0);
        for (size_t i = 0; i < rows; ++i) {
            quad res = f.y[i];
            for (int j = 0; j < n; ++j) res -= f.rows[i][static_cast<size_t>(j)] * e.theta[static_cast<size_t>(j)];
            const quad w = 1 / (f.sd[i] * f.sd[i]);
            for (int j = 0; j < n; ++j) g[static_cast<size_t>(j)] += f.rows[i][static_cast<size_t>(j)] * w * res;
        }
        for (int j = 0; j < n; ++j) {
            quad t = 0;
            for (int l = 0; l < n; ++l) t += e.cov[static_cast<size_t>(j)][static_cast<size_t>(l)] * g[static_cast<size_t>(l)];
            e.theta[static_cast<size_t>(j)] += t;
        }
    }
    quad ss = 0;
    for (size_t i = 0; i < rows; ++i) {
        quad res = f.y[i];
        std::vector<quad> t(static_cast<size_t>(n), 0);
        for (int j = 0; j < n; ++j) {
            const int c = f.rows[i][static_cast<size_t>(j)];
            res -= c * e.theta[static_cast<size_t>(j)];
            if (c == 0) continue;
            for (int k = j; k < n; ++k) t[static_cast<size_t>(k)] += c * Ri[static_cast<size_t>(j)][static_cast<size_t>(k)];
        }
        quad h = 0;
        for (const quad v : t) h += v * v;
        e.hat.push_back(h / (f.sd[i] * f.sd[i]));
        ss += (res / f.sd[i]) * (res / f.sd[i]);
    }
    const int dof = static_cast<int>(rows) - n;
    e.sigfitsq = dof > 0 ? ss / dof : ss;
    return e;
}

// Whether a written text is right: the value it reads back lies within half a unit of its
// last digit of the exact value, with a sixteenth of a unit for the rounding of a value
// known a little less than exactly. Counts the numbers looked at.
struct digitcheck {
    long numbers = 0, wrong = 0;
    std::string first;
    void look(const std::string& text, quad exact, const std::string& what)
    {
        ++numbers;
        real back = 0;
        const bool read = readfreereal(text, back);
        const size_t e = std::min(text.find('e'), text.size()), point = text.find('.');
        const int decimals = point < e ? static_cast<int>(e - point - 1) : 0;
        const real unit = std::pow(10.0L, (e < text.size() ? std::stoi(text.substr(e + 1)) : 0) - decimals);
        const quad miss = magnitudeofquad(static_cast<quad>(back) - exact);
        if (read && miss <= static_cast<quad>(unit * (0.5L + 1.0L / 16))) return;
        ++wrong;
        if (first.empty()) first = what + ": " + text + " for " + std::to_string(static_cast<double>(exact));
    }
};

// A covariance as the dataset writes it: " 0" below 5e-5, else with the digits it holds.
std::string writtencovariance(int j, int k)
{
    const real e = fitvariancefactor() * fit.xx[fitat(j, k)];
    return std::fabs(e) < 5e-5L ? "0" : heldtext(e, covarianceerror(j, k), 4);
}

struct sweepcounts {
    int fits = 0, refused = 0;
    digitcheck digits;
};

// One sweep fit by one solver, every number the run writes from it against the exact fit.
void runsweepfit(const sweepfit& f, const sweepexact& exact, bool bycholeski, sweepcounts& counts, const std::string& tag)
{
    fitworld w;
    ds.ntp = static_cast<int16_t>(f.n);
    fit.nrows = static_cast<int16_t>(f.rows.size());
    for (int i = 1; i <= fit.nrows; ++i) {
        const auto ii = static_cast<size_t>(i - 1);
        fit.y[static_cast<size_t>(i)] = f.giveny[ii];
        fit.rowsd[static_cast<size_t>(i)] = f.givensd[ii];
        fit.rowround[static_cast<size_t>(i)] = f.rounding[ii];
        fit.sdround[static_cast<size_t>(i)] = f.sdrounding[ii];
        for (int j = 1; j <= f.n; ++j) {
            const int c = f.rows[ii][static_cast<size_t>(j - 1)];
            fit.x[fitat(i, j)] = static_cast<int16_t>(c);
            fit.b[fitat(i, j)] = c != 0;
        }
    }
    for (int j = 1; j <= f.n; ++j) ds.dsnames[static_cast<size_t>(j)] = "e" + std::to_string(j);
    ++counts.fits;
    if (testing::exitcodeof(bycholeski ? choleski : qr) != -1) {
        ++counts.refused;
        ADD_FAILURE() << tag << " refused: " << w.out();
        return;
    }
    const quad factor = f.rows.size() > static_cast<size_t>(f.n) ? exact.sigfitsq : 1;
    digitcheck& d = counts.digits;
    d.look(fixedstr(std::sqrt(fit.sigfitsq), 3), rootofquad(exact.sigfitsq), tag + " sigfit");
    for (int i = 1; i <= fit.nrows; ++i)
        d.look(fixedstr(fit.hat[static_cast<size_t>(i)], 2), exact.hat[static_cast<size_t>(i - 1)], tag + " hat");
    for (int j = 1; j <= f.n; ++j) {
        const auto jj = static_cast<size_t>(j - 1);
        const real H = fit.theta[static_cast<size_t>(j)];
        d.look(heldtext(H, enthalpyerror(j), 3), exact.theta[jj], tag + " H");
        d.look(fixedstr(H, 2), exact.theta[jj], tag + " H in the report");
        const real sd = std::sqrt(fit.xx[fitat(j, j)]) * std::sqrt(fitvariancefactor());
        d.look(heldroottext(sd, covarianceerror(j, j), 2), rootofquad(exact.cov[jj][jj] * factor), tag + " sd(H)");
        for (int k = j; k <= f.n; ++k)
            d.look(writtencovariance(j, k), exact.cov[jj][static_cast<size_t>(k - 1)] * factor,
                   tag + " covariance " + std::to_string(j) + " " + std::to_string(k));
    }
}

// Random fits of 7 to 40 end-members, calorimetry, reactions and phase-equilibrium groups,
// sds spread over up to ten orders of magnitude and nearly parallel rows, by both solvers
// against the exact fit in 113-bit reals: every number either writes (H in the dataset and
// the report, sd(H), every covariance, the leverages, sigfit) is right to its last digit, and
// none of these fits is refused.
TEST(FitLeastSquares, EveryNumberOfASweepOfFitsIsRightToItsLastDigit)
{
    sweepcounts counts;
    sweeprandom r(41);
    for (int spread = 0; spread <= 10; spread += 2) {
        for (int k = 0; k < 10; ++k) {
            const bool parallel = k % 3 == 2;
            const sweepfit f = makesweepfit(r, spread, parallel);
            const sweepexact exact = solvesweepfit(f);
            for (const bool bycholeski : {false, true}) {
                const std::string tag = std::string(bycholeski ? "choleski" : "qr") + ", sds over 1e" + std::to_string(spread) +
                                        (parallel ? ", parallel rows" : "") + ", fit " + std::to_string(k);
                runsweepfit(f, exact, bycholeski, counts, tag);
            }
        }
    }
    EXPECT_EQ(counts.digits.wrong, 0) << counts.digits.first;
    EXPECT_EQ(counts.refused, 0);
    EXPECT_GT(counts.digits.numbers, 10000);
}

// Each cause of lost digits, by both solvers: the fit is taken, every number right to the
// digits written (the rows fix every enthalpy exactly, so H = X^-1 y and C = X^-1 S^2 X^-T),
// or the run ends naming the cause the rows have. Orthogonal rows of any sds, and nearly
// parallel rows (ka + kb beside 30000 ka + 30001 kb, whose equal sds still determine both),
// keep every digit, the variance of 1e20 its hundreds; so do parallel rows of sds 1e-5 and
// 1e5. Sds 1e40 apart on a chain of rows, sds below the rounding of their values, and
// values too large for the report's two decimals do not, and no message calls a column
// barely determined.
TEST(FitLeastSquares, RowsThatCannotKeepTheirDigitsNameTheirCause)
{
    const coefrows orthogonal = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const coefrows chained = {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const coefrows parallel = {{1, 1, 0, 0}, {30000, 30001, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const real ka = -2593.1L, kb = -2600.5L, kc = -4232.7L, qz = -910.7L;
    struct causecase {
        const char* what;
        coefrows rows;
        std::vector<real> sds;
        real scale;           // of the values
        const char* message;  // nullptr: the fit is taken
    };
    const causecase cases[] = {
        {"orthogonal rows, sds 1e-9 to 1e10", orthogonal, {1e-9L, 1e10L, 2, 3e9L}, 1, nullptr},
        {"nearly parallel rows, equal sds", parallel, {1, 1, 1, 1}, 1, nullptr},
        {"nearly parallel rows, sds 1e-5 and 1e5", parallel, {1e-5L, 1e5L, 1, 1}, 1, nullptr},
        {"chained rows, sds 1e20 and 1e-20", chained, {1e20L, 1e-20L, 2, 0.4L}, 1, "on rows this unevenly weighted: bring their sds closer together"},
        {"values of 1e20 kJ, sds of 1", orthogonal, {1, 1, 1, 1}, 1e17L, "on rows with sds this small beside the rounding of their values (down to 1 kJ)"},
        {"values of 1e20 kJ, sds of 1e17", orthogonal, {1e17L, 1e17L, 1e17L, 1e17L}, 1e17L, "on rows with values this large (up to 4.2e+20 kJ)"},
    };
    const char* const prefixes[] = {"qr : QR loses too many digits ", "choleski : the normal equations and QR lose too many digits "};
    for (const causecase& c : cases) {
        matrix a{};
        for (int i = 1; i <= np; ++i) {
            for (int j = 1; j <= np; ++j) a[i][j] = c.rows[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
        }
        const matrix inv = inverse(a);
        std::vector<real> ys;
        for (int i = 1; i <= np; ++i) {
            const real h[] = {ka, kb, kc, qz};
            real y = 0;
            for (int j = 1; j <= np; ++j) y += a[i][j] * h[j - 1] * c.scale;
            ys.push_back(y);
        }
        for (int k = 0; k < 2; ++k) {
            fitworld w;
            loadrows(c.rows, ys, c.sds);
            const std::string tag = std::string(k == 0 ? "qr, " : "choleski, ") + c.what;
            const int code = testing::exitcodeof(k == 0 ? qr : choleski);
            EXPECT_EQ(w.out().find("barely determine"), std::string::npos) << tag << w.out();
            if (c.message != nullptr) {
                EXPECT_EQ(code, 1) << tag;
                EXPECT_NE(w.out().find(prefixes[k] + std::string(c.message) + " (dataset not written)\n"), std::string::npos)
                    << tag << w.out();
                EXPECT_EQ(w.out().find("lsq (choleski) gives sigfit"), std::string::npos) << tag << w.out();
                continue;
            }
            ASSERT_EQ(code, -1) << tag << w.out();
            digitcheck d;
            for (int j = 1; j <= np; ++j) {
                quad h = 0;
                for (int i = 1; i <= np; ++i) h += static_cast<quad>(inv[j][i]) * static_cast<quad>(ys[static_cast<size_t>(i - 1)]);
                d.look(heldtext(fit.theta[static_cast<size_t>(j)], enthalpyerror(j), 3), h, tag + " H " + std::to_string(j));
                for (int l = j; l <= np; ++l) {
                    quad v = 0;
                    for (int i = 1; i <= np; ++i) {
                        const quad s = c.sds[static_cast<size_t>(i - 1)];
                        v += static_cast<quad>(inv[j][i]) * s * s * static_cast<quad>(inv[l][i]);
                    }
                    d.look(writtencovariance(j, l), v, tag + " covariance " + std::to_string(j) + " " + std::to_string(l));
                }
            }
            EXPECT_EQ(d.wrong, 0) << d.first;
        }
    }
}

// Fits of sds spread over eight to ten orders of magnitude, where a fitted sd(H) of some
// 1e7 kJ and more can hold fewer than the report's two decimals: it is written with those
// it holds, and every other number of these fits stays right as well.
TEST(FitLeastSquares, ReportSdsOfWideSpreadsKeepOnlyTheDigitsTheFitHolds)
{
    sweepcounts counts;
    for (const uint64_t seed : {11, 49}) {
        sweeprandom r(seed);
        for (int spread = 8; spread <= 10; ++spread) {
            for (int k = 0; k < 10; ++k) {
                const sweepfit f = makesweepfit(r, spread, k % 3 == 2);
                const std::string tag = "seed " + std::to_string(seed) + ", sds over 1e" + std::to_string(spread) +
                                        ", fit " + std::to_string(k);
                runsweepfit(f, solvesweepfit(f), false, counts, tag);
            }
        }
    }
    EXPECT_EQ(counts.digits.wrong, 0) << counts.digits.first;
    EXPECT_EQ(counts.refused, 0);
}

}  // namespace
}  // namespace zt
