#include "dsfit/fitinput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "dsfit/assembly.h"
#include "dsfit/lsq.h"
#include "fitfixture.h"

namespace zt {
namespace {

using fittest::emindex;
using fittest::fitworld;

const std::string allcalorimetry =
    "% direct calorimetry\n"
    "1 ky -2593.0 1.0\n1 sill -2586.1 1.5\n1 and -2588.0 0.0\n1 q -910.9 0.4\n"
    "1 an -4232.0 2.0\n1 gr -6640.0 3.0\n1 py -6281.0 3.0\n0\n"
    "0\n"
    "0\n";

TEST(FitInput, CalorimetryOnlyFitReturnsTheObservedEnthalpies)
{
    const real observed[] = {-2593.0L, -2586.1L, -2588.0L, -910.9L, -4232.0L, -6640.0L, -6281.0L};
    for (bool useqr : {true, false}) {
        fitworld w;
        w.writeinputs(allcalorimetry);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        ASSERT_EQ(fit.ntpfit, 7);
        EXPECT_EQ(fit.ndirect, 7);
        EXPECT_EQ(fit.ncal, 7);
        EXPECT_EQ(fit.nexp, 0);
        // An sd of 0 stands as 0.001.
        EXPECT_EQ(fit.rowsd[3], 0.001L);
        ASSERT_EQ(testing::exitcodeof(useqr ? qr : choleski), -1) << w.out();
        for (int j = 1; j <= 7; ++j) EXPECT_NEAR(static_cast<double>(fit.theta[static_cast<size_t>(j)]), static_cast<double>(observed[j - 1]), 1e-9);
        EXPECT_NEAR(static_cast<double>(fit.hat[1]), 1.0, 1e-12);
    }
}

// The heat-capacity enthalpy of an end-member from 298.15 K to t by Simpson's rule.
real integratedcp(const fitemrecord& r, real t)
{
    const int n = 2000;
    const real h = (t - 298.15L) / n;
    real sum = 0;
    for (int k = 0; k <= n; ++k) {
        const real T = 298.15L + k * h;
        const real cp = r.cpa + r.cpb * T + r.cpc / (T * T) + r.cpd / std::sqrt(T);
        sum += cp * (k == 0 || k == n ? 1 : k % 2 == 1 ? 4 : 2);
    }
    return sum * h / 3;
}

// Lines are read whole: an sd written past the 255th character is read as written, not
// cut to "1.2".
TEST(FitInput, LongLinesAreReadWhole)
{
    fitworld w;
    w.writeinputs("1 ky -2593.0" + std::string(240, ' ') + "1.25\n0\n0\n1 ky sill\n -1 1 1\n1 1" +
                  std::string(250, ' ') + "long label\n1 6" + std::string(250, ' ') + "700 0\n-1\n0\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    EXPECT_EQ(fit.rowsd[1], 1.25L);
    EXPECT_EQ(fit.xp[1].label, "long label ");
    EXPECT_EQ(fit.xp[1].brackets[1].t, 700 + 273.15L);
}

TEST(FitInput, OxideCalorimetryIsReducedTo298)
{
    fitworld w;
    w.writeinputs("0\n"
                  "1 sill ky\n 1 -1  7.90 0.60 973.0  drop solution\n"
                  "2 and\n 1  5.0 0.5 298.15\n"
                  "1 q\n 2  1.0 0.2 846.9999\n"
                  "1 q\n 2  1.0 0.2 847.0001\n"
                  "0\n0\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_EQ(fit.noxcal, 4);
    EXPECT_EQ(fit.ncal, 3);
    const fitemrecord& ky = fit.tda[static_cast<size_t>(emindex("ky"))];
    const fitemrecord& sill = fit.tda[static_cast<size_t>(emindex("sill"))];
    const oxcalrec& e1 = fit.oxcal[1];
    EXPECT_NEAR(static_cast<double>(e1.h298 - e1.hmeas), static_cast<double>(integratedcp(sill, 973) - integratedcp(ky, 973)), 1e-6);
    EXPECT_EQ(fit.oxcal[2].h298, 5.0L);
    EXPECT_FALSE(fit.oxcal[2].used);
    // The row states -H(sill) + H(ky) = h298.
    EXPECT_EQ(fit.y[1], e1.h298);
    EXPECT_EQ(fit.x[fitat(1, emindex("sill"))], -1);
    EXPECT_EQ(fit.x[fitat(1, emindex("ky"))], 1);
    EXPECT_NEAR(static_cast<double>(fit.rowsd[1]), 0.6, 1e-15);
    // Across the Landau critical temperature the reduction has no step: the two sides
    // differ by the heat-capacity and ordering enthalpy of 0.0002 K alone.
    const real step = fit.oxcal[4].h298 - fit.oxcal[3].h298;
    EXPECT_NEAR(static_cast<double>(step), 0, 0.005);
}

// An oxide-calorimetry sd of 0 stands as 0.001, as in direct calorimetry: the row keeps a
// finite weight and the fit finite enthalpies.
TEST(FitInput, OxideCalorimetrySdOfZeroStandsAsOneThousandth)
{
    fitworld w;
    w.writeinputs("1 ky -2593.0 1.0\n0\n1 sill ky\n 1 -1  7.90 0.0 298.0\n0\n0\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    EXPECT_EQ(fit.oxcal[1].sd, 0.001L);
    EXPECT_EQ(fit.rowsd[2], 0.001L);
}

TEST(FitInput, ExperimentsAreRead)
{
    fitworld w;
    w.writeinputs("0\n0\n"
                  "1 ky sill\n -1 1  0\n1 1  ky to sill\n0 6.0 700 0\n1 6.0 800 0\n2 7 700 0\n-1\n"
                  "3 an gr ky q univariant show\n -3 1 2 1  2\n1 g 1 1  garnet\n0 10 700 0 0.7\n-1\n"
                  "1 ky and\n -1 1 1\n0.9 1\n0 2 400 0\n-1\n"
                  "0\n");
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_EQ(fit.nexp, 3);
    const fitexprec& r1 = fit.xp[1];
    EXPECT_TRUE(r1.used);
    EXPECT_EQ(r1.nbr, 2);  // the code-2 run leaves no trace
    EXPECT_EQ(r1.brackets[2].t, 800 + 273.15L);
    EXPECT_TRUE(r1.brackets[2].dir);
    EXPECT_EQ(r1.rfac, 1);  // 0 and tighten off
    EXPECT_EQ(r1.label, "ky to sill ");
    const fitexprec& r2 = fit.xp[2];
    EXPECT_FALSE(r2.used);
    EXPECT_EQ(r2.variance, 1);
    EXPECT_TRUE(r2.show);
    // an, the garnet's two end-members, ky and q.
    ASSERT_EQ(r2.nlist, 5);
    EXPECT_EQ(r2.listact[2], -1);
    EXPECT_EQ(r2.listact[3], -2);
    EXPECT_EQ(r2.listname[3], "gr");
    EXPECT_EQ(r2.rxpos[2], 3);
    EXPECT_NEAR(static_cast<double>(r2.brackets[1].xyz[1]), 0.7, 1e-15);
    EXPECT_NEAR(static_cast<double>(fit.xp[3].brackets[1].act[1]), 0.9, 1e-15);
}

// The row of an experiment has sd rfac / pairweight (paired runs) or rfac times half its
// bracket (none paired). userfac no sets every rfac to 1; otherwise an rfac of 0 or less
// becomes 0.5 when tighten is yes, else 1.
TEST(FitInput, RfacUserfacAndTightenScaleTheRowSds)
{
    struct rfaccase {
        int32_t userfac, tighten;
        const char* rfac;
        real factor;
    };
    const rfaccase cases[] = {
        {0, 1, "2", 2}, {0, 1, "0", 1}, {0, 0, "0", 0.5L}, {0, 0, "-1", 0.5L}, {0, 0, "3", 3}, {1, 0, "2", 1}, {1, 0, "0", 1},
    };
    auto rowsds = [](int32_t userfac, int32_t tighten, const std::string& rfac) {
        fitworld w;
        fit.fitsetprefs.userfac = userfac;
        fit.fitsetprefs.tighten = tighten;
        w.writeinputs("0\n0\n1 ky sill\n -1 1 " + rfac + "\n1 1  paired\n0 6.0 700 0\n1 6.0 800 0\n-1\n" +
                      "1 ky and\n -1 1 " + rfac + "\n1 1  unpaired\n0 2.0 400 0\n1 3.0 500 0\n-1\n0\n");
        EXPECT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        assemblelsq(1);
        EXPECT_EQ(fit.xp[2].pairweight, 0);
        return std::pair<real, real>(fit.rowsd[1], fit.rowsd[2]);
    };
    const auto base = rowsds(0, 1, "1");
    for (const rfaccase& c : cases) {
        const auto got = rowsds(c.userfac, c.tighten, c.rfac);
        const std::string tag = std::string("rfac ") + c.rfac + " userfac " + std::to_string(c.userfac) + " tighten " +
                                std::to_string(c.tighten);
        EXPECT_NEAR(static_cast<double>(got.first), static_cast<double>(c.factor * base.first), 1e-12) << tag;
        EXPECT_NEAR(static_cast<double>(got.second), static_cast<double>(c.factor * base.second), 1e-12) << tag;
    }
}

TEST(FitInput, MalformedExperimentsEndTheRun)
{
    struct row {
        std::string xp;
        const char* message;
    };
    const row rows[] = {
        {"1 ky sill unknowncomps\n", "readxy : need univariant keyword"},
        {"1 ky sill unknowncomps show\n", "readxy : need univariant keyword"},
        {"1 ky zo\n", "readrc : not recognised \"zo\""},
        {"1 ky sill\n -1 1 1\nfoo 1\n", "reading activity : name, foo, not recognised 1"},
        {"1 ky sill\n -1 1 1\n0 1\n1 6 700 0\n", "readxy : not enough info 2"},
        // Activities lie in (0, 1], runs within 0.0009 to 1500 kbar and 283 to 3000 K; the
        // message names the experiment and the line of ds-xpt.txt.
        {"1 ky sill\n -1 1 1\n1 -0.8\n", "readxy : activity -0.8 of sill not in (0, 1] (experiment 1, line 5 of ds-xpt.txt)"},
        {"1 ky sill\n -1 1 1\n1.2 1\n", "readxy : activity 1.2 of ky not in (0, 1] (experiment 1, line 5 of ds-xpt.txt)"},
        {"1 ky sill\n -1 1 1\n0 1\n1 6 700 0 0\n", "readxy : activity 0 of ky not in (0, 1] (experiment 1, line 6 of ds-xpt.txt)"},
        {"1 ky sill\n -1 1 1\n0 1\n1 6 700 0 1.5\n", "readxy : activity 1.5 of ky not in (0, 1] (experiment 1, line 6"},
        {"1 ky sill\n -1 1 1\n1 1\n1 -8.0 700 0\n", "readxy : P -8 kbar of a run not between 0.0009 and 1500 kbar (experiment 1, line 6"},
        {"1 ky sill\n -1 1 1\n1 1\n1 1600 700 0\n", "readxy : P 1600 kbar of a run not between 0.0009 and 1500 kbar"},
        // A run set aside (code 2) is not checked: the next one is.
        {"1 ky sill\n -1 1 1\n1 1\n2 -8 700 0\n1 6 3000 0\n", "readxy : T 3000\xA1" "C of a run not between 9.85 and 2726.85\xA1" "C (283 to 3000 K) (experiment 1, line 7"},
        {"1 ky sill\n -1 1 1\n1 1\n1 6 2800 0\n", "readxy : T 2800\xA1" "C of a run not between 9.85 and 2726.85\xA1" "C (283 to 3000 K) (experiment 1, line 6"},
        {"1 ky sill\n -1 1 1\n1 1\n0 6 700 0\n1 6 800 0\n-1\n1 ky and\n -1 1 1\n1 1\n0 6 -530 0\n",
         "readxy : T -530\xA1" "C of a run not between 9.85 and 2726.85\xA1" "C (283 to 3000 K) (experiment 2, line 12 of ds-xpt.txt)"},
        {"1 an gr ky q\n -3 1 2 1 1\n1 g 1 1\n1 6 700 0\n", "readxy : not enough info 1"},
        {"1 ky sill and q an gr py ky sill and q an gr py ky sill\n", "readxy : too many names in an experiment (at most 15)"},
    };
    for (const row& r : rows) {
        fitworld w;
        w.writeinputs("0\n0\n" + r.xp + "0\n");
        EXPECT_EQ(testing::exitcodeof(readxy), 1) << r.xp;
        EXPECT_NE(w.out().find(r.message), std::string::npos) << w.out();
    }
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

TEST(FitInput, AGroupTakesOneRecordPerReaction)
{
    fittest::fitworld w;
    w.writeinputs("0\n0\n"
                  "1 g an ky q divariant\n 2 0  gasp with garnet\n"
                  "an gr ky q\n -3 1 2 1\n"
                  "py an\n 1 -1\n"
                  "0 10 700 0  0.7\n1 12 700 0  0.6\n-1\n"
                  "0\n");
    fit.fitsetprefs.tighten = 0;
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    ASSERT_EQ(fit.nexp, 2);
    for (int e = 1; e <= 2; ++e) {
        const fitexprec& r = fit.xp[static_cast<size_t>(e)];
        EXPECT_TRUE(r.ingroup);
        EXPECT_EQ(r.groupno, e);
        EXPECT_EQ(r.groupsize, 2);
        EXPECT_EQ(r.variance, 2);
        EXPECT_EQ(r.label, "gasp with garnet");
        EXPECT_EQ(r.rfac, 0.5L);  // rfac 0 with tighten on
        // The garnet's py and gr, then an, ky and q.
        ASSERT_EQ(r.nlist, 5);
        EXPECT_EQ(r.listname[1], "py");
        EXPECT_EQ(r.listact[1], -1);
        EXPECT_EQ(r.listact[3], 1);
        ASSERT_EQ(r.nbr, 2);
        EXPECT_NEAR(static_cast<double>(r.brackets[2].xyz[1]), 0.6, 1e-15);
    }
    EXPECT_EQ(fit.xp[2].nrx, 2);
    EXPECT_EQ(fit.xp[2].rxpos[2], 3);
    EXPECT_EQ(fit.xp[2].rxcoef[2], -1);
}

}  // namespace
}  // namespace zt
