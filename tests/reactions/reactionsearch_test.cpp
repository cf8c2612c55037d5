#include "reactions/reactionsearch.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zt
