#include "ax/reconcile.h"

#include <gtest/gtest.h>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::addsamegroup;
using axtest::axworld;
using axtest::codingtwo;
using axtest::replaced;
using axtest::setguesses;
using axtest::setwith;
using axtest::soln;

TEST(Reconcile, WithEntriesMatchTheWrittenNameFirst) {
    struct row {
        const char* entry;
        const char* resolved;
    };
    const row rows[] = {{"g_b", "g_b"}, {"g", "g_a"}, {"g_a", "g_a"}};
    for (const row& r : rows) {
        axworld w;
        setwith({r.entry, "q"});
        setguesses({{"x(g)", 0.3L}});
        ASSERT_EQ(w.readax(codingtwo("g_a", "garnet") + codingtwo("g_b", "garnet") + "q\n"), -1) << w.out();
        EXPECT_EQ(settings.withnames[1], "g") << r.entry;
        EXPECT_EQ(settings.withshortnames[1], r.resolved) << r.entry;
        EXPECT_EQ(settings.withshortnames[2], "q");
    }
}

TEST(Reconcile, APhaseWrittenWithoutSuffixIsFoundByAPlainEntry) {
    axworld w;
    setwith({"g"});
    setguesses({{"x(g)", 0.3L}});
    ASSERT_EQ(w.readax(codingtwo("g_a", "garnet") + axtest::twoemmodel), -1) << w.out();
    EXPECT_EQ(settings.withshortnames[1], "g");
}

TEST(Reconcile, ListsThatNameUnknownOrRepeatedPhasesEndTheRun) {
    struct row {
        std::initializer_list<const char*> with;
        std::initializer_list<const char*> excess;
        std::initializer_list<const char*> tozero;
        const char* message;
    };
    const row rows[] = {
        {{"g_a", "g_b"}, {}, {}, "two phases, g_a and g_b, with the same name in \"with\""},
        {{"g_a"}, {"q"}, {}, "in excess phase, q, not in \"with\""},
        {{"g_a"}, {}, {"ky"}, "tozero phase, ky,  not in \"with\""},
    };
    for (const row& r : rows) {
        axworld w;
        setwith(r.with);
        setguesses({{"x(g)", 0.3L}});
        settings.nexcesslist = 0;
        for (const char* n : r.excess) settings.excesslist[static_cast<size_t>(++settings.nexcesslist)] = n;
        settings.ntozero = 0;
        for (const char* n : r.tozero) settings.tozeronames[static_cast<size_t>(++settings.ntozero)] = n;
        EXPECT_EQ(w.readax(codingtwo("g_a", "garnet") + codingtwo("g_b", "garnet") + "q\nky\n"), 1) << r.message;
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
}

TEST(Reconcile, ExcessAndTozeroNamesTakeTheWrittenNames) {
    axworld w;
    setwith({"g_b", "q"});
    setguesses({{"x(g)", 0.3L}});
    settings.nexcesslist = 2;
    settings.excesslist[1] = "g";
    settings.excesslist[2] = "q";
    settings.ntozero = 1;
    settings.tozeronames[1] = "g_b";
    ASSERT_EQ(w.readax(codingtwo("g_b", "garnet") + "q\n"), -1) << w.out();
    EXPECT_EQ(settings.excesslistwritten[1], "g_b");
    EXPECT_EQ(settings.excesslistwritten[2], "q");
    EXPECT_EQ(settings.tozeronames[1], "g");
    EXPECT_EQ(settings.tozeronameswritten[1], "g_b");
}

TEST(Reconcile, CodingTwoPhasesNeedScriptGuesses) {
    {
        axworld w;
        setwith({"g_a"});
        EXPECT_EQ(w.readax(codingtwo("g_a", "garnet")), 1);
        EXPECT_TRUE(w.bombedwith("no xyz starting guesses in scriptfile 1"));
    }
    {
        axworld w;
        setwith({"g_a"});
        setguesses({{"y(h)", 0.3L}});
        EXPECT_EQ(w.readax(codingtwo("g_a", "garnet")), 1);
        EXPECT_TRUE(w.bombedwith("no xyz starting guesses for g"));
    }
}

TEST(Reconcile, OnlyTheChosenVersionOfAPhaseIsCheckedAndGivenGuesses) {
    // g_a and g_b share the short name g but not their variables.
    const std::string twovars =
        replaced(axtest::garnetmodel("g_b", "-", "-"), "g_b 3 1\n", "g_b 3 2 garnet 10\nverbatim\n  model g_b\nverbatim\n");
    const std::string onevar = codingtwo("g_a", "garnet");
    std::string othervar = onevar;
    for (size_t at = othervar.find("x"); at != std::string::npos; at = othervar.find("x", at + 1))
        if (othervar[at + 1] == '(' || othervar[at + 1] == '\n') othervar[at] = 'y';
    struct row {
        std::string file;
        std::initializer_list<axtest::guess> guesses;
    };
    const row rows[] = {
        {onevar + twovars, {{"x(g)", 0.25L}, {"z(g)", 0.15L}}},
        {othervar + twovars, {{"x(g)", 0.25L}, {"z(g)", 0.15L}}},
    };
    for (const row& r : rows) {
        axworld w;
        setwith({"g_b"});
        setguesses(r.guesses);
        ASSERT_EQ(w.readax(r.file), -1) << w.out();
        EXPECT_EQ(settings.withshortnames[1], "g_b");
        const axphase& chosen = soln(2);
        ASSERT_EQ(chosen.longname, "g_b");
        EXPECT_TRUE(chosen.guessesfromscript);
        EXPECT_NEAR(chosen.vars[2].value, 0.15L, 1e-15L);
        EXPECT_FALSE(soln(1).guessesfromscript);
    }
}

TEST(Reconcile, ScriptSameCodingMakesACopyRightAfterTheSource) {
    axworld w;
    setwith({"g2", "g", "q"});
    setguesses({{"x(g)", 0.3L}, {"x(g2)", 0.6L}});
    addsamegroup({"g", "g2"});
    ASSERT_EQ(w.readax(axtest::twoemmodel + "q\n" + replaced(axtest::twoemmodel, "g 2 1\n  x(g)", "h 2 1\n  x(h)")), -1)
        << w.out();
    ASSERT_EQ(phases.nsolnphases, 3);
    EXPECT_EQ(phases.nphases, 4);
    EXPECT_EQ(soln(1).shortname, "g");
    EXPECT_EQ(soln(2).shortname, "g2");
    EXPECT_EQ(soln(2).longname, "g2");
    EXPECT_EQ(soln(2).sourceshort, "g");
    EXPECT_EQ(soln(2).vars[1].name, "x(g2)");
    EXPECT_NEAR(soln(2).vars[1].value, 0.6L, 1e-15L);
    EXPECT_NEAR(soln(1).vars[1].value, 0.3L, 1e-15L);
    EXPECT_TRUE(soln(2).guessesfromscript);
    EXPECT_EQ(soln(3).shortname, "h");
    EXPECT_EQ(settings.withshortnames[1], "g2");
}

TEST(Reconcile, WithBatchesACopyJoinsTheMonteCarloEntriesOfItsSource) {
    axworld w;
    settings.batch = 0;
    setwith({"g", "g2"});
    addsamegroup({"g", "g2"});
    settings.nmc = 2;
    settings.mcentries[1].phase = "g";
    settings.mcentries[1].nphasewords = 1;
    settings.mcentries[1].phasewords[1] = "g";
    settings.mcentries[2].phase = "g2";
    settings.mcentries[2].nphasewords = 1;
    settings.mcentries[2].phasewords[1] = "g2";
    // Each entry must name a W of its phase for the batch set-up to accept it.
    for (size_t e = 1; e <= 2; ++e) {
        settings.mcentries[e].vartype = 1;
        settings.mcentries[e].varname = "W(py,alm)";
        settings.mcentries[e].abc = 1;
        settings.mcentries[e].value1 = 2.5L;
    }
    ASSERT_EQ(w.readax(axtest::twoemmodel), -1) << w.out();
    EXPECT_EQ(phases.nsolnphases, 2);
    EXPECT_EQ(soln(2).shortname, "g2");
    ASSERT_EQ(settings.mcentries[1].nphasewords, 2);
    EXPECT_EQ(settings.mcentries[1].phasewords[2], "g2");
    EXPECT_EQ(settings.mcentries[2].nphasewords, 1);
}

TEST(Reconcile, ACopyNeedsItsOwnGuesses) {
    struct row {
        bool anyguesses;
        const char* message;
    };
    for (const row& r : {row{true, "no xyzguess for samecoding phase g2"}, row{false, "no xyz starting guesses in scriptfile 2"}}) {
        axworld w;
        setwith({"g2"});
        if (r.anyguesses) setguesses({{"x(g)", 0.3L}});
        addsamegroup({"g", "g2"});
        EXPECT_EQ(w.readax(axtest::twoemmodel), 1);
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
    axworld w;
    addsamegroup({"gt", "g2"});
    EXPECT_EQ(w.readax(axtest::twoemmodel), 1);
    EXPECT_TRUE(w.bombedwith("first samecoding phase, gt is not in the axfile"));
}

TEST(Reconcile, ACopyBeyondFourHundredPhasesEndsTheRun) {
    axworld w;
    setwith({"g2"});
    setguesses({{"x(g2)", 0.3L}});
    addsamegroup({"g", "g2"});
    std::string text = axtest::twoemmodel;
    for (int i = 0; i < 399; ++i) text += "q\n";
    EXPECT_EQ(w.readax(text), 1);
    EXPECT_TRUE(w.bombedwith("too many phases in making samecoding phase g2 (max = 400) ")) << w.out().substr(0, 300);
}

TEST(Reconcile, ScriptAndFileGroupsOfOneSourceMerge) {
    axworld w("");
    addsamegroup({"g_a", "g3", "g2"});
    ASSERT_EQ(w.readax(codingtwo("g_a", "garnet", "also garnet-2 g2")), -1) << w.out();
    ASSERT_EQ(settings.nsamecoding, 1);
    ASSERT_EQ(settings.nsameitems[1], 2);
    EXPECT_EQ(settings.sameshortname[1][1], "g2");
    EXPECT_EQ(settings.sameshortname[1][2], "g3");
    EXPECT_EQ(settings.samewrittenname[1][2], "g3_a");
    EXPECT_EQ(settings.samefullname[1][2], "garnet");
    EXPECT_EQ(w.out().find("all axfile samecodings"), std::string::npos);  // no more groups than the script gave
}

TEST(Reconcile, GroupsDeclaredOnlyInTheFileAreListed) {
    axworld w;
    ASSERT_EQ(w.readax(codingtwo("g_a", "garnet", "samecoding garnet-2 g2 garnet-3 g3_b")), -1) << w.out();
    EXPECT_NE(w.out().find("\nall axfile samecodings\n  g # g2 g3 \n"), std::string::npos) << w.out();
    EXPECT_EQ(settings.samewrittenname[1][2], "g3_a");
}

TEST(Reconcile, SameCodingNeedsTheNewDatasetLayout) {
    axworld w;
    ds.oldds = true;
    addsamegroup({"g", "g2"});
    EXPECT_EQ(w.readax(replaced(axtest::twoemmodel, "g 2 1", "g 2")), 1);
    EXPECT_TRUE(w.bombedwith("same coding not available"));
}

TEST(Reconcile, ScriptGuessesReplaceTheFileGuesses) {
    axworld w;
    setwith({"g"});
    setguesses({{"x(g)", 0.25L, 0.03L, 0.2L, 0.8L}, {"z(g)", 0.15L, 0, -0.5L, 1}});
    ASSERT_EQ(w.readax(axtest::garnetmodel()), -1) << w.out();
    const axphase& g = soln(1);
    EXPECT_TRUE(g.guessesfromscript);
    EXPECT_NEAR(g.vars[1].value, 0.25L, 1e-15L);
    EXPECT_NEAR(g.vars[1].sd, 0.03L, 1e-15L);
    EXPECT_EQ(g.vars[1].filelower, 0);  // only widening is taken
    EXPECT_EQ(g.vars[1].fileupper, 1);
    EXPECT_EQ(g.vars[2].filelower, -0.5L);
    EXPECT_EQ(g.nvarsguess, 2);
    EXPECT_EQ(g.guessname[2], "z(g)");
    EXPECT_TRUE(g.varnonzero[2]);
    EXPECT_FALSE(g.contracted);
}

TEST(Reconcile, AZeroGuessContractsThePhase) {
    axworld w;
    setwith({"g"});
    setguesses({{"x(g)", 0.25L}, {"z(g)", 0}});
    ASSERT_EQ(w.readax(axtest::garnetmodel()), -1) << w.out();
    const axphase& g = soln(1);
    EXPECT_TRUE(g.contracted);
    EXPECT_EQ(g.nem, 2);
    EXPECT_EQ(g.nvars, 1);
    EXPECT_EQ(g.nzerovars, 1);
    EXPECT_EQ(g.zerovarnames[1], "z(g)");
    EXPECT_FALSE(g.varnonzero[2]);
}

TEST(Reconcile, GuessTablesThatDoNotFitEndTheRun) {
    struct row {
        std::initializer_list<axtest::guess> guesses;
        const char* message;
    };
    const row rows[] = {
        {{{"x(g)", 0.2L}}, "xyzguess: wrong no of vars"},
        {{{"x(g)", 0.2L}, {"y(g)", 0.1L}}, "xyzguess names don't match axfile: \"z(g)\" \"y(g)\""},
        {{{"x(g)", 0.7L}, {"z(g)", 0.6L}}, "inconsistent starting guesses"},
        {{{"x(g)", 0.2L, 0, 0.5L, 0.5L}, {"z(g)", 0.1L}}, "read in lower limit > upper limit in xyz range"},
    };
    for (const row& r : rows) {
        axworld w;
        setwith({"g"});
        setguesses(r.guesses);
        EXPECT_EQ(w.readax(axtest::replaced(axtest::garnetmodel(), "range 0 1", "range 0.5 0.5")), 1) << r.message;
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
}

TEST(Reconcile, IllegalStartingGuessesAreListed) {
    axworld w;
    setwith({"g"});
    setguesses({{"x(g)", 0.7L}, {"z(g)", 0.6L}});
    EXPECT_EQ(w.readax(axtest::garnetmodel()), 1);
    EXPECT_NE(w.out().find("\nfor g, site fractions are:\nxMgX =    -0.300000\nxFeX =     0.700000\nxCaX =     0.600000\n"
                           "site fractions must all be positive (starting guess problems)\n"),
              std::string::npos)
        << w.out();
}

}  // namespace
}  // namespace zt
