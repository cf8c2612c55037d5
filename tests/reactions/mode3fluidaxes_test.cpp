// Schreinemakers analyses of x(CO2) diagrams, from the search to the intersections: a
// hydrous carbonate hcx = wox + CO2 + H2O releases both fluids, so its line has a T
// maximum (P minimum) at x(CO2) 0.5; the decarbonation ccx + qx = wox + CO2 and
// hcx = ccx + qx + H2O meet it in an invariant point. Points, slopes and verdicts are
// checked against roots worked out here from the end-members' G.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "reactions/intersections.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "support/testsupport.h"
#include "tests/reactions/reactionfixture.h"

namespace zt {
namespace {

using namespace reactiontest;
using testing::linesof;
using testing::wordsof;

constexpr real gasr = 0.0083144L;

tdrecord plain(real H, real S, real V) {
    tdrecord r = solid(H, S, V);
    r.cpa = r.cpb = r.cpc = r.cpd = 0;
    return r;
}

struct diagram {
    const char* what;
    int32_t mode;               // 1 P-x(CO2), 2 T-x(CO2)
    real lo, hi;                // window of the calculated variable
    std::vector<real> xs;       // the x(CO2) list
    real fixed;                 // T (K) or P (kbar)
};

class FluidAxisDiagrams : public ::testing::Test {
protected:
    std::string run(const diagram& d) {
        resetall(3);
        resetsearch();
        setcomponents({"CaO", "SiO2", "CO2", "H2O"});
        addem("wox", plain(-1634.2L, 0.0815L, 3.99L), {1, 1, 0, 0});
        addem("ccx", plain(-1250.0L, 0.0920L, 3.69L), {1, 0, 1, 0});
        addem("qx", plain(-910.8L, 0.0416L, 2.27L), {0, 1, 0, 0});
        addem("hcx", plain(-2483.0L, 0.190L, 6.0L), {1, 1, 1, 1});
        ws.ico2 = addem("CO2", thermotest::fluidrec(-393.5L, 0.2137L, 0.0871L), {0, 0, 1, 0});
        ws.ih2o = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 0, 1});
        settings.diagrammode = d.mode;
        const bool tcalc = d.mode == 2;
        settings.calcvariable = tcalc ? 1 : 0;
        settings.othervariable = 2;
        m3.calcrangetype = tcalc ? 0 : 1;
        settings.calctrange = tcalc ? std::array<real, 3>{0, d.lo, d.hi} : std::array<real, 3>{0, 1000, 1200};
        settings.calcprange = tcalc ? std::array<real, 3>{0, 1, 10} : std::array<real, 3>{0, d.lo, d.hi};
        settings.xco2window = {0, d.xs.front(), d.xs.back()};
        settings.nxco2calclist = static_cast<int16_t>(d.xs.size());
        for (size_t j = 0; j < d.xs.size(); ++j) settings.xco2calclist[j + 1] = d.xs[j];
        settings.pnow = tcalc ? d.fixed : 4;
        settings.tnow = tcalc ? 1100 : d.fixed;
        settings.xco2fluid = 0.5L;
        settings.xh2ofluid = 0.5L;
        reactions.allreactions = false;
        channels.outchannels = 1;
        channels.pagewidth = 250;
        testing::consolecapture console;
        bool found = false;
        calcre(found);
        ptxtable();
        intersections();
        if (getenv("SHOWOUT")) printf("%s", console.output().c_str());
        return console.output();
    }

    // delta G of reaction k at x(CO2) x and the calculated value b, worked out here.
    static real dg(int16_t k, const diagram& d, real x, real b) {
        const real P = d.mode == 2 ? d.fixed : b, T = d.mode == 2 ? b : d.fixed;
        real s = 0;
        for (int16_t e = 1; e <= ws.nem; ++e) {
            const int nu = reactions.r[at(k)][at(e)];
            if (nu == 0) continue;
            s += nu * thermotest::gof(e, P, T);
            if (e == ws.ico2) s += nu * gasr * T * std::log(x);
            if (e == ws.ih2o) s += nu * gasr * T * std::log(1 - x);
        }
        return s;
    }

    // The root of reaction k in the calculated variable near b0, by the secant method.
    static real root(int16_t k, const diagram& d, real x, real b0) {
        real x0 = b0, x1 = b0 + (d.mode == 2 ? 1 : 0.01L), f0 = dg(k, d, x, x0), f1 = dg(k, d, x, x1);
        for (int it = 0; it < 60 && f1 != f0 && std::fabs(x1 - x0) > 1e-12L; ++it) {
            const real x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
            x0 = x1;
            f0 = f1;
            x1 = x2;
            f1 = dg(k, d, x, x1);
        }
        return x1;
    }

    static int16_t reactionnumber(const std::string& text) {
        for (int16_t k = 1; k <= reactions.nreac; ++k)
            if (reactions.reactiontext[at(k)].find(text) != std::string::npos) return k;
        return 0;
    }
};

TEST_F(FluidAxisDiagrams, TheExtremumLineIsKeptAndMeetsTheOthersInItsBundle) {
    const diagram diagrams[] = {
        // hcx = wox + CO2 + H2O: at 4 kbar 1097 K at x(CO2) 0.2 and 0.8, 1116 K at 0.5
        {"T-x(CO2)", 2, 1100, 1200, {0.2L, 0.3L, 0.4L, 0.5L, 0.6L, 0.7L, 0.8L}, 4},
        // at 1112 K its P falls to about 3.9 kbar at 0.5 from about 4.6 at 0.2 and 0.8
        {"P-x(CO2)", 1, 3, 4.2L, {0.2L, 0.3L, 0.4L, 0.5L, 0.6L, 0.7L, 0.8L}, 1112},
    };
    for (const diagram& d : diagrams) {
        SCOPED_TRACE(d.what);
        const std::string out = run(d);
        const bool tcalc = d.mode == 2;
        EXPECT_EQ(reactions.nomitted, 0) << out;
        EXPECT_NE(out.find("\nno excluded assemblages\n"), std::string::npos) << out;
        ASSERT_EQ(reactions.nreac, 3) << out;
        const int16_t k1 = reactionnumber("hcx = wox + CO2 + H2O");
        ASSERT_GT(k1, 0) << out;
        // Its line is tabulated: inside the window near x(CO2) 0.5, below it (above, in
        // P) at the ends of the list.
        EXPECT_NEAR(double(m3.linelow[at(k1)][4]), double(root(k1, d, 0.5L, tcalc ? 1110 : 4)), tcalc ? 0.01 : 0.001);
        EXPECT_TRUE(tcalc ? m3.linelow[at(k1)][1] < d.lo : m3.linelow[at(k1)][1] > d.hi);
        EXPECT_NE(out.find(tcalc ? "\nT-x(CO2)  of intersections : P = 4.0 kbar\nwindow : T 827 <-> 927\xA1" "C; x(CO2) 0.2 <-> 0.8\n"
                                 : "\nP-x(CO2)  of intersections : T = 839\xA1" "C\nwindow : P 3.0 <-> 4.2 kbars; x(CO2) 0.2 <-> 0.8\n"),
                  std::string::npos)
            << out;
        ASSERT_EQ(m3.npoints, 1) << out;
        EXPECT_TRUE(m3.pointstable[1]);
        // The point of two of the reactions by Newton steps here.
        real x = m3.pointA[1], b = m3.pointB[1];
        const real hx = 1e-6L, hb = tcalc ? 1e-4L : 1e-6L;
        for (int it = 0; it < 30; ++it) {
            const real f1 = dg(1, d, x, b), f2 = dg(2, d, x, b);
            const real a11 = (dg(1, d, x + hx, b) - f1) / hx, a12 = (dg(1, d, x, b + hb) - f1) / hb;
            const real a21 = (dg(2, d, x + hx, b) - f2) / hx, a22 = (dg(2, d, x, b + hb) - f2) / hb;
            const real det = a11 * a22 - a12 * a21;
            x -= (f1 * a22 - f2 * a12) / det;
            b -= (a11 * f2 - a21 * f1) / det;
        }
        EXPECT_NEAR(double(dg(3, d, x, b)), 0, 1e-6);
        EXPECT_NEAR(double(m3.pointA[1]), double(x), 0.001);
        EXPECT_NEAR(double(m3.pointB[1]), double(b), tcalc ? 0.5 : 0.01);
        // The coordinates as written, and each bundle row's slope against the roots here.
        std::ostringstream where;
        where.setf(std::ios::fixed);
        where.precision(tcalc ? 2 : 3);
        where << (tcalc ? m3.pointB[1] - 273.15L : m3.pointB[1]);
        std::ostringstream xs;
        xs.precision(3);
        xs << double(m3.pointA[1]);
        EXPECT_NE(out.find(tcalc ? "\nT = " + where.str() + " \xA1" "C , x(CO2) = " + xs.str() + "\n"
                                 : "\nP = " + where.str() + " kbar, x(CO2) = " + xs.str() + "\n"),
                  std::string::npos)
            << out;
        int rows = 0;
        for (const std::string& l : linesof(out)) {
            const auto w = wordsof(l);
            if (w.empty() || w[0].back() != ')' || l.find('[') == std::string::npos) continue;
            const int16_t k = static_cast<int16_t>(std::stoi(w[0]));
            const real step = 0.01L;
            const real want = step / (root(k, d, m3.pointA[1] + step, m3.pointB[1]) - root(k, d, m3.pointA[1], m3.pointB[1]));
            EXPECT_NEAR(std::stod(w.back()), double(want), 0.01 * std::fabs(double(want))) << l;
            ++rows;
        }
        EXPECT_EQ(rows, 3) << out;
    }
}

TEST_F(FluidAxisDiagrams, ALineFoundBetweenTheListedValuesHasNoKnownStability) {
    // The T maximum (1116 K) is above 1115 K, but at 0.2, 0.4, 0.6 and 0.8 the line lies
    // below it, and the invariant point (about 1112 K) is outside the window.
    const diagram d{"T-x(CO2)", 2, 1115, 1200, {0.2L, 0.4L, 0.6L, 0.8L}, 4};
    const std::string out = run(d);
    ASSERT_EQ(reactions.nreac, 3) << out;
    const int16_t k1 = reactionnumber("hcx = wox + CO2 + H2O");
    ASSERT_GT(k1, 0);
    EXPECT_GT(root(k1, d, 0.5L, 1110), 1115);
    for (real x : d.xs) EXPECT_LT(root(k1, d, x, 1110), 1115) << double(x);
    EXPECT_EQ(m3.npoints, 0);
    EXPECT_NE(out.find("\nsorry, none in the window\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n*not known*  " + reactions.reactiontext[at(k1)] + "\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace zt
