#include "dsfit/brackets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dsfit/assembly.h"
#include "dsfit/fitinput.h"
#include "dsfit/lsq.h"
#include "dsfit/xpequilibria.h"
#include "fitfixture.h"
#include "thermo/fluids.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using fittest::emindex;
using fittest::fitworld;

real F(real e) { return 0.887L + 0.194L * e + 0.0973L * e * e; }

struct runspec {
    bool dir;
    real p, t, hreq, sd2;
};

// Record 1 with the given runs, paired as the fit pairs them, then combined.
void combine(std::initializer_list<runspec> runs)
{
    fitexprec& r = fit.xp[1];
    r = fitexprec{};
    r.brackets.assign(1, bracketrec{});
    for (const runspec& s : runs) {
        bracketrec b;
        b.dir = s.dir;
        b.p = s.p;
        b.t = s.t;
        b.hreq = s.hreq;
        b.sd2 = s.sd2;
        r.brackets.push_back(b);
        ++r.nbr;
    }
    r.brackets.emplace_back();
    dittobrackets(1);
    combinebrackets(1);
}

TEST(FitBrackets, RunsPairOnlyWithTheRunBeforeThem)
{
    fitworld w;
    combine({{false, 6, 900, -10, 1}, {true, 6, 1000, -5, 1}, {false, 6, 950, -9, 1}, {true, 7, 950, -6, 1}, {false, 8, 950, -9, 1}});
    const fitexprec& r = fit.xp[1];
    EXPECT_TRUE(r.brackets[2].sameP);
    EXPECT_FALSE(r.brackets[2].sameT);
    EXPECT_FALSE(r.brackets[3].sameP);  // run 2 already ends a pair
    EXPECT_TRUE(r.brackets[4].sameT);
    EXPECT_FALSE(r.brackets[5].sameP || r.brackets[5].sameT);
}

TEST(FitBrackets, CombinedBracket)
{
    fitworld w;
    // A consistent pair: the centre is between the limiting runs, the half-width
    // F(gap) times their mean two-sigma.
    combine({{false, 6, 900, -10, 1}, {true, 6, 1000, -5, 1}});
    const fitexprec& a = fit.xp[1];
    EXPECT_FALSE(a.onesided);
    EXPECT_NEAR(static_cast<double>(a.gap), 2.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(a.hlow), static_cast<double>(-7.5L - F(2.5L)), 1e-12);
    EXPECT_NEAR(static_cast<double>(a.hhigh), static_cast<double>(-7.5L + F(2.5L)), 1e-12);
    EXPECT_NEAR(static_cast<double>(a.pairweight), static_cast<double>(1 / F(2.5L)), 1e-12);

    // Three runs on each side at different pressures and temperatures, medians equal to the extremes
    // on both sides: the centre stays midway.
    combine({{false, 1, 901, -5, 1}, {false, 2, 902, -5, 1}, {false, 3, 903, -5, 1},
             {true, 4, 904, -4.5L, 1}, {true, 5, 905, -4.5L, 1}, {true, 6, 906, -4.5L, 1}});
    const fitexprec& b = fit.xp[1];
    EXPECT_EQ(b.pairweight, 0);
    EXPECT_NEAR(static_cast<double>(b.hlow), static_cast<double>(-4.75L - F(1.5L)), 1e-12);
    EXPECT_NEAR(static_cast<double>(b.hhigh), static_cast<double>(-4.75L + F(1.5L)), 1e-12);

    // Runs that all went one way bound one side only.
    combine({{true, 6, 900, -5, 1}});
    EXPECT_TRUE(fit.xp[1].onesided);
    combine({{false, 6, 900, -5, 1}, {false, 7, 900, -4, 1}});
    EXPECT_TRUE(fit.xp[1].onesided);
}

// Three or more runs on a side whose extremes do not leave a gap of m (1.5 here: no
// pairs): the medians of the sides stand in for the extremes, and the centre and the
// factor follow the branch the medians fall in. Every run has sd2 1 (sdpair 1) and its
// own P and T, so none pair.
TEST(FitBrackets, MedianBranchesOfTheCombinedBracket)
{
    struct mediancase {
        const char* what;
        std::vector<real> below, above;  // hreq of the runs with dir false, and true
        real centre, e;
    };
    const mediancase cases[] = {
        // max0 -4, min1 -3.5: gap 0.25 > 0. Medians -6 and -3: d1 = 2, d2 = 0.5,
        // s = (2 x 1.5 - 4 + 3.5) / 2.5 = 1, c = (1 x (0.5 - 2) - 3.5 - 4) / 2 = -4.5.
        {"small gap", {-7, -6, -4}, {-3.5L, -3, -1}, -4.5L, 1.5L},
        // Overlap (max0 -4 above min1 -4.5) with the medians -6, -3.5 outside it:
        // d1 = 2, d2 = 1, s = (3 - 4 + 4.5) / 3 = 7/6, c = (7/6 x (1 - 2) - 8.5) / 2 = -29/6.
        {"overlap inside the medians", {-7, -6, -4}, {-4.5L, -3.5L, -2}, -29.0L / 6, 1.5L},
        // The sides swapped: min1 -6 below the median -2 of the lows, the median -5 of the
        // highs below max0 -1: e = 2 about the medians' mid-point.
        {"sides swapped", {-3, -2, -1}, {-6, -5, -4}, -3.5L, 2},
        // min1 -5 above the low median -7, the high median -3 below max0 -1: e is the
        // medians' gap g = (-3 + 7) / 2 = 2 when above m ...
        {"one-sided overlap, wide medians", {-9, -7, -1}, {-5, -3, 2}, -5, 2},
        // ... and m when g = (-3.5 + 6) / 2 = 1.25 is not.
        {"one-sided overlap, narrow medians", {-8, -6, -1}, {-5, -3.5L, 2}, -4.75L, 1.5L},
    };
    fitworld w;
    for (const mediancase& c : cases) {
        fitexprec& r = fit.xp[1];
        r = fitexprec{};
        r.brackets.assign(1, bracketrec{});
        int k = 0;
        for (bool dir : {false, true}) {
            for (real h : dir ? c.above : c.below) {
                bracketrec b;
                b.dir = dir;
                b.p = 1 + ++k;
                b.t = 800 + 10 * k;
                b.hreq = h;
                b.sd2 = 1;
                r.brackets.push_back(b);
                ++r.nbr;
            }
        }
        r.brackets.emplace_back();
        dittobrackets(1);
        combinebrackets(1);
        EXPECT_EQ(r.pairweight, 0) << c.what;
        EXPECT_NEAR(static_cast<double>((r.hlow + r.hhigh) / 2), static_cast<double>(c.centre), 1e-12) << c.what;
        EXPECT_NEAR(static_cast<double>((r.hhigh - r.hlow) / 2), static_cast<double>(F(c.e)), 1e-12) << c.what;
    }
}

// Ky and sill, with a made-up two-phase a-x file that the refinement only reads.
const std::string twoems = std::string(fittest::emfile6).substr(0, std::string(fittest::emfile6).find("and    andalusite")) + "*\n";
const std::string kysillax = "als 2 1\n x(als) 0.5\n p(ky) 1 1 1 1 -1 x\n p(sill) 1 1 0 1 1 x\n ideal\n 2\n"
                             " xA 1 1 1 1 -1 x\n xB 1 1 0 1 1 x\n ky 1 1 xA 1\n sill 1 1 xB 1\n";

TEST(FitBrackets, TheNeededEnthalpyPutsEachRunOnTheReaction)
{
    fitworld w;
    w.writeinputs("0\n0\n1 ky sill\n -1 1 1\n1 0.9  a(sill) below 1\n0 6 700 0\n1 6 800 0\n1 9 650 0\n-1\n0\n", twoems, kysillax);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    evaluaterecord(1);
    fitexprec& r = fit.xp[1];
    fitemrecord& sill = fit.tda[static_cast<size_t>(emindex("sill"))];
    const real h0 = sill.H;
    for (int k = 1; k <= r.nbr; ++k) {
        const bracketrec& b = r.brackets[static_cast<size_t>(k)];
        sill.H = h0 + (b.hreq - r.dh);
        const real g = reactiondg(1, b.xco2, b.t, b.p) + fitgasconstant * b.t * std::log(0.9L);
        EXPECT_NEAR(static_cast<double>(g), 0, 1e-9) << k;
        sill.H = h0;
    }
}

// Fluid and cordierite end-members, invented: H2O and CO2 without a volume of their own
// (the fluid equations give it), brucite, periclase, calcite, quartz, wollastonite,
// kyanite and cordierite.
const std::string fluidems =
    "6\n% fluids\n"
    "H2O    water\n   11 2.0  10 1.0  0\n   6   -241.810\n   0.18880\n   0.0\n   0.0401  0.0000087  487.5  -0.2512\n   0.0\n   0.0   0.0\n \n"
    "CO2    carbon_dioxide\n   12 1.0  10 2.0  0\n   6   -393.510\n   0.21370\n   0.0\n   0.0878  -0.0000026  706.4  -0.9989\n   0.0\n   0.0   0.0\n \n"
    "br     brucite\n   5 1.0  11 2.0  10 2.0  0\n   0   -925.560\n   0.06320\n   2.4630\n   0.1584  -0.0040760  -1052.3  -1.1713\n   0.0000620\n   415.0   6.20\n \n"
    "per    periclase\n   5 1.0  10 1.0  0\n   0   -601.550\n   0.02690\n   1.1250\n   0.0605  0.0000362  -535.8  -0.2992\n   0.0000311\n   1616.0   3.95\n \n"
    "cc     calcite\n   7 1.0  12 1.0  10 3.0  0\n   0   -1207.760\n   0.09250\n   3.6890\n   0.1409  0.0000050  950.7  -0.8584\n   0.0000252\n   733.0   4.06\n \n"
    "q      quartz\n   1 1.0  10 2.0  0\n   0   -910.710\n   0.04150\n   2.2690\n   0.0921  -0.0000060  -624.0  -0.0710\n   0.0000065\n   730.0   6.00\n \n"
    "wo     wollastonite\n   7 1.0  1 1.0  10 3.0  0\n   0   -1633.770\n   0.08250\n   3.9930\n   0.1593  0.0  -967.3  -1.0754\n   0.0000254\n   795.0   4.10\n \n"
    "ky     kyanite\n   3 2.0  1 1.0  10 5.0  0\n   0   -2593.100\n   0.08320\n   4.4140\n   0.2794  -0.0000071  -1389.4  -2.2765\n   0.0000192\n   1601.0   4.05\n \n"
    "crd    cordierite\n   5 2.0  3 4.0  1 5.0  10 18.0  0\n   0   -9163.430\n   0.40700\n   23.3220\n   0.9061  0.0  -7902.0  -6.2930\n   0.0000043\n   1290.0   4.08\n \n"
    "*\n";

// G of a fit end-member at x(CO2), as the refinement evaluates it.
real gfluid(const std::string& name, real T, real P, real xco2)
{
    fit.tda[static_cast<size_t>(emindex(name))].xco2 = xco2;
    real G = 0;
    gem(emindex(name), G, P, T);
    return G;
}

// The H2O-CO2 mixing term of G(H2O) (h2o) or G(CO2) at x(CO2) x: a van Laar form from
// the volumes of the two fluids.
real mixingterm(bool h2o, real x, real P, real T)
{
    real vh = 0, vc = 0, rtlnf = 0;
    calch2o(vh, rtlnf, P, T);
    calcco2(vc, rtlnf, P, T);
    const real w = 10.5L * (vh + vc) / (vh * vc);
    const real xh = 1 - x;
    const real d = (xh * vh + x * vc) * (xh * vh + x * vc);
    return h2o ? 2 * w * x * x * vh * vc * vc / ((vh + vc) * d) : 2 * w * xh * xh * vc * vh * vh / ((vh + vc) * d);
}

// H2O and CO2 in an experiment take their activities from the run's x(CO2), their G the
// mixing term of the fluid they share; the hydration term of cordierite enters only where
// the activity line flags crd with a negative number.
TEST(FitBrackets, FluidsAndCordieriteHydration)
{
    fitworld w;
    w.writeinputs("0\n0\n"
                  "1 br per H2O\n -1 1 1  1\n1 1 1  dehydration\n0 2.0 500 0.3\n1 2.0 600 0.3\n0 3.0 550 0\n1 3.0 650 0\n-1\n"
                  "1 cc q wo CO2\n -1 -1 1 1  1\n1 1 1 1  decarbonation\n0 2.0 600 0.4\n1 2.0 700 0.4\n-1\n"
                  "1 crd ky\n -1 1  1\n-1 1  hydrous\n0 5.0 700 0.2\n1 5.0 800 0.2\n-1\n"
                  "1 crd ky\n -1 1  1\n1 1  dry\n0 5.0 700 0.2\n1 5.0 800 0.2\n-1\n0\n",
                  fluidems,
                  "qw 2 1\n x(qw) 0.5\n p(q) 1 1 1 1 -1 x\n p(wo) 1 1 0 1 1 x\n ideal\n 2\n"
                  " xA 1 1 1 1 -1 x\n xB 1 1 0 1 1 x\n q 1 1 xA 1\n wo 1 1 xB 1\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_EQ(testing::exitcodeof([] { assemblelsq(1); }), -1) << w.out();
    const real R = fitgasconstant;

    const fitexprec& dehydration = fit.xp[1];
    EXPECT_FALSE(dehydration.nofluid);
    for (int k = 1; k <= dehydration.nbr; ++k) {
        const bracketrec& b = dehydration.brackets[static_cast<size_t>(k)];
        const real x = b.xco2;
        EXPECT_EQ(b.act[3], 1 - x) << k;
        EXPECT_NEAR(static_cast<double>(b.lnq), static_cast<double>(std::log(1 - x)), 1e-15) << k;
        const real mix = x > 0 ? mixingterm(true, x, b.p, b.t) : 0;
        if (x > 0) {
            EXPECT_GT(mix, 0.1L) << "a mixing term too small to show";
        }
        const real g = gfluid("per", b.t, b.p, x) + gfluid("H2O", b.t, b.p, 0) + mix - gfluid("br", b.t, b.p, x) +
                       R * b.t * std::log(1 - x);
        EXPECT_NEAR(static_cast<double>(b.hreq), static_cast<double>(dehydration.dh - g), 1e-9) << k;
    }

    const fitexprec& decarbonation = fit.xp[2];
    for (int k = 1; k <= decarbonation.nbr; ++k) {
        const bracketrec& b = decarbonation.brackets[static_cast<size_t>(k)];
        EXPECT_EQ(b.act[4], 0.4L) << k;
        const real g = gfluid("wo", b.t, b.p, 0.4L) + gfluid("CO2", b.t, b.p, 1) + mixingterm(false, 0.4L, b.p, b.t) -
                       gfluid("cc", b.t, b.p, 0.4L) - gfluid("q", b.t, b.p, 0.4L) + R * b.t * std::log(0.4L);
        EXPECT_NEAR(static_cast<double>(b.hreq), static_cast<double>(decarbonation.dh - g), 1e-9) << k;
    }

    // Hydration: s = 1 + x(H2O) f(H2O) / K1 + x(CO2) f(CO2) / K2, and G(crd) gains -RT ln s.
    const fitexprec& hydrous = fit.xp[3];
    const fitexprec& dry = fit.xp[4];
    EXPECT_TRUE(hydrous.crd);
    EXPECT_FALSE(dry.crd);
    EXPECT_EQ(hydrous.listact[1], 1);  // the flag leaves crd at unit activity
    for (int k = 1; k <= hydrous.nbr; ++k) {
        const bracketrec& b = hydrous.brackets[static_cast<size_t>(k)];
        const real T = b.t, rt = R * T;
        real v = 0, rtlnfh = 0, rtlnfc = 0;
        calch2o(v, rtlnfh, b.p, T);
        calcco2(v, rtlnfc, b.p, T);
        const real k1 = std::exp(-((42.84L - 0.109L * T) - 0.0083L * ((T - 298.15L) - T * std::log(T / 298.15L))) / rt);
        const real k2 = std::exp(12.73L - 1930 / T);
        const real s = 1 + 0.8L * std::exp(rtlnfh / rt) / k1 + 0.2L * std::exp(rtlnfc / rt) / k2;
        // crd is on the left: the enthalpy the run needs rises by its hydration term.
        EXPECT_NEAR(static_cast<double>(b.hreq - dry.brackets[static_cast<size_t>(k)].hreq),
                    static_cast<double>(-rt * std::log(s)), 1e-9)
            << k;
        EXPECT_LT(-rt * std::log(s), -0.1L) << "a hydration term too small to show";
    }
}

// A run at x(CO2) 1 leaves H2O no activity, and one outside 0 to 1 is no x(CO2).
TEST(FitBrackets, FluidRunsOutsideTheirCompositionRangeEndTheRun)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0 2.0 500 1", "readxy : activity 0 of H2O not in (0, 1] (experiment 1, line 6 of ds-xpt.txt)"},
        {"0 2.0 500 1.2", "readxy : x(CO2) 1.2 of a run not between 0 and 1 (experiment 1, line 6 of ds-xpt.txt)"},
    };
    for (const auto& [run, message] : cases) {
        fitworld w;
        w.writeinputs(std::string("0\n0\n1 br per H2O\n -1 1 1  1\n1 1 1  dehydration\n") + run + "\n-1\n0\n", fluidems,
                      "qw 2 1\n x(qw) 0.5\n p(q) 1 1 1 1 -1 x\n p(wo) 1 1 0 1 1 x\n ideal\n 2\n"
                      " xA 1 1 1 1 -1 x\n xB 1 1 0 1 1 x\n q 1 1 xA 1\n wo 1 1 xB 1\n");
        EXPECT_EQ(testing::exitcodeof(readxy), 1) << run;
        EXPECT_NE(w.out().find(message), std::string::npos) << w.out();
    }
}

// Runs placed 20 K either side of the true ky = sill line at three pressures are fitted
// back to within their bracket, near the true enthalpy of reaction.
// Whether a group is flipped is decided on its runs as read at every iteration. A group
// with runs outside its pairs pairs them otherwise once flipped; decided on the flipped
// runs, the next iteration flipped it back, and its row changed with the number of
// iterations although nothing in it depends on the enthalpies. A group of pairs only is
// flipped the same way at every iteration, as before.
TEST(FitBrackets, AGroupsRowIsTheSameWhateverTheNumberOfIterations)
{
    std::string xp;
    for (const char* name : {"ky", "sill", "and", "q", "an", "gr", "py"}) xp += std::string("1 ") + name + " 0 1\n";
    xp += "0\n0\n"
          // 3an = gr + 2ky + q goes to the right as T falls: the one pair here (700 and 820)
          // falls, and flipped, the run at 795 pairs with the one at 820 instead.
          "1 g an ky q divariant\n 1 1  unpaired runs\nan gr ky q\n -3 1 2 1\n"
          "1 18 775 0 0.52\n1 17 740 0 0.52\n1 17 795 0 0.52\n1 17 700 0 0.52\n0 17 820 0 0.52\n"
          "1 17 700 0 0.52\n-1\n"
          "1 g an ky q divariant\n 1 1  falling pairs\nan gr ky q\n -3 1 2 1\n"
          "1 9 600 0 0.6\n0 9 700 0 0.6\n1 11 650 0 0.6\n0 11 750 0 0.6\n-1\n0\n";
    struct rowstate {
        real y, rowsd, hlow, hhigh, gap;
        bool flipped;
    };
    std::vector<std::vector<rowstate>> after;  // per iteration count, per group
    for (int16_t iterations = 1; iterations <= 3; ++iterations) {
        fitworld w;
        w.writeinputs(xp);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        ASSERT_EQ(testing::exitcodeof([&] {
                      for (int16_t k = 1; k <= iterations; ++k) {
                          assemblelsq(k);
                          qr();
                          for (int j = 1; j <= fit.ntpfit; ++j) fit.tda[static_cast<size_t>(j)].H = fit.theta[static_cast<size_t>(j)];
                      }
                  }),
                  -1)
            << w.out();
        after.emplace_back();
        for (size_t e = 1; e <= 2; ++e) {
            const fitexprec& r = fit.xp[e];
            ASSERT_GT(r.expno, 0);
            const size_t row = static_cast<size_t>(fit.ncal + r.expno);
            after.back().push_back({fit.y[row], fit.rowsd[row], r.hlow, r.hhigh, r.gap, r.flipped});
        }
    }
    for (size_t e = 0; e < 2; ++e) {
        EXPECT_TRUE(after[0][e].flipped) << e;
        for (size_t n = 1; n < after.size(); ++n) {
            const rowstate &a = after[0][e], &b = after[n][e];
            const std::string tag = "group " + std::to_string(e + 1) + ", " + std::to_string(n + 1) + " iterations";
            EXPECT_EQ(b.flipped, a.flipped) << tag;
            EXPECT_NEAR(static_cast<double>(b.y), static_cast<double>(a.y), 1e-9) << tag;
            EXPECT_NEAR(static_cast<double>(b.rowsd), static_cast<double>(a.rowsd), 1e-12) << tag;
            EXPECT_NEAR(static_cast<double>(b.hlow), static_cast<double>(a.hlow), 1e-9) << tag;
            EXPECT_NEAR(static_cast<double>(b.hhigh), static_cast<double>(a.hhigh), 1e-9) << tag;
            EXPECT_NEAR(static_cast<double>(b.gap), static_cast<double>(a.gap), 1e-12) << tag;
        }
    }
}

TEST(FitBrackets, SyntheticExperimentsFitBack)
{
    fitworld w;
    w.writeinputs("0\n0\n0\n", twoems, kysillax);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    const int16_t iky = emindex("ky"), isill = emindex("sill");
    const real hky = fit.tda[static_cast<size_t>(iky)].H;
    const real truedh = fit.tda[static_cast<size_t>(isill)].H - hky;

    // The line by bisection on G of the reaction with the true enthalpies.
    fitexprec& r = fit.xp[1];
    r.nrx = 2;
    r.rxem[1] = iky;
    r.rxem[2] = isill;
    r.rxcoef[1] = -1;
    r.rxcoef[2] = 1;
    std::string xp = "1 ky 2000 0.1\n1 sill -2500 30\n0\n0\n1 ky sill\n -1 1 1\n1 1\n";
    for (real p : {4.0L, 6.0L, 8.0L}) {
        real lo = 400, hi = 2000;
        ASSERT_LT(reactiondg(1, 0, lo, p) * reactiondg(1, 0, hi, p), 0);
        for (int i = 0; i < 80; ++i) {
            const real mid = (lo + hi) / 2;
            (reactiondg(1, 0, mid, p) * reactiondg(1, 0, lo, p) > 0 ? lo : hi) = mid;
        }
        // Sill has the larger entropy: it grew above the line.
        const real tc = lo - 273.15L;
        xp += "0 " + std::to_string(static_cast<double>(p)) + " " + std::to_string(static_cast<double>(tc - 20)) + " 0\n";
        xp += "1 " + std::to_string(static_cast<double>(p)) + " " + std::to_string(static_cast<double>(tc + 20)) + " 0\n";
    }
    xp += "-1\n0\n";

    fitworld w2;
    w2.writeinputs(xp, twoems, kysillax);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w2.out();
    fit.tda[static_cast<size_t>(iky)].H = hky;  // the file's own values stand as the start
    for (int16_t k = 1; k <= 3; ++k) {
        assemblelsq(k);
        qr();
        for (int j = 1; j <= 2; ++j) fit.tda[static_cast<size_t>(j)].H = fit.theta[static_cast<size_t>(j)];
    }
    evaluaterecord(1);
    const fitexprec& e = fit.xp[1];
    const real fitted = fit.tda[static_cast<size_t>(isill)].H - fit.tda[static_cast<size_t>(iky)].H;
    EXPECT_GE(fitted, e.hlow);
    EXPECT_LE(fitted, e.hhigh);
    EXPECT_LT(std::fabs(static_cast<double>(fitted - truedh)), static_cast<double>(e.hhigh - e.hlow) / 2);
    EXPECT_NEAR(static_cast<double>(fit.tda[static_cast<size_t>(iky)].H), 2000, 0.1);
}

// An experiment's row notes how far its own arithmetic may have moved its y and sd: the
// Gibbs energies of thousands of kJ whose differences make them. Adding 20000 kJ to the
// enthalpies of both ky and sill changes neither the enthalpy nor the Gibbs energy of the
// reaction ky = sill, so all that moves the row is rounding: within the bounds the two
// assemblies note, which stay far below the row's digits.
TEST(FitBrackets, RowsNoteTheirOwnRounding)
{
    fitworld w;
    std::string xp = "1 ky -2593.1 1.0\n1 sill -2585.7 1.0\n0\n0\n1 ky sill\n -1 1 1\n1 1\n";
    for (const char* run : {"0 4.0 600 0\n", "1 4.0 700 0\n", "0 8.0 700 0\n", "1 8.0 800 0\n", "0 14.0 800 0\n", "1 14.0 900 0\n"})
        xp += run;
    w.writeinputs(xp + "-1\n0\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    const int row = fit.ncal + 1;
    real y[2], sd[2], dy[2], dsd[2];
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(testing::exitcodeof([] { assemblelsq(1); }), -1) << w.out();
        ASSERT_EQ(fit.nrows, row);
        y[pass] = fit.y[static_cast<size_t>(row)];
        sd[pass] = fit.rowsd[static_cast<size_t>(row)];
        dy[pass] = fit.rowround[static_cast<size_t>(row)];
        dsd[pass] = fit.sdround[static_cast<size_t>(row)];
        EXPECT_GT(dy[pass], 0);
        EXPECT_LT(dy[pass], 1e-9L);
        EXPECT_GT(dsd[pass], 0);
        EXPECT_LT(dsd[pass], 1e-9L);
        fit.tda[static_cast<size_t>(emindex("ky"))].H += 20000;
        fit.tda[static_cast<size_t>(emindex("sill"))].H += 20000;
    }
    EXPECT_LE(std::fabs(y[1] - y[0]), dy[0] + dy[1]);
    EXPECT_LE(std::fabs(sd[1] - sd[0]), (dsd[0] + dsd[1]) * sd[0]);
    EXPECT_TRUE(y[0] != y[1] || sd[0] != sd[1]) << "the rounding does not show";
}

}  // namespace
}  // namespace zt
