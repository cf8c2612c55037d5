#include "ax/activities.h"

#include <gtest/gtest.h>

#include <cmath>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

constexpr real R = 0.0083144L;

void linear(axexpr& e, int16_t c0, int16_t m) {
    resetaxexpr(e);
    e.nterms = 1;
    e.term[1].coef = 1;
    e.term[1].nfactors = 1;
    axfactor& f = e.term[1].factor[1];
    f.c0num = c0;
    f.nitems = 1;
    f.num[1] = m;
    f.den[1] = 1;
    f.itemvar[1] = 1;
}

// Two end-members: p1 = 1 - x, p2 = x, ideal activities (1 - x)^2 and x^2, one W.
void binary(int32_t model) {
    axphase& ph = soln(1);
    resetaxphase(ph);
    ph.shortname = "b";
    ph.nem = 2;
    ph.nvars = 1;
    ph.vars[1].sd = 0.02L;
    linear(ph.p[1], 1, -1);
    linear(ph.p[2], 0, 1);
    ph.nsf = 2;
    linear(ph.sf[1], 1, -1);
    linear(ph.sf[2], 0, 1);
    for (int j = 1; j <= 2; ++j) {
        axem& em = ph.em[static_cast<size_t>(j)];
        em.ntmf = 1;
        em.tmfconst = 1;
        em.tmf[1] = tmfterm{static_cast<int16_t>(j), 2, 1};
        ph.vla[static_cast<size_t>(j)] = 1;
    }
    ph.model = model;
    ph.nw = 1;
    ph.wa[1] = 10;
    ph.wb[1] = -0.005L;
    ph.wc[1] = 0.1L;
    ph.sdw[1] = 1.5L;
    ph.ngterm = model == 0 ? 0 : 1;
    ph.gterm[1] = gterm{1, 1, 2};
}

// The ideal part's variance from a forward step of 0.001 in x, as the activities use it.
real idealvariance(real aid, real ashifted, real sd) {
    const real t = (ashifted - aid) * sd / 0.001L;
    return t * t;
}

TEST(Activities, SymmetricBinaryMatchesTheRegularSolution) {
    axworld w;
    binary(1);
    const real x = 0.3L, T = 800, P = 5;
    axvector v{};
    v[1] = x;
    emreals a{}, sda{};
    ssactivities(1, v, a, P, T, sda);

    const real W = 10 - 0.005L * T + 0.1L * P;  // 6.5 kJ
    const real rt = R * T;
    const real a1 = (1 - x) * (1 - x) * std::exp(W * x * x / rt);
    const real a2 = x * x * std::exp(W * (1 - x) * (1 - x) / rt);
    EXPECT_NEAR(a[1], a1, 1e-15L);
    EXPECT_NEAR(a[2], a2, 1e-15L);

    // sd: relative ideal part and the W part, in quadrature
    const real q1 = (1 - (1 - x)) * (0 - x);  // (delta - p1)(delta - p2) for end-member 1
    const real var1 = idealvariance((1 - x) * (1 - x), (1 - x - 0.001L) * (1 - x - 0.001L), 0.02L);
    const real sd1 = a1 * std::sqrt(var1 / ((1 - x) * (1 - x) * (1 - x) * (1 - x)) + (1.5L * q1) * (1.5L * q1) / (rt * rt));
    EXPECT_NEAR(sda[1], sd1, 1e-15L);

    settings.justrelu = 0;  // no W uncertainty
    ssactivities(1, v, a, P, T, sda);
    EXPECT_NEAR(sda[1], a1 * std::sqrt(var1) / ((1 - x) * (1 - x)), 1e-15L);
    soln(1).vars[1].sd = 0;
    ssactivities(1, v, a, P, T, sda);
    EXPECT_EQ(sda[1], 0);
    EXPECT_EQ(sda[2], 0);
}

TEST(Activities, VanLaarBinaryMatchesItsClosedForm) {
    axworld w;
    binary(2);
    soln(1).vla[2] = 2;
    const real x = 0.4L, T = 900, P = 8;
    axvector v{};
    v[1] = x;
    emreals a{}, sda{};
    ssactivities(1, v, a, P, T, sda);
    const real W = 10 - 0.005L * T + 0.1L * P;
    const real phi1 = (1 - x) / ((1 - x) + 2 * x), phi2 = 2 * x / ((1 - x) + 2 * x);
    const real rt = R * T;
    EXPECT_NEAR(a[1], (1 - x) * (1 - x) * std::exp(1 * phi2 * phi2 * 2 * W / 3 / rt), 1e-15L);
    EXPECT_NEAR(a[2], x * x * std::exp(2 * phi1 * phi1 * 2 * W / 3 / rt), 1e-15L);
}

TEST(Activities, IdealModelGivesAbsoluteUncertaintyAndExcludedGivesNothing) {
    axworld w;
    binary(0);
    soln(1).em[2].excluded = true;
    const real x = 0.25L;
    axvector v{};
    v[1] = x;
    emreals a{}, sda{};
    a[2] = sda[2] = 7;
    ssactivities(1, v, a, 1, 700, sda);
    EXPECT_NEAR(a[1], (1 - x) * (1 - x), 1e-15L);
    EXPECT_NEAR(sda[1], std::sqrt(idealvariance((1 - x) * (1 - x), (1 - x - 0.001L) * (1 - x - 0.001L), 0.02L)), 1e-15L);
    EXPECT_EQ(a[2], 0);
    EXPECT_EQ(sda[2], 0);
}

TEST(Activities, PureEndMemberHasItsIdealActivity) {
    axworld w;
    binary(1);
    axvector v{};
    v[1] = 1;  // p2 = 1
    emreals a{}, sda{};
    ssactivities(1, v, a, 2, 600, sda);
    EXPECT_NEAR(a[2], 1, 1e-15L);
}

TEST(Activities, AnAbsentEndMemberHasActivityZeroKnownExactly) {
    for (int32_t model : {0, 1}) {
        axworld w;
        binary(model);
        axvector v{};
        v[1] = 0;  // the second site fraction is 0
        emreals a{}, sda{};
        ssactivities(1, v, a, 1, 700, sda);
        EXPECT_EQ(a[2], 0) << model;
        EXPECT_EQ(sda[2], 0) << model;
        EXPECT_TRUE(std::isfinite(sda[1]) && sda[1] >= 0) << model;
    }
}

TEST(Activities, ANegativeSiteFractionIsRefused) {
    axworld w;
    binary(1);
    soln(1).sfname[2] = "xB";
    axvector v{};
    v[1] = -0.01L;
    emreals a{}, sda{};
    EXPECT_EQ(testing::exitcodeof([&] { ssactivities(1, v, a, 1, 700, sda); }), 1);
    EXPECT_TRUE(w.bombedwith("negative site fraction xB in b")) << w.out();
}

}  // namespace
}  // namespace zt
