// Gibbs-energy minimisation: the least-G assemblage against a hand check of G from the
// end-member routines, the books kept per point, the summary's edge cases and its fatal
// reports.
#include "phasediagram/dogmin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainloop.h"
#include "numeric/summary.h"
#include "phasediagram/pdfixture.h"
#include "phasediagram/resultseams.h"
#include "runtime/prefs.h"
#include "support/testsupport.h"
#include "thermo/datasetreader.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/thermofixture.h"

namespace zt {
namespace {

using pdtest::at;

std::string casefile(const std::string& folder, const std::string& name) {
    const auto path = std::filesystem::path(__FILE__).parent_path().parent_path() / "e2e" / folder / name;
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs the program on the files of an end-to-end case, with the script of that name.
void runcase(const testing::tempfolder& folder, const std::string& casename, const std::string& script) {
    for (const char* name : {"zt-ds62gm.txt", "zt-gm.txt"}) folder.writefile(name, casefile(casename, name));
    folder.writefile("zt-" + script + ".txt", casefile(casename, "zt-" + script + ".txt"));
    folder.writefile("zt-prefs.txt", "dsfile 62gm\nscriptfile " + script + "\ncalcmode 1\n*\n");
    testing::consolecapture console;
    ASSERT_EQ(testing::exitcodeof([] { runprogram(); }), -1) << console.output();
}

// End-member G from the case's dataset, read again through the dataset reader.
struct handg {
    handg() {
        testing::resetthermo();
        prefs.dssuffix = "62gm";
        testing::consolecapture quiet;
        readthermo(1);
        testing::setworkingnames({"and", "sil", "q", "coe", "en", "fo"});
        readthermo(2);
        readthermo(3);
    }
    static real g(const char* name, real P, real T) {
        real G = 0;
        gemdriver(findem(name), G, P, T);
        return G;
    }
    // The ideal and-sil solution at internal equilibrium: mu(and) = mu(sil).
    static real xsil(real P, real T) {
        const real d = (g("and", P, T) - g("sil", P, T)) / (gasconst * T);
        return std::exp(d) / (1 + std::exp(d));
    }
    static real gw(real P, real T) { return g("and", P, T) + gasconst * T * std::log(1 - xsil(P, T)); }
    static real phaseg(const std::string& name, real P, real T) { return name == "w" ? gw(P, T) : g(name.c_str(), P, T); }
};

// Phase numbers of the case: the solution phase first, then the pure phases as listed.
const char* const phasenames[] = {"", "w", "q", "coe", "en", "fo"};

// The bulk SiO2 2.5, Al2O3 1, MgO 1 (per mole of oxides) in each assemblage that can make
// it: moles of each phase by mass balance. w takes all the Al2O3.
struct candidate {
    std::vector<std::string> phases;
    std::vector<real> moles;
};
const candidate candidates[] = {
    {{"w", "q", "en"}, {1 / 4.5L, 0.5L / 4.5L, 1 / 4.5L}},
    {{"w", "q", "fo"}, {1 / 4.5L, 1 / 4.5L, 0.5L / 4.5L}},
    {{"w", "coe", "en"}, {1 / 4.5L, 0.5L / 4.5L, 1 / 4.5L}},
    {{"w", "coe", "fo"}, {1 / 4.5L, 1 / 4.5L, 0.5L / 4.5L}},
};

real candidateg(const candidate& c, real P, real T) {
    real G = 0;
    for (size_t i = 0; i < c.phases.size(); ++i) G += c.moles[i] * handg::phaseg(c.phases[i], P, T);
    return G;
}

std::string setnames(const phaseflags& set) {
    std::string s;
    for (int p = 1; p <= 5; ++p) {
        if (set[at(p)]) s += std::string(s.empty() ? "" : " ") + phasenames[p];
    }
    return s;
}

TEST(DogminPipeline, EveryGridPointGetsTheAssemblageOfLeastHandG) {
    testing::tempfolder folder;
    runcase(folder, "mode1-dogmin-grid", "grid");
    ASSERT_EQ(dm.ndogminpoints, 6);
    handg reader;
    std::vector<std::string> winners;
    for (int k = 1; k <= dm.ndogminpoints; ++k) {
        const dogminpoint& pt = dm.dogminpoints[at(k)];
        const candidate* best = nullptr;
        real gbest = 0, gsecond = 0;
        for (const candidate& c : candidates) {
            const real G = candidateg(c, pt.P, pt.T);
            if (best == nullptr || G < gbest) {
                gsecond = best == nullptr ? G + 100 : gbest;
                best = &c;
                gbest = G;
            } else if (G < gsecond) {
                gsecond = G;
            }
        }
        std::string want;
        for (const std::string& n : best->phases) want += (want.empty() ? "" : " ") + n;
        const std::string where = "P = " + std::to_string(static_cast<double>(pt.P)) +
                                  ", T = " + std::to_string(static_cast<double>(pt.T));
        EXPECT_EQ(setnames(pt.phaseset), want) << where;
        EXPECT_NEAR(static_cast<double>(pt.gmin), static_cast<double>(gbest), 1e-6) << where;
        EXPECT_NEAR(static_cast<double>(pt.gap), static_cast<double>(gsecond - gbest), 1e-6) << where;
        EXPECT_EQ(pt.count, 4) << where;  // w en fo cannot make the bulk
        winners.push_back(want);
    }
    // The grid crosses the quartz-coesite change and the forsterite + quartz = enstatite
    // reaction, so no single assemblage wins everywhere.
    EXPECT_NE(std::count(winners.begin(), winners.end(), winners[0]), static_cast<long>(winners.size()));
}

TEST(DogminPipeline, SinglePointGIsTheSumOfPhaseGTimesTheirAmounts) {
    testing::tempfolder folder;
    runcase(folder, "mode1-dogmin-point", "point");
    ASSERT_EQ(dm.ndogminpoints, 1);
    const dogminpoint& pt = dm.dogminpoints[1];
    const summaryrecord& s = dm.savedsummary;
    handg reader;
    // Modes are atom fractions: moles = mode x atoms of the bulk / atoms of the phase.
    const real bulkatoms = (2.5L * 3 + 5 + 2) / 4.5L;
    auto atomsof = [](const std::string& n) { return n == "w" ? 8 : n == "en" ? 5 : n == "fo" ? 7 : 3; };
    real G = 0, modesum = 0;
    std::string names;
    for (int i = 1; i <= s.sumnphases; ++i) {
        const phasesummary& ph = s.sumphases[at(i)];
        G += ph.mode[1] * bulkatoms / atomsof(ph.name) * handg::phaseg(ph.name, pt.P, pt.T);
        modesum += ph.mode[1];
        names += (names.empty() ? "" : " ") + ph.name;
    }
    EXPECT_EQ(names, "w coe en");
    EXPECT_NEAR(static_cast<double>(modesum), 1, 1e-9);
    EXPECT_NEAR(static_cast<double>(G), static_cast<double>(pt.gmin), 1e-6);
    EXPECT_NEAR(static_cast<double>(s.sumphases[1].varvalues[1]), static_cast<double>(handg::xsil(pt.P, pt.T)), 1e-7);
    // Every counted equilibrium is kept with its modes by summary position and its G.
    ASSERT_EQ(pd.ndogminequils, 4);
    for (int i = 1; i <= 4; ++i) {
        const dogminequil& e = dm.dogminequils[at(i)];
        const candidate& c = candidates[i - 1];  // enumerated in the same order
        EXPECT_EQ(setnames(e.phaseset), c.phases[0] + " " + c.phases[1] + " " + c.phases[2]);
        EXPECT_NEAR(static_cast<double>(e.g), static_cast<double>(candidateg(c, pt.P, pt.T)), 1e-6);
        for (int k = 1; k <= 3; ++k) {
            EXPECT_NEAR(static_cast<double>(e.modes[at(k)]),
                        static_cast<double>(c.moles[at(k - 1)] * atomsof(c.phases[at(k - 1)]) / bulkatoms), 1e-9);
        }
    }
}

}  // namespace
}  // namespace zt
