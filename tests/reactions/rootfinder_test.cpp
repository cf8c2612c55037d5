#include "reactions/rootfinder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "script/fluid.h"
#include "support/testsupport.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using namespace reactiontest;

constexpr real R = 0.0083144L;

// Reaction 1: kyx = silx, one line of positive slope. Reaction 2: brx = perx + H2O, a
// dehydration whose solid volume change makes the line bend back in P at 900 K.
class RootFinder : public ::testing::Test {
protected:
    int16_t ky = 0, sil = 0, br = 0, per = 0, w = 0;
    void SetUp() override {
        resetall(3);
        setcomponents({"Al2O3", "SiO2", "MgO", "H2O"});
        ky = addem("kyx", solid(-2592.9L, 0.0830L, 4.414L), {1, 1, 0, 0});
        sil = addem("silx", solid(-2585.7L, 0.0955L, 4.986L), {1, 1, 0, 0});
        br = addem("brx", solid(-924.9L, 0.0635L, 2.463L), {0, 0, 1, 1});
        per = addem("perx", solid(-598.5L, 0.0269L, 0.625L), {0, 0, 1, 0});
        w = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 0, 1});
        ws.ih2o = w;
        reactions.nreac = 2;
        reactions.r[1][at(ky)] = -1;
        reactions.r[1][at(sil)] = 1;
        reactions.r[2][at(br)] = -1;
        reactions.r[2][at(per)] = 1;
        reactions.r[2][at(w)] = 1;
        settings.calcprange = {0, 1, 30};
        settings.calctrange = {0, 573.15L, 1273.15L};
    }

    static real dg(int16_t k, int32_t mode, real fixed, real v) {
        real gp, gt, g;
        if (mode == 0)
            calcdg(k, gp, gt, fixed, v, 0, 1, g);
        else
            calcdg(k, gp, gt, v, fixed, 0, 1, g);
        return g;
    }

    // Every root in the range by a fine scan and bisection, highest first.
    static std::vector<real> trueroots(int16_t k, int32_t mode, real fixed) {
        const auto& w = mode == 0 ? settings.calctrange : settings.calcprange;
        std::vector<real> roots;
        const int n = 600;
        real a = w[1], fa = dg(k, mode, fixed, a);
        for (int i = 1; i <= n; ++i) {
            real b = w[1] + (w[2] - w[1]) * i / n, fb = dg(k, mode, fixed, b);
            if ((fa < 0) != (fb < 0)) {
                real lo = a, hi = b, flo = fa;
                for (int it = 0; it < 80; ++it) {
                    const real m = (lo + hi) / 2, fm = dg(k, mode, fixed, m);
                    if ((fm < 0) == (flo < 0)) {
                        lo = m;
                        flo = fm;
                    } else {
                        hi = m;
                    }
                }
                roots.insert(roots.begin(), (lo + hi) / 2);
            }
            a = b;
            fa = fb;
        }
        return roots;
    }
};

TEST_F(RootFinder, RootsAgreeWithAnIndependentScanAndZeroDeltaG) {
    struct row {
        int16_t k;
        int32_t mode;  // 0 T at P, 1 P at T
        real fixed;
        size_t nroots;
    };
    const row table[] = {
        {1, 0, 5, 1},     // kyx = silx: T at 5 kbar
        {1, 1, 900, 1},   // its P at 900 K
        {2, 1, 900, 2},   // dehydration bending back: both P branches
        {2, 0, 10, 1},    // dehydration: T at 10 kbar
    };
    for (const row& t : table) {
        const std::vector<real> truth = trueroots(t.k, t.mode, t.fixed);
        ASSERT_EQ(truth.size(), t.nroots) << t.k << " " << t.mode;
        real x = 0, x2 = 0, gp1, gp2, gt1, gt2;
        if (t.mode == 0)
            findt(t.k, false, x, t.fixed, 0, 1, x2, gp1, gp2, gt1, gt2);
        else
            findp(t.k, false, x, t.fixed, 0, 1, x2, gp1, gp2, gt1, gt2);
        const real tol1 = t.mode == 0 ? 1e-3L : 1e-4L * std::max<real>(1, truth[0]);
        EXPECT_NEAR(double(x), double(truth[0]), double(tol1)) << t.k << " " << t.mode;
        const real d1 = t.mode == 0 ? gt1 : gp1;
        EXPECT_LT(std::fabs(dg(t.k, t.mode, t.fixed, x)), std::fabs(d1) * tol1) << t.k << " " << t.mode;
        if (t.nroots == 2) {
            const real tol2 = 1e-4L * std::max<real>(1, truth[1]);
            EXPECT_NEAR(double(x2), double(truth[1]), double(tol2));
            EXPECT_GT(x, x2);
            EXPECT_LT(std::fabs(dg(t.k, t.mode, t.fixed, x2)), std::fabs(gp2) * tol2);
        } else {
            EXPECT_FALSE(settings.calcprange[1] <= x2 && x2 <= settings.calcprange[2]);
        }
    }
}

TEST_F(RootFinder, MissingRootsComeBackAsSentinelsOutsideTheRange) {
    real x, x2, a, b, c, d;
    // kyx = silx at 5 kbar lies near 760 K: a window above it has the root below
    settings.calctrange = {0, 1000, 1200};
    findt(1, false, x, 5, 0, 1, x2, a, b, c, d);
    EXPECT_EQ(x, 999);
    EXPECT_EQ(x2, nosecondroot);
    EXPECT_EQ(a, 0);
    settings.calctrange = {0, 400, 500};
    findt(1, false, x, 5, 0, 1, x2, a, b, c, d);
    EXPECT_EQ(x, 501);
    // a starting guess outside the window
    x = 1500;
    findt(1, true, x, 5, 0, 1, x2, a, b, c, d);
    EXPECT_EQ(x, noroot);
    // the dehydration at 900 K in a P window around its maximum, wholly on its high side
    settings.calcprange = {0, 8, 12};
    findp(2, false, x, 900, 0, 1, x2, a, b, c, d);
    EXPECT_FALSE(8 <= x && x <= 12);
    EXPECT_FALSE(8 <= x2 && x2 <= 12);
    real sd1, sd2, s1, s2;
    reactionpsd(2, x, x2, 900, 0, 1, sd1, sd2, s1, s2);
    EXPECT_EQ(sd1, sdunknown);
    EXPECT_EQ(sd2, sdunknown);
}

TEST_F(RootFinder, AGuessConvergesToTheNearBranch) {
    real x = 20, x2, a, b, c, d;
    findp(2, true, x, 900, 0, 1, x2, a, b, c, d);
    const std::vector<real> truth = trueroots(2, 1, 900);
    EXPECT_NEAR(double(x), double(truth[0]), 2e-3);
    EXPECT_EQ(x2, nosecondroot);
}

TEST_F(RootFinder, SlopeAndUncertaintyAgreeWithIndependentEstimates) {
    // Covariance of the enthalpies of kyx and silx, and an activity below 1 on silx.
    ws.covat(ky, ky) = 0.36L;
    ws.covat(sil, sil) = 0.25L;
    ws.covat(ky, sil) = ws.covat(sil, ky) = 0.12L;
    ws.emact[at(sil)] = 0.8L;
    ws.emsda[at(sil)] = 0.04L;
    const real T = 900;
    real P, P2, sd1, sd2, slope1, slope2;
    reactionpsd(1, P, P2, T, 0, 1, sd1, sd2, slope1, slope2);
    ASSERT_TRUE(1 <= P && P <= 30);
    EXPECT_EQ(sd2, sdunknown);

    // slope: the roots at T +- 1 K
    real Pa, Pb, x2, a, b, c, d;
    findp(1, false, Pa, T - 1, 0, 1, x2, a, b, c, d);
    findp(1, false, Pb, T + 1, 0, 1, x2, a, b, c, d);
    EXPECT_NEAR(double(slope1), double((Pb - Pa) / 2), 1e-3 * std::fabs(double(slope1)));

    // sd: var(dH) = 0.36 + 0.25 - 2 0.12, var(ln a) = (0.04/0.8)^2, over dV from differences
    const real dv = (dg(1, 1, T, P + 1e-3L) - dg(1, 1, T, P - 1e-3L)) / 2e-3L;
    const real varh = 0.36L + 0.25L - 2 * 0.12L;
    const real varlna = (0.04L / 0.8L) * (0.04L / 0.8L);
    const real expected = std::sqrt(varh + (R * T) * (R * T) * varlna) / std::fabs(dv);
    EXPECT_NEAR(double(sd1), double(expected), 1e-6 * double(expected));

    real T1, T2, sdt1, sdt2, st1, st2;
    reactiontsd(1, T1, T2, P, 0, 1, sdt1, sdt2, st1, st2);
    EXPECT_NEAR(double(T1), double(T), 0.05);
    EXPECT_NEAR(double(sdt1 / sd1), double(std::fabs(1 / slope1)), 1e-3 * double(std::fabs(1 / slope1)));
    EXPECT_NEAR(double(st1 * slope1), 1, 1e-3);
}

TEST_F(RootFinder, ActivityTermsComeFromTheActivities) {
    ws.emact[at(sil)] = 0.5L;
    ws.emsda[at(sil)] = 0.1L;
    ws.emact[at(per)] = 1;
    calcreaclnk();
    EXPECT_NEAR(double(reactions.reaclnk[1]), std::log(0.5), 1e-15);
    EXPECT_EQ(reactions.reaclnk[2], 0);
    calcvarlna();
    EXPECT_NEAR(double(reactions.emvarlna[at(sil)]), 0.04, 1e-15);
    EXPECT_EQ(reactions.emvarlna[at(ky)], 0);
    run.calcmode = 1;
    calcvarlna();
    EXPECT_EQ(reactions.emvarlna[at(sil)], 0);
}

TEST_F(RootFinder, MixedFluidFromTheScriptGivesTheLineOfTheTypedOne) {
    // brx = perx + H2O in a fluid of x(H2O) 0.6: from the script's x(CO2) 0.4, and typed at
    // the console after answering that the fluid is not just H2O.
    ds.spswitch = true;
    const auto lineat = [](real P) {
        real T, T2, a, b, c, d;
        findt(2, false, T, P, settings.xco2fluid, settings.xh2ofluid, T2, a, b, c, d);
        return T;
    };
    const auto fromconsole = [&](const std::string& answers) {
        settings.setfluid = 1;
        pd.fluidtype = 3;
        testing::consolecapture console(answers);
        EXPECT_EQ(testing::exitcodeof(promptfluid), -1);
        return pd.fluidtype;
    };
    EXPECT_EQ(fromconsole("no\n0.6\n"), 6);
    const real typed3 = lineat(3), typed8 = lineat(8);

    settings.setfluid = 0;
    settings.xco2fluid = 0.4L;
    settings.xh2ofluid = 0.6L;
    pd.fluidtype = 3;
    {
        testing::consolecapture console;
        EXPECT_EQ(testing::exitcodeof(promptfluid), -1);
    }
    EXPECT_EQ(pd.fluidtype, 6);
    EXPECT_EQ(lineat(3), typed3);
    EXPECT_EQ(lineat(8), typed8);

    // Without the mixing term the line lies elsewhere.
    pd.fluidtype = 3;
    EXPECT_GT(std::fabs(lineat(8) - typed8), 1);
    ds.spswitch = false;
}

}  // namespace
}  // namespace zt
