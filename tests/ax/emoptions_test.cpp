#include "ax/emoptions.h"

#include <gtest/gtest.h>

#include "axfixture.h"
#include "dsfit/fitset.h"
#include "runtime/bytes.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::pure;
using axtest::replaced;
using axtest::soln;

const std::string& twoem = axtest::twoemmodel;

TEST(EmOptions, OptionWordsAndDqfKinds) {
    const std::string inc(1, incrementbyte);
    struct row {
        std::string word;
        int16_t code;
        int16_t kind;
    };
    const row rows[] = {
        {"DQF", 3, 0},           {"dqf", 3, 0},           {"deltaG", 3, 0},         {inc + "G", 3, 0},
        {inc + "G(make)", 3, 1}, {"deltaG(make)", 3, 1},  {"delG(make)", 3, 1},     {inc + "G(mod)", 3, 2},
        {"delG(mod)", 3, 2},     {inc + "G(od)", 3, 3},   {"deltaG(od)", 3, 3},     {inc + "G(tran)", 3, 4},
        {"delG(tran)", 3, 4},    {inc + "G(rcal)", 3, 5}, {"deltaG(rcal)", 3, 5},   {"make", 4, 9},
        {"check", 5, 9},         {"exclude", 7, 9},       {"delG", 0, 9},           {"Make", 0, 9},
        {"DeltaG", 0, 9},        {"py", 0, 9},
    };
    for (const row& r : rows) {
        int16_t kind = 9;
        EXPECT_EQ(emoptioncode(r.word, kind), r.code) << r.word;
        EXPECT_EQ(kind, r.kind) << r.word;
    }
}

TEST(EmOptions, MakeDivisorsCoefficientsAndActions) {
    axworld w;
    const std::string text =
        replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 make 2 ordered py 1/2 disordered gr 1/2 DQF 1.5 -0.002 0.04") +
        "mk 1 sill make 2 ky 1/3 and 2/3 " + std::string(1, incrementbyte) + "G(od) 1 0 0\n";
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const axem& alm = soln(1).em[2];
    EXPECT_EQ(alm.nmake, 2);
    EXPECT_EQ(alm.makedivisor, 2);
    EXPECT_EQ(alm.makecoef[1], 1);
    EXPECT_EQ(alm.makecoef[2], 1);
    EXPECT_EQ(alm.makeaction[1], 2);
    EXPECT_EQ(alm.makeaction[2], 1);
    EXPECT_EQ(alm.makeemname[2], "gr");
    EXPECT_EQ(alm.dqfkind, 0);
    EXPECT_NEAR(alm.dqfa, 1.5L, 1e-18L);
    EXPECT_NEAR(alm.dqfb, -0.002L, 1e-18L);
    EXPECT_NEAR(alm.dqfc, 0.04L, 1e-18L);
    const emphaserec& mk = pure(1);
    EXPECT_EQ(mk.emname, "sill");
    EXPECT_EQ(mk.makedivisor, 3);
    EXPECT_EQ(mk.makecoef[1], 1);
    EXPECT_EQ(mk.makecoef[2], 2);
    EXPECT_EQ(mk.makeaction[1], 4);
    EXPECT_EQ(mk.makeaction[2], 4);
    EXPECT_EQ(mk.dqfkind, 3);
}

TEST(EmOptions, ChargedCompoundsInMeanForm) {
    axworld w;
    const std::string text =
        replaced(replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 make 2 Na+ 1/2 Cl- 1/2"), "py 1 1 xMg 3",
                 "py 1 1 xMg 3 make 2 Ca++ 1/3 Cl- 2/3") +
        "salt 1 halite make 2 Na+ 1 Cl- 1\n";
    ASSERT_EQ(w.readax(text), -1) << w.out();
    EXPECT_EQ(soln(1).em[2].props.field(18), 1);
    EXPECT_EQ(soln(1).em[2].props.field(19), 1);
    EXPECT_EQ(soln(1).em[1].props.field(18), 2);
    EXPECT_EQ(soln(1).em[1].props.field(19), 1);
    EXPECT_EQ(pure(1).props.field(18), 1);
    EXPECT_EQ(pure(1).props.field(19), 1);
}

TEST(EmOptions, FaultyOptionsEndTheRun) {
    const std::string inc(1, incrementbyte);
    struct row {
        std::string text;
        std::string message;
    };
    const std::string utf8 = "\xE2\x88\x86G(make)";
    const row rows[] = {
        {"mk 1 sill DQF 1 0 0\n", "need to \"make\" end-member before DQF-ing it"},
        {"mk 1 sill make 1 ky 1 DQF make 1 0 0\n", "keyword after DQF not allowed now (include in make)"},
        {"mk 1 sill make 0 ky 1\n", "too few end-members to construct sill"},
        {"mk 1 sill make 7 ky 1\n", "too many end-members to construct sill (max = 6) "},
        {"mk 1 sill make 1 1 ky 1\n", "expecting a name; got: 1 - action for end-members in making sill"},
        {"mk 1 sill make 1 zz 1\n", "zz not in \"zt-dstest.txt\""},
        {"mk 1 sill make 2 ky 1/300 and 1/301\n", "common denominator beyond 16 bits for sill in mk"},
        {"mk 1 sill make 2 ky 30000 and 1/2\n", "coefficient beyond 16 bits for sill in mk"},
        {"mk 1 sill make 1 ky 4 " + utf8 + " 1 0 0\n",
         "unknown option " + utf8 + " for sill (the increment sign must be the single byte 0xC6)"},
        {"mk 1 sill make 3 Na+ 1/3 Cl- 1/3 ky 1/3\n", "must be just 2 charged species in a compound"},
        {"mk 1 sill make 2 Na+ 1/2 ky 1/2\n", "all species in a compound must be charged"},
        {"mk 1 sill make 2 Na+ 1/2 Cl- 1/3\n", "compound not in mean form"},
        {"mk 1 sill make 2 Ca++ 1 Cl- 1\n", "compound not charged-balanced"},
        {replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 make 1 alm 1"),
         "names: end-member, alm, and name in make, alm, must be different"},
        {replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 make 2 Na+ 1/2 Cl- 1/3"), "compound not in mean form"},
        {replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 6"), "wrong code in info for alm"},
        {replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 check 1/2 1/3"), "expecting a name; got: 1/3 - name for 2nd phase"},
    };
    for (const row& r : rows) {
        axworld w;
        EXPECT_EQ(w.readax(r.text), 1) << r.text;
        EXPECT_TRUE(w.bombedwith(r.message)) << r.text << "\n" << w.out();
    }
}

TEST(EmOptions, OldLayoutDatasetsTakeADqfWithoutMake) {
    axworld w;
    ds.oldds = true;
    ASSERT_EQ(w.readax("mk 1 sill DQF 1 0.5 0\n"), -1) << w.out();
    EXPECT_EQ(pure(1).dqfa, 1);
    EXPECT_EQ(pure(1).dqfb, 0.5L);
}

TEST(EmOptions, BufferDqfIsShiftedByTheScriptOffset) {
    axworld w;
    settings.buffername = "qfm";
    settings.bufferdel = 2;
    ASSERT_EQ(w.readax("qfm 1 buffer make 1 q 1 DQF 1 0.1 0\n"), -1) << w.out();
    EXPECT_NEAR(pure(1).dqfb, 0.1L + 2 * 0.0083144L * 2.302585092994046L, 1e-15L);
}

TEST(EmOptions, CheckAndExcludeMarkSolutionEndMembers) {
    axworld w;
    ASSERT_EQ(w.readax(replaced(replaced(twoem, "alm 1 1 xFe 3", "alm 1 1 xFe 3 check 1"), "py 1 1 xMg 3",
                                "py 1 1 xMg 3 exclude")),
              -1)
        << w.out();
    EXPECT_TRUE(soln(1).em[1].excluded);
    EXPECT_FALSE(soln(1).em[2].excluded);
    EXPECT_EQ(soln(1).em[2].xdivisor, 1);
    EXPECT_EQ(soln(1).em[2].xnum[1], 1);
}

TEST(EmOptions, TheDatasetFitRefusesDqfAndSeveralConstituents) {
    struct row {
        const char* to;
        const char* message;
    };
    const row rows[] = {
        {"alm 1 1 xFe 3 make 1 ky 1 DQF 1 0 0", "DQF not allowed in fitset"},
        {"alm 1 1 xFe 3 make 2 ky 1/2 q 1/2", "several end-member make not allowed in fitset"},
    };
    for (const row& r : rows) {
        axworld w;
        run.calcmode = 4;
        fit.fitsetprefs.axsuffix = "t";
        w.folder.writefile("ds-axt.txt", replaced(twoem, "alm 1 1 xFe 3", r.to));
        EXPECT_EQ(testing::exitcodeof([] { setupphases(); }), 1) << r.to;
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
}

}  // namespace
}  // namespace zt
