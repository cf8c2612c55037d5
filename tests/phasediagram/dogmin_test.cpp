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
    return testing::filetext(path.string());
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

// A single point (or a grid of np x nt) set up for the books, console only.
struct bookworld : pdtest::pdworld {
    explicit bookworld(int16_t level, int np = 1, int nt = 1) {
        settings.dogminon = true;
        settings.dogminlevel = level;
        settings.nplist = static_cast<int16_t>(np);
        settings.ntlist = static_cast<int16_t>(nt);
        for (int i = 1; i <= np; ++i) settings.plist[at(i)] = 4 + i;
        for (int j = 1; j <= nt; ++j) settings.tlist[at(j)] = 800 + 50 * j;
        pd.ndogminequils = pd.assemblagecount = 0;
        setupdogmin();
    }
    // The next assemblage at point 1 with system G g.
    void point(real g, bool counted, int16_t status = 0) {
        ++pd.assemblagecount;
        pd.dogminpointno = 1;
        pd.currentsysg = g;
        ls.assemblage.fill(false);
        ls.assemblage[at(pd.assemblagecount % 3 + 1)] = true;
        ls.status = status;
        dogmin(ls, false, counted);
    }
    loopstate ls;
};

TEST(DogminBooks, LeastGGapAndCountPerPoint) {
    struct step {
        real g;
        bool counted;
    };
    struct bookcase {
        const char* what;
        std::vector<step> steps;
        real gmin, gap;
        int16_t count, eqno;
    };
    const bookcase cases[] = {
        {"a first G above zero is a minimum", {{5, true}}, 5, 100, 1, 1},
        {"equal least G: the first keeps it", {{-3, true}, {-3, true}}, -3, 0, 2, 1},
        {"uncounted equilibria are ignored", {{-1, true}, {-9, false}, {-4, true}}, -4, 3, 2, 3},
        {"the gap follows the second best", {{-2, true}, {-7, true}, {-5, true}}, -7, 2, 3, 2},
        {"a higher G after the minimum narrows the gap", {{-6, true}, {-1, true}, {-5.5L, true}}, -6, 0.5L, 3, 1},
    };
    for (const bookcase& c : cases) {
        bookworld w(0);
        for (const step& s : c.steps) w.point(s.g, s.counted);
        const dogminpoint& p = dm.dogminpoints[1];
        EXPECT_EQ(p.count, c.count) << c.what;
        EXPECT_EQ(p.eqno, c.eqno) << c.what;
        EXPECT_NEAR(static_cast<double>(p.gmin), static_cast<double>(c.gmin), 1e-15) << c.what;
        EXPECT_NEAR(static_cast<double>(p.gap), static_cast<double>(c.gap), 1e-15) << c.what;
        EXPECT_EQ(p.phaseset[at(c.eqno % 3 + 1)], true) << c.what;
        EXPECT_EQ(pd.ndogminequils, c.count) << c.what;
    }
}

TEST(DogminBooks, KeptModesStayAtTheirSummaryPositions) {
    bookworld w(0);
    summary.sumnphases = 3;
    const bool included[] = {false, true, false, true};
    const real modes[] = {0, 0.25L, -1, 0.75L};
    for (int i = 1; i <= 3; ++i) {
        summary.sumphases[at(i)].included = included[i];
        summary.sumphases[at(i)].mode[1] = modes[i];
    }
    w.point(-1, true);
    const dogminequil& e = dm.dogminequils[1];
    EXPECT_EQ(e.modes[1], 0.25L);
    EXPECT_EQ(e.modes[2], 0);  // the pseudo-phase, not its -1 nor the next phase's mode
    EXPECT_EQ(e.modes[3], 0.75L);
    EXPECT_EQ(e.g, -1);
    EXPECT_EQ(dm.savedsummary.sumnphases, 3);
}

TEST(DogminBooks, AGridKeepsNoEquilibriaAndRaisesTheLevel) {
    bookworld w(0, 2, 3);
    EXPECT_EQ(dm.ndogminpoints, 6);
    EXPECT_EQ(settings.dogminlevel, 2);
    // Pressure outer, temperature inner.
    EXPECT_EQ(dm.dogminpoints[4].P, 6);
    EXPECT_EQ(dm.dogminpoints[4].T, 850);
    ++pd.assemblagecount;
    for (int16_t k = 1; k <= 6; ++k) {
        pd.dogminpointno = k;
        pd.currentsysg = -k;
        dogmin(w.ls, false, true);
    }
    EXPECT_EQ(pd.ndogminequils, 0);
    EXPECT_EQ(dm.dogminpoints[6].gmin, -6);
    EXPECT_EQ(dm.savedsummary.sumnphases, 0);
}

TEST(DogminSummary, NothingCountedAtOnePointGivesOneLineAndNoStaleSummary) {
    bookworld w(2);
    // What an earlier repetition left behind is cleared by the set-up.
    dm.savedsummary.sumnphases = 1;
    dm.savedsummary.sumphases[1].name = "stale";
    setupdogmin();
    w.point(0, false, 8);
    w.point(0, false, 3);
    dogminsummary();
    const std::string out = w.out();
    EXPECT_NE(out.find(std::string(58, '#') + "\nno equilibrium found\n"), std::string::npos) << out;
    for (const char* absent : {"stale", "Gibbs energy minimisation gives", "Gibbs energy minimisation info",
                               "assemblage modes", "mode "}) {
        EXPECT_EQ(out.find(absent), std::string::npos) << absent << "\n" << out;
    }
}

// The rows of the near-minimum table: eqno and G of each.
std::vector<std::pair<int, double>> nearminimumrows(const std::string& out) {
    std::vector<std::pair<int, double>> rows;
    const size_t start = out.find("assemblage modes for minimum G");
    if (start == std::string::npos) return rows;
    std::istringstream in(out.substr(start));
    std::string line;
    std::getline(in, line);  // title
    std::getline(in, line);  // blank
    std::getline(in, line);  // head
    while (std::getline(in, line) && !line.empty()) {
        std::istringstream r(line);
        int eqno = 0;
        double g = 0;
        if (!(r >> eqno >> g)) break;
        rows.emplace_back(eqno, g);
    }
    return rows;
}

TEST(DogminSummary, NearMinimumTableByIncreasingGWithinTwoAtMostTwentyRows) {
    for (int n : {12, 199, 200}) {
        bookworld w(1);
        std::vector<std::pair<real, int>> all;
        for (int i = 1; i <= n; ++i) {
            // Repeating values give ties; the spread reaches past 2 above the least.
            const real g = -10 + ((i * 37) % 50) * 0.1L;
            w.point(g, true);
            all.emplace_back(g, i);
        }
        dogminsummary();
        const auto rows = nearminimumrows(w.out());
        if (n == 200) {
            EXPECT_TRUE(rows.empty()) << "200 kept equilibria give no table";
            continue;
        }
        std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<int, double>> want;
        for (const auto& [g, i] : all) {
            if (want.size() == 20 || g - all[0].first > 2 + 1e-12L) break;
            want.emplace_back(i, static_cast<double>(g));
        }
        ASSERT_EQ(rows.size(), want.size()) << "n = " << n;
        for (size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(rows[k].first, want[k].first) << "n = " << n << ", row " << k;
            EXPECT_NEAR(rows[k].second, want[k].second, 1e-9);
        }
    }
}

TEST(DogminSummary, CompositionTableStartsNewLinesWhenThePageIsFull) {
    bookworld w(0);
    summary.sumnphases = 1;
    phasesummary& ph = summary.sumphases[1];
    ph.name = "z";
    ph.included = true;
    ph.nem = 10;
    for (int i = 1; i <= 9; ++i) {
        ph.varnames[at(i)] = "v" + std::to_string(i);
        ph.varvalues[at(i)] = 0.1L * i;
    }
    ph.mode[1] = 1;
    w.point(-1, true);
    channels.dontwrap = false;  // a full line is as wide as the page: the console would cut it
    dogminsummary();
    std::istringstream in(w.out());
    std::string line;
    std::vector<std::string> heads;
    while (std::getline(in, line)) {
        EXPECT_LE(line.size(), static_cast<size_t>(channels.pagewidth)) << line;
        if (line.find("v") != std::string::npos && line.find("Gibbs") == std::string::npos) heads.push_back(line);
    }
    const std::string deg(1, static_cast<char>(0xA1));
    ASSERT_EQ(heads.size(), 2u) << w.out();
    EXPECT_EQ(heads[0], "   P(kbar)     T(" + deg + "C)        v1        v2        v3        v4        v5        v6");
    EXPECT_EQ(heads[1], std::string(20, ' ') + "        v7        v8        v9");
}

TEST(DogminFatal, GridAndEquilibriaLimits) {
    {
        pdtest::pdworld w;
        settings.dogminon = true;
        settings.dogminlevel = 0;
        settings.nplist = settings.ntlist = 11;
        EXPECT_EQ(pdtest::pdworld::run([] { setupdogmin(); }), 1);
        EXPECT_NE(w.out().find("-- run bombed in setup dogmin : too many PT (max 120\n"), std::string::npos) << w.out();
    }
    {
        bookworld w(0);
        pd.ndogminequils = 199;
        w.point(-1, true);  // the 200th is kept
        EXPECT_EQ(pd.ndogminequils, 200);
        EXPECT_EQ(pdtest::pdworld::run([&] { w.point(-2, true); }), 1);
        const std::string out = w.out();
        const size_t advice = out.find("\nuse less phases and/or have more phases in excess\n");
        const size_t report = out.find("-- run bombed in dogmin : too many equilibria");
        EXPECT_NE(advice, std::string::npos) << out;
        EXPECT_NE(report, std::string::npos) << out;
        EXPECT_LT(advice, report);
    }
}

TEST(DogminSummary, InExcessPhasesGetTheirOwnColumnsAfterTheColon) {
    bookworld w(1);
    pdtest::addpure("a", {1});
    pdtest::addpure("b", {1});
    pdtest::addpure("c", {1});
    pd.excessphase[2] = true;
    // Two assemblages, each with b in excess; summary phases in phase order.
    struct eqcase {
        std::vector<int> set;
        std::vector<real> modes;
        real g;
    };
    const eqcase eqs[] = {{{1, 2}, {0.6L, 0.4L}, -2}, {{2, 3}, {0.3L, 0.7L}, -1.5L}};
    for (const eqcase& e : eqs) {
        ++pd.assemblagecount;
        pd.dogminpointno = 1;
        pd.currentsysg = e.g;
        w.ls.assemblage.fill(false);
        summary.sumnphases = static_cast<int16_t>(e.set.size());
        summary.ovar = 2;
        for (size_t k = 0; k < e.set.size(); ++k) {
            w.ls.assemblage[at(e.set[k])] = true;
            phasesummary& ph = summary.sumphases[k + 1];
            ph.name = std::string(1, static_cast<char>('a' + e.set[k] - 1));
            ph.included = true;
            ph.nem = 1;
            ph.mode[1] = e.modes[k];
        }
        dogmin(w.ls, false, true);
    }
    dogminsummary();
    const std::string out = w.out();
    EXPECT_NE(out.find("Gibbs energy minimisation gives the divariant assemblage a b \n"
                       "with, in excess, b, also trying assemblages involving c\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Gibbs energy minimisation info at P = 5.00 kbar and T = 576."), std::string::npos) << out;
    EXPECT_NE(out.find("    #       a       c  :       b            G      odel       del\n"
                       "    1   0.600      -   :   0.400     -2.00000         -         -\n"
                       "    2      -    0.700  :   0.300     -1.50000   0.50000   0.50000\n"),
              std::string::npos)
        << out;
}

}  // namespace
}  // namespace zt
