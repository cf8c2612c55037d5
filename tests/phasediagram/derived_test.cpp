#include "phasediagram/derived.h"

#include <cmath>
#include <sstream>

#include "numeric/summary.h"
#include "phasediagram/pdfixture.h"
#include "reactions/isr.h"
#include "runtime/heap.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/fluids.h"

namespace zt {
namespace {

using reactiontest::addem;
using reactiontest::at;
using reactiontest::solid;
namespace tt = zt::testing;

constexpr real R = 0.0083144L;
constexpr real P = 5, T = 873.15L;

// Periclase and brucite over MgO and H2O: brucite = periclase + H2O is the only
// reaction once a unit of H2O is added.
class Derived : public ::testing::Test {
protected:
    int16_t per = 0, br = 0;
    void SetUp() override {
        reactiontest::resetall(1);
        reactiontest::setcomponents({"MgO", "H2O"});
        per = addem("per", solid(-601.5L, 0.0269L, 1.125L), {1, 0});
        br = addem("br", solid(-925.5L, 0.0632L, 2.463L), {1, 1});
        ws.emact[at(per)] = 0.8L;
        ws.emact[at(br)] = 0.6L;
    }
    real mu(int16_t j) const { return thermotest::gof(j, P, T) + R * T * std::log(ws.emact[at(j)]); }
};

TEST_F(Derived, WaterActivityAgreesWithTheReactionWrittenOut) {
    real V = 0, rtlnf = 0;
    calch2o(V, rtlnf, P, T);
    const real g0 = -243.84051L - 243.75L / T - 1.0048L * std::sqrt(T) + 0.1087083L * T - 4.328e-6L * T * T -
                    0.0401L * T * std::log(T);
    const real muh2o = mu(br) - mu(per);
    const real expected = std::exp((muh2o - (g0 + rtlnf)) / (R * T));
    EXPECT_NEAR(static_cast<double>(docalcah2o(P, T) / expected), 1.0, 1e-12);
}

TEST_F(Derived, ComponentPotentialsFollowThePhasesThatHoldThem) {
    docalcmu(P, T);
    EXPECT_NEAR(static_cast<double>(derived.mucalc[1]), static_cast<double>(mu(per)), 1e-9);
    EXPECT_NEAR(static_cast<double>(derived.mucalc[2]), static_cast<double>(mu(br) - mu(per)), 1e-9);
}

TEST_F(Derived, TheReactionRecordIsLeftAsItWas) {
    // A set from an earlier calculation, with weights that the independent set would not give.
    reactions.nreac = 1;
    reactions.r[1][at(per)] = 1;
    reactions.r[1][at(br)] = -1;
    reactions.rxnweight[1] = 7;
    reactions.rxnweight[2] = 9;
    reactions.reactiontext[1] = "br = per";
    const reactionstate before = reactions;
    const int16_t nem = ws.nem;
    docalcmu(P, T);
    (void)docalcah2o(P, T);
    EXPECT_EQ(ws.nem, nem);
    EXPECT_EQ(ws.nrems, nem);
    EXPECT_EQ(reactions.nreac, before.nreac);
    EXPECT_EQ(reactions.rxnweight, before.rxnweight);
    EXPECT_EQ(reactions.r, before.r);
    EXPECT_EQ(reactions.reactiontext[1], "br = per");
    for (int i = 1; i <= ws.ncomps; ++i) EXPECT_EQ(ws.c[at(i)][at(nem + 1)], 0);
}

TEST_F(Derived, PotentialsThatNoReactionFixesAreZeroAndSilent) {
    // Only periclase: a unit of H2O is independent of it. No component O at all.
    reactiontest::resetall(1);
    reactiontest::setcomponents({"MgO", "H2O"});
    addem("per", solid(-601.5L, 0.0269L, 1.125L), {1, 0});
    channels.outchannels = 1 + 8;
    tt::consolecapture console;
    EXPECT_EQ(docalcah2o(P, T), 0);
    EXPECT_EQ(docalcmuo(P, T), 0);
    EXPECT_EQ(console.output(), "");
}

TEST_F(Derived, FatalCases) {
    struct fatalcase {
        std::function<void()> call;
        std::string line;
    };
    reactiontest::setcomponents({"MgO", "SiO2"});
    const std::vector<fatalcase> cases = {
        {[] { docalcah2o(P, T); }, thermotest::bombline("docalcah2o", "H2O is not a component")},
        {[] {
             ws.nem = maxems;
             docalcmu(P, T);
         },
         thermotest::bombline("docalcmu", "too many end-members")},
    };
    for (const fatalcase& c : cases) {
        const thermotest::fatalresult r = thermotest::fatalof(c.call);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.console.find(c.line), std::string::npos) << r.console;
    }
}

// The liquid as a binary of SiO2 and MgO, written in forsterite and quartz units.
class Conv2wt : public ::testing::Test {
protected:
    phaseflags assemblage{};
    void SetUp() override {
        pdtest::resetpdworld();
        ws.c.assign(maxcomps + 1, comprow{});
        eq = equilibriumstate{};
        pdtest::setcomponents({{"SiO2", 3}, {"MgO", 2}});
        pdtest::addbinary("liq", "qL", {1, 0}, "foL", {0, 1});  // phase 1
        pdtest::addbinary("ol", "fo", {1, 2}, "fa", {1, 0});     // phase 2
        ws.nem = 4;
        // The liquid is the second solution phase of the equilibrium.
        eq.phasestart[1] = eq.phasestart[3] = true;
        eq.phaseofstart[1] = 2;
        eq.phaseofstart[3] = 1;
        eq.phasefirstvar[1] = 3;
        eq.phasefirstvar[3] = 4;
        eq.varvalue[4] = 0.6L;  // MgO fraction of the liquid
        assemblage[1] = assemblage[2] = true;
        settings.nconvliqcols = 2;
        settings.nconvliqrows = 2;
        settings.convliqmatrix[1][1] = 1;  // Mg2SiO4
        settings.convliqmatrix[1][2] = 2;
        settings.convliqmatrix[2][1] = 1;  // SiO2
    }
};

std::vector<double> numbersof(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> v;
    std::string w;
    while (in >> w) {
        if (w != "==>") v.push_back(std::stod(w));
    }
    return v;
}

TEST_F(Conv2wt, WeightPercentOfTheUnitsFromTheirMolarMasses) {
    pdtest::pdworld world;
    Conv2wt::SetUp();
    conv2wt(assemblage);
    std::istringstream lines(world.out());
    std::vector<std::string> all;
    for (std::string l; std::getline(lines, l);) all.push_back(l);
    ASSERT_GE(all.size(), 4u) << world.out();
    const std::vector<double> wt = numbersof(all.back());
    ASSERT_EQ(wt.size(), 2u);
    // 0.4 SiO2 + 0.6 MgO = 0.3 Mg2SiO4 + 0.1 SiO2.
    const real msio2 = oxides.oxidemass[at(findoxideentry("SiO2"))];
    const real mmgo = oxides.oxidemass[at(findoxideentry("MgO"))];
    const real mfo = msio2 + 2 * mmgo;
    const real wfo = 100 * 0.3L * mfo / (0.3L * mfo + 0.1L * msio2);
    EXPECT_NEAR(wt[0], static_cast<double>(wfo), 0.006);
    EXPECT_NEAR(wt[0] + wt[1], 100.0, 0.011);
    const std::vector<double> molpc = numbersof(all[all.size() - 3]);
    EXPECT_NEAR(molpc[0] + molpc[1], 100.0, 0.002);
    EXPECT_NEAR(molpc[1], 60.0, 0.0005);
}

TEST_F(Conv2wt, NothingWithoutLiquidOrWithAnotherComponentCount) {
    pdtest::pdworld world;
    Conv2wt::SetUp();
    settings.nconvliqcols = 3;
    conv2wt(assemblage);
    settings.nconvliqcols = 2;
    assemblage[1] = false;  // the liquid
    conv2wt(assemblage);
    EXPECT_EQ(world.out(), "");
}

TEST_F(Conv2wt, UnitsThatCannotMakeTheLiquidEndTheRun) {
    pdtest::pdworld world;
    Conv2wt::SetUp();
    settings.convliqmatrix[2][1] = 0;  // only forsterite: SiO2 is left over
    settings.nconvliqrows = 2;
    EXPECT_EQ(pdtest::pdworld::run([&] { conv2wt(assemblage); }), 1);
    EXPECT_TRUE(world.has("residual mol = {")) << world.out();
    EXPECT_TRUE(world.has("couldn't make mol%"));
}


TEST(Fificalc, EachPhaseTakesItsOwnModeWhenTheFluidComesFirst) {
    pdtest::pdworld world;
    ws.c.assign(maxcomps + 1, comprow{});
    eq = equilibriumstate{};
    resetsummary();
    pdtest::setcomponents({{"SiO2", 3}, {"CaO", 2}, {"H2O", 3}, {"CO2", 3}});
    summary.ncomps = 4;
    summary.inbulk[1] = summary.inbulk[2] = true;
    axphase& fl = pdtest::addbinary("F", "H2O", {0, 0, 1, 0}, "CO2", {0, 0, 0, 1});
    fl.fluid = true;
    pdtest::addpure("q", {1, 0, 0, 0});
    pdtest::addpure("cc", {0, 1, 0, 1});
    ws.nem = 4;
    eq.phasestart[1] = true;
    eq.phaseofstart[1] = 1;
    eq.phasefirstvar[1] = 3;
    eq.varvalue[3] = 0.4L;
    summary.sumnphases = 3;
    const real modes[4] = {0, 0.2L, 0.5L, 0.3L};
    for (int p = 1; p <= 3; ++p) summary.sumphases[at(p)].mode[1] = modes[p];
    phaseflags assemblage{};
    assemblage[1] = assemblage[2] = assemblage[3] = true;
    fificalc(assemblage, 5, 900);
    // Quartz 0.5 SiO2; calcite 0.3 of (CaO + CO2) / 2; over the bulk part 0.65.
    const std::vector<double> v = numbersof(world.out().substr(world.out().rfind("CaO") + 3));
    ASSERT_EQ(v.size(), 4u) << world.out();
    EXPECT_NEAR(v[0], 100 * 0.5 / 0.65, 0.005);
    EXPECT_NEAR(v[1], 100 * 0.15 / 0.65, 0.005);
    EXPECT_NEAR(v[2], 0.0, 1e-6);
    EXPECT_NEAR(v[3], 100 * 0.15 / 0.65, 1e-6);
}

}  // namespace
}  // namespace zt
