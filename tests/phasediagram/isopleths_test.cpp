#include "phasediagram/isopleths.h"

#include <cmath>

#include "pdfixture.h"
#include "reactions/services.h"

namespace zt {
namespace {

using pdtest::at;

std::vector<double> valuesof(const isoplethlist& list) {
    std::vector<double> v;
    for (int i = 1; i <= list.nvalues; ++i) v.push_back(static_cast<double>(list.values[at(i)]));
    return v;
}

void expectvalues(const isoplethlist& list, const std::vector<double>& want) {
    const std::vector<double> got = valuesof(list);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
}

TEST(IsoplethValues, StepsTruncatedHighAppendedAtMost201) {
    isoplethlist list;
    isoplethvalues(0.1L, 0.5L, 0.1L, list);
    expectvalues(list, {0.1, 0.2, 0.3, 0.4, 0.5});
    isoplethvalues(0.1L, 0.5L, 0.15L, list);
    expectvalues(list, {0.1, 0.25, 0.4, 0.5});
    isoplethvalues(0.1L, 0.5L, 1, list);
    expectvalues(list, {0.1, 0.5});
    isoplethvalues(0.3L, 0.3L, 0.1L, list);
    expectvalues(list, {0.3});

    isoplethvalues(0, 0.9L, 0.001L, list);  // 901 asked for
    ASSERT_EQ(list.nvalues, 101);
    EXPECT_NEAR(static_cast<double>(list.values[2]), 0.009, 1e-15);
    EXPECT_NEAR(static_cast<double>(list.values[101]), 0.9, 1e-15);

    isoplethvalues(0, 0.2L, 0.001L, list);  // exactly 201
    EXPECT_EQ(list.nvalues, 201);
    isoplethvalues(0, 0.2005L, 0.001L, list);  // 201 and the appended high would make 202
    EXPECT_EQ(list.nvalues, 101);
    EXPECT_NEAR(static_cast<double>(list.values[101]), 0.2005, 1e-15);
}

// Phases: g (x(g) in 0..1), bi, pure q.
void isophases() {
    pdtest::addbinary("g", "py", {1}, "alm", {2});
    pdtest::addbinary("bi", "phl", {1}, "ann", {3});
    pdtest::addpure("q", {0, 1});
    reactions.var = 2;
}

TEST(ReadModeIsopleths, ScriptZeroModesAndTypedValues) {
    {
        pdtest::pdworld w;
        isophases();
        settings.modeisoinfo[1] = {"g", 0.1L, 0.3L, 0.1L};
        settings.modeisoinfo[2] = {"q", 0.2L, 0.2L, 0.001L};
        EXPECT_EQ(w.run(readmodeisopleths), -1) << w.out();
        EXPECT_EQ(pd.niso, 2);
        EXPECT_EQ(pd.nmodeisos, 2);
        expectvalues(pd.iso[1], {0.1, 0.2, 0.3});
        expectvalues(pd.iso[2], {0.2});
        EXPECT_TRUE(phases.prec1[1].isomode);
        EXPECT_EQ(phases.prec0[1].isomodevalue, 2);
        EXPECT_TRUE(pd.requiredphase[1]);
        EXPECT_FALSE(pd.requiredphase[3]);  // only solution phases become required
        EXPECT_TRUE(w.has("mode of g set to values between 0.1 and 0.3\nmode of q set to 0.2\n")) << w.out();
    }
    {
        pdtest::pdworld w;
        isophases();
        settings.zeromodeiso = 0;
        settings.zeromodeisonames[1] = "bi";
        EXPECT_EQ(w.run(readmodeisopleths), -1);
        expectvalues(pd.iso[1], {0});
        EXPECT_TRUE(w.has("mode of bi set to zero\n"));
        EXPECT_FALSE(pd.lowvarpseudo);
    }
    {
        pdtest::pdworld w("2\n0.25\n");
        isophases();
        settings.zeromodeiso = 1;
        EXPECT_EQ(w.run(readmodeisopleths), -1) << w.out();
        EXPECT_TRUE(w.has("you may set modal proportions, from: g bi q\n"));
        EXPECT_TRUE(w.has("\nspecifying mode isopleths for bi:\n"));
        expectvalues(pd.iso[1], {0.25});
    }
    {
        pdtest::pdworld w("\n");
        isophases();
        settings.zeromodeiso = 1;
        EXPECT_EQ(w.run(readmodeisopleths), -1);
        EXPECT_TRUE(w.has("no modes set\n"));
        EXPECT_TRUE(pd.lowvarpseudo);
        EXPECT_FALSE(pd.massbalance);
    }
}

TEST(ReadModeIsopleths, FatalAnswers) {
    struct faultcase {
        std::string answers;
        std::string message;
    };
    const std::vector<faultcase> cases = {
        {"g\n0.5 0.1 0.1\n", "isopleth values inappropriate"},
        {"g\n0.1 0.5 0\n", "isopleth values inappropriate"},
        {"g\n1\n", "isopleth values inappropriate"},  // a mode of 1 is refused
        {"g\n0.1 0.2\n", "1 or 3 numbers expected"},
        {"4\n", "position for isopleth out of range"},
        {"opx\n", "opx not recognised"},
    };
    for (const faultcase& c : cases) {
        pdtest::pdworld w(c.answers);
        isophases();
        settings.zeromodeiso = 1;
        EXPECT_EQ(w.run(readmodeisopleths), 1);
        EXPECT_TRUE(w.has(" : " + c.message)) << c.answers << w.out();
    }
    pdtest::pdworld w;
    isophases();
    settings.modeisoinfo[1] = {"g", 0.1L, 0.3L, 0.1L};
    settings.zeromodeiso = 0;
    settings.zeromodeisonames[1] = "q";
    settings.zeromodeisonames[2] = "g";
    EXPECT_EQ(w.run(readmodeisopleths), 1);
    EXPECT_TRUE(w.has(" : phase overlap2 between modeisopleth and zeromodeiso"));
}

TEST(ReadXco2Values, FluidRequiredWindowAndMidpoint) {
    pdtest::pdworld w;
    axphase& f = pdtest::addbinary("F", "H2O", {0, 1}, "CO2", {0, 0, 1});
    f.vars[1].name = "x(CO2)";
    pdtest::addpure("q", {1});
    settings.xco2values = 0;
    settings.nxco2values = 3;
    settings.xco2list[1] = 0.1L;
    settings.xco2list[2] = 0.2L;
    settings.xco2list[3] = 0.3L;
    EXPECT_EQ(w.run(readxco2values), -1) << w.out();
    EXPECT_TRUE(pd.requiredphase[1]);
    EXPECT_EQ(pd.nrequired, 1);
    EXPECT_EQ(settings.xco2window[1], 0.1L);
    EXPECT_EQ(settings.xco2window[2], 0.3L);
    EXPECT_NEAR(static_cast<double>(settings.xco2fluid), 0.2, 1e-15);
    EXPECT_NEAR(static_cast<double>(settings.xh2ofluid), 0.8, 1e-15);
    EXPECT_NEAR(static_cast<double>(settings.xh2ocalclist[3]), 0.7, 1e-15);
    EXPECT_TRUE(f.vars[1].fixed);
    EXPECT_EQ(pd.nxyzisos, 1);
    EXPECT_TRUE(w.has("x(CO2) set to values between 0.1 and 0.3\n"));

    pdtest::pdworld w2;
    pdtest::addbinary("g", "py", {1}, "alm", {2});
    EXPECT_EQ(w2.run(readxco2values), 1);
    EXPECT_TRUE(w2.has(" : x(CO2) not present"));
}

TEST(ReadIsopleths, LegalValuesKeptAndTheirMessages) {
    {
        pdtest::pdworld w;
        isophases();
        settings.isoplethinfo[1] = {"x(bi)", 0.2L, 0.4L, 0.1L};
        EXPECT_EQ(w.run(readisopleths), -1) << w.out();
        EXPECT_EQ(pd.niso, 1);
        expectvalues(pd.iso[1], {0.2, 0.3, 0.4});
        EXPECT_TRUE(phases.prec1[2].vars[1].fixed);
        EXPECT_TRUE(pd.requiredphase[2]);
        EXPECT_TRUE(w.has("x(bi) set to values between 0.2 and 0.4\n"));
    }
    {
        // x(g) = 1 makes the first site fraction 0, so 1 is dropped; the user goes on.
        pdtest::pdworld w("x(g)\n0.5 1 0.25\ny\n");
        isophases();
        EXPECT_EQ(w.run(readisopleths), -1) << w.out();
        expectvalues(pd.iso[1], {0.5, 0.75});
        EXPECT_TRUE(w.has("one input isopleth value for x(g) leads to"));
        EXPECT_TRUE(w.has("do you want to continue? "));
    }
    {
        pdtest::pdworld w("1\n1\n");
        isophases();
        EXPECT_EQ(w.run(readisopleths), 1);
        EXPECT_TRUE(w.has("the input isopleth value for x(g) leads to"));
        EXPECT_TRUE(w.has(" : no legal isopleth values for x(g)"));
    }
    {
        pdtest::pdworld w("x(CO2)\n");
        axphase& f = pdtest::addbinary("F", "H2O", {0, 1}, "CO2", {0, 0, 1});
        f.vars[1].name = "x(CO2)";
        EXPECT_EQ(w.run(readisopleths), 1);
        EXPECT_TRUE(w.has("implementation change\n"));
        EXPECT_TRUE(w.has(" : use the calcx(CO2) script for setting x(CO2)"));
    }
}

TEST(IsoplethLegal, LimitsAndSiteFractions) {
    pdtest::pdworld w;
    axphase& g = pdtest::addbinary("g", "py", {1}, "alm", {2});
    g.vars[1].lower = 0.1L;
    g.vars[1].upper = 0.9L;
    EXPECT_TRUE(isoplethlegal(1, 1, 0.5L));
    EXPECT_FALSE(isoplethlegal(1, 1, 0.05L));  // below the lower limit
    EXPECT_FALSE(isoplethlegal(1, 1, 0.95L));
    g.vars[1].upper = 1;
    EXPECT_FALSE(isoplethlegal(1, 1, 1));      // a site fraction of 0
    g.hasorder = true;
    EXPECT_TRUE(isoplethlegal(1, 1, 5));       // ordered phases are not checked
}

}  // namespace
}  // namespace zt
