#include "ax/fluidphases.h"

#include <gtest/gtest.h>

#include <vector>

#include "ax/contract.h"
#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

// An ideal phase of the given end-members: x_v is the proportion of end-member v + 1.
std::string idealphase(const std::string& name, const std::vector<std::string>& ems, const std::string& mixing = "ideal") {
    const int n = static_cast<int>(ems.size());
    std::string t = name + " " + std::to_string(n) + " 1\n";
    for (int v = 1; v < n; ++v) t += "  x" + std::to_string(v) + "(" + name + ") 0.1\n";
    // 1 - x1 - .. - x(n-1), split in two terms beyond 12 items
    const int first = n - 1 <= 12 ? n - 1 : 7;
    std::string oneminus = std::string(n - 1 <= 12 ? " 1" : " 2") + " 1 1 " + std::to_string(first);
    for (int v = 1; v <= first; ++v) oneminus += " -1 " + std::to_string(v);
    if (first < n - 1) {
        oneminus += " 1 0 " + std::to_string(n - 1 - first);
        for (int v = first + 1; v < n; ++v) oneminus += " -1 " + std::to_string(v);
    }
    t += "  p(" + ems[0] + ")" + oneminus + "\n";
    for (int v = 1; v < n; ++v) t += "  p(" + ems[static_cast<size_t>(v)] + ") 1 1 0 1 1 " + std::to_string(v) + "\n";
    t += "  " + mixing + "\n";
    if (mixing != "ideal") {
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) t += "  W(" + ems[static_cast<size_t>(i)] + "," + ems[static_cast<size_t>(j)] + ") 0 0 0\n";
        }
    }
    t += "  " + std::to_string(n) + "\n  s1" + oneminus + "\n";
    for (int v = 1; v < n; ++v) t += "  s" + std::to_string(v + 1) + " 1 1 0 1 1 " + std::to_string(v) + "\n";
    for (int j = 0; j < n; ++j) t += "  " + ems[static_cast<size_t>(j)] + " 1 1 s" + std::to_string(j + 1) + " 1\n";
    return t;
}

TEST(FluidPhases, FluidPhasesGetSpeciesAndEveryPair) {
    axworld w;
    ASSERT_EQ(w.readax(idealphase("fluid", {"H2O", "CO2", "CH4"}) + idealphase("flA", {"H2O", "CO2"})), -1) << w.out();
    const axphase& f = soln(1);
    EXPECT_TRUE(f.fluid);
    EXPECT_FALSE(f.aq);
    EXPECT_EQ(f.model, 2);
    EXPECT_EQ(f.h2oem, 1);
    EXPECT_EQ(f.co2em, 2);
    EXPECT_EQ(f.em[3].species, 3);
    ASSERT_EQ(f.ngterm, 3);
    EXPECT_EQ(f.gterm[2].emi, 1);
    EXPECT_EQ(f.gterm[2].emj, 3);
    EXPECT_EQ(f.gterm[3].wi, 3);
    EXPECT_FALSE(soln(2).fluid);
    EXPECT_EQ(soln(2).em[1].species, 0);
    EXPECT_EQ(fluidtable.nfluidspecies, 8);
    EXPECT_EQ(fluidtable.fluidspecies[7], "H2S");
    EXPECT_EQ(fluidtable.fluidw[2][1], 10.5L);
    EXPECT_EQ(fluidtable.fluidw[3][7], 4.15L);
    EXPECT_EQ(fluidtable.fluidw[4][3], 0);
    EXPECT_EQ(fluidtable.fluidtcrit[8], 259.6L);
    EXPECT_EQ(fluidtable.fluidpcrit[5], 0.0211L);
}

TEST(FluidPhases, ContractionRenumbersTheWaterAndCarbonDioxideEndMembers) {
    struct row {
        std::vector<std::string> ems;
        int zerovar;
        int16_t h2oem, co2em;
    };
    const row rows[] = {
        {{"H2O", "CO2", "CH4"}, 1, 1, 0},  // x(CO2) = 0: CO2 goes, CH4 moves down to 2
        {{"CH4", "H2O", "CO2"}, 1, 0, 2},  // no H2O left; CO2 moves down to 2
    };
    for (const row& r : rows) {
        axworld w;
        ASSERT_EQ(w.readax(idealphase("fluid", r.ems)), -1) << w.out();
        axphase& f = soln(1);
        f.vars[static_cast<size_t>(r.zerovar)].value = 0;
        contractphase(1);
        ASSERT_EQ(f.nem, 2);
        EXPECT_EQ(f.h2oem, r.h2oem) << r.ems[0];
        EXPECT_EQ(f.co2em, r.co2em) << r.ems[0];
        EXPECT_EQ(f.em[static_cast<size_t>(f.h2oem)].name, f.h2oem > 0 ? "H2O" : "");
        EXPECT_EQ(f.em[static_cast<size_t>(f.co2em)].name, f.co2em > 0 ? "CO2" : "");
    }
}

TEST(FluidPhases, AqueousPhaseGetsTheHardWiredPairFirst) {
    axworld w;
    ASSERT_EQ(w.readax(axtest::replaced(idealphase("aq", {"H2O", "CO2", "NaCl"}, "sf"), "NaCl 1 1 s3 1",
                                        "NaCl 1 1 s3 1 make 2 Na+ 1/2 Cl- 1/2")),
              -1)
        << w.out();
    const axphase& a = soln(1);
    EXPECT_TRUE(a.aq);
    EXPECT_EQ(a.model, 2);
    ASSERT_EQ(a.ngterm, 4);
    EXPECT_EQ(a.gterm[1].wi, 1);
    EXPECT_EQ(a.gterm[1].emi, 1);
    EXPECT_EQ(a.gterm[1].emj, 2);
    EXPECT_EQ(a.gterm[2].wi, 1);
    EXPECT_EQ(a.gterm[4].wi, 3);
    EXPECT_EQ(a.gterm[4].emi, 2);
}

TEST(FluidPhases, ReservedAndUnknownSpeciesEndTheRun) {
    struct row {
        std::string text;
        const char* message;
    };
    const std::string fifteen[] = {"H2O", "CO2", "py", "alm", "gr", "q", "ky", "sill", "and", "ab", "an", "mt", "hem", "ru", "fo"};
    const row rows[] = {
        {idealphase("g", {"py", "CO2"}), "CO2 not in fluid/aq"},
        {idealphase("fluid", {"H2O", "O2"}), "O2 not implemented in fluid coding"},
        {idealphase("fluid", {"H2O", "N2"}), "end-member name in fluid not recognised"},
        {idealphase("aq", {"H2O", "CO2", "CH4"}), "fluid name in aq not just H2O and CO2"},
        {idealphase("aq", {"ab", "H2O"}), "1st H2O-CO2 aq end-member must be \"H2O\""},
        {idealphase("aq", {"H2O", "ab", "CO2"}), "2nd H2O-CO2 aq end-member must be \"CO2\""},
        {axtest::replaced(idealphase("aq", {"H2O", "CO2"}, "sf"), "W(H2O,CO2) 0 0 0", "W(H2O,CO2) 1 0 0"),
         "set W(H2O-CO2) = 0 (its value is then hard-wired)"},
        {idealphase("aq", std::vector<std::string>(std::begin(fifteen), std::end(fifteen)), "sf"),
         "too many gterms in aq (max = 105) "},
    };
    for (const row& r : rows) {
        axworld w;
        settings.axnamechecks = false;
        ds.dsnames[static_cast<size_t>(++ds.ntp)] = "N2";
        EXPECT_EQ(w.readax(r.text), 1) << r.message;
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
}

}  // namespace
}  // namespace zt
