#include "phasediagram/variance.h"

#include "pdfixture.h"
#include "reactions/services.h"

namespace zt {
namespace {

TEST(CalcVariance, PhaseRuleOverTheCompositionRank) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    // g spans A and B, bi spans C and D-with-A; q is pure B: rank 4, three phases.
    pdtest::addbinary("g", "a", {1, 0, 0, 0}, "b", {0, 1, 0, 0});
    pdtest::addbinary("bi", "c", {0, 0, 1, 0}, "d", {1, 0, 0, 1});
    pdtest::addpure("q", {0, 1, 0, 0});
    EXPECT_EQ(calcvariance(), 4 + 2 - 3);
    settings.nmu = 1;
    EXPECT_EQ(calcvariance(), 2);
    settings.nmu = 0;
    pdtest::addpure("ab", {1, 1, 0, 0});  // in the span already: rank stays 4
    EXPECT_EQ(calcvariance(), 4 + 2 - 4);
}

TEST(VarianceName, WordsAndNumbers) {
    const std::vector<std::pair<int16_t, std::string>> cases = {
        {0, "invariant"}, {1, "univariant"}, {2, "divariant"}, {3, "trivariant"},
        {4, "quadrivariant"}, {6, "6-variant"}, {-1, "-1-variant"}};
    for (const auto& [v, word] : cases) {
        channels.linebuf2 = "x ";
        variancename(v);
        EXPECT_EQ(channels.linebuf2, "x " + word);
    }
}

TEST(VarCalc, EffectiveVarianceAndItsLimits) {
    enum modes { nomodes, afterthesolve, massbalance };
    struct varcase {
        bool pseudosection, xco2diagram;
        modes howmodes;
        int16_t ovar, niso, nmodeisos, nxyzisos;
        int16_t var;
        bool stillpseudo;
        std::string line;  // empty: the run ends
        std::string fatal;
    };
    const std::vector<varcase> cases = {
        {true, false, massbalance, 5, 2, 1, 1, 0, true, "\noriginal variance = 5, effective variance = 0  (1, 1)\n", ""},
        {false, false, nomodes, 3, 1, 0, 1, 2, false, "\noriginal variance = 3, effective variance = 2  (0, 1)\n", ""},
        {false, false, nomodes, 2, 0, 0, 0, 2, false, "original variance = 2, effective variance = 2  (0, 0)\n", ""},
        {true, true, afterthesolve, 2, 0, 0, 0, 2, false, "original variance = 2, effective variance = 2  (0, 0, ex)\n", ""},
        {true, true, massbalance, 3, 1, 1, 0, 2, true, "\noriginal variance = 3, effective variance = 2  (1, 0, ex)\n", ""},
        // Without the mass balance a univariant assemblage is calculated as a line: in P-T,
        // or in T-x(CO2) with the fluid held at its x(CO2) values; an invariant one as a point.
        {true, false, afterthesolve, 2, 0, 0, 0, 2, true, "original variance = 2, effective variance = 2  (0, 0)\n", ""},
        {true, false, afterthesolve, 1, 0, 0, 0, 1, true, "original variance = 1, effective variance = 1  (0, 0)\n", ""},
        {true, true, afterthesolve, 2, 1, 0, 1, 1, true, "\noriginal variance = 2, effective variance = 1  (0, 1, ex)\n", ""},
        {true, false, nomodes, 0, 0, 0, 0, 0, true, "original variance = 0, effective variance = 0  (0, 0)\n", ""},
        // With it, a zero mode takes one degree of freedom whatever the assemblage's variance.
        {true, false, massbalance, 1, 1, 1, 0, 1, true, "\noriginal variance = 1, effective variance = 1  (1, 0)\n", ""},
        {false, false, nomodes, 4, 1, 0, 1, 3, false, "", "variance > 2"},
        {false, false, nomodes, 1, 2, 1, 1, -1, false, "", "variance < 0"},
    };
    for (const varcase& c : cases) {
        pdtest::pdworld w;
        settings.pseudosection = c.pseudosection;
        settings.xco2diagram = c.xco2diagram;
        pd.lowvarpseudo = c.howmodes == afterthesolve;
        pd.massbalance = c.howmodes == massbalance;
        pd.ovar = c.ovar;
        pd.niso = c.niso;
        pd.nmodeisos = c.nmodeisos;
        pd.nxyzisos = c.nxyzisos;
        const int code = w.run(varcalc);
        EXPECT_EQ(reactions.var, c.var);
        if (c.fatal.empty()) {
            EXPECT_EQ(code, -1);
            EXPECT_EQ(w.out(), c.line);
            EXPECT_EQ(settings.pseudosection, c.stillpseudo);
            // A run that is no pseudosection has no modes to find.
            if (!c.stillpseudo) {
                EXPECT_FALSE(pd.lowvarpseudo || pd.massbalance);
            }
        } else {
            EXPECT_EQ(code, 1);
            EXPECT_TRUE(w.has("-- run bombed in varcalc : " + c.fatal));
        }
    }
}

}  // namespace
}  // namespace zt
