#include "phasediagram/solveone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ax/fluidphases.h"
#include "numeric/eqfixture.h"
#include "numeric/nle.h"
#include "numeric/residuals.h"
#include "runtime/channels.h"
#include "runtime/textfile.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using namespace eqtest;

// The solver's residual replaced by one whose root is the solute fraction
// s = a - b I, I the ionic strength that the loop has put into the records (scaled up
// to the size of a delta G in kJ, for the solver's tolerance).
real sa = 0, sb = 0;
bool soluteresidual(vec90 x, mat90& J, vec90& f, bool) {
    f[1] = 1e4L * (x[4] - (sa - sb * ws.td[1].aqterm3));
    J[1][1] = 1e4L;
    return true;
}

struct residualswap {
    residualswap() { setresidualfunction(soluteresidual); }
    ~residualswap() { setresidualfunction(nullptr); }
};

// An aqueous phase (H2O, CO2, NaCl) beside halite at fixed P, T and x(CO2), the solute
// fraction s (unknown 4) the one free unknown; w weights the solute in I = 0.5 s w.
void aqueouslayout(real w) {
    reseteqworld();
    axphase& a = aqueous(1);
    purephase(1, "hl", solid(-407.3L, 0.115L, 0));
    setupfluid();
    setcomponents(3);
    for (int j = 1; j <= 3; ++j) setcomp(a.em[static_cast<size_t>(j)], {{j, 1}});
    setcomp(pure(1), {{3, 1}});
    a.em[3].props.aqterm1 = w;
    a.em[3].props.aqterm2 = 1;
    makecrossrefs(selection({1}, {1}));
    eq.calcvarfree[1] = eq.calcvarfree[2] = eq.calcvarfree[3] = false;
    eq.varvalue[1] = 5;
    eq.varvalue[2] = 800;
    eq.varvalue[3] = 0.1L;
    eq.calcvarscale[4] = 1;
    eq.calcvaroffset[4] = 0;
    eq.varvalue[4] = 0.01L;
}

// The loop ends with the ionic strength that the final solution gives (within its
// 1e-5), held at 0.0018, and the final solution is the one solved with it.
TEST(Donle, AqueousPhaseIsSolvedAgainUntilItsIonicStrengthHolds) {
    struct aqcase {
        real a, b, w;
        real ionic;  // the fixed point
    };
    const aqcase cases[] = {
        {0.002L, 0, 1, 0.001L},                // one more pass confirms it
        {0.004L, 1, 1, 0.002L / 1.5L},        // I = 0.002 - 0.5 I, reached step by step
        {0.002L, 0, 100, 0.0018L},             // 0.1 held at 0.0018
    };
    for (const aqcase& c : cases) {
        aqueouslayout(c.w);
        ASSERT_TRUE(phases.prec1[1].aq);
        residualswap swap;
        sa = c.a;
        sb = c.b;
        testing::consolecapture console;
        loopstate ls;
        ASSERT_TRUE(donle(ls)) << console.output();
        const real s = eq.varvalue[4];
        const real ionic = ws.td[1].aqterm3;
        EXPECT_NEAR(static_cast<double>(ionic), static_cast<double>(c.ionic), 2e-5);
        EXPECT_NEAR(static_cast<double>(ionic), static_cast<double>(std::min(0.0018L, 0.5L * s * c.w)), 1e-5);
        EXPECT_NEAR(static_cast<double>(s), static_cast<double>(c.a - c.b * ionic), 1e-9);
        for (int e = 2; e <= 3; ++e) EXPECT_EQ(ws.td[static_cast<size_t>(e)].aqterm3, ionic);
        EXPECT_EQ(ws.td[4].aqterm3, 0);  // halite is no part of it
    }
}

// I = 0.002 - I swings between 0.0018 (held) and 0.0002 for ever: the eleventh pass
// ends the run.
TEST(Donle, AnIonicStrengthThatNeverSettlesEndsTheRun) {
    aqueouslayout(1);
    residualswap swap;
    sa = 0.004L;
    sb = 2;
    testing::consolecapture console;
    loopstate ls;
    EXPECT_EQ(testing::exitcodeof([&] { donle(ls); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in solve : debye-huckel loop"), std::string::npos) << console.output();
}

// The solver's own residual: halite (unknown 4, the solute fraction s, free) in
// equilibrium with the solute, NaCl(aq) = hl.
void halitereaction(real w) {
    aqueouslayout(w);
    addreaction({0, 0, -1, 1}, 1);
}

real residualat(real s, real ionic) {
    for (int e = 1; e <= 3; ++e) ws.td[static_cast<size_t>(e)].aqterm3 = ionic;
    vec90 x = eq.varvalue;
    x[4] = s;
    evaluation e;
    EXPECT_TRUE(nlefunc(x, *e.J, e.f, false));
    return e.f[1];
}

// Halite's H is set so that s = 0.05, with the ionic strength that s gives, is the root:
// the loop around the real solver must end there from either side, whether I is held at
// 0.0018 or has to be found. The jacobian leaves out how the solvent's x(CO2) moves with
// s (by several per cent with a weight of 10); Newton steps with it still reach the root.
TEST(Donle, AqueousPhaseBesideHaliteSolvesToItsSolubility) {
    struct halitecase {
        real w, s0;
    };
    const halitecase cases[] = {{1, 0.01L}, {1, 0.3L}, {10, 0.01L}, {10, 0.3L}, {0.02L, 0.01L}, {0.02L, 0.3L}};
    const real root = 0.05L;
    for (const halitecase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "w " << static_cast<double>(c.w) << ", start " << static_cast<double>(c.s0));
        halitereaction(c.w);
        const real ionic = std::min(0.0018L, 0.5L * root * c.w);
        ws.td[4].H -= residualat(root, ionic);
        ASSERT_NEAR(static_cast<double>(residualat(root, ionic)), 0, 1e-9);
        eq.varvalue[4] = c.s0;
        testing::consolecapture console;
        loopstate ls;
        ASSERT_TRUE(donle(ls)) << "status " << ls.status << console.output();
        EXPECT_EQ(ls.status, 0);
        EXPECT_NEAR(static_cast<double>(eq.varvalue[4]), static_cast<double>(root), 1e-6);
        EXPECT_NEAR(static_cast<double>(ws.td[1].aqterm3), static_cast<double>(ionic), 1e-5);
    }
}

// The fixture's halite as it stands is far less stable than the solute at every s (its
// residual keeps one sign over the whole range): no solve can succeed, and the loop
// reports the solver's failure rather than a result.
TEST(Donle, HaliteWithNoSolubilityInRangeFailsTheSolve) {
    halitereaction(1);
    for (real s = 0.001L; s < 0.9L; s += 0.001L) ASSERT_GT(residualat(s, 0.00018L), 0) << static_cast<double>(s);
    eq.varvalue[4] = 0.01L;
    testing::consolecapture console;
    loopstate ls;
    EXPECT_FALSE(donle(ls));
    EXPECT_NE(ls.status, 0);
    EXPECT_EQ(ws.td[1].aqterm3, 0.00018L);  // the loop was never entered
}

// Three pure phases: no end-member of a solution phase makes any reaction used, so all
// of them are idle. At variance 1 one idle reaction is allowed; the mass balance always
// calculates; no reactions at all is said, but the points are calculated.
TEST(CheckCalculable, CodesAndTheirMessages) {
    struct calccase {
        const char* what;
        int16_t nreac, var;
        bool massbalance, dogmin;
        int16_t debuglevel, dogminlevel;
        int16_t code;
        const char* console;
        const char* log;
    };
    const calccase cases[] = {
        {"one idle reaction at variance 1", 1, 1, false, false, 1, 0, 0, "", ""},
        {"three idle reactions", 3, 1, false, false, 1, 0, 2, "  cannot calculate this equilibrium (degenerate?)\n",
         "  cannot calculate this equilibrium (degenerate?)\n"},
        {"three idle reactions, quietly", 3, 1, false, false, 0, 0, 2, "@", ""},
        {"three idle reactions with the mass balance", 3, 1, true, false, 1, 0, 0, "", ""},
        {"no reactions", 0, 1, false, false, 1, 0, 1, "  cannot calculate this equilibrium (no reactions)\n",
         "  cannot calculate this equilibrium (no reactions)\n"},
        {"no reactions, quietly", 0, 1, false, false, 0, 0, 1, "#", ""},
        {"dogmin, degenerate, to the log only", 3, 1, false, true, 1, 2, 2, "",
         "  cannot calculate this equilibrium (degenerate)\n"},
        {"dogmin at level 1 says nothing", 0, 1, false, true, 1, 1, 1, "", ""},
    };
    for (const calccase& c : cases) {
        SCOPED_TRACE(c.what);
        reseteqworld();
        ws.nem = 3;
        for (int e = 1; e <= 3; ++e) eq.purephaseofem[static_cast<size_t>(e)] = static_cast<int16_t>(e);
        reactions.nreac = c.nreac;
        for (int r = 1; r <= c.nreac; ++r) reactions.r[static_cast<size_t>(r)][static_cast<size_t>(r)] = 1;
        reactions.var = c.var;
        pd.massbalance = c.massbalance;
        settings.dogminon = c.dogmin;
        settings.debuglevel = c.debuglevel;
        settings.dogminlevel = c.dogminlevel;
        testing::consolecapture console;
        testing::tempfolder folder;
        openforwriting(channels.files[chlog], "log.txt");
        channels.outchannels |= 1 << chlog;
        loopstate ls;
        EXPECT_EQ(checkcalculable(ls), c.code);
        closetextfile(channels.files[chlog]);
        EXPECT_EQ(console.output(), c.console);
        EXPECT_EQ(folder.readfile("log.txt"), c.log);
    }
}

}  // namespace
}  // namespace zt
