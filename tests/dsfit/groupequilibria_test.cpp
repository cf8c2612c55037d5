#include "dsfit/groupequilibria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>

#include "dsfit/assembly.h"
#include "dsfit/brackets.h"
#include "dsfit/fitinput.h"
#include "dsfit/lsq.h"
#include "dsfit/xpequilibria.h"
#include "fitfixture.h"
#include "runtime/textfile.h"
#include "runtime/records/equilibriumstate.h"
#include "reactions/services.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

using fittest::emindex;
using fittest::fitworld;

constexpr real R = 0.0083144L;

// Enstatite joins the fixture's end-members, so that garnet, plagioclase, kyanite,
// quartz and enstatite make a univariant equilibrium in CaO-MgO-Al2O3-SiO2.
const std::string emfile = std::string(fittest::emfile6).substr(0, std::string(fittest::emfile6).size() - 2) +
                           "en     enstatite\n   4 1.0  1 1.0  10 3.0  0\n   0   -1545.000\n   0.06630\n   3.1330\n"
                           "   0.3562  -0.0000030  -596.9  -3.1853\n   0.0000227\n   1059.0   8.65\n \n*\n";

// The header and the two reactions of the univariant equilibrium; the runs follow.
const std::string group = "0\n0\n1 g an ky q en univariant unknowncomps\n 2 1  gasp-en\n"
                          "an gr ky q\n -3 1 2 1\npy q en ky\n -1 -1 3 1\n";

// G of a fit end-member as the refinement evaluates it.
real gfit(const std::string& name, real T, real P)
{
    real G = 0;
    gem(emindex(name), G, P, T);
    return G;
}

// sum nu G0 + RT ln Q of the two reactions with a(gr) = x^3 and a(py) = (1 - x)^3.
real gasp(real T, real P, real x)
{
    return gfit("gr", T, P) + 2 * gfit("ky", T, P) + gfit("q", T, P) - 3 * gfit("an", T, P) + R * T * 3 * std::log(x);
}
real enreaction(real T, real P, real x)
{
    return 3 * gfit("en", T, P) + gfit("ky", T, P) - gfit("py", T, P) - gfit("q", T, P) - R * T * 3 * std::log(1 - x);
}

// T of the gasp reaction at P and x, by bisection.
real gaspT(real P, real x)
{
    real lo = 500, hi = 2000;
    for (int i = 0; i < 100; ++i) {
        const real mid = (lo + hi) / 2;
        (gasp(mid, P, x) * gasp(lo, P, x) > 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// Places the equilibrium at x(g) = xtrue and P: T from the gasp reaction, then the
// enthalpy of enstatite that puts the second reaction there too.
real placeequilibrium(real P, real xtrue)
{
    const real T = gaspT(P, xtrue);
    fit.tda[static_cast<size_t>(emindex("en"))].H -= enreaction(T, P, xtrue) / 3;
    return T;
}

// T of the univariant at P: x(g) follows from the gasp reaction at T in closed
// form, T is where the second reaction holds too (scanned, then bisected).
real univariantT(real P)
{
    auto xat = [P](real T) { return std::exp(-gasp(T, P, 1) / (3 * R * T)); };
    auto f = [&](real T) { return enreaction(T, P, xat(T)); };
    real lo = 0, hi = 0;
    for (real T = 700; T < 1500 && hi == 0; T += 5) {
        const real x1 = xat(T), x2 = xat(T + 5);
        if (x1 > 0 && x1 < 1 && x2 > 0 && x2 < 1 && f(T) * f(T + 5) <= 0) {
            lo = T;
            hi = T + 5;
        }
    }
    EXPECT_GT(hi, 0) << P;
    for (int i = 0; i < 80; ++i) {
        const real mid = (lo + hi) / 2;
        (f(mid) * f(lo) > 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

std::string num(real x) { return std::to_string(static_cast<double>(x)); }

// Runs placed either side of the true univariant of a known dataset, with compositions
// left to the fit, are fitted back: the fitted reactions lie within their brackets and
// anorthite, whose loosely held calorimetry is 8 kJ off, stays near its true enthalpy.
TEST(FitGroupEquilibria, SyntheticUnknownCompositionExperimentsFitBack)
{
    std::string xp, runs;
    std::array<real, 10> truth{};
    int16_t ian = 0;
    {
        fitworld w;
        w.writeinputs("0\n0\n0\n", emfile);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        placeequilibrium(5, 0.3L);
        ian = emindex("an");
        for (int j = 1; j <= fit.ntpfit; ++j) {
            const fitemrecord& f = fit.tda[static_cast<size_t>(j)];
            truth[static_cast<size_t>(j)] = f.H;
            xp += "1 " + f.name + " " + num(j == ian ? f.H + 8 : f.H) + (j == ian ? " 40\n" : " 0.05\n");
        }
        for (real p : {4.5L, 5.0L, 5.5L}) {
            const real tc = univariantT(p) - 273.15L;
            runs += "1 " + num(p) + " " + num(tc - 15) + " 0\n0 " + num(p) + " " + num(tc + 15) + " 0\n";
        }
    }
    fitworld w;
    w.writeinputs(xp + group + runs + "-1\n0\n", emfile);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_TRUE(fit.xp[1].guesscomps);
    fit.tda[static_cast<size_t>(emindex("en"))].H = truth[static_cast<size_t>(emindex("en"))];
    ASSERT_EQ(testing::exitcodeof([] {
                  for (int16_t k = 1; k <= 3; ++k) {
                      assemblelsq(k);
                      qr();
                      for (int j = 1; j <= fit.ntpfit; ++j) fit.tda[static_cast<size_t>(j)].H = fit.theta[static_cast<size_t>(j)];
                  }
              }),
              -1)
        << w.out();
    for (int e = 1; e <= 2; ++e) {
        SCOPED_TRACE(e);
        evaluaterecord(e);
        const fitexprec& r = fit.xp[static_cast<size_t>(e)];
        ASSERT_FALSE(r.onesided);
        real fitted = 0;
        for (int i = 1; i <= r.nrx; ++i)
            fitted += r.rxcoef[static_cast<size_t>(i)] * fit.tda[static_cast<size_t>(r.rxem[static_cast<size_t>(i)])].H;
        EXPECT_GE(fitted, r.hlow);
        EXPECT_LE(fitted, r.hhigh);
    }
    // The calculated compositions at the runs are those of the true univariant.
    EXPECT_NEAR(static_cast<double>(fit.xp[1].brackets[3].xyz[1]), 0.3, 0.01);
    EXPECT_LT(std::fabs(static_cast<double>(fit.tda[static_cast<size_t>(ian)].H - truth[static_cast<size_t>(ian)])), 4);
}

// A reversed pair at one P either side of the true equilibrium: the first run is solved
// for T and the compositions of both records, the second takes the first's. The
// solved point satisfies both reactions and every reaction of the solver is balanced.
TEST(FitGroupEquilibria, UnivariantWithUnknownCompositionsIsSolved)
{
    fitworld w;
    w.writeinputs(group + "0 5 700 0\n1 5 700 0\n-1\n0\n", emfile);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    const real Ttrue = placeequilibrium(5, 0.3L);
    ASSERT_GT(Ttrue, 700);
    ASSERT_LT(Ttrue, 1500);
    for (int e = 1; e <= 2; ++e) {
        fit.xp[static_cast<size_t>(e)].brackets[1].t = Ttrue - 30;
        fit.xp[static_cast<size_t>(e)].brackets[2].t = Ttrue + 30;
    }
    dittobrackets(1);
    ASSERT_TRUE(fit.xp[1].brackets[2].sameP);

    ASSERT_EQ(testing::exitcodeof([] {
                  setupfitcomps(1);
                  calcass(1, 2, false);
              }),
              -1)
        << w.out();
    for (int e = 1; e <= 2; ++e) {
        const bracketrec& b = fit.xp[static_cast<size_t>(e)].brackets[1];
        EXPECT_EQ(b.pcalc, 5) << e;
        EXPECT_NEAR(static_cast<double>(b.tcalc), static_cast<double>(Ttrue), 1e-3) << e;
        EXPECT_NEAR(static_cast<double>(b.xyz[1]), 0.3, 1e-6) << e;
        const bracketrec& second = fit.xp[static_cast<size_t>(e)].brackets[2];
        if (e == 1) {
            EXPECT_EQ(second.tcalc, 273.15L);
            EXPECT_EQ(second.pcalc, 0);
        }
        // One calculation serves the pair: the second run's activities come from the
        // composition just solved, not from what it held before.
        EXPECT_EQ(second.xyz[1], b.xyz[1]) << e;
    }
    const bracketrec& b = fit.xp[1].brackets[1];
    EXPECT_NEAR(static_cast<double>(gasp(b.tcalc, b.pcalc, b.xyz[1])), 0, 1e-5);
    EXPECT_NEAR(static_cast<double>(enreaction(b.tcalc, b.pcalc, b.xyz[1])), 0, 1e-5);

    // Element balance of the solver's reactions, from the end-member file's compositions.
    ASSERT_EQ(reactions.nreac, 2);
    std::map<int, real> balance;
    for (int i = 1; i <= reactions.nreac; ++i) {
        balance.clear();
        for (int j = 1; j <= ws.nem; ++j) {
            const int16_t nu = reactions.r[static_cast<size_t>(i)][static_cast<size_t>(j)];
            const fitemrecord& f = fit.tda[static_cast<size_t>(emindex(ws.emname[static_cast<size_t>(j)]))];
            for (int p = 1; p <= f.npairs; ++p) balance[f.comp[static_cast<size_t>(p)]] += nu * f.amount[static_cast<size_t>(p)];
        }
        for (const auto& [comp, amount] : balance) EXPECT_NEAR(static_cast<double>(amount), 0, 1e-12) << i << " " << comp;
    }

    // The T window reaches 600 K either side of the runs, but not below 373 K.
    const real tmin = std::max(Ttrue - 630, 373.0L);
    EXPECT_NEAR(static_cast<double>(-eq.toffset / eq.tscale), static_cast<double>(tmin), 1e-9);
    EXPECT_NEAR(static_cast<double>(1 / eq.tscale), static_cast<double>(Ttrue + 630 - tmin), 1e-9);
}

// A record flipped by the bracket combination holds the runs of a pair the other way
// round: the solved point goes to the run it was solved at, wherever that run stands.
TEST(FitGroupEquilibria, TheSolvedPointReachesTheSameRunOfAFlippedRecord)
{
    fitworld w;
    w.writeinputs(group + "0 5 700 0\n1 5 700 0\n-1\n0\n", emfile);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    const real Ttrue = placeequilibrium(5, 0.3L);
    for (int e = 1; e <= 2; ++e) {
        fit.xp[static_cast<size_t>(e)].brackets[1].t = Ttrue - 30;
        fit.xp[static_cast<size_t>(e)].brackets[2].t = Ttrue + 30;
    }
    dittobrackets(1);
    fitexprec& flipped = fit.xp[2];
    std::swap(flipped.brackets[1], flipped.brackets[2]);
    ASSERT_EQ(testing::exitcodeof([] {
                  setupfitcomps(1);
                  calcass(1, 2, false);
              }),
              -1)
        << w.out();
    const bracketrec& solved = flipped.brackets[2];
    ASSERT_EQ(solved.run, 1);
    EXPECT_NEAR(static_cast<double>(solved.tcalc), static_cast<double>(Ttrue), 1e-3);
    EXPECT_NEAR(static_cast<double>(solved.xyz[1]), 0.3, 1e-6);
    // Its partner takes the composition, not the solved T.
    EXPECT_EQ(flipped.brackets[1].tcalc, 0);
    EXPECT_EQ(flipped.brackets[1].xyz[1], solved.xyz[1]);
}

// Orthopyroxene with Fe-Mg order beside forsterite, fayalite and quartz: calculating
// the univariant frees T, the composition and the state of order together. At the point
// solved en = fo + q, fs = fa + q and en + fs = 2 fm all hold with the ideal two-site
// activities written here, and the phase is ordered.
TEST(FitGroupEquilibria, UnivariantSolvesTheStateOfOrderWithTheComposition)
{
    fitworld w;
    w.writeinputs("0\n0\n1 opx fo fa q univariant unknowncomps\n 2 1  opx-ol-q\nen fo q\n -1 1 1\nfs fa q\n -1 1 1\n"
                  "0 10 650 0\n1 10 750 0\n-1\n0\n",
                  fittest::emfileopx, fittest::axopx);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    dittobrackets(1);
    ASSERT_EQ(testing::exitcodeof([] {
                  setupfitcomps(1);
                  calcass(1, 2, false);
              }),
              -1)
        << w.out();
    ASSERT_EQ(reactions.nreac, 3);
    const bracketrec& b = fit.xp[1].brackets[1];
    ASSERT_GT(b.tcalc, 273.15L) << "not converged";
    EXPECT_EQ(b.pcalc, 10);
    const real T = b.tcalc, P = b.pcalc, x = b.xyz[1], Q = b.xyz[2];
    EXPECT_EQ(fit.xp[2].brackets[1].xyz[2], Q);
    const real mgm1 = 1 - x + Q, fem1 = x - Q, mgm2 = 1 - x - Q, fem2 = x + Q;
    ASSERT_GT(std::min({mgm1, fem1, mgm2, fem2}), 0);
    const real aen = mgm1 * mgm2, afs = fem1 * fem2, afm = mgm1 * fem2;
    auto g = [&](const char* name) { return gfit(name, T, P); };
    EXPECT_NEAR(static_cast<double>(g("fo") + g("q") - g("en") - R * T * std::log(aen)), 0, 1e-5);
    EXPECT_NEAR(static_cast<double>(g("fa") + g("q") - g("fs") - R * T * std::log(afs)), 0, 1e-5);
    EXPECT_NEAR(static_cast<double>(2 * g("fm") - g("en") - g("fs") + R * T * std::log(afm * afm / (aen * afs))), 0, 1e-5);
    EXPECT_GT(Q, 0.01L);
}

// Divariant: P and T stay the run's, the composition alone is solved. Grossular as a
// garnet end-member of its own, or made from the dataset's grossular (the same G), gives
// the same composition.
TEST(FitGroupEquilibria, DivariantSolvesTheCompositionAtTheRun)
{
    const std::string madeax =
        "g 2 1\n x(g) 0.5\n p(py) 1 1 1 1 -1 x\n p(kg) 1 1 0 1 1 x\n ideal\n 2\n"
        " xMg 1 1 1 1 -1 x\n xCa 1 1 0 1 1 x\n py 1 1 xMg 3\n kg 1 1 xCa 3 make 1 gr 1\n";
    for (const std::string& ax : {std::string(fittest::axfile), madeax}) {
        SCOPED_TRACE(ax);
        fitworld w;
        w.writeinputs("0\n0\n1 g an ky q divariant\n 1 1  gasp\nan gr ky q\n -3 1 2 1\n0 5 700 0 0.5\n-1\n0\n",
                      fittest::emfile6, ax);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        ASSERT_EQ(testing::exitcodeof([] {
                      setupfitcomps(1);
                      calcass(1, 3, false);
                  }),
                  -1)
            << w.out();
        const bracketrec& b = fit.xp[1].brackets[1];
        EXPECT_EQ(b.pcalc, 5);
        EXPECT_EQ(b.tcalc, 973.15L);
        const real x = eq.varvalue[3];
        EXPECT_GT(x, 0);
        EXPECT_LT(x, 1);
        EXPECT_NEAR(static_cast<double>(gasp(973.15L, 5, x)), 0, 1e-5);
        EXPECT_EQ(b.xyz[1], 0.5L);  // compositions are kept unless unknown
    }
}

// An equilibrium the solver cannot reach is no result; while printing, an experiment
// with unknown compositions asks whether to stop.
TEST(FitGroupEquilibria, UnconvergedUnivariant)
{
    struct answercase {
        const char* answer;
        bool stops;
    };
    for (const answercase& c : {answercase{"no\n", false}, answercase{"yes\n", true}}) {
        SCOPED_TRACE(c.answer);
        fitworld w(c.answer);
        w.writeinputs(group + "0 5 700 0\n-1\n0\n", emfile);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        fit.xp[1].brackets[1].t = fit.xp[2].brackets[1].t = placeequilibrium(5, 0.3L);
        // Enstatite far too stable: no garnet composition balances the second reaction.
        fit.tda[static_cast<size_t>(emindex("en"))].H -= 300;
        fit.unconvcount = 0;
        fit.fitexpdesc = "g an ky q en  (gasp-en)";
        const int code = testing::exitcodeof([] {
            setupfitcomps(1);
            calcass(1, 2, true);
        });
        EXPECT_NE(w.out().find("is a \"not converged\" univariant with unknown comps"), std::string::npos) << w.out();
        EXPECT_EQ(fit.unconvcount, 1);
        if (c.stops) {
            EXPECT_TRUE(w.bombedwith("this univariant not converged")) << w.out();
            continue;
        }
        ASSERT_EQ(code, -1) << w.out();
        EXPECT_EQ(fit.xp[1].brackets[1].tcalc, 273.15L);
        EXPECT_EQ(fit.xp[1].brackets[1].pcalc, 0);
    }
}

// With compositions given on the run lines, an unconverged univariant is reported in
// its row, but it asks nothing and does not stop the dataset from being written.
TEST(FitGroupEquilibria, UnconvergedUnivariantWithGivenCompositions)
{
    fitworld w;  // no console answers: a question would end the run
    std::string known = group;
    known.replace(known.find(" univariant unknowncomps"), std::string(" univariant unknowncomps").size(), " univariant");
    w.writeinputs(known + "0 5 700 0 0.3\n-1\n0\n", emfile);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_FALSE(fit.xp[1].unknowncomps);
    fit.xp[1].brackets[1].t = fit.xp[2].brackets[1].t = placeequilibrium(5, 0.3L);
    fit.tda[static_cast<size_t>(emindex("en"))].H -= 300;
    fit.unconvcount = 0;
    openforwriting(channels.files[chsummary], "summary.txt");
    channels.outchannels = 1 | 4;
    const int code = testing::exitcodeof([] {
        setupfitcomps(1);
        calcass(1, 2, true);
    });
    flushall();
    closetextfile(channels.files[chsummary]);
    channels.outchannels = 1;
    ASSERT_EQ(code, -1) << w.out();
    EXPECT_EQ(fit.unconvcount, 0);
    EXPECT_EQ(w.out().find("not converged\" univariant"), std::string::npos) << w.out();
    EXPECT_NE(w.folder.readfile("summary.txt").find("  not converged  (?not in T window: "), std::string::npos)
        << w.folder.readfile("summary.txt");
    EXPECT_EQ(fit.xp[1].brackets[1].tcalc, 273.15L);
    EXPECT_EQ(fit.xp[1].brackets[1].pcalc, 0);
    // The given composition stands.
    EXPECT_EQ(fit.xp[1].brackets[1].xyz[1], 0.3L);
}

// Phases that do not make the equilibrium the experiment is labelled, and more solution
// phases than the working slots, end the run with a report.
TEST(FitGroupEquilibria, GroupsTheSolverCannotTakeEndTheRun)
{
    std::string ax5;
    for (int k = 1; k <= 5; ++k) {
        const std::string n = std::to_string(k);
        ax5 += "g" + n + " 2 1\n x(g" + n + ") 0.5\n p(py) 1 1 1 1 -1 x\n p(gr) 1 1 0 1 1 x\n ideal\n 2\n"
               " xMg 1 1 1 1 -1 x\n xCa 1 1 0 1 1 x\n py 1 1 xMg 3\n gr 1 1 xCa 3\n";
    }
    struct badcase {
        std::string header, ax, message;
    };
    const badcase cases[] = {
        {"1 g an ky q univariant unknowncomps\n 1 1  gasp\nan gr ky q\n -3 1 2 1\n", fittest::axfile,
         "experiment 1 is not univariant: 1 independent reactions for 2 unknowns"},
        {"1 g1 g2 g3 g4 g5 an ky q divariant\n 1 1  five\nan gr ky q\n -3 1 2 1\n", ax5,
         "too many solution phases in experiment 1 (max = 4) "},
    };
    for (const badcase& c : cases) {
        SCOPED_TRACE(c.message);
        fitworld w;
        w.writeinputs("0\n0\n" + c.header + "0 10 700 0 0.5 0.5 0.5 0.5 0.5\n-1\n0\n", emfile, c.ax);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        const int code = testing::exitcodeof([] {
            setupfitcomps(1);
            calcass(1, fit.xp[1].variance == 1 ? 2 : 3, false);
        });
        EXPECT_NE(code, -1);
        EXPECT_TRUE(w.bombedwith(c.message)) << w.out();
    }
}

}  // namespace
}  // namespace zt
