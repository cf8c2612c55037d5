// One equilibrium through the whole calculation loop, checked against a root of the
// reaction's delta G found by bisection.
#include <gtest/gtest.h>

#include <cmath>

#include "numeric/eqfixture.h"
#include "numeric/summary.h"
#include "support/testsupport.h"
#include "phasediagram/calcloop.h"
#include "phasediagram/calcwindows.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using namespace eqtest;

real deltag(real P, real T) {
    real ga = 0, gb = 0;
    gemdriver(1, ga, P, T);
    gemdriver(2, gb, P, T);
    return gb - ga;
}

// The root of delta G in T at P by bisection over [lo, hi].
real bisectT(real P, real lo, real hi) {
    real flo = deltag(P, lo);
    for (int i = 0; i < 200; ++i) {
        const real mid = (lo + hi) / 2;
        const real fm = deltag(P, mid);
        if ((fm < 0) == (flo < 0)) {
            lo = mid;
            flo = fm;
        } else {
            hi = mid;
        }
    }
    return (lo + hi) / 2;
}

// The point was reported (the result table opens with its rule of dashes) and no
// failure mark (a status digit) came before it.
bool reportedwithoutfailuremark(const std::string& out) {
    const size_t rule = out.find(std::string(60, '-'));
    return rule != std::string::npos && out.substr(0, rule).find_first_of("0123456789") == std::string::npos;
}

TEST(SolveLine, UnivariantPurePhasesAgreeWithTheRootOfDeltaG) {
    reseteqworld();
    zt::testing::consolecapture console;
    setcomponents(1);
    setcomp(purephase(1, "A", solid(-1000, 0.10L, 2.0L)), {{1, 1}});
    setcomp(purephase(2, "B", solid(-995, 0.11L, 2.3L)), {{1, 1}});
    phases.nphases = 2;
    settings.debuglevel = 0;
    settings.pseudosection = false;
    settings.systemprops = false;
    reactions.var = 1;
    pd.ovar = 1;
    settings.calcvariable = 1;  // T at given P
    settings.calcprange = {0, 3, 9};
    settings.calctrange = {0, 450, 1000};
    ptscaling();

    const real pressures[] = {3, 6, 9};
    for (const real P : pressures) {
        settings.nplist = settings.ntlist = 1;
        settings.plist[1] = P;
        settings.tlist[1] = 800;
        phaseflags set{};
        set[1] = set[2] = true;
        console.clearoutput();
        solve(set);
        EXPECT_TRUE(reportedwithoutfailuremark(console.output())) << console.output();
        const real T = summary.tequil;
        EXPECT_NEAR(static_cast<double>(summary.pequil), static_cast<double>(P), 1e-12);
        EXPECT_NEAR(static_cast<double>(T), static_cast<double>(bisectT(P, 450, 1000)), 1e-6) << "P = " << static_cast<double>(P);
        EXPECT_NEAR(static_cast<double>(deltag(P, T)), 0, 1e-6);
    }
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

using namespace eqtest;

// A binary solution (fo, fa) with a pure phase Q = fo + fa at a fixed P and T, modes
// solved with the bulk mass balance.
TEST(SolvePoint, ModesReproduceTheBulkAndTheReactionBalances) {
    reseteqworld();
    zt::testing::consolecapture console;
    setcomponents(2);
    axphase& ib = idealbinary(1);
    setcomp(ib.em[1], {{1, 1}});
    setcomp(ib.em[2], {{2, 1}});
    ib.vars[1].value = 0.5L;
    ib.vars[1].lower = 0;
    ib.vars[1].upper = 1;
    // Q has the heat capacity of fo + fa and lies about 12 kJ below them, so that the two
    // coexist at 900 K with x(1 - x) near 0.2.
    tdrecord q = solid(-2123, 0.23L, 4.9L);
    q.cpa *= 2;
    q.cpb *= 2;
    q.cpc *= 2;
    q.cpd *= 2;
    setcomp(purephase(1, "Q", q), {{1, 1}, {2, 1}});
    phases.nphases = 2;
    settings.debuglevel = 0;
    settings.pseudosection = true;
    settings.systemprops = false;
    pd.massbalance = true;
    reactions.var = 2;
    pd.ovar = 2;
    settings.nbulks = 1;
    settings.bulk1[1] = 40;
    settings.bulk1[2] = 60;
    settings.calcprange = {0, 5, 5};
    settings.calctrange = {0, 900, 900};
    ptscaling();
    settings.nplist = settings.ntlist = 1;
    settings.plist[1] = 5;
    settings.tlist[1] = 900;
    phaseflags set{};
    set[1] = set[2] = true;
    solve(set);
    ASSERT_TRUE(reportedwithoutfailuremark(console.output())) << console.output();

    // Formula units of each phase from its mode (atom basis) reproduce the bulk.
    std::array<real, 3> made{};
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[static_cast<size_t>(s)];
        real atoms = 0;
        for (int c = 1; c <= 2; ++c) atoms += ws.compatoms[static_cast<size_t>(c)] * ph.oxcomp[static_cast<size_t>(c)];
        EXPECT_GE(ph.mode[1], 0);
        EXPECT_LE(ph.mode[1], 1);
        for (int c = 1; c <= 2; ++c) made[static_cast<size_t>(c)] += ph.mode[1] / atoms * ph.oxcomp[static_cast<size_t>(c)];
    }
    EXPECT_NEAR(static_cast<double>(made[1] / (made[1] + made[2])), 0.4, 1e-6);
    EXPECT_NEAR(static_cast<double>(summary.sumphases[1].mode[1] + summary.sumphases[2].mode[1]), 1, 1e-6);

    // fo + fa = Q: mu(fo) + mu(fa) - G(Q) = 0 with ideal activities 1 - x and x.
    const real x = summary.sumphases[1].varvalues[1];
    EXPECT_GT(x, 0);
    EXPECT_LT(x, 1);
    real gfo = 0, gfa = 0, gq = 0;
    gemdriver(1, gfo, 5, 900);
    gemdriver(2, gfa, 5, 900);
    gemdriver(3, gq, 5, 900);
    const real rt = 0.0083144L * 900;
    EXPECT_NEAR(static_cast<double>(gfo + rt * std::log(1 - x) + gfa + rt * std::log(x) - gq), 0, 1e-6);
}

}  // namespace
}  // namespace zt
