#include "reactions/stateoforder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ax/axeval.h"
#include "numeric/eqfixture.h"
#include "numeric/fatalreport.h"
#include "numeric/methods/random.h"
#include "numeric/residuals.h"
#include "reactions/isr.h"

namespace zt {
namespace {

using namespace eqtest;

constexpr real P = 8, T = 900;

// The order-disorder phase of the equilibrium tests (variables x and Q, end-members en,
// fs and the ordered fm) in three components; fm lies dH below the mean of en and fs,
// so the phase orders more the more negative dH is.
axphase& odphase(real x, real Q, real dH) {
    reseteqworld();
    settings.debuglevelq = 1;
    axphase& a = orderdisorder(1);
    a.vars[1].value = x;
    a.vars[2].value = Q;
    setcomponents(3);
    setcomp(a.em[1], {{1, 2}, {3, 2}});
    setcomp(a.em[2], {{2, 2}, {3, 2}});
    setcomp(a.em[3], {{1, 1}, {2, 1}, {3, 2}});
    a.em[3].props.H = (a.em[1].props.H + a.em[2].props.H) / 2 + dH;
    ws.ncompsall = ws.ncompsall2 = 3;
    return a;
}

// The working set of the one-phase problem, as the solve lays it out, so that the
// residual can be evaluated again after the solve has handed the working set back.
void layonephase(const axphase& a) {
    ws.nem = ws.nrems = a.nem;
    for (int j = 1; j <= a.nem; ++j) {
        const size_t jj = static_cast<size_t>(j);
        ws.emname[jj] = a.em[jj].name;
        for (int i = 1; i <= ws.ncomps; ++i) ws.c[static_cast<size_t>(i)][jj] = a.em[jj].comp[static_cast<size_t>(i)];
        ws.td[jj] = a.em[jj].props;
    }
    bool found = false;
    calcisr(found);
}

// The order reaction's residual with Q at the given value, the rest as the phase holds it.
real residualat(const axphase& a, real Q) {
    vec90 plain{};
    plain[1] = P;
    plain[2] = T;
    plain[3] = a.vars[1].value;
    plain[4] = Q;
    evaluation at;
    EXPECT_TRUE(nlefunc(scaled(plain), *at.J, at.f, false));
    return at.f[1];
}

TEST(StateOfOrder, SolvedOrderVariableZeroesTheOrderReaction) {
    for (real dH : {-20.0L, -5.0L, 3.0L}) {
        SCOPED_TRACE(static_cast<double>(dH));
        axphase& a = odphase(0.4L, 0.1L, dH);
        layonephase(a);
        ASSERT_EQ(reactions.nreac, 1);
        ASSERT_TRUE(calcq(1, P, T));
        const real Q = a.vars[2].value;
        EXPECT_EQ(a.vars[1].value, 0.4L);
        EXPECT_GT(Q, 0);
        EXPECT_LT(Q, 0.4L);
        EXPECT_TRUE(phaselegal(1));
        // converged: at most 1e-4, the loosest of the convergence tests
        EXPECT_LT(std::fabs(residualat(a, Q)), 1e-4L);
        // and the start was not a solution already
        EXPECT_GT(std::fabs(residualat(a, 0.1L)), 0.01L);
        EXPECT_EQ(eq.nvar, 4);
        EXPECT_EQ(eq.nxp, 0);
    }
}

TEST(StateOfOrder, WorkingSetAndSwitchesAreHandedBackUnchanged) {
    odphase(0.4L, 0.1L, -5);
    testing::consolecapture console;
    // a working set of another calculation
    ws.nem = ws.nrems = 5;
    ws.ncomps = 4;
    ws.nrcomps = 2;
    for (int e = 1; e <= 5; ++e) {
        const size_t ee = static_cast<size_t>(e);
        ws.emname[ee] = "w" + std::to_string(e);
        ws.emact[ee] = 0.1L * e;
        ws.emsda[ee] = 0.01L * e;
        ws.td[ee] = solid(-500 - e, 0.2L, 3);
        for (int i = 1; i <= 4; ++i) ws.c[static_cast<size_t>(i)][ee] = static_cast<int16_t>(i + e);
    }
    addreaction({1, -1, 2, 0, -2}, 7);
    addreaction({0, 1, 0, -1, 0}, 3);
    settings.debuglevel = 2;
    settings.pseudosection = true;
    pd.massbalance = true;
    run.calcmode = 1;
    settings.pnow = 4;
    settings.tnow = 700;
    const workingsetstate before = ws;
    const reactionstate rbefore = reactions;
    ASSERT_TRUE(calcq(1, P, T));
    EXPECT_EQ(ws.nem, before.nem);
    EXPECT_EQ(ws.nrems, before.nrems);
    EXPECT_EQ(ws.ncomps, before.ncomps);
    EXPECT_EQ(ws.nrcomps, before.nrcomps);
    EXPECT_EQ(ws.emname, before.emname);
    EXPECT_EQ(ws.emact, before.emact);
    EXPECT_EQ(ws.emsda, before.emsda);
    EXPECT_EQ(ws.c, before.c);
    for (int e = 1; e <= maxems; ++e) {
        for (int f = 1; f <= 31; ++f) {
            const size_t ee = static_cast<size_t>(e);
            ASSERT_EQ(ws.td[ee].field(f), before.td[ee].field(f)) << e << " " << f;
        }
    }
    EXPECT_EQ(reactions.nreac, rbefore.nreac);
    EXPECT_EQ(reactions.r, rbefore.r);
    EXPECT_EQ(reactions.rxnweight, rbefore.rxnweight);
    EXPECT_EQ(settings.debuglevel, 2);
    EXPECT_TRUE(settings.pseudosection);
    EXPECT_TRUE(pd.massbalance);
    EXPECT_EQ(settings.pnow, 4);
    EXPECT_EQ(settings.tnow, 700);
    // the solve traced at the order-solution level (1), not at the script's level 2
    EXPECT_EQ(console.output(), "");
}

TEST(StateOfOrder, FindLegalQDrawsIllegalOrderVariablesAndSolves) {
    // the solution from a legal start, for comparison
    axphase& ref = odphase(0.4L, 0.1L, -5);
    ASSERT_TRUE(calcq(1, P, T));
    const real solved = ref.vars[2].value;
    struct findcase {
        const char* what;
        real Qstart;
        bool solve;
        bool badstart;
    };
    const findcase cases[] = {
        {"legal start, solved", 0.1L, true, false},
        {"illegal start, drawn and solved", 0.6L, true, true},
        {"illegal start, drawn only", 0.6L, false, true},
        {"legal start, nothing to do", 0.1L, false, false},
    };
    for (const findcase& c : cases) {
        SCOPED_TRACE(c.what);
        axphase& a = odphase(0.4L, c.Qstart, -5);
        randomseeds = {11, 22, 33};
        bool badstart = !c.badstart;
        EXPECT_TRUE(findlegalq(1, c.solve, badstart, P, T));
        EXPECT_EQ(badstart, c.badstart);
        EXPECT_TRUE(phaselegal(1));
        EXPECT_EQ(a.vars[1].value, 0.4L);
        if (c.solve) {
            EXPECT_NEAR(static_cast<double>(a.vars[2].value), static_cast<double>(solved), 1e-6);
        } else if (!c.badstart) {
            EXPECT_EQ(a.vars[2].value, c.Qstart);
        }
    }
}

TEST(StateOfOrder, GivesUpAfter1001Attempts) {
    struct attemptcase {
        const char* what;
        bool solve;
        real Qstart, lower, upper, dH;
        int draws;
    };
    const attemptcase cases[] = {
        // every draw is legal, but ordering so costly that the solve is stuck at Q = 0:
        // attempt 1 solves from the start, attempts 2 to 1001 each draw first
        {"solve never converges", true, 0.1L, 0, 0.4L, 1e4L, 1000},
        // every draw leaves o2 = x - Q negative
        {"never legal", false, 0.6L, 0.5L, 0.9L, -5, 1001},
    };
    for (const attemptcase& c : cases) {
        SCOPED_TRACE(c.what);
        axphase& a = odphase(0.4L, c.Qstart, c.dH);
        a.vars[2].lower = c.lower;
        a.vars[2].upper = c.upper;
        randomseeds = {101, 202, 303};
        bool badstart = true;
        EXPECT_FALSE(findlegalq(1, c.solve, badstart, P, T));
        EXPECT_EQ(badstart, !c.solve);
        // the last value drawn stays
        randomseeds = {101, 202, 303};
        real r = 0;
        for (int i = 1; i <= c.draws; ++i) r = randomwh();
        EXPECT_EQ(a.vars[2].value, r * (c.upper - c.lower) + c.lower);
        EXPECT_EQ(a.vars[1].value, 0.4L);
    }
}

TEST(StateOfOrder, FatalReports) {
    struct fatalcase {
        const char* what;
        std::function<void()> call;
        const char* routine;
        const char* message;
    };
    const fatalcase cases[] = {
        {"findlegalq on a phase without order",
         [] {
             axphase& a = odphase(0.4L, 0.1L, -5);
             a.hasorder = false;
             bool badstart = false;
             findlegalq(1, true, badstart, P, T);
         },
         "findlegalq", "not an odd phase"},
        {"calcq on a phase without order",
         [] {
             axphase& a = odphase(0.4L, 0.1L, -5);
             a.hasorder = false;
             calcq(1, P, T);
         },
         "calcq", "not an OD phase"},
        {"two order variables and one reaction",
         [] {
             axphase& a = odphase(0.4L, 0.1L, -5);
             a.vars[1].isorder = true;
             calcq(1, P, T);
         },
         "calcq", "no of reactions not equal to no of Qs"},
    };
    for (const fatalcase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string report = testing::fatalreport(c.call);
        EXPECT_NE(report.find(testing::bombline(c.routine, c.message)), std::string::npos) << report;
        EXPECT_EQ(report.find(testing::internalmark), std::string::npos);
    }
}

}  // namespace
}  // namespace zt
