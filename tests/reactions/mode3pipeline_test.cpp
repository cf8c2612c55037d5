// The mode-3 calculations after the set-up: the search, the reaction table and the
// intersections of three polymorphs, checked against values computed here.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "reactions/intersections.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/rootfinder.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using namespace reactiontest;

real G(int16_t j, real P, real T) { return thermotest::gof(j, P, T); }

// The search for reactions, their table and their intersections, as a mode-3 run makes
// them; returns what they print.
std::string searchtableandpoints() {
    testing::consolecapture console;
    bool found;
    calcre(found);
    ptxtable();
    intersections();
    return console.output();
}

class Mode3Pipeline : public ::testing::Test {
protected:
    int16_t ky = 0, an = 0, sil = 0;
    void SetUp() override {
        resetall(3);
        resetsearch();
        setcomponents({"Al2O3", "SiO2"});
        ky = addem("ky", solid(-2592.9L, 0.0830L, 4.414L), {1, 1});
        an = addem("and", solid(-2588.8L, 0.0930L, 5.153L), {1, 1});
        sil = addem("sil", solid(-2585.7L, 0.0955L, 4.986L), {1, 1});
        ws.covat(ky, ky) = 0.49L;
        ws.covat(an, an) = 0.64L;
        ws.covat(sil, sil) = 0.36L;
        ws.covat(ky, an) = ws.covat(an, ky) = 0.2L;
        settings.diagrammode = 0;
        settings.calcvariable = 1;  // T along P
        settings.othervariable = 0;
        m3.calcrangetype = 0;
        settings.calcprange = {0, 2, 10};
        settings.calctrange = {0, 600, 1100};
        settings.nplist = 17;
        for (int j = 1; j <= 17; ++j) settings.plist[at(j)] = 2 + 0.5L * (j - 1);
        settings.pnow = 6;
        settings.tnow = 850;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        reactions.allreactions = false;
        channels.outchannels = 1;
        out = searchtableandpoints();
    }

    // The triple point from the sums of G, solved here by Newton steps on two reactions
    // with enthalpies shifted by dh.
    void triplepoint(const std::array<real, 4>& dh, real& P, real& T) const {
        auto dg = [&](int16_t a, int16_t b, real p, real t) { return G(b, p, t) + dh[at(b)] - G(a, p, t) - dh[at(a)]; };
        P = 6;
        T = 850;
        for (int it = 0; it < 30; ++it) {
            const real f1 = dg(ky, an, P, T), f2 = dg(an, sil, P, T);
            const real h = 1e-4L;
            const real a11 = (dg(ky, an, P + h, T) - f1) / h, a12 = (dg(ky, an, P, T + h) - f1) / h;
            const real a21 = (dg(an, sil, P + h, T) - f2) / h, a22 = (dg(an, sil, P, T + h) - f2) / h;
            const real det = a11 * a22 - a12 * a21;
            P -= (f1 * a22 - f2 * a12) / det;
            T -= (a11 * f2 - a21 * f1) / det;
        }
    }

    std::string out;
};

TEST_F(Mode3Pipeline, EveryTabulatedPointLiesOnItsReactionLine) {
    ASSERT_EQ(reactions.nreac, 3);
    int checked = 0;
    for (int16_t i = 1; i <= 3; ++i)
        for (int j = 1; j <= settings.nplist; ++j) {
            const real T = m3.linelow[at(i)][at(j)];
            if (!(T > 283 && T < 1500)) continue;
            real dgdp, dgdt, dg;
            calcdg(i, dgdp, dgdt, settings.plist[at(j)], T, 0, 1, dg);
            EXPECT_LT(std::fabs(dg), std::fabs(dgdt) * 1e-3L) << i << " " << j;
            ++checked;
        }
    EXPECT_GT(checked, 30);
}

TEST_F(Mode3Pipeline, TheStableTriplePointLiesOnAllThreeLines) {
    ASSERT_EQ(m3.npoints, 1);
    EXPECT_TRUE(m3.pointstable[1]);
    real P, T;
    triplepoint({0, 0, 0, 0}, P, T);
    EXPECT_NEAR(double(m3.pointA[1]), double(P), 0.01);
    EXPECT_NEAR(double(m3.pointB[1]), double(T), 0.5);
    for (int16_t i = 1; i <= 3; ++i) {
        real dgdp, dgdt, dg;
        calcdg(i, dgdp, dgdt, m3.pointA[1], m3.pointB[1], 0, 1, dg);
        EXPECT_LT(std::fabs(dg), std::fabs(dgdp) * 0.01L + std::fabs(dgdt) * 0.5L) << i;
    }
    EXPECT_NE(out.find("# stable intersection 1 involving ky and sil"), std::string::npos) << out;
    EXPECT_EQ(out.find("sorry, none in the window"), std::string::npos);
}

TEST_F(Mode3Pipeline, PointUncertaintyIsTheCovariancePropagatedThroughThePoint) {
    real P0, T0;
    triplepoint({0, 0, 0, 0}, P0, T0);
    // dP/dH and dT/dH of each end-member by shifting its enthalpy
    real dp[4] = {}, dt[4] = {};
    for (int16_t e = 1; e <= 3; ++e) {
        std::array<real, 4> dh{};
        dh[at(e)] = 0.01L;
        real P, T;
        triplepoint(dh, P, T);
        dp[e] = (P - P0) / 0.01L;
        dt[e] = (T - T0) / 0.01L;
    }
    real varp = 0, vart = 0, cpt = 0;
    for (int e = 1; e <= 3; ++e)
        for (int f = 1; f <= 3; ++f) {
            varp += dp[e] * ws.covat(e, f) * dp[f];
            vart += dt[e] * ws.covat(e, f) * dt[f];
            cpt += dp[e] * ws.covat(e, f) * dt[f];
        }
    // reactions 1 and 2 share the point; any two of the three give it
    real sdp, sdt, cor;
    intersectionptx(1, 2, P0, T0, sdp, sdt, cor);
    EXPECT_NEAR(double(sdp), std::sqrt(double(varp)), 1e-3 * std::sqrt(double(varp)));
    EXPECT_NEAR(double(sdt), std::sqrt(double(vart)), 1e-3 * std::sqrt(double(vart)));
    EXPECT_NEAR(double(cor), double(cpt / std::sqrt(varp * vart)), 1e-3);
}

// The tabulated lines replaced by straight segments between list positions j - 1 and j
// (at 0.5 kbar steps from 2 kbar), every other value outside the window; values in K.
struct segmentset {
    int j;
    std::array<std::array<real, 2>, 4> line1;  // reaction 1..3: values at j - 1 and j; 0 = none
};

void loadsegments(const segmentset& s) {
    for (int16_t r = 1; r <= 3; ++r)
        for (int j = 1; j <= settings.nplist; ++j) {
            m3.linelow[at(r)][at(j)] = 1e21L;
            m3.linehigh[at(r)][at(j)] = -1e21L;
        }
    for (int16_t r = 1; r <= 3; ++r)
        if (s.line1[at(r)][0] > 0) {
            m3.linelow[at(r)][at(s.j - 1)] = s.line1[at(r)][0];
            m3.linelow[at(r)][at(s.j)] = s.line1[at(r)][1];
        }
}

TEST_F(Mode3Pipeline, ACrossingThatCannotBeRefinedIsReportedAndSkipped) {
    ASSERT_EQ(search.ninvpoints, 1);
    ASSERT_EQ(search.ninvreac[1], 3);
    struct failcase {
        const char* why;
        segmentset lines;
        const char* message;
    };
    const failcase cases[] = {
        // 1 and 2 parallel, each crossed by 3: the refinement takes 1 and 2.
        {"parallel segments", {9, {{{0, 0}, {800, 850}, {810, 860}, {900, 760}}}}, "divide by zero"},
        // 1 and 2 cross only by rounding, 4e-11 K apart at 5.5 kbar and equal at 6: no pair
        // of segments gives a crossing to start from.
        {"segments parallel to within rounding", {9, {{{0, 0}, {800, 850}, {800.00000000004L, 850}, {0, 0}}}},
         "divide by zero"},
        // 1 and 2 apart in the interval, both crossed by 3: their crossing lies below 5.5 kbar.
        {"crossing outside the interval", {9, {{{0, 0}, {800, 850}, {810, 870}, {900, 760}}}},
         "iteration went outside bracket - it shouldn't !!"},
        // A crossing of 1 and 2 between 2.5 and 3 kbar, where their lines are 90 K apart:
        // each pass moves only a little way towards the steep false end.
        {"no crossing of the reactions themselves", {3, {{{0, 0}, {800, 1400}, {850, 500}, {0, 0}}}},
         "iteration did not converge"},
    };
    for (const failcase& c : cases) {
        SCOPED_TRACE(c.why);
        loadsegments(c.lines);
        channels.pagewidth = 250;
        testing::consolecapture console;
        intersections();
        const std::string o = console.output();
        EXPECT_NE(o.find("\nfinding the intersection : " + std::string(c.message) +
                         " ( involving reactions: 1 2 3 )\n\n"),
                  std::string::npos)
            << o;
        EXPECT_EQ(m3.npoints, 0);
        EXPECT_NE(o.find("\nsorry, none in the window\n"), std::string::npos) << o;
    }
}

TEST_F(Mode3Pipeline, ABranchMarkedOnlyByAnEqualValueEndsTheRun) {
    // Line 1 of reaction 1 meets line 1 of reaction 2 only in an equal value at 6 kbar,
    // which marks both but is no strict crossing; line 2 of reaction 1 crosses reaction 3.
    loadsegments({9, {{{0, 0}, {800, 850}, {810, 850}, {960, 920}}}});
    m3.linehigh[1][8] = 900;
    m3.linehigh[1][9] = 950;
    const auto r = thermotest::fatalof([] { intersections(); });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.console.find(thermotest::bombline("calcptx", "too few reactions")), std::string::npos) << r.console;
    EXPECT_NE(r.console.find(thermotest::internalnotice()), std::string::npos);
}

TEST_F(Mode3Pipeline, AGroupOfMoreThan28ReactionsEndsTheRun) {
    loadsegments({9, {}});
    for (const int16_t m : {28, 29}) {
        SCOPED_TRACE(m);
        search.ninvreac[1] = m;
        for (int k = 1; k <= m; ++k) search.invreactions[1][at(k)] = static_cast<int16_t>(1 + (k - 1) % 3);
        const auto r = thermotest::fatalof([] { intersections(); });
        if (m == 28) {
            EXPECT_EQ(r.code, -1);  // returns
            EXPECT_NE(r.console.find("sorry, none in the window"), std::string::npos) << r.console;
        } else {
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.console.find(thermotest::bombline("intersections", "too many reactions in intersection (max = 28) ")),
                      std::string::npos)
                << r.console;
        }
    }
}

// Reactions among four solids of equal heat capacity whose volumes do not change with P
// or T: kxb = kxa has no entropy change (a line of constant P), kxc = kxa no volume
// change (a line of constant T); the reactions with sil slope.
class PointUncertainty : public ::testing::Test {
protected:
    int16_t kxa = 0, kxb = 0, kxc = 0, sil = 0;
    static tdrecord rigid(real H, real S, real V) {
        tdrecord r = solid(H, S, V);
        r.k0 = 0;
        return r;
    }
    void SetUp() override {
        resetall(3);
        setcomponents({"Al2O3", "SiO2"});
        kxa = addem("kxa", rigid(-2597.3L, 0.0800L, 4.50L), {1, 1});
        kxb = addem("kxb", rigid(-2596.8L, 0.0800L, 4.40L), {1, 1});
        kxc = addem("kxc", rigid(-2588.3L, 0.0900L, 4.50L), {1, 1});
        sil = addem("sil", rigid(-2585.8L, 0.0955L, 4.986L), {1, 1});
        const real var[5][5] = {{0, 0, 0, 0, 0}, {0, 0.49L, 0.1L, 0, 0.05L}, {0, 0.1L, 0.36L, 0.08L, 0},
                                {0, 0, 0.08L, 0.25L, -0.04L}, {0, 0.05L, 0, -0.04L, 0.64L}};
        for (int e = 1; e <= 4; ++e)
            for (int f = 1; f <= 4; ++f) ws.covat(e, f) = var[e][f];
        ws.emact[at(kxc)] = 0.8L;  // an activity keeps the line of kxc at constant T
        ws.emsda[at(kxc)] = 0.05L;
        ws.emact[at(sil)] = 0.9L;
        ws.emsda[at(sil)] = 0.03L;
        const int16_t pairs[6][2] = {{0, 0}, {kxb, kxa}, {sil, kxa}, {sil, kxb}, {kxc, kxa}, {sil, kxc}};
        reactions.nreac = 5;
        for (int k = 1; k <= 5; ++k) {
            reactions.r[at(k)][at(pairs[k][0])] = -1;
            reactions.r[at(k)][at(pairs[k][1])] = 1;
        }
        calcreaclnk();
        settings.diagrammode = 0;
        settings.calcvariable = 1;
        settings.calcprange = {0, 0.5L, 30};
        settings.calctrange = {0, 500, 1500};
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
    }

    // delta G of reaction k with the enthalpies shifted by dh and ln a by dl.
    static real dg(int k, real P, real T, const std::array<real, 5>& dh, const std::array<real, 5>& dl) {
        real s = 0;
        for (int e = 1; e <= 4; ++e) {
            const int nu = reactions.r[at(k)][at(e)];
            if (nu != 0)
                s += nu * (thermotest::gof(static_cast<int16_t>(e), P, T) + dh[at(e)] +
                           0.0083144L * T * (std::log(ws.emact[at(e)]) + dl[at(e)]));
        }
        return s;
    }

    // Where reactions k1 and k2 meet, by Newton steps on the two of them.
    static void meet(int k1, int k2, const std::array<real, 5>& dh, const std::array<real, 5>& dl, real& P, real& T) {
        P = 5;
        T = 900;
        for (int it = 0; it < 40; ++it) {
            const real f1 = dg(k1, P, T, dh, dl), f2 = dg(k2, P, T, dh, dl);
            const real h = 1e-5L;
            const real a11 = (dg(k1, P + h, T, dh, dl) - dg(k1, P - h, T, dh, dl)) / (2 * h);
            const real a12 = (dg(k1, P, T + h, dh, dl) - dg(k1, P, T - h, dh, dl)) / (2 * h);
            const real a21 = (dg(k2, P + h, T, dh, dl) - dg(k2, P - h, T, dh, dl)) / (2 * h);
            const real a22 = (dg(k2, P, T + h, dh, dl) - dg(k2, P, T - h, dh, dl)) / (2 * h);
            const real det = a11 * a22 - a12 * a21;
            P -= (f1 * a22 - f2 * a12) / det;
            T -= (a11 * f2 - a21 * f1) / det;
        }
    }
};

TEST_F(PointUncertainty, LinesOfConstantPOrTGiveTheCovariancePropagatedThroughThePoint) {
    const int16_t pairs[][2] = {{1, 2}, {2, 1}, {1, 3}, {4, 2}, {2, 4}, {1, 4}, {4, 5}, {2, 3}};
    for (const auto& pr : pairs) {
        SCOPED_TRACE(::testing::Message() << "reactions " << pr[0] << " and " << pr[1]);
        const std::array<real, 5> none{};
        real P0, T0;
        meet(pr[0], pr[1], none, none, P0, T0);
        ASSERT_TRUE(P0 > 1 && P0 < 20 && T0 > 600 && T0 < 1400) << double(P0) << " " << double(T0);
        // dP and dT per unit shift of each end-member's enthalpy and ln a
        real jp[2][5] = {}, jt[2][5] = {};
        for (int kind = 0; kind < 2; ++kind)
            for (int e = 1; e <= 4; ++e) {
                std::array<real, 5> up{}, down{};
                up[at(e)] = 1e-3L;
                down[at(e)] = -1e-3L;
                real Pu, Tu, Pd, Td;
                if (kind == 0) {
                    meet(pr[0], pr[1], up, none, Pu, Tu);
                    meet(pr[0], pr[1], down, none, Pd, Td);
                } else {
                    meet(pr[0], pr[1], none, up, Pu, Tu);
                    meet(pr[0], pr[1], none, down, Pd, Td);
                }
                jp[kind][e] = (Pu - Pd) / 2e-3L;
                jt[kind][e] = (Tu - Td) / 2e-3L;
            }
        real varp = 0, vart = 0, cpt = 0;
        for (int e = 1; e <= 4; ++e) {
            for (int f = 1; f <= 4; ++f) {
                varp += jp[0][e] * ws.covat(e, f) * jp[0][f];
                vart += jt[0][e] * ws.covat(e, f) * jt[0][f];
                cpt += jp[0][e] * ws.covat(e, f) * jt[0][f];
            }
            const real a = ws.emact[at(e)], vl = a < 1 ? (ws.emsda[at(e)] / a) * (ws.emsda[at(e)] / a) : 0;
            varp += jp[1][e] * vl * jp[1][e];
            vart += jt[1][e] * vl * jt[1][e];
            cpt += jp[1][e] * vl * jt[1][e];
        }
        real sdp = 0, sdt = 0, cor = 0;
        intersectionptx(pr[0], pr[1], P0, T0, sdp, sdt, cor);
        EXPECT_NEAR(double(sdp), std::sqrt(double(varp)), 1e-3 * std::sqrt(double(varp)));
        EXPECT_NEAR(double(sdt), std::sqrt(double(vart)), 1e-3 * std::sqrt(double(vart)));
        EXPECT_NEAR(double(cor), double(cpt / std::sqrt(varp * vart)), 1e-3);
    }
}

// A dehydration brx = perx + H2O whose line bends back (two P roots at each T below
// 913 K) and a steep polymorph line perx = pery that crosses both branches between two
// listed temperatures: with P calculated along T, the dehydrations are marked on both
// branches in one interval, and the two invariant points come from it in turn.
class TwoBranches : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(3);
        resetsearch();
        setcomponents({"MgO", "H2O"});
        addem("perx", solid(-598.5L, 0.0269L, 0.625L), {1, 0});
        addem("pery", solid(-596.6902L, 0.0289L, 0.626L), {1, 0});
        ws.ih2o = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 1});
        addem("brx", solid(-924.9L, 0.0635L, 2.463L), {1, 1});
        settings.diagrammode = 0;
        settings.calcvariable = 0;  // P along T
        settings.othervariable = 1;
        m3.calcrangetype = 1;
        settings.calcprange = {0, 1, 30};
        settings.calctrange = {0, 880, 912};
        settings.ntlist = 9;
        for (int j = 1; j <= 9; ++j) settings.tlist[at(j)] = 880 + 4 * (j - 1);
        settings.pnow = 10;
        settings.tnow = 896;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        reactions.allreactions = false;
        channels.outchannels = 1;
        channels.pagewidth = 250;
        out = searchtableandpoints();
    }
    std::string out;

    // delta G of a reaction among the named end-members, from their G.
    static real dg(std::initializer_list<std::pair<const char*, int>> nu, real P, real T) {
        real s = 0;
        for (const auto& [name, n] : nu) s += n * thermotest::gof(findem(name), P, T);
        return s;
    }
};

TEST_F(TwoBranches, BothPointsOfTheBentLineAreFoundInOneInterval) {
    ASSERT_EQ(reactions.nreac, 3) << out;
    ASSERT_EQ(search.ninvpoints, 1);
    ASSERT_EQ(m3.npoints, 2) << out;
    // Where the polymorph line meets the dehydration, by Newton steps here from below
    // and from above the bend.
    const std::initializer_list<std::pair<const char*, int>> poly = {{"perx", -1}, {"pery", 1}};
    const std::initializer_list<std::pair<const char*, int>> dehyd = {{"brx", -1}, {"perx", 1}, {"H2O", 1}};
    real want[2][2];
    const real starts[2] = {6, 14};
    for (int b = 0; b < 2; ++b) {
        real P = starts[b], T = 910;
        for (int it = 0; it < 40; ++it) {
            const real h = 1e-5L;
            const real f1 = dg(poly, P, T), f2 = dg(dehyd, P, T);
            const real a11 = (dg(poly, P + h, T) - f1) / h, a12 = (dg(poly, P, T + h) - f1) / h;
            const real a21 = (dg(dehyd, P + h, T) - f2) / h, a22 = (dg(dehyd, P, T + h) - f2) / h;
            const real det = a11 * a22 - a12 * a21;
            P -= (f1 * a22 - f2 * a12) / det;
            T -= (a11 * f2 - a21 * f1) / det;
        }
        want[b][0] = T;
        want[b][1] = P;
    }
    ASSERT_GT(want[1][1] - want[0][1], 2);
    for (int q = 1; q <= 2; ++q) {
        EXPECT_GT(m3.pointA[at(q)], 908);  // both from the interval 908-912 K
        EXPECT_LT(m3.pointA[at(q)], 912);
    }
    // In order of finding: the low branch first.
    for (int b = 0; b < 2; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(double(m3.pointA[at(b + 1)]), double(want[b][0]), 0.5);
        EXPECT_NEAR(double(m3.pointB[at(b + 1)]), double(want[b][1]), 0.01);
    }
    EXPECT_EQ(out.find("finding the intersection"), std::string::npos) << out;
}

TEST(StripDigits, DropsCoefficientsButKeepsTheNumberAndFluidNames) {
    EXPECT_EQ(stripdigits("12)  2ab + H2O = 3cd + CO2"), "12)  ab + H2O = cd + CO2");
    EXPECT_EQ(stripdigits("1)  ky = sil"), "1)  ky = sil");
}

}  // namespace
}  // namespace zt
