#include "reactions/windowtests.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "reactions/mode3state.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using namespace reactiontest;

class WindowTests : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(3);
        setcomponents({"Al2O3", "SiO2", "MgO", "H2O"});
        const int16_t ky = addem("kyx", solid(-2592.9L, 0.0830L, 4.414L), {1, 1, 0, 0});
        const int16_t sil = addem("silx", solid(-2585.7L, 0.0955L, 4.986L), {1, 1, 0, 0});
        const int16_t br = addem("brx", solid(-924.9L, 0.0635L, 2.463L), {0, 0, 1, 1});
        const int16_t per = addem("perx", solid(-598.5L, 0.0269L, 0.625L), {0, 0, 1, 0});
        const int16_t w = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 0, 1});
        ws.ih2o = w;
        reactions.nreac = 2;
        reactions.r[1][at(ky)] = -1;
        reactions.r[1][at(sil)] = 1;
        reactions.r[2][at(br)] = -1;
        reactions.r[2][at(per)] = 1;
        reactions.r[2][at(w)] = 1;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        settings.diagrammode = 0;
    }

    // Whether delta G changes sign anywhere on a fine grid of the window.
    static bool gridcrossing(int16_t k) {
        bool neg = false, pos = false;
        for (int i = 0; i <= 60; ++i)
            for (int j = 0; j <= 60; ++j) {
                const real P = settings.calcprange[1] + (settings.calcprange[2] - settings.calcprange[1]) * i / 60;
                const real T = settings.calctrange[1] + (settings.calctrange[2] - settings.calctrange[1]) * j / 60;
                real gp, gt, g;
                calcdg(k, gp, gt, P, T, 0, 1, g);
                (g < 0 ? neg : pos) = true;
            }
        return neg && pos;
    }
};

TEST_F(WindowTests, PTWindowAgreesWithAGridScan) {
    struct row {
        int16_t k;
        real plo, phi, tlo, thi;
        bool in;
        bool cornerschange;
    };
    const row table[] = {
        {1, 2, 10, 600, 1000, true, true},    // kyx = silx across the window
        {1, 2, 10, 1150, 1250, false, false},  // wholly on the silx side
        {2, 1, 30, 880, 920, true, false},    // enters and leaves through the low-T edge
        {2, 8, 12, 860, 880, false, false},   // inside the bend, on the reactant side only
    };
    for (const row& t : table) {
        settings.calcprange = {0, t.plo, t.phi};
        settings.calctrange = {0, t.tlo, t.thi};
        cornersides sides{};
        EXPECT_EQ(inPTXwindow(t.k, sides), t.in) << t.k << " " << double(t.plo);
        EXPECT_EQ(gridcrossing(t.k), t.in) << "fixture: " << t.k << " " << double(t.plo);
        const bool change = !(sides[1] == sides[2] && sides[2] == sides[3] && sides[3] == sides[4]);
        EXPECT_EQ(change, t.cornerschange);
    }
}

TEST_F(WindowTests, SidesMarkTheCornersWithNegativeDeltaG) {
    settings.calcprange = {0, 2, 10};
    settings.calctrange = {0, 600, 1000};
    cornersides sides{};
    ASSERT_TRUE(inPTwindow(1, sides));
    // kyx = silx: silx (the products) is stable at high T and low P
    EXPECT_FALSE(sides[1]);  // low P, low T
    EXPECT_FALSE(sides[2]);  // high P, low T
    EXPECT_FALSE(sides[3]);  // high P, high T
    EXPECT_TRUE(sides[4]);   // low P, high T
}

// Whether delta G, computed here as the sum of nu G plus the activity terms, changes
// sign anywhere on a fine grid of a window of u (the calculated P or T) and v (x(CO2)
// or log a).
bool gridcrossing(const std::function<real(real, real)>& dg, const std::array<real, 3>& u, const std::array<real, 3>& v) {
    bool neg = false, pos = false;
    const int n = 120;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            const real g = dg(u[1] + (u[2] - u[1]) * i / n, v[1] + (v[2] - v[1]) * j / n);
            (g < 0 ? neg : pos) = true;
        }
    return neg && pos;
}

// A hydrous carbonate hcx = wox + CO2 + H2O, which releases both fluids, and the
// decarbonation ccx + qx = wox + CO2; solids without heat capacity.
class FluidAxisWindows : public ::testing::Test {
protected:
    static tdrecord plain(real H, real S, real V) {
        tdrecord r = solid(H, S, V);
        r.cpa = r.cpb = r.cpc = r.cpd = 0;
        return r;
    }
    void SetUp() override {
        resetall(3);
        setcomponents({"CaO", "SiO2", "CO2", "H2O"});
        const int16_t wo = addem("wox", plain(-1634.2L, 0.0815L, 3.99L), {1, 1, 0, 0});
        const int16_t cc = addem("ccx", plain(-1206.9L, 0.0920L, 3.69L), {1, 0, 1, 0});
        const int16_t q = addem("qx", plain(-910.8L, 0.0416L, 2.27L), {0, 1, 0, 0});
        const int16_t hc = addem("hcx", plain(-2483.0L, 0.190L, 6.0L), {1, 1, 1, 1});
        ws.ico2 = addem("CO2", thermotest::fluidrec(-393.5L, 0.2137L, 0.0871L), {0, 0, 1, 0});
        ws.ih2o = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 0, 1});
        reactions.nreac = 2;
        reactions.r[1][at(hc)] = -1;
        reactions.r[1][at(wo)] = reactions.r[1][at(ws.ico2)] = reactions.r[1][at(ws.ih2o)] = 1;
        reactions.r[2][at(cc)] = reactions.r[2][at(q)] = -1;
        reactions.r[2][at(wo)] = reactions.r[2][at(ws.ico2)] = 1;
        settings.pnow = 4;
        settings.tnow = 1100;
    }

    static real dg(int k, real P, real T, real x) {
        real g = 0;
        for (int16_t e = 1; e <= ws.nem; ++e) {
            const int nu = reactions.r[at(k)][at(e)];
            if (nu == 0) continue;
            g += nu * thermotest::gof(e, P, T);
            if (e == ws.ico2) g += nu * 0.0083144L * T * std::log(x);
            if (e == ws.ih2o) g += nu * 0.0083144L * T * std::log(1 - x);
        }
        return g;
    }
};

TEST_F(FluidAxisWindows, XCO2WindowsAgreeWithAGridScan) {
    // hcx = wox + CO2 + H2O: at 4 kbar T rises from 1074 K at x(CO2) 0.1 to 1116 K at 0.5;
    // at 1100 K P falls from 5.05 kbar at 0.1 to 3.50 kbar at 0.5.
    struct row {
        const char* what;
        int16_t mode;  // 1 P-x(CO2), 2 T-x(CO2)
        int16_t k;
        real ulo, uhi, xlo, xhi;
        bool in;
    };
    const row table[] = {
        {"T maximum pokes into the window, corners all on one side", 2, 1, 1100, 1200, 0.1L, 0.9L, true},
        {"T maximum through both edges of T", 2, 1, 1080, 1100, 0.1L, 0.9L, true},
        {"window above the maximum", 2, 1, 1120, 1200, 0.1L, 0.9L, false},
        {"maximum outside the x(CO2) window", 2, 1, 1100, 1200, 0.85L, 0.95L, false},
        {"line through the corners", 2, 1, 1050, 1110, 0.1L, 0.9L, true},
        {"decarbonation across the window", 2, 2, 700, 900, 0.1L, 0.9L, true},
        {"decarbonation below the window", 2, 2, 900, 1000, 0.1L, 0.9L, false},
        {"P minimum pokes into the window", 1, 1, 2, 4, 0.1L, 0.9L, true},
        {"P minimum through both edges of P", 1, 1, 3.6L, 4, 0.1L, 0.9L, true},
        {"window below the minimum", 1, 1, 2, 3.4L, 0.1L, 0.9L, false},
        {"minimum outside the x(CO2) window", 1, 1, 2, 4, 0.1L, 0.2L, false},
    };
    for (const row& t : table) {
        SCOPED_TRACE(t.what);
        settings.diagrammode = t.mode;
        settings.xco2window = {0, t.xlo, t.xhi};
        std::array<real, 3>& u = t.mode == 2 ? settings.calctrange : settings.calcprange;
        u = {0, t.ulo, t.uhi};
        (t.mode == 2 ? settings.calcprange : settings.calctrange) = {0, 1, 2000};  // not used
        cornersides sides{};
        EXPECT_EQ(inPTXwindow(t.k, sides), t.in);
        const int16_t k = t.k;
        const bool crossing = gridcrossing(
            [&](real a, real x) { return t.mode == 2 ? dg(k, 4, a, x) : dg(k, a, 1100, x); }, u, settings.xco2window);
        EXPECT_EQ(crossing, t.in) << "fixture";
    }
}

// The dehydration brx = perx + H2O with the activity of brx as the log a axis: brx is
// the last working end-member, whose entropy carries the axis value.
class LogaWindows : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(3);
        setcomponents({"MgO", "H2O"});
        const int16_t per = addem("perx", solid(-598.5L, 0.0269L, 0.625L), {1, 0});
        ws.ih2o = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 1});
        const int16_t br = addem("brx", solid(-924.9L, 0.0635L, 2.463L), {1, 1});
        ws.ilna = br;
        settings.setloga = 0;
        settings.lnah0 = ws.td[at(br)].S;
        reactions.nreac = 1;
        reactions.r[1][at(br)] = -1;
        reactions.r[1][at(per)] = reactions.r[1][at(ws.ih2o)] = 1;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        settings.pnow = 5;
        settings.tnow = 880;
    }

    // delta G with a(brx) = 10^v, from G at unit activity.
    static real dg(real P, real T, real v) {
        settings.lnah0 = ws.td[at(ws.nem)].S;
        real g = 0;
        for (int16_t e = 1; e <= ws.nem; ++e)
            if (reactions.r[1][at(e)] != 0) g += reactions.r[1][at(e)] * thermotest::gof(e, P, T);
        return g - 0.0083144L * T * std::log(10.0L) * v;
    }
};

TEST_F(LogaWindows, LogaWindowsAgreeWithAGridScan) {
    // At 880 K the line has two P roots for log a(brx) up to about 0.1 (6.1 and 13.8
    // kbar there) and none from 0.2; at 5 kbar T falls from 1078 K at -0.6 to 764 K at 0.6.
    struct row {
        const char* what;
        int16_t mode;  // 3 P-log a, 4 T-log a
        real ulo, uhi, vlo, vhi;
        bool in;
    };
    const row table[] = {
        {"enters and leaves through the low log a edge", 3, 3, 20, 0.1L, 0.3L, true},
        {"no root at any log a of the window", 3, 3, 20, 0.2L, 0.4L, false},
        {"the tip of the line between the corners", 3, 8, 12, 0.1L, 0.3L, true},
        {"both roots below the P window", 3, 15, 20, 0.1L, 0.3L, false},
        {"across the window", 4, 850, 950, -0.3L, 0.3L, true},
        {"across the high T edge", 4, 950, 1000, -0.6L, -0.3L, true},
        {"above the line throughout", 4, 1000, 1100, 0, 0.6L, false},
    };
    for (const row& t : table) {
        SCOPED_TRACE(t.what);
        settings.diagrammode = t.mode;
        settings.logawindow = {0, t.vlo, t.vhi};
        std::array<real, 3>& u = t.mode == 4 ? settings.calctrange : settings.calcprange;
        u = {0, t.ulo, t.uhi};
        (t.mode == 4 ? settings.calcprange : settings.calctrange) = {0, 1, 2000};
        cornersides sides{};
        EXPECT_EQ(inPTXwindow(1, sides), t.in);
        const real saved = ws.td[at(ws.nem)].S;
        ws.td[at(ws.nem)].S = settings.lnah0;
        const bool crossing = gridcrossing(
            [&](real a, real v) { return t.mode == 4 ? dg(5, a, v) : dg(a, 880, v); }, u, settings.logawindow);
        ws.td[at(ws.nem)].S = saved;
        EXPECT_EQ(crossing, t.in) << "fixture";
    }
}

TEST_F(WindowTests, AnUnknownDiagramEndsTheRun) {
    settings.diagrammode = 7;
    cornersides sides{};
    EXPECT_EQ(testing::exitcodeof([&] { inPTXwindow(1, sides); }), 1);
}

}  // namespace
}  // namespace zt
