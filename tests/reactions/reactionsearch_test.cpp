#include "reactions/reactionsearch.h"

#include <gtest/gtest.h>

#include <string>

#include "reactions/onereaction.h"
#include "reactions/windowtests.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using namespace reactiontest;

// Three Al2SiO5 polymorphs with a triple point near 5.9 kbar and 850 K.
void polymorphs() {
    setcomponents({"Al2O3", "SiO2"});
    addem("ky", solid(-2592.9L, 0.0830L, 4.414L), {1, 1});
    addem("and", solid(-2588.8L, 0.0930L, 5.153L), {1, 1});
    addem("sil", solid(-2585.7L, 0.0955L, 4.986L), {1, 1});
}

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(3);
        resetsearch();
        settings.calcprange = {0, 2, 10};
        settings.calctrange = {0, 600, 1100};
        settings.xh2ofluid = 1;
        settings.diagrammode = 0;
        reactions.allreactions = false;
        channels.outchannels = 1;
    }
    std::string run() {
        testing::consolecapture console;
        bool found = false;
        calcre(found);
        found_ = found;
        return console.output();
    }
    bool found_ = false;
};

TEST_F(Search, PolymorphsGiveThreeBalancedReactionsAndOneCandidatePoint) {
    polymorphs();
    const std::string out = run();
    EXPECT_TRUE(found_);
    ASSERT_EQ(reactions.nreac, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_TRUE(balanced(k)) << k;
        cornersides sides{};
        EXPECT_TRUE(inPTXwindow(static_cast<int16_t>(k), sides)) << k;
    }
    ASSERT_EQ(search.ninvpoints, 1);
    EXPECT_EQ(search.ninvreac[1], 3);
    EXPECT_EQ(out, "XXX\nno excluded assemblages\n\nno of reactions = 3, no of intersections = 1\n");
    EXPECT_EQ(reactions.reactiontext[1], "1)  and = ky");
    EXPECT_EQ(reactions.reactiontextwidth, 14);
}

TEST_F(Search, AnEndMemberThatCannotBeStableIsOmittedAndItsReactionsSkipped) {
    polymorphs();
    // corundum + quartz far more stable than any polymorph: ky = cor + q lies outside the
    // window with its products stable, so ky is omitted; and and sil follow.
    addem("cor", solid(-1740.0L, 0.0505L, 2.558L), {1, 0});
    addem("q", solid(-860.9L, 0.0415L, 2.269L), {0, 1});
    const std::string out = run();
    EXPECT_EQ(reactions.nomitted, 3);
    EXPECT_EQ(reactions.nreac, 0);
    EXPECT_NE(out.find("excluded assemblages | ky | and | sil |"), std::string::npos) << out;
    EXPECT_NE(out.find("no of reactions = 0, no of intersections = 0"), std::string::npos);
}

TEST_F(Search, AllReactionsModeDropsLinesOutsideTheWindowWithoutLearning) {
    polymorphs();
    reactions.allreactions = true;
    settings.calctrange = {0, 1200, 1300};  // sil only
    const std::string out = run();
    EXPECT_EQ(reactions.nreac, 0);
    EXPECT_EQ(reactions.nomitted, 0);
    EXPECT_EQ(out, "+++\n\n\nno of reactions = 0\n");
}

TEST_F(Search, ExcessPhaseCompletesTheReaction) {
    // MgO-SiO2 with H2O in excess: ath = 2 fo-like + ... built from the components
    setcomponents({"MgO", "SiO2", "H2O"});
    ws.nrcomps = 2;
    addem("fo", solid(-2172, 0.095L, 4.366L), {2, 1, 0});
    addem("en", solid(-3090, 0.132L, 6.262L), {2, 2, 0});
    addem("ta", solid(-5897, 0.26L, 13.6L), {3, 4, 2});
    const int16_t w = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 2});
    ws.nrems = 3;
    ws.ih2o = w;
    ws.compdiv[3] = 2;
    reactions.allreactions = true;
    settings.calctrange = {0, 500, 1500};
    settings.calcprange = {0, 1, 40};
    run();
    ASSERT_GE(reactions.nreac, 1);
    for (int k = 1; k <= reactions.nreac; ++k) {
        EXPECT_TRUE(balanced(k)) << reactions.reactiontext[at(k)];
        EXPECT_GE(reactions.r[at(k)][at(w)], 0);  // the fluid is released
    }
}

TEST_F(Search, PruningKeepsTheLargerAssemblage) {
    // Excluded assemblages by hand: {1,2} then {1,2,3} replaces it; {2} inside stays out.
    setcomponents({"SiO2"});
    for (int j = 1; j <= 4; ++j) addem("e" + std::to_string(j), solid(-900, 0.04L, 2.3L), {1});
    reactions.nreac = 1;
    auto prune = [&](std::initializer_list<int> reactants) {
        reactions.nreac = 1;
        reactions.r[1] = reaction{};
        for (int j : reactants) reactions.r[1][at(j)] = -1;
        reactions.r[1][4] = static_cast<int16_t>(reactants.size());
        search.setappended = false;
        testing::consolecapture console;
        prunephases(true);
        return console.output();
    };
    EXPECT_EQ(prune({1, 2}), "+");
    EXPECT_EQ(search.nexcluded, 1);
    EXPECT_EQ(prune({1, 2, 3}), "+");
    ASSERT_EQ(search.nexcluded, 1);
    EXPECT_TRUE(BTst2(search.excludedsets[1], 3));
    EXPECT_EQ(prune({1, 3}), "-");
    EXPECT_EQ(prune({2}), "+");
    EXPECT_EQ(reactions.nomitted, 1);
    EXPECT_EQ(search.nexcluded, 0);  // the assemblage holding e2 went with it
    EXPECT_EQ(prune({2}), "-");
}

// Mode 2 (average P at 900 K) over n polymorphs of one composition: polymorph j stands
// to the first as a line near 8 kbar across the window, or, with far, wholly outside it.
class Mode2Search : public ::testing::Test {
protected:
    void SetUp() override {
        resetall(2);
        resetsearch();
        search.rockcalctype = 0;
        search.maxallowedsd = 5;
        settings.calcprange = {0, 2, 14};
        settings.calctrange = {0, 800, 1000};
        settings.tnow = 900;
        settings.pnow = 8;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        channels.outchannels = 1;
        setcomponents({"Al2O3", "SiO2"});
    }
    static void polymorphfamily(int n, bool far) {
        for (int j = 1; j <= n; ++j) {
            const real dh = far ? 50.0L * j : 0.01L * (j - 1);
            addem("p" + std::to_string(j), solid(-2590 + dh, 0.0830L + 0.0001L * (j - 1), 4.40L + 0.01L * (j - 1)), {1, 1});
        }
    }
};

TEST_F(Mode2Search, The25thIndependentReactionEndsTheRun) {
    // n polymorphs have n - 1 independent reactions, each pair of polymorphs one.
    for (const int n : {25, 26}) {
        SCOPED_TRACE(n);
        SetUp();
        polymorphfamily(n, false);
        bool found = false;
        const auto r = thermotest::fatalof([&] { calcre(found); });
        if (n == 25) {
            EXPECT_EQ(r.code, -1);
            EXPECT_TRUE(found);
            EXPECT_EQ(reactions.nreac, 24);
            EXPECT_NE(r.console.find("an independent set of reactions has been calculated"), std::string::npos) << r.console;
            for (int k = 1; k <= 24; ++k) EXPECT_TRUE(balanced(k)) << k;
        } else {
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.console.find(thermotest::bombline("newindr", "too many independent reactions")), std::string::npos)
                << r.console;
            EXPECT_EQ(r.console.find(thermotest::internalnotice()), std::string::npos);
        }
    }
}

TEST_F(Mode2Search, FourHundredReactionsWithoutOneKeptAskWhetherToStop) {
    // 30 polymorphs, every line outside the window: C(30, 2) = 435 reactions to compute.
    struct answer {
        const char* typed;
        int16_t computed;
    };
    for (const answer a : {answer{"\n", 400}, answer{"n\n", 435}}) {
        SCOPED_TRACE(a.typed);
        SetUp();
        polymorphfamily(30, true);
        testing::consolecapture console(a.typed);
        bool found = false;
        calcre(found);
        const std::string out = console.output();
        EXPECT_EQ(search.ncomputed, a.computed);
        EXPECT_EQ(found, a.computed == 400);
        EXPECT_EQ(reactions.nreac, 0);
        size_t asked = 0;
        for (size_t p = out.find("not much progress : exitt"); p != std::string::npos;
             p = out.find("not much progress : exitt", p + 1))
            ++asked;
        EXPECT_EQ(asked, 1u) << out;
        EXPECT_NE(out.find("\nno reactions\n"), std::string::npos) << out;
    }
}

}  // namespace
}  // namespace zt
