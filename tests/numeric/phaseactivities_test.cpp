#include "numeric/phaseactivities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "eqfixture.h"
#include "fatalreport.h"
#include "thermo/fluids.h"

namespace zt {
namespace {

using namespace eqtest;

// The derivative stores of one call, on the heap.
struct stores {
    emreal400 dGdP{}, dGdT{};
    std::unique_ptr<emvarmat> D = std::make_unique<emvarmat>();
};

void activitiesat(const vec90& x, real P, real T, bool derivs = false) {
    static stores s;
    calca(x, derivs, derivs, P, T, s.dGdP, s.dGdT, *s.D);
}

TEST(PhaseActivities, IdealBinaryWithSiteFractionsEqualToProportions) {
    reseteqworld();
    idealbinary(1);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    makecrossrefs(selection({1}, {1}));
    vec90 x{};
    x[3] = 0.37L;
    activitiesat(x, 8, 900);
    EXPECT_NEAR(ws.emact[1], 0.63L, 1e-18L);
    EXPECT_NEAR(ws.emact[2], 0.37L, 1e-18L);
    EXPECT_EQ(ws.emact[3], 1);  // the single phase keeps its activity
    const phasesummary& s = summary.sumphases[1];
    EXPECT_EQ(s.gamma[1], 0);
    EXPECT_EQ(s.gamma[2], 0);
    EXPECT_NEAR(s.prop[2], 0.37L, 1e-18L);
    EXPECT_NEAR(s.ideal[1], 0.63L, 1e-18L);
    EXPECT_NEAR(s.activity[2], 0.37L, 1e-18L);
}

// The ternary regular solution written the textbook way.
TEST(PhaseActivities, SymmetricTernaryMatchesTheRegularSolution) {
    reseteqworld();
    garnet(1, 1);
    makecrossrefs(selection({1}, {}));
    const real P = 12, T = 950, xx = 0.35L, z = 0.15L;
    vec90 x{};
    x[3] = xx;
    x[4] = z;
    activitiesat(x, P, T);
    const real p1 = 1 - xx - z, p2 = xx, p3 = z;
    const real w12 = 2.5L - 0.001L * T + 0.05L * P, w13 = 31 - 0.02L * T + 0.1L * P, w23 = 5 + 0.004L * T - 0.03L * P;
    const real rt = R * T;
    const real g1 = w12 * p2 * (1 - p1) + w13 * p3 * (1 - p1) - w23 * p2 * p3;
    const real g2 = w12 * p1 * (1 - p2) + w23 * p3 * (1 - p2) - w13 * p1 * p3;
    const real g3 = w13 * p1 * (1 - p3) + w23 * p2 * (1 - p3) - w12 * p1 * p2;
    EXPECT_NEAR(ws.emact[1], p1 * p1 * p1 * std::exp(g1 / rt), 1e-16L);
    EXPECT_NEAR(ws.emact[2], p2 * p2 * p2 * std::exp(g2 / rt), 1e-16L);
    EXPECT_NEAR(ws.emact[3], p3 * p3 * p3 * std::exp(g3 / rt), 1e-16L);
    EXPECT_NEAR(summary.sumphases[1].gamma[3], std::exp(g3 / rt), 1e-15L);
}

TEST(PhaseActivities, EqualSizesMakeTheAsymmetricModelSymmetric) {
    reseteqworld();
    garnet(1, 1);
    axphase& v = garnet(2, 2);
    v.vla = {0, 1.3L, 1.3L, 1.3L};
    v.vlb.fill(0);
    v.vlc.fill(0);
    makecrossrefs(selection({1, 2}, {}));
    vec90 x{};
    x[3] = x[5] = 0.35L;
    x[4] = x[6] = 0.15L;
    activitiesat(x, 12, 950);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(ws.emact[static_cast<size_t>(j + 3)], ws.emact[static_cast<size_t>(j)], 1e-16L);
}

// H2O-CO2 van Laar from the pure fluids' volumes: the fluid phase, and the aqueous phase
// whose file pairs repeat the inserted H2O-CO2 pair, give the same activities.
TEST(PhaseActivities, FluidAndAqueousH2OCO2FollowTheVanLaarModel) {
    reseteqworld();
    fluidbinary(1, "fluid");
    axphase& aq = fluidbinary(2, "aq");
    addw(aq, 1, 2, 0, 0, 0);
    setupfluid();
    ASSERT_EQ(soln(2).ngterm, 2);  // the pair as inserted and as in the file
    makecrossrefs(selection({1, 2}, {}));
    const real P = 5, T = 800, xc = 0.3L;
    vec90 x{};
    x[3] = x[4] = xc;
    activitiesat(x, P, T);

    real vh, vc, lnf;
    calch2o(vh, lnf, P, T);
    calcco2(vc, lnf, P, T);
    const real W = 10.5L * (1 / vh + 1 / vc);
    const real alpha = vc / vh;
    const real phic = xc * alpha / (1 - xc + xc * alpha), phih = 1 - phic;
    const real rt = R * T;
    const real ah = (1 - xc) * std::exp(phic * phic * W * 2 / (1 + alpha) / rt);
    const real ac = xc * std::exp(phih * phih * W * 2 * alpha / (1 + alpha) / rt);
    EXPECT_NEAR(ws.emact[1], ah, 1e-14L);
    EXPECT_NEAR(ws.emact[2], ac, 1e-14L);
    EXPECT_NEAR(ws.emact[3], ah, 1e-14L);
    EXPECT_NEAR(ws.emact[4], ac, 1e-14L);
}

TEST(PhaseActivities, SinglePhasesCarryTheirFixedActivity) {
    reseteqworld();
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L), 0.5L);
    makecrossrefs(selection({}, {1}));
    static stores s;
    s.dGdT[1] = 99;
    calca(vec90{}, true, true, 5, 1000, s.dGdP, s.dGdT, *s.D);
    EXPECT_EQ(ws.emact[1], 0.5L);
    EXPECT_NEAR(s.dGdT[1], R * std::log(0.5L), 1e-18L);
    EXPECT_EQ(s.dGdP[1], 0);
}

TEST(PhaseActivities, WithoutDerivativesTheStoresAreLeftAlone) {
    reseteqworld();
    garnet(1, 2);
    makecrossrefs(selection({1}, {}));
    static stores s;
    s.dGdP.fill(7);
    s.dGdT.fill(7);
    (*s.D)[2][3] = 7;
    vec90 x{};
    x[3] = 0.2L;
    x[4] = 0.3L;
    calca(x, false, false, 5, 900, s.dGdP, s.dGdT, *s.D);
    EXPECT_EQ(s.dGdP[2], 7);
    EXPECT_EQ(s.dGdT[3], 7);
    EXPECT_EQ((*s.D)[2][3], 7);
}

TEST(PhaseActivities, FatalConditions) {
    // A site fraction that is not positive, with the lines that locate it.
    reseteqworld();
    idealbinary(1);
    makecrossrefs(selection({1}, {}));
    vec90 x{};
    x[3] = 1.25L;
    std::string report = testing::fatalreport([&] { activitiesat(x, 5, 900); });
    EXPECT_NE(report.find("phase = ib, end-member = fo, tmf term no = 1, sf term no = 1, sf = -0.2500"), std::string::npos)
        << report;
    EXPECT_NE(report.find("sorry - try changing starting guesses!"), std::string::npos);
    EXPECT_NE(report.find(testing::bombline("calca", "negative sf term")), std::string::npos);

    // An ideal activity that is not positive is an internal error.
    reseteqworld();
    idealbinary(1).em[2].tmfconst = 0;
    makecrossrefs(selection({1}, {}));
    x[3] = 0.5L;
    report = testing::fatalreport([&] { activitiesat(x, 5, 900); });
    EXPECT_NE(report.find(testing::bombline("calca", "ln <= 0")), std::string::npos) << report;
    EXPECT_NE(report.find(testing::internalmark), std::string::npos);

    // A symmetric aqueous phase with a solute paired with the solvent.
    reseteqworld();
    axphase& a = aqueous(1);
    a.aq = true;
    a.model = 1;
    makecrossrefs(selection({1}, {}));
    x[3] = 0.1L;
    x[4] = 0.05L;
    report = testing::fatalreport([&] { activitiesat(x, 5, 800); });
    EXPECT_NE(report.find(testing::bombline("calca", "symmetric aq??")), std::string::npos) << report;
}

}  // namespace
}  // namespace zt
