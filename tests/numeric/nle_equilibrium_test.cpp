// The solver on the real equilibrium equations.
#include <gtest/gtest.h>

#include <cmath>

#include "eqfixture.h"
#include "numeric/nle.h"
#include "numeric/residuals.h"
#include "reactions/isr.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using namespace eqtest;

constexpr real T = 873.15L;

// Delta G of reaction 1 among the working end-members from their G alone, with the
// phases' fixed activities.
real deltaG(real P) {
    real dG = 0;
    for (int e = 1; e <= ws.nem; ++e) {
        const int16_t nu = reactions.r[1][static_cast<size_t>(e)];
        if (nu == 0) continue;
        real G = 0;
        gemdriver(static_cast<int16_t>(e), G, P, T);
        dG += nu * (G + R * T * std::log(pure(e).activity));
    }
    return dG;
}

TEST(SolverOnEquilibria, PolymorphsMeetWhereTheirDeltaGVanishes) {
    struct polymorphcase {
        const char* what;
        real aand, aky;
    };
    const polymorphcase cases[] = {
        {"pure phases", 1, 1},
        {"kyanite at a fixed activity of 0.6", 1, 0.6L},
        {"andalusite at a fixed activity of 0.8", 0.8L, 1},
    };
    for (const polymorphcase& c : cases) {
        SCOPED_TRACE(c.what);
        reseteqworld();
        setcomponents(2);
        purephase(1, "and", solid(-2589.0L, 0.0930L, 5.153L), c.aand);
        purephase(2, "ky", solid(-2593.1L, 0.0825L, 4.414L), c.aky);
        setcomp(pure(1), {{1, 1}, {2, 1}});
        setcomp(pure(2), {{1, 1}, {2, 1}});
        eq.pdxunit = 0.01L * eq.pscale;
        eq.tdxunit = 0.1L * eq.tscale;
        makecrossrefs(selection({}, {1, 2}));
        eq.calcvarfree[2] = false;
        bool found = false;
        calcisr(found);
        ASSERT_EQ(reactions.nreac, 1);
        eq.varvalue[1] = eq.pscale * 2 + eq.poffset;
        eq.varvalue[2] = T;
        int16_t status = -1;
        ASSERT_TRUE(nle(status));
        const real P = (eq.varvalue[1] - eq.poffset) / eq.pscale;
        // sum of nu (mu0 + RT ln a) is zero within the solver's tolerance
        EXPECT_LT(std::fabs(deltaG(P)), 1e-6L);
        // and the pressure is the root of delta G found by bisection
        real lo = 0.001L, hi = 100;
        ASSERT_LT(deltaG(lo) * deltaG(hi), 0);
        for (int i = 0; i < 200; ++i) {
            const real mid = (lo + hi) / 2;
            ((deltaG(lo) < 0) == (deltaG(mid) < 0) ? lo : hi) = mid;
        }
        EXPECT_NEAR(static_cast<double>(P), static_cast<double>((lo + hi) / 2), 1e-6);
        EXPECT_GT(P, 1);
    }
}

}  // namespace
}  // namespace zt
