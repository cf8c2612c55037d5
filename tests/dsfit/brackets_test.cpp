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

// Runs placed 20 K either side of the true ky = sill line at three pressures are fitted
// back to within their bracket, near the true enthalpy of reaction.
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

}  // namespace
}  // namespace zt
