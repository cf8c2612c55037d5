#include "phasediagram/potentials.h"

#include "pdfixture.h"

namespace zt {
namespace {

using pdtest::at;

TEST(SetupMu, AddsARequiredPhaseWhoseGIsTheValue) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"SiO2", 3}, {"CaO", 2}});
    ws.compdiv[2] = 2;
    pdtest::addpure("q", {1, 0});
    ws.nem = 1;
    settings.nmu = 2;
    settings.munames[1] = "FeO";  // no such component: dropped
    settings.munames[2] = "CaO";
    settings.muvalues[2] = -700;
    EXPECT_EQ(w.run(setupmu), -1) << w.out();
    EXPECT_EQ(settings.nmu, 1);
    EXPECT_EQ(settings.munames[1], "CaO");
    EXPECT_EQ(settings.nmulist[1], 1);
    EXPECT_EQ(settings.mulists[1][1], -700);
    ASSERT_EQ(phases.npurephases, 2);
    const emphaserec& mu = phases.prec0[2];
    EXPECT_EQ(mu.name, "CaO");
    EXPECT_EQ(mu.comp[1], 0);
    EXPECT_EQ(mu.comp[2], 2);  // one unit, held in the component's divisor
    EXPECT_EQ(mu.props.H, -700);
    EXPECT_EQ(mu.props.S, 0);
    EXPECT_EQ(mu.props.V, 0);
    EXPECT_EQ(ws.nem, 2);
    EXPECT_TRUE(pd.excessphase[2] && pd.requiredphase[2]);
    EXPECT_EQ(pd.nrequired, 1);

    pdtest::pdworld w2;
    pdtest::setcomponents({{"SiO2", 3}, {"CaO", 2}});
    pdtest::addpure("q", {1, 0});
    settings.nmu = 1;
    settings.munames[1] = "SiO2";
    settings.muvalues[1] = -900;
    EXPECT_EQ(w2.run(setupmu), 1);
    EXPECT_TRUE(w2.has(" : SiO2 is same as q"));
}

TEST(SetupLna, RequiredPhasesListsAndFluid) {
    pdtest::pdworld w;
    pdtest::addpure("q", {1});
    pdtest::addpure("H2O", {0, 1});
    pd.fluidtype = 3;
    settings.nlna = 2;
    settings.lnanames[1] = "ru";  // not a phase: dropped
    settings.lnanames[2] = "H2O";
    settings.lnavalues[2] = -2;
    phases.prec0[2].props.S = 0.19L;
    EXPECT_EQ(w.run(setuplna), -1);
    EXPECT_EQ(settings.nlna, 1);
    EXPECT_EQ(settings.lnanames[1], "H2O");
    EXPECT_EQ(settings.nlnalist[1], 1);
    EXPECT_EQ(settings.lnalists[1][1], -2);
    EXPECT_EQ(pd.lnasavedS[1], 0.19L);
    EXPECT_EQ(pd.fluidtype, 2);
    EXPECT_TRUE(pd.requiredphase[2]);
    EXPECT_FALSE(pd.requiredphase[1]);

    pdtest::pdworld w2;
    pdtest::addpure("H2O", {0, 1});
    settings.nlna = 1;
    settings.lnanames[1] = "H2O";
    settings.lnavalues[1] = 10;  // no value and no list
    settings.nlnalist[1] = 0;
    EXPECT_EQ(w2.run(setuplna), 1);
    EXPECT_TRUE(w2.has(" : no ln a values for H2O"));
}

TEST(PrintActs, ListsActivitiesBelowOne) {
    pdtest::pdworld w("y\n");
    pdtest::addbinary("g", "py", {1}, "alm", {2}).em[2].maxpower = 3;
    pdtest::addpure("q", {1}).activity = 0.999995L;
    emphaserec& ru = pdtest::addpure("ru", {2});
    ru.activity = 0.9L;
    ru.sd = 0.05L;
    settings.defsdaparams = 2;
    printacts();
    EXPECT_EQ(ws.emact[1], 1);
    EXPECT_EQ(ws.nsite[1], 1);
    EXPECT_EQ(ws.nsite[2], 3);
    EXPECT_EQ(ws.emact[4], 0.9L);
    EXPECT_EQ(ws.emsda[4], 0.05L);
    EXPECT_TRUE(w.has("standard default uncertainties on activities ? "));
    EXPECT_TRUE(w.has("non-unit activities :\n     name        a\n       ru    0.900\n")) << w.out();

    pdtest::pdworld w2;
    pdtest::addpure("q", {1}).activity = 0.999995L;
    printacts();
    EXPECT_EQ(w2.out(), "");
}

}  // namespace
}  // namespace zt
