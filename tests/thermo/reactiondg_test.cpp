#include "thermo/reactiondg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "reactions/services.h"
#include "tests/thermo/thermotest.h"

namespace zt {
namespace {

using namespace thermotest;

const real R = 0.0083144L;

// abx = jdx + qzx (albite breakdown), with H2O, CO2 and aqueous silica beside them.
class ReactionTest : public ::testing::Test {
protected:
    int16_t ab = 0, jd = 0, qz = 0, h2o = 0, co2 = 0, aqsi = 0;

    void SetUp() override {
        resetthermo();
        tdrecord abr = solidrec();
        abr.H = -3935.5L;
        abr.S = 0.2074L;
        abr.V = 10.006L;
        tdrecord jdr = solidrec();
        jdr.H = -3025.1L;
        jdr.S = 0.1335L;
        jdr.V = 6.04L;
        tdrecord qzr = solidrec();
        qzr.H = -910.7L;
        qzr.S = 0.0415L;
        qzr.V = 2.269L;
        qzr.k0 = 730;
        qzr.k0pp = -qzr.k0p / 730;
        ab = addem("abx", abr);
        jd = addem("jdx", jdr);
        qz = addem("qzx", qzr);
        h2o = addem("H2O", fluidrec(-241.81L, 0.188799L, 0.0401L));
        co2 = addem("CO2", fluidrec(-393.51L, 0.213677L, 0.0878L));
        aqsi = addem("aqSi", qzr);
        ws.ih2o = h2o;
        ws.ico2 = co2;
        ws.iaqsi = aqsi;
        reactions.r.assign(maxreactions + 1, reaction{});
        reaction& r1 = reactions.r[1];
        r1[static_cast<size_t>(ab)] = -1;
        r1[static_cast<size_t>(jd)] = 1;
        r1[static_cast<size_t>(qz)] = 1;
        reaction& r2 = reactions.r[2];
        r2[static_cast<size_t>(ab)] = -1;
        r2[static_cast<size_t>(jd)] = 1;
        r2[static_cast<size_t>(h2o)] = 2;
        r2[static_cast<size_t>(co2)] = -1;
        reaction& r4 = reactions.r[4];
        r4[static_cast<size_t>(aqsi)] = 1;
        r4[static_cast<size_t>(qz)] = -1;
    }

    real sumnug(int16_t ir, real P, real T) {
        real s = 0;
        for (int16_t i = 1; i <= ws.nem; ++i) s += reactions.r[static_cast<size_t>(ir)][static_cast<size_t>(i)] * gof(i, P, T);
        return s;
    }
};

TEST_F(ReactionTest, DeltaGIsTheSumOfTheEndMembersWithItsDerivatives) {
    for (real P : {2.0L, 15.0L}) {
        for (real T : {600.0L, 1100.0L}) {
            real dgdp, dgdt, dg;
            calcdg(1, dgdp, dgdt, P, T, 0, 1, dg);
            EXPECT_NEAR(static_cast<double>(dg), static_cast<double>(sumnug(1, P, T)), 1e-9);
            const real dv = ddp([&](real p) { return sumnug(1, p, T); }, P, 1e-3L);
            const real ds = ddp([&](real t) { return sumnug(1, P, t); }, T, 1e-2L);
            EXPECT_NEAR(static_cast<double>(dgdp), static_cast<double>(dv), 1e-6);
            EXPECT_NEAR(static_cast<double>(dgdt), static_cast<double>(ds), 1e-5);
        }
    }
}

TEST_F(ReactionTest, DerivativesWithH2OAndCO2FollowTheirEquationsOfState) {
    // abx = jdx + 2 H2O - CO2 with either generation's fluid equations, each fluid alone
    // (dG/dP from its volume) or both in one fluid with the mixing term (differenced):
    // against central differences of the sum. The forward steps leave a few parts per
    // million at 1 kbar; a root resolved to 0.001 cm3/mol left errors of 1 to 50 per cent.
    for (bool sp : {false, true}) {
        ds.spswitch = sp;
        for (int32_t type : {0, 6}) {
            pd.fluidtype = type;
            for (auto [P, T] : {std::pair{1.0L, 700.0L}, std::pair{4.0L, 873.15L}, std::pair{12.0L, 1100.0L}}) {
                real dgdp, dgdt, dg;
                calcdg(2, dgdp, dgdt, P, T, 0.3L, 0.7L, dg);
                calcdg0(2, dgdp, dgdt, P, T, dg);
                const real dv = ddp([&](real p) { return sumnug(2, p, T); }, P, 1e-4L);
                const real ds = ddp([&](real t) { return sumnug(2, P, t); }, T, 1e-3L);
                EXPECT_NEAR(static_cast<double>(dgdp / dv), 1.0, 5e-6) << sp << type << " " << static_cast<double>(P);
                EXPECT_NEAR(static_cast<double>(dgdt / ds), 1.0, 5e-6) << sp << type << " " << static_cast<double>(P);
            }
        }
    }
}

TEST_F(ReactionTest, ASlopeNotTakenCostsNoEvaluationAndChangesNothingTaken) {
    // Reaction 2 has three end-members besides the fluids; each derivative taken costs one
    // more G of every end-member (H2O and CO2 alone take dG/dP from their volume instead).
    struct slopecase {
        dgslopes slopes;
        bool p, t;
    };
    for (const slopecase c : {slopecase{dgslopes::both, true, true}, slopecase{dgslopes::ponly, true, false},
                              slopecase{dgslopes::tonly, false, true}, slopecase{dgslopes::none, false, false}}) {
        SCOPED_TRACE(static_cast<int>(c.slopes));
        real dgdp0, dgdt0, dg0, dgdp = -1, dgdt = -1, dg;
        calcdg(2, dgdp0, dgdt0, 4, 873.15L, 0, 1, dg0);
        run.gemcount = 0;
        calcdg(2, dgdp, dgdt, 4, 873.15L, 0, 1, dg, c.slopes);
        EXPECT_EQ(dg, dg0);
        EXPECT_EQ(dgdp, c.p ? dgdp0 : 0);
        EXPECT_EQ(dgdt, c.t ? dgdt0 : 0);
        EXPECT_EQ(run.gemcount, 4 + (c.p ? 2 : 0) + (c.t ? 4 : 0));
    }
}

TEST_F(ReactionTest, LnKAddsActivitiesAndFluidTerms) {
    ws.emact[static_cast<size_t>(ab)] = 0.8L;
    ws.emact[static_cast<size_t>(jd)] = 0.6L;
    const real act = std::log(0.6L) - std::log(0.8L);
    struct lnkcase {
        real xco2, xh2o, expected;
    };
    const lnkcase cases[] = {
        {0, 1, act},  // the bounds are strict: no fluid term at all
        {1, 0, act},
        {0.3L, 0.7L, act + 2 * std::log(0.7L) - std::log(0.3L)},
    };
    const real P = 6, T = 850;
    for (const lnkcase& c : cases) {
        real lnk;
        calclnk(2, lnk, P, T, c.xco2, c.xh2o);
        EXPECT_NEAR(static_cast<double>(lnk), static_cast<double>(c.expected), 1e-15) << static_cast<double>(c.xco2);
        real dgdp, dgdt, dg, dg0dp, dg0dt, dg0;
        calcdg(2, dgdp, dgdt, P, T, c.xco2, c.xh2o, dg);
        calcdg0(2, dg0dp, dg0dt, P, T, dg0);
        EXPECT_NEAR(static_cast<double>(dg - dg0), static_cast<double>(R * T * lnk), 1e-12);
        EXPECT_NEAR(static_cast<double>(dgdt - dg0dt), static_cast<double>(R * lnk), 1e-12);
        EXPECT_EQ(dgdp, dg0dp);
    }
}

TEST_F(ReactionTest, AqueousSilicaTakesItsHydrationWater) {
    ws.emact[static_cast<size_t>(aqsi)] = 0.02L;
    real lnk;
    calclnk(4, lnk, 1, 700, 0.4L, 0.6L);
    // H2O is not in the reaction, yet each aqueous silica removes 4 ln x(H2O).
    EXPECT_NEAR(static_cast<double>(lnk), static_cast<double>(std::log(0.02L) - 4 * std::log(0.6L)), 1e-15);
    ws.ih2o = 0;
    calclnk(4, lnk, 1, 700, 0.4L, 0.6L);
    EXPECT_NEAR(static_cast<double>(lnk), static_cast<double>(std::log(0.02L)), 1e-15);
}

TEST_F(ReactionTest, FluidCompositionReachesOnlyTheReactingEndMembers) {
    real dgdp, dgdt, dg;
    calcdg(1, dgdp, dgdt, 4, 800, 0.25L, 0.75L, dg);
    EXPECT_EQ(ws.td[static_cast<size_t>(ab)].xco2, 0.25L);
    EXPECT_EQ(ws.td[static_cast<size_t>(qz)].xh2o, 0.75L);
    EXPECT_EQ(ws.td[static_cast<size_t>(h2o)].xco2, 0);
    EXPECT_EQ(ws.td[static_cast<size_t>(aqsi)].xh2o, 0);
}

TEST_F(ReactionTest, EmptyReactionIsZero) {
    real dgdp = 1, dgdt = 1, dg = 1, lnk = 1;
    calcdg(3, dgdp, dgdt, 4, 800, 0.3L, 0.7L, dg);
    calclnk(3, lnk, 4, 800, 0.3L, 0.7L);
    EXPECT_EQ(dg, 0);
    EXPECT_EQ(dgdp, 0);
    EXPECT_EQ(dgdt, 0);
    EXPECT_EQ(lnk, 0);
}

TEST_F(ReactionTest, ImpossibleInputsAreInternalErrors) {
    const fatalresult cold = fatalof([] {
        real a, b, c;
        calcdg0(1, a, b, 5, 0, c);
    });
    EXPECT_EQ(cold.code, 1);
    EXPECT_NE(cold.console.find(bombline("calcdg0", "T <= 0 !")), std::string::npos);
    EXPECT_NE(cold.console.find(internalnotice()), std::string::npos);

    ws.emact[static_cast<size_t>(jd)] = 0;
    const fatalresult noact = fatalof([] {
        real lnk;
        calclnk(1, lnk, 5, 800, 0, 1);
    });
    EXPECT_EQ(noact.code, 1);
    EXPECT_NE(noact.console.find(bombline("calclnk", "ln<=0")), std::string::npos);
    EXPECT_NE(noact.console.find(internalnotice()), std::string::npos);
}

}  // namespace
}  // namespace zt
