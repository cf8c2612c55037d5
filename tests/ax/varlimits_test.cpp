#include "ax/varlimits.h"

#include <gtest/gtest.h>

#include "axfixture.h"
#include "runtime/bytes.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::replaced;
using axtest::soln;

// One variable x with the given range words and the two site fractions sf1 and sf2
// (each in the file's expression form); both end-members ideal on sf1 and sf2.
std::string onevariable(const std::string& range, const std::string& sf1, const std::string& sf2) {
    return "b 2 1\n  x(b) 0.5 " + range +
           "\n  p(py) 1 1 1 1 -1 x\n  p(alm) 1 1 0 1 1 x\n  ideal\n  2\n  s1 " + sf1 + "\n  s2 " + sf2 +
           "\n  py 1 1 s1 1\n  alm 1 1 s2 1\n";
}

TEST(VarLimits, SingleItemSiteFractionsTightenAGivenRange) {
    struct row {
        const char* range;
        const char* sf1;
        const char* sf2;
        real lower, upper;
        int32_t lowerkind, upperkind;
    };
    const row rows[] = {
        {"", "1 1 1 1 -1 x", "1 1 0 1 1 x", 0, 1, 1, 1},                       // no range at all
        {"range -1 1", "1 1 0 1 1 x", "1 1 1 1 -1 x", 0, 1, 4, 4},            // x >= 0, 1 - x >= 0
        {"range 0 2", "1 1 1/2 1 -1/2 x", "1 1 0 1 1 x", 0, 1, 1, 4},          // 1/2 - x/2 >= 0
        {"range 0.1 0.9", "1 1 1 1 -1 x", "1 1 0 1 1 x", 0.1L, 0.9L, 1, 1},    // already inside
        {"range -2 2", "1 1 -1/4 1 1/2 x", "1 1 3/4 1 -1/2 x", 0.5L, 1.5L, 4, 4},
    };
    for (const row& r : rows) {
        axworld w;
        ASSERT_EQ(w.readax(onevariable(r.range, r.sf1, r.sf2)), -1) << r.range << w.out();
        const axvar& v = soln(1).vars[1];
        EXPECT_NEAR(v.lower, r.lower, 1e-15L) << r.range;
        EXPECT_NEAR(v.upper, r.upper, 1e-15L) << r.range;
        EXPECT_EQ(v.lowerkind, r.lowerkind) << r.range;
        EXPECT_EQ(v.upperkind, r.upperkind) << r.range;
        EXPECT_NEAR(v.scale, 1 / (r.upper - r.lower), 1e-12L);
        EXPECT_NEAR(v.offset, -r.lower / (r.upper - r.lower), 1e-12L);
        EXPECT_NEAR(v.tol, 0.0001L / (r.upper - r.lower), 1e-15L);
        EXPECT_TRUE(soln(1).simplesf);
        EXPECT_EQ(soln(1).nlimrows, 0);
    }
}

TEST(VarLimits, EqualLimitsFailHere) {
    axworld w;
    EXPECT_EQ(w.readax(onevariable("range 0.5 0.5", "1 1 1 1 -1 x", "1 1 0 1 1 x")), 1);
    EXPECT_TRUE(w.bombedwith("lower limit > upper limit in xyz range"));
}

TEST(VarLimits, MultiVariableFactorsBecomeRowsOnce) {
    axworld w;
    // xMgX = 1 - x - z twice (as a second, identical site fraction) and a product
    std::string text = replaced(axtest::garnetmodel(), "  3\n  xMgX", "  5\n  xMg2 1 1 1 2 -1 x -1 z\n  xQ 1 2 1/2 2 1 x -1/3 z 1 1 -1 z\n  xMgX");
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const axphase& g = soln(1);
    ASSERT_EQ(g.nlimrows, 2);
    EXPECT_EQ(g.limrownum[1][1], -1);
    EXPECT_EQ(g.limrownum[1][2], -1);
    EXPECT_EQ(g.limrownum[1][3], 1);
    EXPECT_EQ(g.limrowden[1][3], 1);
    EXPECT_EQ(g.limrownum[2][2], -1);
    EXPECT_EQ(g.limrowden[2][2], 3);
    EXPECT_EQ(g.limrownum[2][3], 1);
    EXPECT_EQ(g.limrowden[2][3], 2);
    EXPECT_TRUE(g.simplesf);
}

TEST(VarLimits, TwentyThreeRowsDoNotFit) {
    axworld w;
    axexpr e;
    e.nterms = 1;
    e.term[1].nfactors = 1;
    axfactor& f = e.term[1].factor[1];
    f.nitems = 2;
    f.num[1] = f.num[2] = 1;
    f.den[1] = f.den[2] = 1;
    f.itemvar[1] = 1;
    f.itemvar[2] = 2;
    int16_t count = 0;
    static std::array<limrow, maxlimrows + 1> num{}, den{};
    for (int16_t c = 1; c <= 22; ++c) {
        f.c0num = c;
        setvarlim(e, 1, 1, 3, count, num, den);
    }
    EXPECT_EQ(count, 22);
    f.c0num = 5;  // already there
    setvarlim(e, 1, 1, 3, count, num, den);
    EXPECT_EQ(count, 22);
    f.c0num = 23;
    EXPECT_EQ(testing::exitcodeof([&] { setvarlim(e, 1, 1, 3, count, num, den); }), 1);
    EXPECT_TRUE(w.bombedwith("increase maxnvarlim"));
}

TEST(VarLimits, GuessesOnAStrictLimitEndTheRun) {
    // x in -1..1 with site fractions x and 1 - x: limits 0 and 1, both strict; the
    // starting values are then put on and beyond them
    struct row {
        real value;
        int32_t kind;
        const char* message;
    };
    const row rows[] = {
        {0, 4, "guess too small for x(b)"},
        {1, 4, "guess too large for x(b)"},
        {0, 1, ""},
        {1, 1, ""},
        {-0.01L, 1, "guess too small for x(b)"},
        {1.01L, 1, "guess too large for x(b)"},
    };
    for (const row& r : rows) {
        axworld w;
        axtest::setwith({"b"});
        ASSERT_EQ(w.readax(onevariable("range -1 1", "1 1 0 1 1 x", "1 1 1 1 -1 x")), -1) << w.out();
        axvar& x = soln(1).vars[1];
        ASSERT_EQ(x.lowerkind, 4);
        ASSERT_EQ(x.upperkind, 4);
        x.lowerkind = x.upperkind = r.kind;
        x.value = r.value;
        const bool fails = r.message[0] != 0;
        EXPECT_EQ(testing::exitcodeof([] { checkmodels(); }), fails ? 1 : -1) << r.value << " " << r.kind;
        if (fails) {
            EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
        }
    }
}

TEST(VarLimits, ModeGuessesAndColoursFromTheScript) {
    axworld w;
    axtest::setwith({"g", "q"});
    settings.nmodeguess = 2;
    settings.modeguessnames[1] = "g";
    settings.modeguessvalues[1] = 0.35L;
    settings.modeguessnames[2] = "q";
    settings.modeguessvalues[2] = 0.1L;
    settings.nrgb = 2;
    settings.rgbnames[1] = "q";
    settings.rgbcolours[1] = {0, 10, 20, 30};
    settings.rgbnames[2] = "g";
    settings.rgbcolours[2] = {0, 200, 0, 5};
    ASSERT_EQ(w.readax(axtest::garnetmodel() + "q\nky\n"), -1) << w.out();
    EXPECT_NEAR(soln(1).modestart, 0.35L, 1e-15L);
    EXPECT_NEAR(axtest::pure(1).modestart, 0.1L, 1e-15L);
    EXPECT_EQ(axtest::pure(2).modestart, -1);
    EXPECT_TRUE(soln(1).hascolour);
    EXPECT_EQ(soln(1).colour[1], 200);
    EXPECT_TRUE(axtest::pure(1).hascolour);
    EXPECT_EQ(axtest::pure(1).colour[3], 30);
    EXPECT_FALSE(axtest::pure(2).hascolour);
}

TEST(VarLimits, ModelsAreCheckedAtTheirPureEndMembers) {
    struct row {
        const char* from;
        const char* to;
        const char* listing;
        const char* message;
    };
    const row rows[] = {
        {"alm 1 1 xFeX 3  check 1 0", "alm 1 1 xFeX 3  check 1/2 0", "inconsistent ideal mixing activities: alm in g = 0.1250",
         " ideal mixing terms not equal to 1 for pure end-members (also look at check coding)"},
        {"alm 1 1 xFeX 3", "alm 1.01 1 xFeX 3", "inconsistent ideal mixing activities: alm in g = 1.0100",
         " ideal mixing terms not equal to 1 for pure end-members (also look at check coding)"},
        {"p(alm) 1 1 0 1 1 x", "p(alm) 1 1 0 1 1/2 x", "inconsistent p coding: alm = 0.500",
         "proportions not equal to 1 for pure end-members (also look at check coding)"},
        {"alm 1 1 xFeX 3  check 1 0", "alm 1 1 xFeX 3  check 0 0", "",
         "ideal mixing term = 0 for alm in g (check coding wrong?)"},
    };
    for (const row& r : rows) {
        axworld w;
        EXPECT_EQ(w.readax(replaced(axtest::garnetmodel(), r.from, r.to)), 1) << r.to;
        EXPECT_NE(w.out().find(std::string("\n\n") + r.listing), std::string::npos) << w.out();
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
    axworld w;  // within 0.001 passes
    EXPECT_EQ(w.readax(replaced(axtest::garnetmodel(), "alm 1 1 xFeX 3", "alm 1.0005 1 xFeX 3")), -1) << w.out();
}

}  // namespace
}  // namespace zt
