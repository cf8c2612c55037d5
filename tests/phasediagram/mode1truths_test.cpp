// Whole mode-1 runs of the end-to-end example system (garnet, plagioclase, kyanite,
// sillimanite, quartz; calcite, wollastonite, CO2), set up from their files as the
// program does, then every point solved again one at a time and checked against truths
// computed here from the end-member formulas and the mixing models of the a-x file:
// the chemical potentials of the end-members are those of a set of component
// potentials (every reaction balances), the modes rebuild the bulk, the site fractions
// are those of the compositional variables and lie within 0..1.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/heaparrays.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/calcloop.h"
#include "phasediagram/services.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

namespace fs = std::filesystem;

constexpr real R = 0.0083144L;

size_t at(int i) { return static_cast<size_t>(i); }
double d(real x) { return static_cast<double>(x); }

// Oxide amounts per formula unit of each end-member, and atoms per formula unit of each
// oxide, written out here rather than taken from the program.
const std::map<std::string, std::map<std::string, real>> formulas = {
    {"gr", {{"CaO", 3}, {"Al2O3", 1}, {"SiO2", 3}}},  {"py", {{"MgO", 3}, {"Al2O3", 1}, {"SiO2", 3}}},
    {"an", {{"CaO", 1}, {"Al2O3", 1}, {"SiO2", 2}}},  {"ab", {{"Na2O", 0.5L}, {"Al2O3", 0.5L}, {"SiO2", 3}}},
    {"ky", {{"Al2O3", 1}, {"SiO2", 1}}},              {"sil", {{"Al2O3", 1}, {"SiO2", 1}}},
    {"q", {{"SiO2", 1}}},                             {"cc", {{"CaO", 1}, {"CO2", 1}}},
    {"wo", {{"CaO", 1}, {"SiO2", 1}}},                {"CO2", {{"CO2", 1}}},
    {"H2O", {{"H2O", 1}}},
};
const std::map<std::string, real> oxideatoms = {{"SiO2", 3}, {"Al2O3", 5}, {"CaO", 2}, {"MgO", 2},
                                                {"Na2O", 3}, {"CO2", 3},   {"H2O", 3}};

// The a-x file's models: end-member, its phase, and whether x is its proportion (else 1 - x).
struct emmodel {
    const char* phase;
    bool isx;
    int power;  // of its site fraction in the ideal activity
};
const std::map<std::string, emmodel> models = {
    {"gr", {"g", false, 3}}, {"py", {"g", true, 3}},      {"ab", {"pl", false, 1}},
    {"an", {"pl", true, 1}}, {"H2O", {"fluid", false, 1}}, {"CO2", {"fluid", true, 1}},
};

// W of the binary at P (kbar) and T (K): a + bT + cP; the fluid's H2O-CO2 W is built in.
real wof(const std::string& phase, real P) {
    if (phase == "g") return 10 + 0.1L * P;
    if (phase == "pl") return 3.1L;
    return 10.5L;
}

fs::path casefolder(const std::string& name) { return fs::path(__FILE__).parent_path().parent_path() / "e2e" / name; }

// One mode-1 run of an end-to-end case, taken through the program's own set-up in a
// temporary folder; the state it leaves is that of its last assemblage.
class Mode1Run : public ::testing::Test {
protected:
    testing::tempfolder folder;
    std::unique_ptr<testing::consolecapture> console;

    void start(const std::string& casename, const std::string& answers = "") {
        for (const auto& entry : fs::directory_iterator(casefolder(casename))) {
            if (entry.is_regular_file() && entry.path().filename() != "stdin.txt")
                fs::copy_file(entry.path(), fs::path(folder.path()) / entry.path().filename());
        }
        console = std::make_unique<testing::consolecapture>(answers);
        resetchannels();
        openrun("ZELTRAM 3.51");
        openlog();
        run.calcmodecode = 1;
        run.calcmode = 1;
        initglobals();
        openscriptfile();
        opensidefiles();
        settings.diagrammode = 0;
        nlesetup();
        console->clearoutput();
    }
    void TearDown() override {
        closeall();
        freeglobals();
        console.reset();
        resetchannels();
    }

    // Every phase of the run: the last assemblage of the runs here.
    static phaseflags allphases() {
        phaseflags set{};
        for (int p = 1; p <= phases.nphases; ++p) set[at(p)] = true;
        return set;
    }

    // Solves one point; whether it was reported as a result.
    bool solvepoint(const phaseflags& set) {
        console->clearoutput();
        solve(set);
        // One point a call: it was a success when its result table was written.
        return console->output().find(std::string(60, '-')) != std::string::npos;
    }
};

// The compositional variable of a solution phase in the summary.
real xof(const std::string& phase) {
    for (int s = 1; s <= summary.sumnphases; ++s) {
        if (summary.sumphases[at(s)].name == phase) return summary.sumphases[at(s)].varvalues[1];
    }
    ADD_FAILURE() << "no phase " << phase << " in the summary";
    return 0;
}

// ln a of an end-member at the summary's P and T: site-fraction ideal activity and a
// symmetric binary W; pure end-members and fixed-activity phases have their own.
real lnactivity(const std::string& em, real P, real T) {
    const auto m = models.find(em);
    if (m == models.end()) return 0;
    const real x = xof(m->second.phase);
    const real p = m->second.isx ? x : 1 - x;
    return m->second.power * std::log(p) + wof(m->second.phase, P) * (1 - p) * (1 - p) / (R * T);
}

// Largest difference between the chemical potentials of the working end-members and the
// best fit mu = A lambda over component potentials lambda (least squares, normal
// equations): zero exactly when every balanced reaction among them has delta G = 0.
real potentialmisfit(const std::map<std::string, real>& extrag = {}) {
    const real P = summary.pequil, T = summary.tequil;
    std::vector<std::string> comps;
    for (const auto& [name, atoms] : oxideatoms) comps.push_back(name);
    // The system's components bound the size, which also spares the optimiser a path
    // on which it sees no bound at all.
    const size_t nc = std::min(comps.size(), static_cast<size_t>(maxcomps));
    if (nc != comps.size()) ADD_FAILURE() << "more than " << maxcomps << " components";
    std::vector<std::vector<real>> A;
    std::vector<real> mu;
    for (int e = 1; e <= ws.nem; ++e) {
        const std::string name = ws.emname[at(e)];
        real G = 0;
        const auto fixed = extrag.find(name);
        if (fixed != extrag.end()) {
            G = fixed->second;
        } else {
            gemdriver(static_cast<int16_t>(e), G, P, T);
            G += R * T * lnactivity(name, P, T);
        }
        std::vector<real> row(nc, 0);
        const auto& f = formulas.at(name);
        for (size_t c = 0; c < nc; ++c) {
            const auto it = f.find(comps[c]);
            if (it != f.end()) row[c] = it->second;
        }
        A.push_back(row);
        mu.push_back(G);
    }
    // Normal equations with a tiny ridge for the components no end-member has.
    std::vector<std::vector<real>> N(nc, std::vector<real>(nc + 1, 0));
    for (size_t i = 0; i < nc; ++i) {
        for (size_t j = 0; j < nc; ++j)
            for (size_t e = 0; e < A.size(); ++e) N[i][j] += A[e][i] * A[e][j];
        for (size_t e = 0; e < A.size(); ++e) N[i][nc] += A[e][i] * mu[e];
        if (N[i][i] == 0) N[i][i] = 1;
    }
    for (size_t k = 0; k < nc; ++k) {
        size_t piv = k;
        for (size_t i = k + 1; i < nc; ++i)
            if (std::fabs(N[i][k]) > std::fabs(N[piv][k])) piv = i;
        std::swap(N[k], N[piv]);
        if (std::fabs(N[k][k]) < 1e-30L) continue;
        for (size_t i = 0; i < nc; ++i) {
            if (i == k) continue;
            const real f = N[i][k] / N[k][k];
            for (size_t j = k; j <= nc; ++j) N[i][j] -= f * N[k][j];
        }
    }
    real worst = 0;
    for (size_t e = 0; e < A.size(); ++e) {
        real fit = 0;
        for (size_t c = 0; c < nc; ++c)
            if (std::fabs(N[c][c]) >= 1e-30L) fit += A[e][c] * N[c][nc] / N[c][c];
        worst = std::max(worst, std::fabs(mu[e] - fit));
    }
    return worst;
}

// Oxides per formula unit of a summary phase, from its end-member proportions.
std::map<std::string, real> phaseoxides(const phasesummary& ph) {
    std::map<std::string, real> out;
    if (ph.firstvar > 0) {
        for (const auto& [em, m] : models) {
            if (ph.name != m.phase) continue;
            const real p = m.isx ? ph.varvalues[1] : 1 - ph.varvalues[1];
            for (const auto& [ox, n] : formulas.at(em)) out[ox] += p * n;
        }
    } else {
        out = formulas.at(ph.name);
    }
    return out;
}

// Largest difference between the bulk on a one-atom basis and what the phase modes (one
// atom each) make of it.
real massmisfit(const std::map<std::string, real>& bulk) {
    real bulkatoms = 0;
    for (const auto& [ox, n] : bulk) bulkatoms += n * oxideatoms.at(ox);
    std::map<std::string, real> made;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[at(s)];
        if (!ph.included) continue;
        const auto ox = phaseoxides(ph);
        real atoms = 0;
        for (const auto& [o, n] : ox) atoms += n * oxideatoms.at(o);
        for (const auto& [o, n] : ox) made[o] += ph.mode[1] * n / atoms;
    }
    real worst = 0;
    for (const auto& [ox, n] : bulk) worst = std::max(worst, std::fabs(n / bulkatoms - made[ox]));
    return worst;
}

// Site fractions are 1 - x and x of each binary, within 0..1.
void expectsitefractions() {
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[at(s)];
        if (ph.firstvar <= 0) continue;
        ASSERT_EQ(ph.nsf, 2) << ph.name;
        const real x = ph.varvalues[1];
        EXPECT_NEAR(d(ph.sfvalues[1]), d(1 - x), 1e-12) << ph.name;
        EXPECT_NEAR(d(ph.sfvalues[2]), d(x), 1e-12) << ph.name;
        for (int q = 1; q <= 2; ++q) {
            EXPECT_GE(ph.sfvalues[at(q)], 0) << ph.name;
            EXPECT_LE(ph.sfvalues[at(q)], 1) << ph.name;
        }
    }
}

real modeof(const std::string& phase) {
    for (int s = 1; s <= summary.sumnphases; ++s)
        if (summary.sumphases[at(s)].name == phase) return summary.sumphases[at(s)].mode[1];
    ADD_FAILURE() << "no phase " << phase;
    return -1;
}

// Mode-1 potentials balance within the solver's tolerance, in kJ.
constexpr double mutol = 1e-6;

TEST_F(Mode1Run, LineAtFixedCompositionsBalancesItsReactionAtEveryPoint) {
    start("mode1-line-isopleths", "1\n");
    const phaseflags set = allphases();
    const real pressures[] = {8, 10, 12, 14};
    for (const real P : pressures) {
        settings.nplist = 1;
        settings.plist[1] = P;
        ASSERT_TRUE(solvepoint(set)) << d(P) << console->output();
        EXPECT_NEAR(d(summary.pequil), d(P), 1e-12);
        EXPECT_NEAR(d(xof("g")), 0.7, 1e-12);
        EXPECT_NEAR(d(xof("pl")), 0.5, 1e-12);
        EXPECT_LT(d(potentialmisfit()), mutol) << "P = " << d(P);
        expectsitefractions();
    }
}

TEST_F(Mode1Run, InvariantPointBalancesBothReactions) {
    start("mode1-invariant-point", "abc\n");
    ASSERT_TRUE(solvepoint(allphases())) << console->output();
    EXPECT_LT(d(potentialmisfit()), mutol);
    // ky = sil on its own: G(ky) = G(sil) at the point.
    real gky = 0, gsil = 0;
    for (int e = 1; e <= ws.nem; ++e) {
        if (ws.emname[at(e)] == "ky") gemdriver(static_cast<int16_t>(e), gky, summary.pequil, summary.tequil);
        if (ws.emname[at(e)] == "sil") gemdriver(static_cast<int16_t>(e), gsil, summary.pequil, summary.tequil);
    }
    EXPECT_NEAR(d(gky - gsil), 0, mutol);
}

TEST_F(Mode1Run, GridPointsRebuildTheBulkAndBalance) {
    start("mode1-grid-one-bulk");
    // Halfway between the two script bulks.
    const std::map<std::string, real> bulk = {
        {"SiO2", 60}, {"Al2O3", 17.5L}, {"CaO", 9.5L}, {"MgO", 10.5L}, {"Na2O", 2.5L}};
    const phaseflags set = allphases();
    for (const real P : {8.0L, 12.0L}) {
        for (const real T : {600.0L, 700.0L}) {
            settings.nplist = settings.ntlist = 1;
            settings.plist[1] = P;
            settings.tlist[1] = T + 273.15L;
            ASSERT_TRUE(solvepoint(set)) << d(P) << " " << d(T) << console->output();
            EXPECT_LT(d(potentialmisfit()), mutol);
            EXPECT_LT(d(massmisfit(bulk)), 1e-6);
            real sum = 0;
            for (int s = 1; s <= summary.sumnphases; ++s) {
                EXPECT_GE(summary.sumphases[at(s)].mode[1], 0);
                sum += summary.sumphases[at(s)].mode[1];
            }
            EXPECT_NEAR(d(sum), 1, 1e-9);
            expectsitefractions();
            // Density of the rock: the mass of one mole of its oxides over their volume
            // (the system rows hold the bulk normalised to one mole; kJ/kbar is 10 cm3).
            const std::map<std::string, real> molarmass = {
                {"SiO2", 60.084L}, {"Al2O3", 101.961L}, {"CaO", 56.077L}, {"MgO", 40.304L}, {"Na2O", 61.979L}};
            real mass = 0, moles = 0;
            for (const auto& [ox, n] : bulk) {
                mass += n * molarmass.at(ox);
                moles += n;
            }
            EXPECT_NEAR(d(summary.sysrho[1]), d(mass / moles / (10 * summary.sysv[1])), 1e-4);
        }
    }
}

// The Gibbs energy of the whole rock changes with P as its volume says (dG/dP = V at
// fixed bulk: the change of the phases' compositions and modes adds nothing to first
// order).
TEST_F(Mode1Run, SystemGibbsEnergyFollowsTheSystemVolume) {
    start("mode1-grid-one-bulk");
    const phaseflags set = allphases();
    const real P = 10, T = 650 + 273.15L, h = 0.03L;
    real g[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        settings.nplist = settings.ntlist = 1;
        settings.plist[1] = P + (k == 0 ? -h : h);
        settings.tlist[1] = T;
        ASSERT_TRUE(solvepoint(set)) << console->output();
        g[k] = summary.sysg[1];
    }
    settings.plist[1] = P;
    ASSERT_TRUE(solvepoint(set));
    ASSERT_NE(summary.sysg[1], 0);
    EXPECT_NEAR(d((g[1] - g[0]) / (2 * h)), d(summary.sysv[1]), 1e-5 * std::fabs(d(summary.sysv[1])));
}

TEST_F(Mode1Run, ZeroModeLineHoldsKyaniteAtZeroAcrossTheBulkRange) {
    start("mode1-zero-mode-bulk-range");
    const phaseflags set = allphases();
    const std::map<std::string, real> ends[2] = {
        {{"SiO2", 64}, {"Al2O3", 12}, {"CaO", 11}, {"MgO", 10.5L}, {"Na2O", 2.5L}},
        {{"SiO2", 64}, {"Al2O3", 11}, {"CaO", 12}, {"MgO", 10.5L}, {"Na2O", 2.5L}},
    };
    const real b1[] = {64, 12, 11, 10.5L, 2.5L}, b2[] = {64, 11, 12, 10.5L, 2.5L};
    for (int k = 0; k <= 4; ++k) {
        const real t = k / 4.0L;
        // One bulk at t along the range, as the loop would make it.
        settings.nbulks = 1;
        for (int c = 1; c <= 5; ++c) settings.bulk1[at(c)] = settings.bulk2[at(c)] = (1 - t) * b1[c - 1] + t * b2[c - 1];
        std::map<std::string, real> bulk;
        for (const auto& [ox, n] : ends[0]) bulk[ox] = (1 - t) * n + t * ends[1].at(ox);
        ASSERT_TRUE(solvepoint(set)) << d(t) << console->output();
        EXPECT_EQ(d(modeof("ky")), 0) << d(t);
        EXPECT_LT(d(massmisfit(bulk)), 1e-6) << d(t);
        EXPECT_LT(d(potentialmisfit()), mutol) << d(t);
        expectsitefractions();
    }
}

// The fluid's activities come from its equation of state; taken as the program reports
// them, they must balance the reaction, and lie between the mole fraction (the built-in
// H2O-CO2 interaction is positive) and 1.
TEST_F(Mode1Run, FluidCompositionAtEachXco2Value) {
    start("mode1-xco2-values", "9\n");
    const phaseflags set = allphases();
    for (const real x : {0.2L, 0.4L, 0.6L}) {
        for (const real P : {2.0L, 4.0L}) {
            settings.nplist = 1;
            settings.plist[1] = P;
            pd.iso[1].nvalues = 1;
            pd.iso[1].values[1] = x;
            ASSERT_TRUE(solvepoint(set)) << d(x) << " " << d(P) << console->output();
            EXPECT_NEAR(d(xof("fluid")), d(x), 1e-12);
            const phasesummary& fl = summary.sumphases[1];
            ASSERT_EQ(fl.name, "fluid");
            std::map<std::string, real> fluidmu;
            const real fractions[3] = {0, 1 - x, x};
            for (int j = 1; j <= 2; ++j) {
                const real a = fl.activity[at(j)];
                EXPECT_GE(a, fractions[j]);
                EXPECT_LE(a, 1);
                const std::string em = j == 1 ? "H2O" : "CO2";
                for (int e = 1; e <= ws.nem; ++e) {
                    if (ws.emname[at(e)] != em) continue;
                    real g = 0;
                    gemdriver(static_cast<int16_t>(e), g, summary.pequil, summary.tequil);
                    fluidmu[em] = g + R * summary.tequil * std::log(a);
                }
            }
            EXPECT_LT(d(potentialmisfit(fluidmu)), mutol) << d(x) << " " << d(P);
        }
    }
}

TEST_F(Mode1Run, FixedActivityShiftsTheReactionByRTlnA) {
    start("mode1-fixed-activity");
    const phaseflags set = allphases();
    for (const real P : {2.0L, 3.0L, 4.0L}) {
        settings.nplist = 1;
        settings.plist[1] = P;
        ASSERT_TRUE(solvepoint(set)) << console->output();
        // mu(CO2) = G(CO2) + RT (-1), G from the dataset's entropy of CO2 (the loop holds
        // a shifted one while the activity is fixed).
        real gco2 = 0;
        for (int e = 1; e <= ws.nem; ++e) {
            if (ws.emname[at(e)] != "CO2") continue;
            const real shifted = ws.td[at(e)].S;
            EXPECT_NEAR(d(shifted), d(0.2137L + R), 1e-15);
            ws.td[at(e)].S = 0.2137L;
            gemdriver(static_cast<int16_t>(e), gco2, summary.pequil, summary.tequil);
            ws.td[at(e)].S = shifted;
        }
        EXPECT_LT(d(potentialmisfit({{"CO2", gco2 - R * summary.tequil}})), mutol) << d(P);
    }
}

// Among pure phases the mode-1 line is the line of their one reaction, which the mode-3
// root finder follows in T at each P.
TEST_F(Mode1Run, PurePhaseLineIsTheModeThreeLineOfItsReaction) {
    start("mode1-fixed-activity");
    const phaseflags set = allphases();
    for (const real P : {2.0L, 3.0L, 4.0L}) {
        settings.nplist = 1;
        settings.plist[1] = P;
        ASSERT_TRUE(solvepoint(set)) << console->output();
        ASSERT_EQ(reactions.nreac, 1);
        calcreaclnk();
        real T = 0, T2 = 0, a = 0, b = 0, c = 0, e = 0;
        findt(1, false, T, P, settings.xco2fluid, settings.xh2ofluid, T2, a, b, c, e);
        // The root finder stops within 10^-(1 + tdecimals) K.
        EXPECT_NEAR(d(summary.tequil), d(T), 2e-3) << d(P);
        EXPECT_EQ(T2, nosecondroot);
    }
}

TEST_F(Mode1Run, FixedChemicalPotentialIsThatOfItsPhase) {
    start("mode1-fixed-mu");
    const phaseflags set = allphases();
    for (const real T : {550.0L, 600.0L, 650.0L}) {
        settings.ntlist = 1;
        settings.tlist[1] = T + 273.15L;
        ASSERT_TRUE(solvepoint(set)) << console->output();
        EXPECT_LT(d(potentialmisfit({{"CO2", -545}})), mutol) << d(T);
    }
}

}  // namespace
}  // namespace zt
