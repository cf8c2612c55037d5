#include "numeric/phaseprops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "eqfixture.h"
#include "fatalreport.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using namespace eqtest;

real gof(int e, real P, real T) {
    real g;
    gemdriver(static_cast<int16_t>(e), g, P, T);
    return g;
}

// Central differences of the end-member's G, independent of the forward steps used.
real sof(int e, real P, real T) { return -(gof(e, P, T + 0.01L) - gof(e, P, T - 0.01L)) / 0.02L; }
real vof(int e, real P, real T) { return (gof(e, P + 0.001L, T) - gof(e, P - 0.001L, T)) / 0.002L; }

TEST(PhaseProps, SinglePhaseAtHalfActivityAddsRTlnaToGOnly) {
    reseteqworld();
    setcomponents(3);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L), 0.5L);
    setcomp(pure(1), {{1, 1}});
    const phaseselection sel = selection({}, {1});
    makecrossrefs(sel);
    phasesummary& s = summary.sumphases[1];
    s.oxcomp = {0, 1, 0, 0};
    const real P = 5, T = 1000;
    calcgphase(sel, vec90{}, P, T, 0, 1);

    const real mu = gof(1, P, T);
    EXPECT_NEAR(s.G, mu - 5.7631029L, 1e-7L);
    EXPECT_NEAR(s.rtlna[1], -5.7631029L, 1e-7L);
    EXPECT_EQ(s.emg[1], mu);
    EXPECT_NEAR(s.S, sof(1, P, T), 1e-6L);
    EXPECT_NEAR(s.V, vof(1, P, T), 1e-7L);
    EXPECT_NEAR(s.H, mu + T * s.S, 1e-9L);
    EXPECT_NEAR(s.rho, 60.0848L / (10 * s.V), 1e-12L);
}

TEST(PhaseProps, SolutionPhaseFromItsEndMembersChemicalPotentials) {
    reseteqworld();
    setcomponents(3);
    idealbinary(1);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    const phaseselection sel = selection({1}, {1});
    makecrossrefs(sel);
    phasesummary& s = summary.sumphases[1];
    s.oxcomp = {0, 0.25L, 0.5L, 0.25L};
    const real P = 8, T = 900, x = 0.3L;
    vec90 v{};
    v[3] = x;
    calcgphase(sel, v, P, T, 0, 1);

    const real p[] = {0, 1 - x, x};
    real G = 0, S = 0, V = 0;
    for (int j = 1; j <= 2; ++j) {
        G += p[j] * (gof(j, P, T) + R * T * std::log(p[j]));
        S += p[j] * (sof(j, P, T) - R * std::log(p[j]));
        V += p[j] * vof(j, P, T);
        EXPECT_NEAR(s.prop[static_cast<size_t>(j)], p[j], 1e-18L);
        EXPECT_NEAR(s.rtlna[static_cast<size_t>(j)], R * T * std::log(p[j]), 1e-15L);
        EXPECT_EQ(s.emg[static_cast<size_t>(j)], gof(j, P, T));
    }
    EXPECT_NEAR(s.G, G, 1e-10L);
    EXPECT_NEAR(s.S, S, 1e-6L);
    EXPECT_NEAR(s.V, V, 1e-7L);
    EXPECT_NEAR(s.H - s.G - T * s.S, 0, 1e-9L);
    const real mass = 0.25L * 60.0848L + 0.5L * 79.8988L + 0.25L * 101.96128L;
    EXPECT_NEAR(s.rho, mass / (10 * s.V), 1e-12L);
}

struct propcase {
    const char* name;
    std::function<axphase&(int)> build;
    std::vector<real> vars;
};

// Enthalpy and density follow from G, S and V for every kind of solution phase.
TEST(PhaseProps, EnthalpyAndDensityOfEveryKindOfPhase) {
    const propcase cases[] = {
        {"ideal", [](int k) -> axphase& { return idealbinary(k); }, {0.3L}},
        {"symmetric", [](int k) -> axphase& { return garnet(k, 1); }, {0.35L, 0.15L}},
        {"vanlaar", [](int k) -> axphase& { return garnet(k, 2); }, {0.35L, 0.15L}},
        {"twosite", [](int k) -> axphase& { return twosite(k); }, {0.6L, 0.25L}},
        {"orderdisorder", [](int k) -> axphase& { return orderdisorder(k); }, {0.4L, 0.1L}},
        {"fluid", [](int k) -> axphase& { return fluidbinary(k, "fluid"); }, {0.3L}},
        {"aqueous", [](int k) -> axphase& { return aqueous(k); }, {0.1L, 0.05L}},
    };
    for (const propcase& c : cases) {
        reseteqworld();
        setcomponents(2);
        c.build(1);
        setupfluid();
        const phaseselection sel = selection({1}, {});
        makecrossrefs(sel);
        phasesummary& s = summary.sumphases[1];
        s.oxcomp = {0, 0.4L, 0.6L};
        vec90 x{};
        for (size_t v = 0; v < c.vars.size(); ++v) x[3 + v] = c.vars[v];
        const real T = 800;
        calcgphase(sel, x, 5, T, 0, 1);
        EXPECT_NEAR(s.H - s.G - T * s.S, 0, 1e-9L) << c.name;
        EXPECT_NEAR(s.rho * 10 * s.V, 0.4L * 60.0848L + 0.6L * 79.8988L, 1e-12L) << c.name;
        EXPECT_GT(s.V, 0) << c.name;
    }
}

TEST(PhaseProps, SystemRowsAddThePhasesShares) {
    reseteqworld();
    setcomponents(3);
    idealbinary(1);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    const phaseselection sel = selection({1}, {1});
    makecrossrefs(sel);
    vec90 v{};
    v[3] = 0.4L;
    phasesummary& a = summary.sumphases[1];
    phasesummary& b = summary.sumphases[2];
    a.oxcomp = {0, 0.2L, 0.3L, 0.5L};
    b.oxcomp = {0, 1, 0, 0};
    pd.massbalance = true;
    pd.nsysrows = 2;
    a.mode[1] = 0.6L;
    a.convfactor[1] = 1.5L;
    b.mode[1] = 0.4L;
    b.convfactor[1] = 2;
    pd.sumbulks[1] = {0, 0.3L, 0.2L, 0.5L};
    summary.sysrho[2] = 7;
    calcgphase(sel, v, 8, 900, 0, 1);

    const real w1 = 0.6L * 1.5L, w2 = 0.4L * 2;
    EXPECT_NEAR(summary.sysg[1], a.G * w1 + b.G * w2, 1e-12L);
    EXPECT_NEAR(summary.sysh[1], a.H * w1 + b.H * w2, 1e-12L);
    EXPECT_NEAR(summary.syss[1], a.S * w1 + b.S * w2, 1e-15L);
    EXPECT_NEAR(summary.sysv[1], a.V * w1 + b.V * w2, 1e-15L);
    const real mass = 0.3L * 60.0848L + 0.2L * 79.8988L + 0.5L * 101.96128L;
    EXPECT_NEAR(summary.sysrho[1], mass / (10 * summary.sysv[1]), 1e-12L);
    EXPECT_EQ(summary.sysv[2], 0);
    EXPECT_EQ(summary.sysrho[2], 0);

    // Without mode variables or a low-variance pseudosection the rows are only cleared.
    pd.massbalance = false;
    summary.sysg[1] = summary.sysv[1] = 9;
    calcgphase(sel, v, 8, 900, 0, 1);
    EXPECT_EQ(summary.sysg[1], 0);
    EXPECT_EQ(summary.sysv[1], 0);

    pd.nsysrows = maxsysrows + 1;
    const std::string report = testing::fatalreport([&] { calcgphase(sel, v, 8, 900, 0, 1); });
    EXPECT_NE(report.find(testing::bombline("calcgphase", "too many system rows (max = 202) ")), std::string::npos) << report;
}

TEST(PhaseProps, BulkComponentsMapToOxidesOrElements) {
    reseteqworld();
    setcomponents(4);
    ws.compnames[1] = "CaO";
    ws.compnames[2] = "Si";
    ws.compnames[3] = "MgO";
    ws.compnames[4] = "Mg";
    pd.inbulk[1] = false;
    pd.nbulkcomps = 3;
    bulkmap map{};
    makemw2c(map);
    EXPECT_EQ(map[1], 1);
    EXPECT_EQ(map[2], 5);
    EXPECT_EQ(map[3], 5);

    // An element-named component weighs as the element.
    purephase(1, "per", solid(-601.5L, 0.0269L, 1.125L));
    const phaseselection sel = selection({}, {1});
    makecrossrefs(sel);
    summary.sumphases[1].oxcomp = {0, 0, 0, 1};
    calcgphase(sel, vec90{}, 5, 900, 0, 1);
    EXPECT_NEAR(summary.sumphases[1].rho, (40.3044L - 16) / (10 * summary.sumphases[1].V), 1e-12L);

    ws.compnames[3] = "Xx";
    const std::string report = testing::fatalreport([&] { makemw2c(map); });
    EXPECT_NE(report.find(testing::bombline("makemw2c", "Xx not found??")), std::string::npos) << report;
}

TEST(PhaseProps, ZeroVolumePhasesEndTheRun) {
    for (const bool single : {false, true}) {
        reseteqworld();
        setcomponents(3);
        if (single) {
            purephase(1, "z", solid(-100, 0.01L, 0));
        } else {
            axphase& a = idealbinary(1);
            a.em[1].props.V = a.em[2].props.V = 0;
        }
        const phaseselection sel = single ? selection({}, {1}) : selection({1}, {});
        makecrossrefs(sel);
        vec90 v{};
        v[3] = 0.5L;
        const std::string report = testing::fatalreport([&] { calcgphase(sel, v, 5, 900, 0, 1); });
        EXPECT_NE(report.find(testing::bombline("calcgphase", single ? "vph=0 2" : "vph=0")), std::string::npos) << report;
    }
}

}  // namespace
}  // namespace zt
