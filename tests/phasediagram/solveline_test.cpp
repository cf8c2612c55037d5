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
        EXPECT_EQ(console.output().find_first_of("0123456789"), std::string::npos) << "a failure mark: " << console.output();
        const real T = summary.tequil;
        EXPECT_NEAR(static_cast<double>(summary.pequil), static_cast<double>(P), 1e-12);
        EXPECT_NEAR(static_cast<double>(T), static_cast<double>(bisectT(P, 450, 1000)), 1e-6) << "P = " << static_cast<double>(P);
        EXPECT_NEAR(static_cast<double>(deltag(P, T)), 0, 1e-6);
    }
}

}  // namespace
}  // namespace zt
