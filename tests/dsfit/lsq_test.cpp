#include "dsfit/lsq.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <sstream>
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

// The inverse of a (rows and columns 1..np) by Gauss-Jordan elimination.
matrix inverse(matrix a)
{
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
    return inv;
}

// The same problem by the normal equations.
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
    const matrix inv = inverse(a);
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

// What a fit must give: enthalpies, unscaled covariance and sigfitsq.
struct exactfit {
    std::array<real, np + 1> theta{};
    matrix cov{};
    real sigfitsq = 0;
};

const char* const choleskiuseqr =
    "choleski : the normal equations lose too many digits on rows this unevenly weighted: use QR (dataset not written)";

// QR gives the exact fit, far beyond the printed digits. Cholesky gives it to the printed
// digits (H and sd(H) to 0.01 kJ) or says it cannot and to use QR; where the rows that
// share end-members have sds within a factor 1e3 of each other (mild) it must give it.
void expectexactfit(const std::string& what, const std::function<void()>& load, const exactfit& want, bool mild)
{
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
                EXPECT_LE(std::fabs(fit.xx[fitat(j, l)] - want.cov[jj][static_cast<size_t>(l)]), 1e-9L * scale)
                    << what << " qr covariance " << j << l;
            }
        }
        EXPECT_NEAR(static_cast<double>(fit.sigfitsq), static_cast<double>(want.sigfitsq),
                    1e-9 * static_cast<double>(want.sigfitsq) + 1e-12)
            << what << " qr sigfitsq";
    }
    fitworld w;
    load();
    const int code = testing::exitcodeof(choleski);
    EXPECT_EQ(w.out().find("matrix is singular"), std::string::npos) << what << w.out();
    if (code != -1) {
        EXPECT_FALSE(mild) << what << w.out();
        EXPECT_EQ(code, 1) << what;
        EXPECT_NE(w.out().find(choleskiuseqr), std::string::npos) << what << w.out();
        return;
    }
    const real factor = fitvariancefactor();
    for (int j = 1; j <= 4; ++j) {
        const auto jj = static_cast<size_t>(j);
        EXPECT_NEAR(static_cast<double>(fit.theta[jj]), static_cast<double>(want.theta[jj]), 0.005)
            << what << " choleski H " << j;
        const real wantsd = std::sqrt(want.cov[jj][jj] * (fit.nrows > 4 ? want.sigfitsq : 1));
        EXPECT_NEAR(static_cast<double>(std::sqrt(fit.xx[fitat(j, j)] * factor)), static_cast<double>(wantsd), 0.005)
            << what << " choleski sd " << j;
    }
}

// Three end-members tied by differences, ka fixed by its own row and qz apart, with sds
// from 1e-5 to 1e4. With weights w = 1/sd^2 the fit has a closed form in sums of positive
// products only, so it is exact in long double whatever the weights: rows 2-4 give
// d = kb - ka and e = kc - ka by
//   D = w2 w3 + w2 w4 + w3 w4,
//   d = (w2 (w3 + w4) y2 + w3 w4 (y4 - y3)) / D,  var d = (w3 + w4) / D,
//   e = (w4 (w2 + w3) y4 + w2 w3 (y2 + y3)) / D,  var e = (w2 + w3) / D,  cov = w3 / D,
// and the loop misses by m = y2 + y3 - y4: chi-squared m^2 / (s2^2 + s3^2 + s4^2).
// Without row 4 (w4 = 0) d = y2 and e = y2 + y3.
TEST(FitLeastSquares, UnevenlyWeightedRowsOnSharedEndMembersGiveTheExactFit)
{
    const real y[] = {-2593.10L, -7.40L, 3.10L, -4.25L, -910.70L};
    struct sdcase {
        real s1, s2, s3, s4;  // s4 = 0: no row 4
        bool mild;
    };
    const sdcase cases[] = {
        {2, 0.5L, 1.5L, 3, true},          {1e3L, 1e-5L, 1, 0, false},  // ka known loosely, kb - ka very precisely
        {1e3L, 1e-5L, 1e4L, 0, false},     {1e3L, 1e-5L, 1e4L, 1e-5L, false}, {1e-5L, 1e4L, 1e-5L, 1e4L, false},
        {1e4L, 1e4L, 1e-5L, 1e-5L, false}, {1, 1e-5L, 1e-5L, 1e4L, false},    {1e-5L, 1e-5L, 1e-5L, 1e-5L, true},
        {1e4L, 1e4L, 1e4L, 1e4L, true},    {10, 1e-2L, 1, 5, true},
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
        if (loop) {
            const real m = y[1] + y[2] - y[3];
            want.sigfitsq = m * m / loopvar;
        }

        std::ostringstream what;
        what << "sds " << static_cast<double>(c.s1) << " " << static_cast<double>(c.s2) << " "
             << static_cast<double>(c.s3) << " " << static_cast<double>(c.s4) << ": ";
        expectexactfit(
            what.str(), [&] { loadrows(rows, ys, sds); }, want, c.mild);
    }
}

// As many rows as enthalpies: the fit solves the rows exactly whatever their weights, so
// H = X^-1 y and C = X^-1 S^2 X^-T (S the sds), with X^-1 the inverse of the whole-number
// coefficients, found here without the weights and so without their spread.
TEST(FitLeastSquares, ExactlyDeterminedRowsGiveTheirSolutionWhateverTheirWeights)
{
    struct squarecase {
        const char* what;
        coefrows rows;
        std::vector<real> sds;
        bool mild;
    };
    const squarecase cases[] = {
        // kb only through kb - ka, far more precise than ka's own row.
        {"kb through a precise difference",
         {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e3L, 1e-5L, 2, 0.4L},
         false},
        {"kb through a precise difference, ka loose",
         {{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {1e4L, 1e-5L, 1e-5L, 1e4L},
         false},
        // No row holds a single end-member.
        {"sum and difference",
         {{1, 1, 0, 0}, {1, -1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}},
         {1e-5L, 1e4L, 1, 1e-5L},
         false},
        {"whole-number coefficients",
         {{2, -1, 0, 0}, {0, 3, -2, 0}, {0, 0, 1, -1}, {1, 0, 0, 1}},
         {1e4L, 1e-5L, 1e-5L, 1e4L},
         false},
        {"whole-number coefficients, even weights",
         {{2, -1, 0, 0}, {0, 3, -2, 0}, {0, 0, 1, -1}, {1, 0, 0, 1}},
         {1, 2, 1.5L, 0.5L},
         true},
    };
    const std::vector<real> ys = {-2593.10L, -7.40L, -4232.70L, -910.70L};
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
        expectexactfit(
            c.what, [&] { loadrows(c.rows, ys, c.sds); }, want, c.mild);
    }
}

// Rows determined but so unevenly weighted that even QR would amplify rounding beyond the
// printed digits (sds 1e-12 and 1e4): each solver says what it cannot do, neither calls the
// rows singular.
TEST(FitLeastSquares, RowsTooUnevenForTheSolverSaySoAndNameTheRemedy)
{
    const std::pair<const char*, std::function<void()>> solvers[] = {{"qr", qr}, {"choleski", choleski}};
    const std::string qrmessage =
        "qr : QR loses too many digits on rows this unevenly weighted: bring their sds closer together (dataset not "
        "written)";
    for (const auto& [name, solve] : solvers) {
        fitworld w;
        loadrows({{1, 0, 0, 0}, {-1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, {-2593.10L, -7.40L, -4232.70L, -910.70L},
                 {1e4L, 1e-12L, 2, 0.4L});
        EXPECT_EQ(testing::exitcodeof(solve), 1) << name;
        EXPECT_NE(w.out().find(std::string(name) == "qr" ? qrmessage : choleskiuseqr), std::string::npos)
            << name << w.out();
        EXPECT_EQ(w.out().find("lsq (choleski) gives sigfit"), std::string::npos) << name << w.out();
    }
}

}  // namespace
}  // namespace zt
