#include "reactions/windowtests.h"

#include <gtest/gtest.h>

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

TEST_F(WindowTests, AnUnknownDiagramEndsTheRun) {
    settings.diagrammode = 7;
    cornersides sides{};
    EXPECT_EQ(testing::exitcodeof([&] { inPTXwindow(1, sides); }), 1);
}

}  // namespace
}  // namespace zt
