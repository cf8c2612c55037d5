#include "numeric/crossrefs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "eqfixture.h"
#include "fatalreport.h"

namespace zt {
namespace {

using namespace eqtest;

// A phase of n end-members and n - 1 variables that nothing evaluates.
axphase& wide(int k, int n) {
    axphase& a = soln(k);
    resetaxphase(a);
    a.shortname = "w" + std::to_string(k);
    a.nem = static_cast<int16_t>(n);
    a.nvars = static_cast<int16_t>(n - 1);
    for (int j = 1; j <= n; ++j) a.em[static_cast<size_t>(j)].name = a.shortname + "e" + std::to_string(j);
    for (int v = 1; v < n; ++v) a.vars[static_cast<size_t>(v)].name = "v" + std::to_string(v) + "(" + a.shortname + ")";
    if (phases.nsolnphases < k) phases.nsolnphases = static_cast<int16_t>(k);
    return a;
}

TEST(CrossRefs, TwoSolutionPhasesAndASinglePhaseWithModes) {
    reseteqworld();
    setcomponents(3);
    garnet(1, 1);
    axphase& b = wide(2, 4);
    b.modestart = 0.25L;
    b.isomode = true;
    b.isomodevalue = 3;
    b.vars[2].fixed = true;
    b.vars[2].isovalue = 2;
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L)).modestart = 0.1L;
    setcomp(pure(1), {{1, 1}});
    pure(1).comp[2] = 5;
    pd.massbalance = true;
    makecrossrefs(selection({1, 2}, {1}));

    EXPECT_EQ(eq.nvar, 7);
    EXPECT_EQ(eq.nxp, 3);
    EXPECT_EQ(eq.nsolnmodes, 2);
    EXPECT_EQ(eq.nfixedvars, 1);
    EXPECT_EQ(ws.nem, 8);
    EXPECT_EQ(ws.nrems, 8);
    EXPECT_TRUE(eq.phasestart[1] && eq.phasestart[4]);
    EXPECT_FALSE(eq.phasestart[2] || eq.phasestart[8]);
    EXPECT_EQ(eq.phasefirstvar[1], 3);
    EXPECT_EQ(eq.phasefirstvar[4], 5);
    EXPECT_EQ(eq.phaseofstart[4], 2);
    EXPECT_EQ(ws.emname[8], "q");
    EXPECT_EQ(ws.emname[4], "w2e1");
    EXPECT_EQ(ws.c[2][8], 5);
    EXPECT_EQ(eq.purephaseofem[8], 1);
    EXPECT_EQ(eq.calcvarnames[1], "P(kbar)");
    EXPECT_EQ(eq.calcvarnames[2], std::string("T(\xA1" "C)"));
    EXPECT_EQ(eq.calcvarnames[3], "x(g)");
    const char* modes[] = {"g", "w2", "q"};
    for (int m = 1; m <= 3; ++m) {
        const size_t g = static_cast<size_t>(7 + m);
        EXPECT_EQ(eq.calcvarnames[g], modes[m - 1]);
        EXPECT_EQ(eq.calcvarlowkind[g], 2);
        EXPECT_EQ(eq.calcvarhighkind[g], 2);
        EXPECT_EQ(eq.calcvartol[g], 0.0001L);
    }
    EXPECT_EQ(eq.modephase[2], 2);
    EXPECT_EQ(eq.modefirstvar[2], 5);
    EXPECT_EQ(eq.modephase[3], 1);
    EXPECT_EQ(eq.modefirstvar[3], 0);
    EXPECT_EQ(eq.modeisopleth[1], -1);
    EXPECT_EQ(eq.modeisopleth[2], 0.25L);
    EXPECT_EQ(eq.modeisopleth[3], 0.1L);
    EXPECT_TRUE(eq.calcvarfree[8]);
    EXPECT_FALSE(eq.calcvarfree[9]);
    EXPECT_EQ(eq.variso[9], 3);
    EXPECT_FALSE(eq.calcvarfree[6]);
    EXPECT_EQ(eq.variso[6], 2);

    EXPECT_EQ(summary.sumnphases, 3);
    const phasesummary& s2 = summary.sumphases[2];
    EXPECT_EQ(s2.name, "w2");
    EXPECT_EQ(s2.firstvar, 5);
    EXPECT_EQ(s2.nem, 4);
    EXPECT_EQ(s2.varnames[3], "v3(w2)");
    EXPECT_EQ(s2.emlines[4], "w2e4");
    EXPECT_TRUE(s2.included);
    const phasesummary& s3 = summary.sumphases[3];
    EXPECT_EQ(s3.name, "q");
    EXPECT_EQ(s3.nem, 1);
    EXPECT_EQ(s3.firstvar, 0);
    EXPECT_EQ(s3.phaseno, 1);
}

TEST(CrossRefs, FluidPhaseOfAnXco2DiagramAndFixedActivityPhases) {
    reseteqworld();
    setcomponents(2);
    idealbinary(1);
    fluidbinary(2, "fluid");
    soln(2).fluid = true;
    soln(2).vars[1].fixed = true;
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    purephase(2, "ru", solid(-944.4L, 0.0506L, 1.882L));
    settings.nlna = 1;
    settings.lnanames[1] = "ru";
    settings.xco2diagram = true;
    pd.fluidtype = 5;
    pd.xco2fluidphase = 2;
    pd.massbalance = true;
    makecrossrefs(selection({1, 2}, {1, 2}));

    EXPECT_EQ(eq.xco2var, 4);
    EXPECT_TRUE(eq.xco2fixed);
    EXPECT_EQ(eq.nsolnmodes, 1);
    EXPECT_EQ(eq.nxp, 2);
    EXPECT_EQ(eq.calcvarnames[6], "q");
    EXPECT_EQ(ws.emname[6], "ru");  // keeps its end-member
    EXPECT_FALSE(summary.sumphases[2].included);
    EXPECT_TRUE(summary.sumphases[2].fluid);
    EXPECT_FALSE(summary.sumphases[4].included);
    EXPECT_TRUE(summary.sumphases[3].included);

    // Not an H2O-CO2 fluid: the variable is not the x(CO2) one.
    pd.fluidtype = 3;
    makecrossrefs(selection({1, 2}, {1, 2}));
    EXPECT_EQ(eq.xco2var, 0);
    EXPECT_FALSE(eq.xco2fixed);
}

TEST(CrossRefs, LimitRowsAndSiteFractionChecksFollowTheirPhasesColumns) {
    reseteqworld();
    axphase& a = garnet(1, 1);  // no limit rows, three site fractions, one bounded
    a.sfbound[2] = true;
    axphase& b = twosite(2);
    b.nlimrows = 1;
    b.limrownum[1] = {0, 1, -2, 3};
    b.limrowden[1] = {0, 1, 3, 4};
    axphase& c = idealbinary(3);
    c.simplesf = true;
    makecrossrefs(selection({1, 2, 3}, {}));

    EXPECT_EQ(eq.nvar, 7);
    ASSERT_EQ(eq.nvarlim, 1);
    const auto& num = eq.varlimnum[1];
    const auto& den = eq.varlimden[1];
    EXPECT_EQ(num[5], 1);
    EXPECT_EQ(num[6], -2);
    EXPECT_EQ(den[6], 3);
    EXPECT_EQ(num[8], 3);  // the constant, in column nvar + 1
    EXPECT_EQ(den[8], 4);
    EXPECT_EQ(num[3], 0);
    EXPECT_EQ(den[3], 1);
    ASSERT_EQ(eq.nsfcheck, 6);
    EXPECT_EQ(eq.sfcheckindex[2], 3);
    EXPECT_EQ(eq.sfcheckphase[3], 2);
    EXPECT_EQ(eq.sfcheckvar[3], 5);
    EXPECT_EQ(eq.nxp, 0);
}

TEST(CrossRefs, MadeEndMembersPointAtTheirMake) {
    reseteqworld();
    axphase& a = idealbinary(1);
    a.em[2].nmake = 2;
    a.em[2].props.cpa = 0.3L;
    purephase(1, "mk", solid(-10, 0.001L, 0.1L)).nmake = 1;
    purephase(2, "q", solid(-910.7L, 0.0415L, 2.269L));
    makecrossrefs(selection({1}, {1, 2}));
    EXPECT_EQ(ws.td[1].cpa, a.em[1].props.cpa);
    EXPECT_EQ(ws.td[1].makeentry, 0);
    EXPECT_EQ(ws.td[2].H, a.em[2].props.H);
    EXPECT_EQ(ws.td[2].cpa, 0);
    EXPECT_EQ(ws.td[2].makephase, 1);
    EXPECT_EQ(ws.td[2].makeentry, 2);
    EXPECT_EQ(ws.td[3].makephase, 0);
    EXPECT_EQ(ws.td[3].makeentry, 1);
    EXPECT_EQ(ws.td[4].makeentry, 0);

    ds.oldds = true;
    makecrossrefs(selection({1}, {1, 2}));
    EXPECT_EQ(ws.td[2].cpa, 0.3L);
    EXPECT_EQ(ws.td[2].makeentry, 0);
}

TEST(CrossRefs, LowVariancePseudosectionNamesTheModesItComputesLater) {
    reseteqworld();
    fluidbinary(1, "fluid");
    soln(1).fluid = true;
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    purephase(2, "ru", solid(-944.4L, 0.0506L, 1.882L));
    settings.nlna = 1;
    settings.lnanames[1] = "ru";
    settings.xco2diagram = true;
    pd.lowvarpseudo = true;
    makecrossrefs(selection({1}, {1, 2}));
    EXPECT_EQ(eq.nxp, 0);
    EXPECT_EQ(eq.calcvarnames[4], "fluid");
    EXPECT_EQ(eq.calcvarnames[6], "ru");
    EXPECT_TRUE(eq.calcvarfree[6]);
}

struct overflowcase {
    const char* name;
    std::function<phaseselection()> build;
    const char* message;
    bool internal;
};

void PrintTo(const overflowcase& c, std::ostream* os) { *os << c.name; }

// n phases of 15 end-members and 14 variables, the last of lastn end-members.
phaseselection widephases(int n, int lastn = 15) {
    for (int k = 1; k <= n; ++k) wide(k, k == n ? lastn : 15);
    phaseselection s{};
    for (int k = 1; k <= n; ++k) s[static_cast<size_t>(k)] = true;
    return s;
}

const overflowcase overflows[] = {
    {"endmembers",
     [] {
         phaseselection s = widephases(27);
         for (int k = 1; k <= 27; ++k) soln(k).nvars = 0;
         return s;
     },
     "too many end-members", false},
    {"variables", [] { return widephases(7); }, "too many variables", false},
    {"varlims",
     [] {
         phaseselection s = widephases(3);
         for (int k = 1; k <= 3; ++k) soln(k).nlimrows = 20;
         return s;
     },
     "too many varlims", false},
    {"sitefractions",
     [] {
         phaseselection s = widephases(2);
         for (int k = 1; k <= 2; ++k) soln(k).nsf = 26;
         return s;
     },
     "no site fractions not handled too big", true},
    {"solutionmodes",
     [] {
         pd.massbalance = true;
         return widephases(6, 14);  // nvar 85, six modes
     },
     "too many modes-1", false},
    {"singlemodes",
     [] {
         pd.massbalance = true;
         phaseselection s = widephases(6, 13);  // nvar 84, six modes fill the table
         purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
         s[static_cast<size_t>(phases.nsolnphases + 1)] = true;
         return s;
     },
     "too many modes-2", false},
    {"namedlatermodes",
     [] {
         pd.lowvarpseudo = true;
         return widephases(6, 14);
     },
     "too many modes-3", false},
    {"summary",
     [] {
         phaseselection s{};
         for (int p = 1; p <= 16; ++p) {
             purephase(p, "p" + std::to_string(p), solid(-100, 0.01L, 1));
             s[static_cast<size_t>(p)] = true;
         }
         return s;
     },
     "too many summary phases (max = 15) ", false},
};

class CrossRefsOverflow : public ::testing::TestWithParam<overflowcase> {};

TEST_P(CrossRefsOverflow, EndsTheRunNamingTheLimit) {
    const overflowcase& c = GetParam();
    reseteqworld();
    for (int p = 1; p <= 16; ++p) resetemphaserec(pure(p));
    const phaseselection s = c.build();
    const std::string report = testing::fatalreport([&] { makecrossrefs(s); });
    EXPECT_NE(report.find(testing::bombline("makecrossrefs", c.message)), std::string::npos) << report;
    EXPECT_EQ(report.find(testing::internalmark) != std::string::npos, c.internal);
}

INSTANTIATE_TEST_SUITE_P(Limits, CrossRefsOverflow, ::testing::ValuesIn(overflows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zt
