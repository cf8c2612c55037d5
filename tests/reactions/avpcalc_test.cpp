#include "reactions/avpcalc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "reactions/reactionsearch.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

using vec = std::vector<double>;
using mat = std::vector<vec>;
constexpr double gasr = 0.0083144;

// Solves s y = b for symmetric positive-definite s by a Cholesky factor of its own.
vec choleskysolve(const mat& s, const vec& b) {
    const size_t n = b.size();
    mat l(n, vec(n, 0));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j <= i; ++j) {
            double t = s[i][j];
            for (size_t k = 0; k < j; ++k) t -= l[i][k] * l[j][k];
            l[i][j] = i == j ? std::sqrt(t) : t / l[j][j];
        }
    vec y(n), x(n);
    for (size_t i = 0; i < n; ++i) {
        double t = b[i];
        for (size_t k = 0; k < i; ++k) t -= l[i][k] * y[k];
        y[i] = t / l[i][i];
    }
    for (size_t i = n; i-- > 0;) {
        double t = y[i];
        for (size_t k = i + 1; k < n; ++k) t -= l[k][i] * x[k];
        x[i] = t / l[i][i];
    }
    return x;
}

double dot(const vec& a, const vec& b) {
    double s = 0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// A reaction line a + b T + c P = 0 (the activity term folded into b).
struct line {
    double a, b, c;
};

struct glsresult {
    double est, sd, sigfit;
};

// Five end-members and three reactions among them, with correlated enthalpies.
struct avpfixture : ::testing::Test {
    std::vector<std::vector<int>> rows{{-1, 1, 0, 2, -1}, {0, -2, 1, 1, 0}, {1, 0, -1, 0, 3}};
    std::vector<double> act{0.12, 0.6, 1.0, 0.35, 0.8};
    std::vector<double> sda{0.01, 0.05, 0, 0.04, 0.02};
    std::vector<line> lines{{-60, 0.05, 1.1}, {-40, 0.03, 0.6}, {-95, 0.09, 1.7}};
    double tk = 900;

    void SetUp() override {
        ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
        resetworkingset();
        resetchannels();
        resetavpt();
        resetsearch();
        resetavpcalc();
        settings.justrelu = 1;
        reactions.r.assign(maxreactions + 1, reaction{});
        ws.nem = 5;
        const char* names[] = {"alm", "gr", "py", "an", "ky"};
        for (int i = 1; i <= 5; ++i) {
            ws.emname[i] = names[i - 1];
            ws.emact[i] = act[i - 1];
            ws.emsda[i] = sda[i - 1];
        }
        // cov = L L^T with a lower-triangular L of positive diagonal.
        const double l[5][5] = {{0.9, 0, 0, 0, 0},
                                {0.3, 1.2, 0, 0, 0},
                                {-0.2, 0.4, 0.7, 0, 0},
                                {0.1, 0, -0.3, 1.5, 0},
                                {0, 0.2, 0.1, -0.4, 0.6}};
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) {
                double s = 0;
                for (int k = 0; k < 5; ++k) s += l[i][k] * l[j][k];
                ws.covat(i + 1, j + 1) = s;
            }
        loadreactions();
    }

    void loadreactions() {
        reactions.nreac = static_cast<int16_t>(rows.size());
        for (size_t k = 0; k < rows.size(); ++k)
            for (int j = 0; j < 5; ++j) reactions.r[k + 1][j + 1] = static_cast<int16_t>(rows[k][j]);
    }

    emvalues varlna() const {
        emvalues v{};
        for (int i = 1; i <= ws.nem; ++i) {
            const real a = ws.emact[i];
            v[i] = a > 0 && a < 1 ? (ws.emsda[i] / a) * (ws.emsda[i] / a) : 0;
        }
        return v;
    }

    // Every reaction's pressure at tk, each with one root in the window.
    void loadroots() {
        for (size_t k = 0; k < lines.size(); ++k) {
            avroots.x1[k + 1] = -(lines[k].a + lines[k].b * tk) / lines[k].c;
            avroots.d1[k + 1] = lines[k].c;
            avroots.x2[k + 1] = -1e21L;
            avroots.single[k + 1] = true;
        }
    }

    // The generalised least-squares estimate of the lines' pressures at tk, worked
    // out from the definitions: the covariance of each pressure follows from
    // dP/dH = -1/c and dP/dlnK = -R T / c.
    glsresult independent(const std::vector<double>& var, bool withenthalpy = true) const {
        const size_t n = lines.size();
        vec x(n), ones(n, 1);
        mat v(n, vec(n, 0));
        for (size_t k = 0; k < n; ++k) x[k] = -(lines[k].a + lines[k].b * tk) / lines[k].c;
        for (size_t k = 0; k < n; ++k)
            for (size_t m = 0; m < n; ++m) {
                double h = 0, lnk = 0;
                for (int i = 0; i < 5; ++i) {
                    lnk += rows[k][i] * rows[m][i] * var[i];
                    for (int j = 0; j < 5; ++j)
                        h += rows[k][i] * static_cast<double>(ws.covat(i + 1, j + 1)) * rows[m][j];
                }
                const double wk = -1 / lines[k].c, wm = -1 / lines[m].c;
                v[k][m] = (withenthalpy ? wk * wm * h : 0) + gasr * gasr * tk * tk * wk * wm * lnk;
            }
        const vec y = choleskysolve(v, ones);
        const double s2 = dot(ones, y);
        const double est = dot(x, y) / s2;
        vec res(n);
        for (size_t k = 0; k < n; ++k) res[k] = x[k] - est;
        const double sigfit = std::sqrt(dot(res, choleskysolve(v, res)) / (n - 1));
        return {est, sigfit > 1 ? sigfit / std::sqrt(s2) : 1 / std::sqrt(s2), sigfit};
    }

    std::vector<double> plainvar() const {
        std::vector<double> v(5);
        const emvalues e = varlna();
        for (int i = 0; i < 5; ++i) v[i] = static_cast<double>(e[i + 1]);
        return v;
    }
};

TEST_F(avpfixture, AveragePIsTheGeneralisedLeastSquaresEstimate) {
    struct setup {
        bool justrelu;
        bool diagnose;
    };
    for (const setup s : {setup{false, false}, setup{true, false}, setup{false, true}}) {
        SCOPED_TRACE(::testing::Message() << "justrelu " << s.justrelu << ", diagnose " << s.diagnose);
        settings.justrelu = s.justrelu ? 0 : 1;
        loadroots();
        real est = 0, sd = 0, sigfit = 0;
        avpsolve(tk, tk, 8, varlna(), s.diagnose, est, sd, sigfit);
        const glsresult want = independent(plainvar(), !s.justrelu);
        EXPECT_NEAR(static_cast<double>(est), want.est, 1e-6);
        EXPECT_NEAR(static_cast<double>(sd), want.sd, 1e-6);
        EXPECT_NEAR(static_cast<double>(sigfit), want.sigfit, 1e-6);
        EXPECT_EQ(avdiag.done, s.diagnose);
        if (s.justrelu) {
            EXPECT_EQ(avpt.covh[1][3], 0.001L);
            EXPECT_EQ(avpt.covh[2][2], 0.001L);
        }
    }
}

TEST_F(avpfixture, LinesThroughOnePointGiveThatPointAndNoMisfit) {
    // Shift each line so that it passes through (tk, 6.5 kbar).
    for (auto& l : lines) l.a = -(l.b * tk + l.c * 6.5);
    for (bool diagnose : {false, true}) {
        loadroots();
        real est = 0, sd = 0, sigfit = 0;
        avpsolve(tk, tk, 8, varlna(), diagnose, est, sd, sigfit);
        EXPECT_NEAR(static_cast<double>(est), 6.5, 1e-9);
        EXPECT_NEAR(static_cast<double>(sigfit), 0, 1e-6);
        EXPECT_NEAR(static_cast<double>(sd), independent(plainvar()).sd, 1e-9);
    }
}

TEST_F(avpfixture, APerfectFitOfPolymorphsHasNoMisfitInEveryColumn) {
    // Five polymorphs at unit activity whose four reactions all lie at one pressure: the
    // diagnostic chi-square is a difference of equal sums, and rounds to either side of
    // 0 (below 0 in several of these cases).
    struct fitcase {
        double P0, var, c;  // the pressure, the enthalpy variance of each, dV of reaction 1
    };
    const fitcase cases[] = {{6.001, 0.25, 0.37}, {5.3, 0.1, 1.1}, {7.77, 0.25, 1.1}, {9.87, 0.1, 0.5}, {6.001, 0.25, 0.5}};
    rows = {{-1, 1, 0, 0, 0}, {-1, 0, 1, 0, 0}, {-1, 0, 0, 1, 0}, {-1, 0, 0, 0, 1}};
    loadreactions();
    std::fill(ws.cov.begin(), ws.cov.end(), 0.0L);
    for (int i = 1; i <= 5; ++i) {
        ws.emname[i] = "p0" + std::to_string(i);
        ws.emact[i] = 1;
        ws.emsda[i] = 0;
    }
    for (const fitcase& f : cases) {
        SCOPED_TRACE(::testing::Message() << f.P0 << " " << f.var << " " << f.c);
        lines.clear();
        for (int k = 1; k <= 4; ++k) lines.push_back({f.c * k * f.P0 - 0.002 * k * tk, 0.002 * k, -f.c * k});
        for (int i = 1; i <= 5; ++i) ws.covat(i, i) = f.var;
        loadroots();
        testing::consolecapture console;
        channels.outchannels = 1;
        channels.pagewidth = 250;
        real est = 0, sd = 0, sigfit = 0;
        avpsolve(tk, tk, 8, varlna(), true, est, sd, sigfit);
        ASSERT_TRUE(avdiag.done);
        EXPECT_NEAR(static_cast<double>(est), f.P0, 1e-9);
        EXPECT_NEAR(static_cast<double>(sd), independent(plainvar()).sd, 1e-9);
        EXPECT_GE(sigfit, 0);
        EXPECT_LT(sigfit, 1e-6L);
        for (int d = 1; d <= 2 * avdiag.ne; ++d) {
            EXPECT_GE(avdiag.sigfitd[d], 0) << d;  // a NaN fails both
            EXPECT_LT(avdiag.sigfitd[d], 1e-6L) << d;
        }
        // Each end-member's row of the table has all ten fields.
        std::stringstream in(console.output());
        std::string line;
        size_t rowsseen = 0;
        while (std::getline(in, line)) {
            std::stringstream words(line);
            std::string w;
            std::vector<std::string> fields;
            while (words >> w) fields.push_back(w);
            if (fields.empty() || fields[0].compare(0, 2, "p0") != 0) continue;
            EXPECT_EQ(fields.size(), 10u) << line;
            ++rowsseen;
        }
        EXPECT_EQ(rowsseen, 5u) << console.output();
    }
}

TEST_F(avpfixture, DoublingAnActivityUncertaintyMovesTheResultAsARefit) {
    loadroots();
    real est = 0, sd = 0, sigfit = 0;
    avpsolve(tk, tk, 8, varlna(), true, est, sd, sigfit);
    ASSERT_TRUE(avdiag.done);
    ASSERT_EQ(avdiag.ne, 5);
    // Each end-member whose ln a is uncertain: its variance four times as large.
    for (int m = 1; m <= 5; ++m) {
        if (sda[m - 1] == 0 || act[m - 1] >= 1) continue;
        SCOPED_TRACE(ws.emname[m]);
        std::vector<double> var = plainvar();
        var[m - 1] *= 4;
        const glsresult want = independent(var);
        const int d = avdiag.ne + m;
        EXPECT_NEAR(static_cast<double>(avdiag.estd[d]), want.est, 1e-6);
        EXPECT_NEAR(static_cast<double>(avdiag.sigfitd[d]), want.sigfit, 1e-6);
        const double sdd = want.sigfit > 1 && sigfit <= 1 ? want.sd / want.sigfit : want.sd;
        EXPECT_NEAR(static_cast<double>(avdiag.sdd[d]), sdd, 1e-6);
    }
}

// The chi-square distribution function with k degrees of freedom, by the series of the
// regularised lower incomplete gamma function.
double chisquarecdf(int k, double x) {
    const double a = k / 2.0, z = x / 2;
    double term = 1 / a, sum = term;
    for (int n = 1; n < 500; ++n) {
        term *= z / (a + n);
        sum += term;
    }
    return sum * std::exp(-z + a * std::log(z) - std::lgamma(a));
}

TEST(sigfitlimit, IsTheRootOfTheChiSquare95PointPerDegreeOfFreedom) {
    for (int n = 2; n <= 12; ++n) {
        double lo = 0, hi = 100;
        for (int i = 0; i < 200; ++i) {
            const double mid = (lo + hi) / 2;
            (chisquarecdf(n - 1, mid) < 0.95 ? lo : hi) = mid;
        }
        const double limit = std::round(std::sqrt(lo / (n - 1)) * 100) / 100;
        EXPECT_NEAR(static_cast<double>(sigfitlimit(n)), limit, 1e-12) << "n = " << n;
    }
    for (int n : {0, 1, 13, 24}) EXPECT_EQ(sigfitlimit(n), 1.34L) << "n = " << n;
}

TEST_F(avpfixture, TwoRootedLinesTakeTheRootNearerTheStart) {
    // Reaction 1 has roots 4 and 12 kbar; the others one root each.
    struct rootcase {
        std::vector<bool> single;
        real start;
        real chosen;  // the root reaction 1 keeps
    };
    const std::vector<rootcase> cases = {
        {{false, true, true}, 0, 12},     // the mean of the single roots (about 10.6) decides
        {{false, false, false}, 5, 4},    // no single root: the start value decides
        {{false, false, false}, 11, 12},
        {{true, true, true}, 11, 4},      // a single-root reaction keeps its first root
        {{false, false, false}, 8, 4},    // equally far: the first root stays
    };
    for (const auto& c : cases) {
        loadroots();
        avroots.x1[1] = 4;
        avroots.x2[1] = 12;
        avroots.d2[1] = -0.8L;
        for (int k = 1; k <= 3; ++k) avroots.single[k] = c.single[static_cast<size_t>(k - 1)];
        avroots.x2[2] = avroots.x2[3] = 1e6L;  // far from every start
        real est = 0, sd = 0, sigfit = 0;
        avpsolve(tk, tk, c.start, varlna(), false, est, sd, sigfit);
        EXPECT_EQ(avroots.x1[1], c.chosen) << "start " << static_cast<double>(c.start);
        EXPECT_EQ(avroots.d1[1], c.chosen == 12 ? -0.8L : static_cast<real>(lines[0].c));
    }
}

TEST_F(avpfixture, DependentColumnsLeaveTheDiagnosticsFinite) {
    // No enthalpy uncertainty and reaction 2 a multiple of reaction 1: the data matrix
    // has a zero singular value.
    std::fill(ws.cov.begin(), ws.cov.end(), 0.0L);
    rows[1] = {-2, 2, 0, 4, -2};
    loadreactions();
    loadroots();
    testing::consolecapture console;
    channels.outchannels = 1;
    real est = 0, sd = 0, sigfit = 0;
    avpsolve(tk, tk, 8, varlna(), true, est, sd, sigfit);
    ASSERT_TRUE(avdiag.done);
    // Without the zero singular value's reciprocal left out, sigfit runs to ~1e10.
    const auto [lo, hi] = std::minmax({avroots.x1[1], avroots.x1[2], avroots.x1[3]});
    EXPECT_GE(est, lo);
    EXPECT_LE(est, hi);
    EXPECT_LT(sigfit, 10);
    EXPECT_GT(sd, 0.01L);
    for (int j = 1; j <= 2 * avdiag.ne; ++j) {
        EXPECT_TRUE(std::isfinite(avdiag.e[j])) << j;
        EXPECT_TRUE(std::isfinite(avdiag.hat[j])) << j;
    }
    std::string out = console.output();
    out.erase(out.find("influential"), 11);
    EXPECT_EQ(out.find("nan"), std::string::npos) << out;
    EXPECT_EQ(out.find("inf"), std::string::npos) << out;
}

TEST_F(avpfixture, TooManyEndMembersForTheDiagnosticsFallBackToThePlainEstimate) {
    // 201 end-members in the reactions need 402 rows of the decomposition.
    ws.nem = 202;
    for (int i = 1; i <= ws.nem; ++i) {
        ws.emname[i] = "e" + std::to_string(i);
        ws.emact[i] = 0.5;
        ws.emsda[i] = 0.05;
        ws.covat(i, i) = 0.25;
    }
    for (int k = 1; k <= 3; ++k) reactions.r[k].fill(0);
    for (int j = 1; j <= 201; ++j) reactions.r[1][j] = 1;
    reactions.r[2][1] = reactions.r[2][2] = 1;
    reactions.r[3][3] = -1;
    loadroots();
    real want[3];
    avpsolve(tk, tk, 8, varlna(), false, want[0], want[1], want[2]);
    loadroots();
    testing::consolecapture console;
    channels.outchannels = 1;
    real est = 0, sd = 0, sigfit = 0;
    avpsolve(tk, tk, 8, varlna(), true, est, sd, sigfit);
    EXPECT_FALSE(avdiag.done);
    EXPECT_EQ(console.output(), "\nno diagnostic table: 201 end-members in the reactions, at most 200 fit\n");
    EXPECT_EQ(est, want[0]);
    EXPECT_EQ(sd, want[1]);
    EXPECT_EQ(sigfit, want[2]);
}

TEST(posdefinvert, InvertsOrEndsTheRunOnANonPositiveMatrix) {
    avmatrix a{}, ainv{};
    const real m[3][3] = {{4, 1, -0.5L}, {1, 3, 0.2L}, {-0.5L, 0.2L, 2}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) a[i][j] = m[i - 1][j - 1];
    posdefinvert(a, ainv, 3);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            real s = 0;
            for (int k = 1; k <= 3; ++k) s += a[i][k] * ainv[k][j];
            EXPECT_NEAR(static_cast<double>(s), i == j ? 1.0 : 0.0, 1e-15);
        }
    a[3][3] = 0.05L;  // no longer positive definite
    resetchannels();
    settings.autoexit = true;
    testing::consolecapture console;
    channels.outchannels = 1;
    EXPECT_EQ(testing::exitcodeof([&] { posdefinvert(a, ainv, 3); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in posdefinvert : sqrt negative"), std::string::npos);
}

}  // namespace
}  // namespace zt
