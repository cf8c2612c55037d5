#include "numeric/nle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ax/axeval.h"
#include "numeric/fatalreport.h"
#include "solverfixture.h"

namespace zt::solvertest {
namespace {

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in:\n" << text;
}

class Nle : public SolverTest {};

// ---- Newton step ------------------------------------------------------------------

// Loads a constant jacobian and residual in scaled terms (unit scales) and opens an
// iteration.
struct stepcase {
    const char* what;
    realmat J;
    realvec f;
    real cond;
    bool fdjacobian;
};

TEST_F(Nle, NewtonStepSolvesTheNonSingularPartOfTheJacobian) {
    const stepcase cases[] = {
        // symmetric with eigenvalues 100 and 1
        {"singular values 1 and 100", {{50.5L, 49.5L}, {49.5L, 50.5L}}, {3, -2}, 100, false},
        {"one variable, entry 0.5", {{0.5L}}, {0.3L}, 1, false},
        {"non-symmetric 3 x 3", {{2, 1, 0}, {0, 3, 1}, {1, 0, 4}}, {1, 2, 3}, -1, false},
        // null direction (1, -1)
        {"one zero singular value", {{1, 1}, {1, 1}}, {1, 3}, 0, true},
    };
    for (const stepcase& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t n = c.f.size();
        std::vector<variable> vars;
        for (size_t i = 0; i < n; ++i) vars.push_back({"x" + std::to_string(i), 0.5L, 0, 1});
        setvariables(vars);
        scripted = [&c, n](const realvec&, realvec& f, realmat& d) {
            for (size_t j = 0; j < n; ++j) {
                f[j] = c.f[j];
                for (size_t k = 0; k < n; ++k) d[j][k] = c.J[j][k];
            }
            return true;
        };
        resetnlestate();
        nlestate.nfree = static_cast<int16_t>(n);
        real Fnewton = 0, slope0 = 0, slim = 0;
        startup(Fnewton, slope0, slim);
        real F = 0;
        for (real v : c.f) F += v * v / 2;
        EXPECT_NEAR(static_cast<double>(Fnewton), static_cast<double>(F), 1e-15);
        EXPECT_EQ(slope0, -2 * Fnewton);
        EXPECT_EQ(eq.fdjacobian, c.fdjacobian);
        if (c.cond >= 0) {
            EXPECT_NEAR(static_cast<double>(eq.nlecond), static_cast<double>(c.cond), 1e-12 * c.cond);
        }
        const vec90& dx = nlestate.dx;
        if (!c.fdjacobian) {
            // J dx = f
            for (size_t j = 0; j < n; ++j) {
                real r = 0;
                for (size_t k = 0; k < n; ++k) r += c.J[j][k] * dx[k + 1];
                EXPECT_NEAR(static_cast<double>(r), static_cast<double>(c.f[j]), 1e-15) << j;
            }
        } else {
            // least squares within the range of J, nothing along the null direction
            EXPECT_NEAR(static_cast<double>(dx[1] - dx[2]), 0, 1e-15);
            EXPECT_NEAR(static_cast<double>(dx[1] + dx[2]), 2, 1e-15);
        }
        EXPECT_EQ(nlestate.stepcode, 0);
    }
}

TEST_F(Nle, ZeroJacobianTakesNoStepAndStopsWithStatus7) {
    setvariables({{"x", 0.2L}, {"y", 0.4L}});
    scripted = [](const realvec&, realvec& f, realmat& d) {
        f[0] = 1;
        f[1] = 2;
        d[0][0] = d[0][1] = d[1][0] = d[1][1] = 0;
        return true;
    };
    const vec90 start = eq.varvalue;
    int16_t status = -1;
    EXPECT_FALSE(nle(status));
    EXPECT_EQ(status, 7);
    EXPECT_EQ(eq.nlecond, 0);
    EXPECT_TRUE(eq.fdjacobian);
    EXPECT_EQ(eq.varvalue, start);
    EXPECT_EQ(nlestate.stepcode, 5);
    for (real d : nlestate.dx) EXPECT_TRUE(std::isfinite(d));
}

TEST_F(Nle, StepLimitBelow1em8StopsWithStatus7AndKeepsThePoint) {
    // the root lies below the variable's lower bound, which is 1e-9 away
    setvariables({{"x", 1e-9L, 0, 1}});
    scripted = onevariable([](real x) { return x + 0.2L; }, [](real) { return 1; });
    const vec90 start = eq.varvalue;
    real Fnewton = 0, slope0 = 0, slim = 0;
    nlestate.nfree = 1;
    startup(Fnewton, slope0, slim);
    EXPECT_LT(slim, 1e-8L);
    EXPECT_GT(slim, 4e-9L);
    EXPECT_EQ(nlestate.stepcode, 5);
    int16_t status = -1;
    EXPECT_FALSE(nle(status));
    EXPECT_EQ(status, 7);
    EXPECT_EQ(eq.varvalue, start);
}

// ---- Step limits ------------------------------------------------------------------

class Findlimit : public SolverTest {
protected:
    // Free variables at the given scaled values (unit scale) with the given step.
    void place(const realvec& x, const realvec& d) {
        std::vector<variable> vars;
        for (size_t i = 0; i < x.size(); ++i) vars.push_back({"x" + std::to_string(i), x[i], 0, 1, true, 1, 2});
        setvariables(vars);
        for (size_t i = 0; i < d.size(); ++i) nlestate.dx[i + 1] = d[i];
    }
    real eps() const { return runopening.macheps; }
};

TEST_F(Findlimit, BoundsGiveTheSmallestLimitAndTheKindOfTheLastThatLoweredIt) {
    struct limitcase {
        const char* what;
        realvec x, d;
        real slim;
        int32_t access;
    };
    const real e = eps();
    const limitcase cases[] = {
        {"falling to the lower bound", {0.2L}, {0.4L}, (0.2L - 2 * e) / 0.4L, 1},
        {"rising to the upper bound", {0.9L}, {-0.5L}, (1 - 0.9L - 2 * e) / 0.5L, 2},
        {"the nearer of two bounds", {0.2L, 0.9L}, {0.4L, -0.5L}, (1 - 0.9L - 2 * e) / 0.5L, 2},
        {"a later farther bound does not count", {0.9L, 0.2L}, {-0.5L, 0.4L}, (1 - 0.9L - 2 * e) / 0.5L, 2},
        {"no bound within reach", {0.5L}, {0}, 1e20L, 7},
    };
    for (const limitcase& c : cases) {
        SCOPED_TRACE(c.what);
        place(c.x, c.d);
        real slim = 0;
        int32_t access = 7;
        findlimit(slim, access);
        EXPECT_EQ(slim, c.slim);
        EXPECT_EQ(access, c.access);
    }
    // the limit stays just inside: 0.2 - slim * 0.4 > 0
    place({0.2L}, {0.4L});
    real slim = 0;
    int32_t access = 0;
    findlimit(slim, access);
    EXPECT_LT(slim, 0.5L);
    EXPECT_GT(0.2L - slim * 0.4L, 0);
}

TEST_F(Findlimit, LimitRowsBoundTheStepInPlainValues) {
    // x in plain range -1..1; the row 1/2 - x >= 0, held as num/den per column
    struct rowcase {
        const char* what;
        bool free;
        real x, d;  // plain value and scaled step
        real slim;
        int32_t access;
    };
    const real e = eps();
    // scale 1/2: a scaled step d moves x by d/(1/2) = 2d per unit of lambda
    const rowcase cases[] = {
        {"row shrinking along the step", true, 0.1L, -0.1L, (0.4L - 2 * e) / 0.2L, 4},
        {"row growing along the step: the lower bound limits", true, 0.1L, 0.1L, (0.55L - 2 * e) / 0.1L, 1},
        {"row unchanged along the step", true, 0.1L, 0, 0, 7},
        {"row of a fixed variable does not count", false, 0.1L, 0, 1e20L, 7},
    };
    for (const rowcase& c : cases) {
        SCOPED_TRACE(c.what);
        setvariables({{"x", c.x, -1, 1, c.free}});
        eq.nvarlim = 1;
        for (int g = 1; g <= 4; ++g) {
            eq.varlimnum[1][static_cast<size_t>(g)] = 0;
            eq.varlimden[1][static_cast<size_t>(g)] = 1;
        }
        eq.varlimnum[1][3] = -2;
        eq.varlimden[1][3] = 2;
        eq.varlimnum[1][4] = 1;
        eq.varlimden[1][4] = 2;
        nlestate.dx[1] = c.d;
        real slim = 0;
        int32_t access = 7;
        findlimit(slim, access);
        EXPECT_NEAR(static_cast<double>(slim), static_cast<double>(c.slim), 1e-15 * static_cast<double>(c.slim));
        EXPECT_EQ(access, c.access);
    }
}

// Expressions written here: a factor is c0 plus items of multiplier times variable.
struct item {
    int16_t num, den, var;
};
struct factor {
    int16_t c0num, c0den;
    std::vector<item> items;
};

axexpr makeexpr(const std::vector<std::vector<factor>>& terms) {
    axexpr e;
    resetaxexpr(e);
    e.nterms = static_cast<int16_t>(terms.size());
    for (size_t t = 0; t < terms.size(); ++t) {
        axterm& term = e.term[t + 1];
        term.coef = 1;
        term.nfactors = static_cast<int16_t>(terms[t].size());
        for (size_t f = 0; f < terms[t].size(); ++f) {
            axfactor& fac = term.factor[f + 1];
            fac.c0num = terms[t][f].c0num;
            fac.c0den = terms[t][f].c0den;
            fac.nitems = static_cast<int16_t>(terms[t][f].items.size());
            for (size_t k = 0; k < terms[t][f].items.size(); ++k) {
                fac.num[k + 1] = terms[t][f].items[k].num;
                fac.den[k + 1] = terms[t][f].items[k].den;
                fac.itemvar[k + 1] = terms[t][f].items[k].var;
            }
        }
    }
    return e;
}

class SiteFractionLimit : public Findlimit {
protected:
    void SetUp() override {
        Findlimit::SetUp();
        if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
        resetaxphase(phases.prec1[1]);
    }
    // Phase 1 with variables x, y (variables 3 and 4) and the given site fractions, all
    // watched by the step limiter.
    void phasewith(const std::vector<axexpr>& sfs) {
        axphase& ph = phases.prec1[1];
        ph.shortname = "ph";
        ph.nvars = 2;
        ph.nsf = static_cast<int16_t>(sfs.size());
        eq.nsfcheck = ph.nsf;
        for (size_t s = 0; s < sfs.size(); ++s) {
            ph.sf[s + 1] = sfs[s];
            eq.sfcheckphase[s + 1] = 1;
            eq.sfcheckindex[s + 1] = static_cast<int16_t>(s + 1);
            eq.sfcheckvar[s + 1] = 3;
        }
    }
    real sfat(int s, real lambda) {
        axvector u{};
        for (int g = 3; g <= 4; ++g) {
            const size_t i = static_cast<size_t>(g);
            const real du = eq.calcvarfree[i] ? nlestate.dx[i - 2] / eq.calcvarscale[i] : 0;
            u[i] = plain(g) - lambda * du;
        }
        return evalaxexpr(phases.prec1[1].sf[static_cast<size_t>(s)], u, 3);
    }
};

TEST_F(SiteFractionLimit, StepStopsJustBeforeASiteFractionTurnsNegative) {
    // sf1 = 1 - x - y reaches 0 at lambda = 0.4 (x and y both rise by 0.5 per unit)
    const axexpr sf1 = makeexpr({{{1, 1, {{-1, 1, 1}, {-1, 1, 2}}}}});
    // sf2 = (y - 3/10) x + (1/5 - x): its first term has a factor that is exactly 0 all
    // along the step, since y is held fixed at 0.3; it reaches 0 at x = 0.2
    const axexpr sf2 = makeexpr({{{-3, 10, {{1, 1, 2}}}, {0, 1, {{1, 1, 1}}}}, {{1, 5, {{-1, 1, 1}}}}});
    // sf3 = x + 2 stays positive over the whole range of x
    const axexpr sf3 = makeexpr({{{2, 1, {{1, 1, 1}}}}});
    struct sfcase {
        const char* what;
        std::vector<axexpr> sfs;
        bool yfree;
        real xstart;
        real boundary;  // where a site fraction reaches 0
        real bound;     // where the bounds of the variables alone limit the step
    };
    const sfcase cases[] = {
        {"linear site fraction", {sf1}, true, 0.3L, 0.4L, 3.4L},
        {"a factor at exactly 0", {sf2}, false, 0.1L, 0.2L, 3.8L},
        {"legal all the way to the bound", {sf3}, true, 0.3L, 0, 3.4L},
    };
    for (const sfcase& c : cases) {
        SCOPED_TRACE(c.what);
        // plain ranges -2..2: scaled steps of -1/8 move x (and y when free) up by 1/2
        setvariables({{"x", c.xstart, -2, 2}, {"y", 0.3L, -2, 2, c.yfree}});
        nlestate.dx[1] = -0.125L;
        nlestate.dx[2] = c.yfree ? -0.125L : 0;
        phasewith(c.sfs);
        real slim = 0;
        int32_t access = 1;
        findlimit(slim, access);
        EXPECT_EQ(access, 4);
        EXPECT_TRUE(std::isfinite(slim));
        EXPECT_GE(sfat(1, slim), 0);
        if (c.boundary > 0) {
            EXPECT_LT(slim, c.boundary);
            EXPECT_GT(slim, 0.95L * c.boundary);
        } else {
            EXPECT_NEAR(static_cast<double>(slim), static_cast<double>(c.bound), 1e-12);
        }
    }
    EXPECT_FALSE(contains(console.output(), "sorry"));
}

TEST_F(SiteFractionLimit, ZeroSiteFractionPassesTheFirstPassAndStillSetsCode4) {
    // sf = x + 1/2 is exactly 0 all along the step
    const axexpr zero = makeexpr({{{1, 2, {{1, 1, 1}}}}});
    setvariables({{"x", -0.5L, -2, 2, false}, {"y", 0.1L, -2, 2}});
    nlestate.dx[1] = 0;
    phasewith({zero});
    real slim = 0;
    int32_t access = 1;
    findlimit(slim, access);
    EXPECT_EQ(slim, 1e20L);
    EXPECT_EQ(access, 4);
}

TEST_F(SiteFractionLimit, ASiteFractionThatCannotBeMadeLegalEndsTheRun) {
    // sf = x - 1/2 is negative at the start and falls along the step
    const axexpr sf = makeexpr({{{-1, 2, {{1, 1, 1}}}}});
    const std::string report = testing::fatalreport([&] {
        runopening.macheps = std::ldexp(1.0L, -64);
        setvariables({{"x", 0.3L, -2, 2}, {"y", 0.1L, -2, 2, false}});
        nlestate.dx[1] = 0.1L;
        phasewith({sf});
        real slim = 0;
        int32_t access = 1;
        findlimit(slim, access);
    });
    EXPECT_TRUE(contains(report, testing::bombline("findlimit", "too many iterations handling site fractions")));
    EXPECT_FALSE(contains(report, testing::internalmark));
}

// ---- Line search ------------------------------------------------------------------

TEST_F(Nle, CubicStepGivesTheStationaryPointsOfTheInterpolatingCubic) {
    struct cubiccase {
        const char* what;
        real la, Fa, sa, lb, Fb, sb;
        real r1, r2;
    };
    const cubiccase cases[] = {
        // F = l^3 - 3 l: stationary at -1 (maximum, first) and 1
        {"cubic", 0, 0, -3, 2, 2, 9, -1, 1},
        // F = (l - 1/4)^2: the quadratic's minimum
        {"quadratic", 0, 0.0625L, -0.5L, 1, 0.5625L, 1.5L, 0.25L, 0.25L},
        // F linear: no stationary point, -lambda_a
        {"linear", 0.5L, 1, -1, 1.5L, 0, -1, -0.5L, -0.5L},
        // F = l^3 + l: no real stationary point
        {"no real root", 0, 0, 1, 1, 2, 4, 0, 0},
        // F = (l - 2)^3 - 12 (l - 2) on [1, 3]: stationary at 0 (maximum) and 4
        {"shifted interval", 1, 11, -9, 3, -11, -9, 0, 4},
    };
    for (const cubiccase& c : cases) {
        SCOPED_TRACE(c.what);
        real r1 = 99, r2 = 99;
        cubicstep(r1, r2, c.la, c.Fa, c.sa, c.lb, c.Fb, c.sb);
        EXPECT_NEAR(static_cast<double>(r1), static_cast<double>(c.r1), 1e-15);
        EXPECT_NEAR(static_cast<double>(r2), static_cast<double>(c.r2), 1e-15);
    }
}

// The step lengths of the trials of one line search, from the recorded evaluations of a
// one-variable problem whose Newton step is dx (plain) from x0.
realvec triallambdas(real x0, real dxplain, size_t skip = 1) {
    realvec out;
    for (size_t i = skip; i < evaluations.size(); ++i) out.push_back((x0 - evaluations[i].x[0]) / dxplain);
    return out;
}

TEST_F(Nle, LineSearchTrialSequences) {
    // f = x - c whose reported derivative is k times the true one: the Newton step is
    // 1/k of the way to the root, so F falls steadily far beyond lambda = 1
    struct searchcase {
        const char* what;
        real x0, c, k, high;
        int32_t highkind;
        realvec lambdas;
        int16_t code;
        int32_t access;
    };
    const real expand40[] = {1, 5, 25, 38.5L, 39.85L, 39.985L, 39.9985L, 39.99985L, 39.999985L, 39.9999985L, 39.99999985L};
    const searchcase cases[] = {
        {"exact Newton step accepted at once", 0.5L, 0.3L, 1, 1, 4, {1}, 0, 1},
        {"boundary trial when no limit within 50", 0.5L, 0.7L, 1000, 1, 4, {1, 0.9999999999L * 50}, 0, 3},
        {"expansion towards a strict bound at 40", 0.5L, 13, 1000, 1, 4,
         realvec(std::begin(expand40), std::end(expand40)), 0, 4},
        {"expansion stops when the test passes", 0.5L, 1, 40, 1, 4, {1, 5, 25, 38.5L}, 0, 4},
    };
    for (const searchcase& c : cases) {
        SCOPED_TRACE(c.what);
        setvariables({{"x", c.x0, 0, c.high, true, 1, c.highkind, 1e-6L}});
        scripted = onevariable([&c](real x) { return x - c.c; }, [](real) { return 1; }, c.k);
        evaluations.clear();
        resetnlestate();
        nlestate.nfree = 1;
        real lambda = 0;
        int16_t code = -1;
        steplength(lambda, code);
        const real dxplain = (c.x0 - c.c) / c.k;
        const realvec got = triallambdas(c.x0, dxplain);
        ASSERT_EQ(got.size(), c.lambdas.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(static_cast<double>(got[i]), static_cast<double>(c.lambdas[i]), 1e-9) << i;
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(nlestate.access, c.access);
        // the accepted step is the last trial, the lowest F of the sequence
        EXPECT_NEAR(static_cast<double>(lambda), static_cast<double>(c.lambdas.back()), 1e-9);
    }
}

TEST_F(Nle, OvershootIsSectionedWithinTheSafeguardAtTheCubicsStationaryPoint) {
    // Newton on atan from x = 2 overshoots to -3.5: F rises, so [0, 1] is sectioned
    setvariables({{"x", 2, -5, 5}});
    scripted = onevariable([](real x) { return std::atan(x); }, [](real x) { return 1 / (1 + x * x); });
    resetnlestate();
    nlestate.nfree = 1;
    real lambda = 0;
    int16_t code = -1;
    steplength(lambda, code);
    ASSERT_GE(evaluations.size(), 3u);
    const real dxplain = std::atan(2.0L) * 5;
    const realvec got = triallambdas(2, dxplain);
    EXPECT_NEAR(static_cast<double>(got[0]), 1, 1e-15);
    // the cubic through (0, F0, s0) and (1, F1, s1), in Hermite form
    auto Fat = [](real x) { return std::atan(x) * std::atan(x) / 2; };
    auto slopeat = [&](real x) { return -std::atan(x) / (1 + x * x) * dxplain; };
    const real x1 = 2 - dxplain;
    const real F0 = Fat(2), s0 = slopeat(2), F1 = Fat(x1), s1 = slopeat(x1);
    ASSERT_GT(F1, F0);
    auto hermiteslope = [&](real t) {
        const real h00 = 6 * t * t - 6 * t, h10 = 3 * t * t - 4 * t + 1, h01 = -h00, h11 = 3 * t * t - 2 * t;
        return h00 * F0 + h10 * s0 + h01 * F1 + h11 * s1;
    };
    const real l2 = got[1];
    EXPECT_GE(l2, 0.1L);
    EXPECT_LE(l2, 0.5L);
    if (l2 > 0.1L && l2 < 0.5L) {
        EXPECT_NEAR(static_cast<double>(hermiteslope(l2)), 0, 1e-12);
    }
    EXPECT_EQ(code, 0);
}

TEST_F(Nle, AnUphillDirectionEndsAfterTenSectioningTrials) {
    // a jacobian of the wrong sign: every trial raises F
    setvariables({{"x", 0.5L, -5, 5}});
    scripted = onevariable([](real x) { return x - 0.2L; }, [](real) { return 1; }, -1);
    const vec90 start = eq.varvalue;
    int16_t status = -1;
    EXPECT_FALSE(nle(status));
    EXPECT_EQ(status, 5);
    EXPECT_EQ(eq.varvalue, start);
    // start, first trial, ten sections each within the safeguard
    ASSERT_EQ(evaluations.size(), 12u);
    const realvec got = triallambdas(0.5L, -0.3L);
    for (size_t i = 2; i < got.size(); ++i) {
        EXPECT_GE(got[i], 0.1L * got[i - 1] * (1 - 1e-12L)) << i;
        EXPECT_LE(got[i], 0.5L * got[i - 1] * (1 + 1e-12L)) << i;
    }
}

// ---- Whole solves -----------------------------------------------------------------

// The unit circle against x = y^3: two coupled equations with one root near (0.56, 0.83).
bool coupled(const realvec& x, realvec& f, realmat& d) {
    f[0] = x[0] * x[0] + x[1] * x[1] - 1;
    f[1] = x[0] - x[1] * x[1] * x[1];
    d[0][0] = 2 * x[0];
    d[0][1] = 2 * x[1];
    d[1][0] = 1;
    d[1][1] = -3 * x[1] * x[1];
    return true;
}

TEST_F(Nle, DampedNewtonFindsTheRoot) {
    struct rootcase {
        const char* what;
        plainresiduals f;
        realvec start, root;
    };
    const rootcase cases[] = {
        {"atan from 2, where plain Newton diverges",
         onevariable([](real x) { return std::atan(x); }, [](real x) { return 1 / (1 + x * x); }), {2}, {0}},
        {"two coupled equations",
         coupled,
         {0.9L, 0.5L}, {0.5636241621612585L, 0.8260313576541869L}},
    };
    for (const rootcase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<variable> vars;
        for (size_t i = 0; i < c.start.size(); ++i) vars.push_back({"x" + std::to_string(i), c.start[i], -5, 5});
        setvariables(vars);
        scripted = c.f;
        int16_t status = -1;
        EXPECT_TRUE(nle(status));
        EXPECT_EQ(status, 0);
        // converged means |f| below 1e-6 (fsize), which puts x within about 1e-6 of the root
        realvec x, f(c.root.size()), x0 = c.root;
        realmat d(c.root.size(), realvec(c.root.size()));
        for (size_t i = 0; i < c.root.size(); ++i) x.push_back(plain(static_cast<int>(i) + 3));
        ASSERT_TRUE(c.f(x, f, d));
        for (size_t i = 0; i < c.root.size(); ++i) {
            EXPECT_LT(std::fabs(f[i]), 1e-6L);
            EXPECT_NEAR(static_cast<double>(x[i]), static_cast<double>(c.root[i]), 2e-6);
        }
        EXPECT_GE(eq.nleiter, 1);
        EXPECT_NE(eq.nleconvtag, "-");
    }
}

TEST_F(Nle, AnIterationStartsFromTheEvaluationOfItsPoint) {
    // The same solves where every evaluation is traced (above debug level 5), so that
    // each iteration evaluates its start again, and at the usual level.
    struct solvecase {
        const char* what;
        plainresiduals f;
        std::vector<variable> vars;
        int starts;  // iterations whose start is not the point evaluated last
    };
    const solvecase cases[] = {
        {"atan from 2, sectioned", onevariable([](real x) { return std::atan(x); }, [](real x) { return 1 / (1 + x * x); }),
         {{"x", 2, -5, 5}}, 0},
        {"two coupled equations", coupled, {{"x0", 0.9L, -5, 5}, {"x1", 0.5L, -5, 5}}, 0},
        {"a boundary trial", onevariable([](real x) { return x - 0.7L; }, [](real) { return 1; }, 1000),
         {{"x", 0.5L, 0, 1, true, 1, 1, 1e-4L}}, 0},
        // the reported slope is always negative, but F rises past x = 0.52: ten expansion
        // trials, and the first (lower) one is accepted although the tenth came after it
        {"an earlier trial accepted",
         [](const realvec& x, realvec& f, realmat& d) {
             f[0] = -(0.1L + (x[0] - 0.52L) * (x[0] - 0.52L));
             d[0][0] = 5;
             return true;
         },
         {{"x", 0.5L, 0, 1, true, 1, 4, 1e-4L}}, 1},
    };
    for (const solvecase& c : cases) {
        SCOPED_TRACE(c.what);
        struct outcome {
            bool ok;
            int16_t status, iterations;
            vec90 x;
            std::vector<evaluation> evals;
        };
        auto solve = [&](int16_t level) {
            settings.debuglevel = level;
            setvariables(c.vars);
            scripted = c.f;
            evaluations.clear();
            outcome o{};
            o.ok = nle(o.status);
            o.iterations = eq.nleiter;
            o.x = eq.varvalue;
            o.evals = evaluations;
            return o;
        };
        const outcome traced = solve(6);
        const outcome usual = solve(1);
        EXPECT_EQ(usual.ok, traced.ok);
        EXPECT_EQ(usual.status, traced.status);
        EXPECT_EQ(usual.iterations, traced.iterations);
        ASSERT_GE(usual.iterations, 1);
        EXPECT_EQ(usual.x, traced.x);
        // the traced solve evaluates the start of every iteration; where that point is
        // the one evaluated just before, the usual solve takes that evaluation over, and
        // that is the only difference
        std::vector<evaluation> kept;
        int starts = 0;
        for (size_t i = 0; i < traced.evals.size(); ++i) {
            const evaluation& e = traced.evals[i];
            if (e.iter < 1 || e.eval != 1) {
                kept.push_back(e);
                continue;
            }
            ++starts;
            ASSERT_GT(i, 0u);
            if (e.x != traced.evals[i - 1].x) kept.push_back(e);
        }
        EXPECT_EQ(starts, traced.iterations);
        ASSERT_EQ(usual.evals.size(), kept.size());
        int usualstarts = 0;
        for (size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(usual.evals[i].x, kept[i].x) << i;
            EXPECT_EQ(usual.evals[i].iter, kept[i].iter) << i;
            EXPECT_EQ(usual.evals[i].eval, kept[i].eval) << i;
            if (usual.evals[i].iter >= 1 && usual.evals[i].eval == 1) ++usualstarts;
        }
        EXPECT_EQ(usualstarts, c.starts);
    }
}

TEST_F(Nle, StatusFollowsTheOrderOfTheStoppingReasons) {
    // f = x^3: each full Newton step takes x to 2x/3, F falls steadily, and |f| < 1e-6
    // (fsize) holds once x < 0.01
    const plainresiduals cube = onevariable([](real x) { return x * x * x; }, [](real x) { return 3 * x * x; });
    // f = x with a derivative reported 5% high: each step takes x to x/21
    const plainresiduals linear = onevariable([](real x) { return x; }, [](real) { return 1; }, 1.05L);
    struct statuscase {
        const char* what;
        const plainresiduals& f;
        real ratio;
        real x0, dxtol;
        int16_t status, iterations;
        const char* tag;
    };
    const statuscase cases[] = {
        // 300 (2/3)^25 > 0.01 > 300 (2/3)^26
        {"converged in the 26th iteration", cube, 2.0L / 3, 300, 0.005L, 0, 26, "f"},
        {"not converged in 26 iterations", cube, 2.0L / 3, 450, 0.005L, 2, 26, "-"},
        {"step passes dxtol far from the solution", cube, 2.0L / 3, 1, 1e6L, 1, 1, "-"},
        {"step passes dxtol near the solution", linear, 1 - 1 / 1.05L, 0.002L, 1e6L, 0, 1, "dx"},
        {"|f| below fsize at the start", cube, 1, 0.009L, 0.005L, 0, 0, "-"},
        // F = f^2 / 2 = 5e-7 lies below fsize, |f| = 1e-3 does not: the start is tested
        // as the iterations are, and six steps bring |f| below 1e-6
        {"F below fsize at the start, |f| not", cube, 2.0L / 3, 0.1L, 0.005L, 0, 6, "f"},
    };
    for (const statuscase& c : cases) {
        SCOPED_TRACE(c.what);
        eq.nleconvtag = "-";
        settings.dxtol = c.dxtol;
        settings.debuglevel = 4;
        console.clearoutput();
        setvariables({{"x", c.x0, -500, 500, true, 1, 1, 1e-6L}});
        scripted = c.f;
        int16_t status = -1;
        EXPECT_EQ(nle(status), c.status == 0);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(eq.nleiter, c.iterations);
        EXPECT_EQ(eq.nleconvtag, c.tag);
        // every accepted step is the full Newton step
        const real expected = c.x0 * std::pow(c.ratio, c.iterations);
        EXPECT_NEAR(static_cast<double>(plain(3) / expected), 1, 1e-9);
        // no outcome line when no iteration ran
        const std::string out = console.output();
        EXPECT_EQ(contains(out, "No solution") || contains(out, "(esize)") || contains(out, "(fsize)") ||
                      contains(out, "(dxconverge)"),
                  c.iterations > 0);
    }
}

TEST_F(Nle, ThreeIterationsWithoutAReducingTrialStopWithStatus6) {
    // the boundary trial lowers F but never passes the test
    setvariables({{"x", 0.5L, 0, 1, true, 1, 1, 1e-4L}});
    scripted = onevariable([](real x) { return x - 0.7L; }, [](real) { return 1; }, 1000);
    int16_t status = -1;
    EXPECT_FALSE(nle(status));
    EXPECT_EQ(status, 6);
    EXPECT_EQ(eq.nleiter, 3);
    // two accepted steps of 50 / 1000 of the way to the root
    EXPECT_NEAR(static_cast<double>(plain(3)), static_cast<double>(0.7L - 0.2L * 0.95L * 0.95L), 1e-9);
}

TEST_F(Nle, AFailedTrialIsNeverAccepted) {
    // the residual cannot be evaluated below x = 0.45, where the Newton step leads
    struct failcase {
        const char* what;
        int16_t debuglevel;
        bool dogmin;
        real mcrunlimit;
    };
    const failcase cases[] = {
        {"debug level 0", 0, false, 1},
        {"dogmin", 1, true, 1},
        {"Monte Carlo runs", 1, false, 5},
    };
    for (const failcase& c : cases) {
        SCOPED_TRACE(c.what);
        settings.debuglevel = c.debuglevel;
        settings.dogminon = c.dogmin;
        settings.dogminlevel = 0;
        settings.mcrunlimit = c.mcrunlimit;
        setvariables({{"x", 0.5L, -5, 5}});
        scripted = [](const realvec& x, realvec& f, realmat& d) {
            if (x[0] < 0.45L) return false;
            f[0] = x[0] - 0.3L;
            d[0][0] = 1;
            return true;
        };
        const vec90 start = eq.varvalue;
        int16_t status = -1;
        EXPECT_FALSE(nle(status));
        EXPECT_EQ(status, 10);
        EXPECT_EQ(eq.varvalue, start);
        EXPECT_EQ(settings.debuglevel, c.debuglevel);
    }
}

TEST_F(Nle, AFailedBoundaryTrialLeavesTheGoodFirstTrialAccepted) {
    // the first trial (x = 0.5002) is evaluated but fails the test; the boundary trial
    // near lambda = 50 (x = 0.51) cannot be evaluated, and its stand-in F = 1 is lower
    // than the first trial's F of about 2
    settings.debuglevel = 0;
    setvariables({{"x", 0.5L, 0, 1}});
    scripted = [](const realvec& x, realvec& f, realmat& d) {
        if (x[0] > 0.505L) return false;
        f[0] = 10 * (x[0] - 0.7L);
        d[0][0] = 10 * 1000;
        return true;
    };
    int16_t status = -1;
    EXPECT_FALSE(nle(status));
    EXPECT_EQ(status, 10);
    EXPECT_NEAR(static_cast<double>(plain(3)), 0.5002, 1e-12);
}

TEST_F(Nle, StartThatCannotBeEvaluated) {
    scripted = [](const realvec&, realvec&, realmat&) { return false; };
    struct startcase {
        const char* what;
        int16_t debuglevel;
        bool dogmin;
        int16_t dogminlevel;
        const char* console;
        int16_t levelafter;
    };
    const std::string names = "   P(kbar)     T(\xA1""C)         x";
    const std::string values = "      10.0       600    0.2500";
    const startcase cases[] = {
        {"dogmin at level 0 is silent", 1, true, 0, "", 1},
        {"dogmin at level 1", 1, true, 1, "solver could not start\n", 1},
        {"debug level 0", 0, false, -1, "", 1},
    };
    for (const startcase& c : cases) {
        SCOPED_TRACE(c.what);
        console.clearoutput();
        settings.debuglevel = c.debuglevel;
        settings.dogminon = c.dogmin;
        settings.dogminlevel = c.dogminlevel;
        pd.batchno = 1;
        pd.mcsuccesses = 0;
        setvariables({{"x", 0.25L, 0, 1}});
        int16_t status = -1;
        EXPECT_FALSE(nle(status));
        EXPECT_EQ(status, 9);
        EXPECT_EQ(settings.debuglevel, c.levelafter);
        const std::string expected =
            c.debuglevel == 0 ? "\nillegal start   1  0\n" + names + "\n" + values + "\n" : std::string(c.console);
        EXPECT_EQ(console.output(), expected);
    }
    // a second illegal start at the level it left is fatal
    const std::string report = testing::fatalreport([&] {
        setvariables({{"x", 0.25L, 0, 1}});
        int16_t status = -1;
        nle(status);
    });
    EXPECT_EQ(report.substr(0, 1 + names.size() + 1 + values.size() + 1), "\n" + names + "\n" + values + "\n");
    EXPECT_TRUE(contains(report, testing::bombline("nle", "illegal start")));
    EXPECT_FALSE(contains(report, testing::internalmark));
}

// A NaN drops out of std::max and fails every "below the tolerance" test, so a NaN
// residual once passed as converged; a NaN jacobian made a NaN step. Any value that is
// not a finite number ends the solve as a point that cannot be evaluated (status 9),
// at every debug level, with the last good point kept.
TEST_F(Nle, NonFiniteValuesEndTheSolveWithStatus9) {
    const real nan = std::numeric_limits<real>::quiet_NaN();
    const real inf = std::numeric_limits<real>::infinity();
    // f = x - 0.3 from x = 0.5, a derivative reported twice too large: the first step
    // lands at 0.4, short of the root, so the solve needs further iterations
    auto residual = [](real x) { return x - 0.3L; };
    struct nonfinitecase {
        const char* what;
        plainresiduals f;
        real x0;
        real after;  // plain x the solve leaves
        int16_t iterations;
    };
    const nonfinitecase cases[] = {
        {"NaN residual at the start",
         [](const realvec&, realvec& f, realmat& d) {
             f[0] = std::numeric_limits<real>::quiet_NaN();
             d[0][0] = 1;
             return true;
         },
         0.5L, 0.5L, 0},
        {"infinite residual at the start",
         [inf](const realvec&, realvec& f, realmat& d) {
             f[0] = inf;
             d[0][0] = 1;
             return true;
         },
         0.5L, 0.5L, 0},
        {"NaN jacobian at the start",
         [nan, residual](const realvec& x, realvec& f, realmat& d) {
             f[0] = residual(x[0]);
             d[0][0] = nan;
             return true;
         },
         0.5L, 0.5L, 0},
        {"NaN residual at a trial point",
         [nan, residual](const realvec& x, realvec& f, realmat& d) {
             f[0] = x[0] < 0.45L ? nan : residual(x[0]);
             d[0][0] = 2;
             return true;
         },
         0.5L, 0.5L, 1},
        {"infinite jacobian at a trial point",
         [inf, residual](const realvec& x, realvec& f, realmat& d) {
             f[0] = residual(x[0]);
             d[0][0] = x[0] < 0.45L ? -inf : 2;
             return true;
         },
         0.5L, 0.5L, 1},
        // f = x^3: the first full Newton step lands at x = 1/3, whose evaluation is also
        // the second iteration's start, so its NaN derivative ends the solve there
        {"NaN jacobian at the point the first step reaches",
         [nan](const realvec& x, realvec& f, realmat& d) {
             f[0] = x[0] * x[0] * x[0];
             d[0][0] = std::fabs(x[0] - 0.5L * 2 / 3) < 1e-12L ? nan : 3 * x[0] * x[0];
             return true;
         },
         0.5L, 0.5L, 1},
        {"NaN starting value",
         [residual](const realvec& x, realvec& f, realmat& d) {
             f[0] = residual(x[0]);
             d[0][0] = 1;
             return true;
         },
         nan, nan, 0},
    };
    for (int16_t level : {1, 0, 2}) {
        for (const nonfinitecase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", debug level " + std::to_string(level));
            settings.debuglevel = level;
            console.clearoutput();
            evaluations.clear();
            setvariables({{"x", c.x0, -5, 5}});
            scripted = c.f;
            int16_t status = -1;
            bool converged = true;
            EXPECT_EQ(testing::exitcodeof([&] { converged = nle(status); }), -1) << console.output();
            EXPECT_FALSE(converged);
            EXPECT_EQ(status, 9);
            EXPECT_EQ(eq.nleiter, c.iterations);
            EXPECT_EQ(settings.debuglevel, level);
            if (std::isnan(c.after)) {
                EXPECT_TRUE(std::isnan(plain(3)));
            } else {
                EXPECT_NEAR(static_cast<double>(plain(3)), static_cast<double>(c.after), 1e-15);
            }
            const std::string out = console.output();
            EXPECT_FALSE(contains(out, "bad x")) << out;
            if (level == 2) {
                EXPECT_TRUE(contains(out, "No solution (9):\n   residual, derivative or variable not a finite number\n"));
            } else {
                EXPECT_EQ(out, "");
            }
        }
    }
}

TEST_F(Nle, FatalReportsOfTheSolver) {
    struct fatalcase {
        const char* what;
        std::function<void()> call;
        const char* routine;
        const char* message;
        bool internal;
    };
    auto linear = onevariable([](real x) { return x - 0.3L; }, [](real) { return 1; }, 2);
    const fatalcase cases[] = {
        {"a trial that cannot be evaluated",
         [&] {
             setvariables({{"x", 0.5L, -5, 5}});
             scripted = [](const realvec& x, realvec& f, realmat& d) {
                 f[0] = x[0] - 0.3L;
                 d[0][0] = 1;
                 return x[0] > 0.45L;
             };
             int16_t status = 0;
             nle(status);
         },
         "fn", "not ok (1)", true},
        {"a negative step",
         [&] {
             setvariables({{"x", 0.5L, -5, 5}});
             scripted = linear;
             real F = 0, s = 0;
             fn(5, -0.1L, F, s);
         },
         "fn", "called with step <= 0", true},
        {"an accepted point that cannot be evaluated again",
         [&] {
             // where every evaluation prints, each iteration evaluates its start again
             settings.debuglevel = 4;
             setvariables({{"x", 0.5L, -5, 5}});
             scripted = [](const realvec& x, realvec& f, realmat& d) {
                 f[0] = x[0] - 0.3L;
                 d[0][0] = 2;
                 return !(eq.nleiter == 2 && eq.nleeval == 1);
             };
             int16_t status = 0;
             nle(status);
         },
         "startup", "bad start to iteration", false},
        {"a bound of unknown kind",
         [&] {
             setvariables({{"x", 0.5L, 0, 1, true, 7, 7}});
             scripted = linear;
             int16_t status = 0;
             nle(status);
         },
         "steplength", "unknown accessibility", true},
    };
    for (const fatalcase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string report = testing::fatalreport([&] {
            runopening.macheps = std::ldexp(1.0L, -64);
            settings.mcrunlimit = 1;
            c.call();
        });
        EXPECT_TRUE(contains(report, testing::bombline(c.routine, c.message)));
        EXPECT_EQ(report.find(testing::internalmark) != std::string::npos, c.internal);
    }
}

}  // namespace
}  // namespace zt::solvertest
