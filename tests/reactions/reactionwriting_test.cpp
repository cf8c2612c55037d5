#include "reactions/reactionwriting.h"

#include <gtest/gtest.h>

#include "reactions/intersections.h"
#include "reactions/reactiontable.h"
#include "tests/numeric/fatalreport.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using namespace reactiontest;

class ReactionWriting : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(3);
        setcomponents({"Al2O3", "SiO2"});
        addem("a", solid(-2592.9L, 0.0830L, 4.414L), {1, 1});
        addem("b", solid(-2585.7L, 0.0955L, 4.986L), {1, 1});
        addem("c", solid(-2588.8L, 0.0930L, 5.153L), {1, 1});
    }
};

TEST_F(ReactionWriting, TextsShowCoefficientsOtherThanOneAndLabels) {
    struct row {
        int ca, cb, cc;
        const char* text;
    };
    const row table[] = {
        {-2, -1, 3, "1)  2a + b = 3c"},
        {1, -1, 0, "1)  b = a"},
        {0, 12, -12, "1)  12c = 12b"},
    };
    for (const row& t : table) {
        reactions.r[1] = reaction{};
        reactions.r[1][1] = static_cast<int16_t>(t.ca);
        reactions.r[1][2] = static_cast<int16_t>(t.cb);
        reactions.r[1][3] = static_cast<int16_t>(t.cc);
        reactions.reactiontextwidth = 0;
        writereaction(1);
        EXPECT_EQ(reactions.reactiontext[1], t.text);
        EXPECT_EQ(reactions.reactiontextwidth, static_cast<int>(std::string(t.text).size()) + 1);
    }
    settings.nlna = 1;
    settings.lnanames[1] = "b";
    settings.lnalabels[1] = "B*";
    reactions.r[1] = reaction{};
    reactions.r[1][1] = -1;
    reactions.r[1][2] = 1;
    writereaction(1);
    EXPECT_EQ(reactions.reactiontext[1], "1)  a = B*");
}

TEST_F(ReactionWriting, TurningPutsTheHighTemperatureSideOnTheRight) {
    settings.diagrammode = 0;
    reactions.r[1][1] = 1;  // b = a: a (kyanite-like) is the low-T side
    reactions.r[1][2] = -1;
    reactions.reaclnk[1] = 0.25L;
    const real P = 5, T = 1000;
    turnreaction(1, P, T, 0, 1, 0, 0);
    EXPECT_EQ(reactions.r[1][1], -1);
    EXPECT_EQ(reactions.r[1][2], 1);
    EXPECT_EQ(reactions.reaclnk[1], -0.25L);
    real gp, gt, g;
    calcdg(1, gp, gt, P, T + 5, 0, 1, g);
    EXPECT_LE(g, 0);
    turnreaction(1, P, T, 0, 1, 0, 0);  // a second turn changes nothing
    EXPECT_EQ(reactions.r[1][1], -1);
    run.calcmode = 2;
    testing::consolecapture console;
    channels.outchannels = 1;
    turnreaction(1, P, T, 0, 1, 0, 0);
    EXPECT_EQ(console.output(), "\ncall of turnreaction unexpected\n");
}

TEST(Mode3Windows, WideningIsClampedToTheAbsoluteLimits) {
    resetall(3);
    settings.pmin = 0.0009L;
    struct row {
        int32_t v;
        real lo, hi, wlo, whi;
    };
    const row table[] = {
        {0, 2, 10, 0.0009L, 15},
        {1, 300, 900, 283, 1300},
        {1, 800, 2800, 500, 3000},
    };
    for (const row& t : table) {
        auto& w = t.v == 0 ? settings.calcprange : settings.calctrange;
        w = {0, t.lo, t.hi};
        enlargewindow(t.v);
        EXPECT_EQ(w[1], t.wlo);
        EXPECT_EQ(w[2], t.whi);
        restorewindow(t.v);
        EXPECT_EQ(w[1], t.lo);
        EXPECT_EQ(w[2], t.hi);
    }
    EXPECT_EQ(testing::exitcodeof([] { enlargewindow(2); }), 1);
}

TEST(Mode3Table, PrintedColumnsOfLongLists) {
    std::string cols;
    for (int16_t j = 1; j <= 45; ++j)
        if (printedcolumn(j, 45)) cols += std::to_string(j) + " ";
    EXPECT_EQ(cols, "1 4 7 10 13 16 19 22 25 28 31 34 37 40 43 45 ");
    for (int16_t j = 1; j <= 20; ++j) EXPECT_TRUE(printedcolumn(j, 20));
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

using namespace reactiontest;

// Two segments over a log a list that ends at 0: the crossing is still found.
TEST(Mode3Crossing, SegmentsEndingAtZeroStillCross) {
    resetall(3);
    settings.diagrammode = 4;
    settings.othervariable = 3;
    settings.nlnalist[1] = 2;
    settings.lnalists[1][1] = -0.5L;
    settings.lnalists[1][2] = 0;
    m3.linelow[1][1] = 600;
    m3.linelow[1][2] = 700;  // rises by 100 over the step
    m3.linelow[2][1] = 680;
    m3.linelow[2][2] = 640;  // falls by 40
    setupptx(1, 2, 1, 1, 2);
    real X = 0, Y = 0;
    bool ok = false;
    linecross(X, Y, ok);
    ASSERT_TRUE(ok);
    // 600 + 200 (X + 0.5) = 680 - 80 (X + 0.5)  =>  X + 0.5 = 80 / 280
    EXPECT_NEAR(double(X), 80.0 / 280 - 0.5, 1e-12);
    EXPECT_NEAR(double(Y), 600 + 200 * 80.0 / 280, 1e-9);
    m3.linelow[2][2] = 780;  // parallel
    setupptx(1, 2, 1, 1, 2);
    linecross(X, Y, ok);
    EXPECT_FALSE(ok);
    real a, b;
    settings.diagrammode = 9;
    channels.outchannels = 1;
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof([&] { setlim(a, b); }), 1);
    EXPECT_NE(console.output().find(testing::bombline("setlim", "unknown diagrammode")), std::string::npos);
}

}  // namespace
}  // namespace zt
