#include "reactions/isr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <numeric>

#include "numeric/nullspace.h"
#include "runtime/runfiles.h"
#include "tests/reactions/bracketlist.h"
#include "tests/reactions/reactionfixture.h"

namespace zt {
namespace {

using namespace reactiontest;

const tdrecord any = solid(-1000, 0.1L, 5);

// Six end-members over MgO-Al2O3-SiO2-H2O, with a rank of 4.
void masystem() {
    setcomponents({"MgO", "Al2O3", "SiO2", "H2O"});
    addem("fo", any, {2, 0, 1, 0});
    addem("en", any, {2, 0, 2, 0});
    addem("py", any, {3, 1, 3, 0});
    addem("q", any, {0, 0, 1, 0});
    addem("sp", any, {1, 1, 0, 0});
    addem("ta", any, {3, 0, 4, 1});
    addem("H2O", any, {0, 0, 0, 1});
    addem("br", any, {1, 0, 0, 1});
}

class Isr : public ::testing::Test {
protected:
    void SetUp() override { resetall(1); }
};

TEST_F(Isr, ReactionsAreBalancedIndependentAndInLowestTerms) {
    masystem();
    bool found = false;
    calcisr(found);
    ASSERT_TRUE(found);
    EXPECT_EQ(reactions.nreac, 4);  // 8 end-members, rank 4
    intmatrix rows(reactions.nreac + 1);
    for (int k = 1; k <= reactions.nreac; ++k) {
        EXPECT_TRUE(balanced(k)) << k;
        int g = 0;
        for (int j = 1; j <= ws.nem; ++j) {
            g = std::gcd(g, std::abs(int{reactions.r[at(k)][at(j)]}));
            rows[at(k)][at(j)] = reactions.r[at(k)][at(j)];
        }
        EXPECT_EQ(g, 1) << k;
        EXPECT_EQ(reactions.rxnweight[at(k)], 1);  // pure phases only
    }
    EXPECT_EQ(introwreduce(rows, reactions.nreac, ws.nem), reactions.nreac);
    EXPECT_EQ(reactions.rxnweight[maxreactions], 1);
}

TEST_F(Isr, TwoPolymorphsGiveOneReactionOfUnitCoefficients) {
    setcomponents({"Al2O3", "SiO2"});
    const int16_t ky = addem("ky", any, {1, 1});
    const int16_t an = addem("and", any, {1, 1});
    bool found = false;
    calcisr(found);
    ASSERT_EQ(reactions.nreac, 1);
    EXPECT_EQ(std::abs(reactions.r[1][at(ky)]), 1);
    EXPECT_EQ(reactions.r[1][at(ky)] + reactions.r[1][at(an)], 0);
}

TEST_F(Isr, IndependentEndMembersReportNoReactionsUnlessMinimising) {
    setcomponents({"MgO", "SiO2"});
    addem("per", any, {1, 0});
    addem("q", any, {0, 1});
    ws.compdiv[2] = 2;
    channels.outchannels = 1;
    for (bool dogmin : {false, true}) {
        settings.dogminon = dogmin;
        testing::consolecapture console;
        bool found = true;
        calcisr(found);
        EXPECT_FALSE(found);
        if (dogmin)
            EXPECT_EQ(console.output(), "");
        else
            EXPECT_EQ(console.output(),
                      "\n** no reactions\n\n"
                      "per      1   0\n"
                      "q        0   1\n"
                      "   1   2\n");
    }
}

TEST_F(Isr, WeightsComeFromTheSitePowersOfSolutionPhaseEndMembers) {
    setcomponents({"MgO"});
    for (int j = 1; j <= 4; ++j) addem("e" + std::to_string(j), any, {1});
    phases.prec1.assign(maxsolnphases + 1, axphase{});
    phases.prec1[1].nem = 3;
    eq.phasestart[1] = true;
    eq.phaseofstart[1] = 1;
    struct row {
        int p1, p2, p3;   // site powers of the phase's three end-members
        int c1, c2, c3, c4;
        int weight;
    };
    const row table[] = {
        {1, 1, 1, 0, 0, 1, -1, 1},        // only the pure phase e4 besides e3: sqrt(1) = 1
        {3, 2, 1, -1, 1, 0, 0, 4},        // P = 2, N = -3: sqrt(13) = 3.6 -> 4
        {400, 400, 1, -1, 1, 0, 0, 500},  // sqrt(2) 400 = 566 -> 500
        {1, 1, 1, 0, 0, 0, 1, 1},         // pure phases only: 0 -> 1
    };
    for (const row& t : table) {
        phases.prec1[1].em[1].maxpower = static_cast<int16_t>(t.p1);
        phases.prec1[1].em[2].maxpower = static_cast<int16_t>(t.p2);
        phases.prec1[1].em[3].maxpower = static_cast<int16_t>(t.p3);
        reactions.nreac = 1;
        reactions.r[1] = reaction{};
        reactions.r[1][1] = static_cast<int16_t>(t.c1);
        reactions.r[1][2] = static_cast<int16_t>(t.c2);
        reactions.r[1][3] = static_cast<int16_t>(t.c3);
        reactions.r[1][4] = static_cast<int16_t>(t.c4);
        reactionweights();
        EXPECT_EQ(reactions.rxnweight[1], t.weight) << t.weight;
    }
}

TEST_F(Isr, MoreThan150ReactionsEndTheRun) {
    setcomponents({"SiO2"});
    for (int j = 1; j <= 152; ++j) addem("q" + std::to_string(j), any, {1});
    const int code = testing::exitcodeof([] {
        bool found;
        calcisr(found);
    });
    EXPECT_EQ(code, 1);
}

TEST_F(Isr, ListingOnTheQlFileReadsBackAsBracketedLists) {
    masystem();
    ws.compdiv[4] = 2;
    settings.incnler = 0;
    testing::tempfolder folder;
    std::string name;
    openoutfile("zt-", "isr-ql.txt", channels.files[chql], name);
    channels.outchannels = 1 << chql;
    bool found;
    calcisr(found);
    closetextfile(channels.files[chql]);
    const std::string text = folder.readfile("zt-isr-ql.txt");
    std::map<std::string, testing::bracketvalue> lists;
    ASSERT_NO_THROW(lists = testing::bracketparser(text).parseall()) << text;

    const auto& names = lists.at("name");
    ASSERT_EQ(names.items.size(), at(ws.nem));
    for (int j = 1; j <= ws.nem; ++j) EXPECT_EQ(names.items[at(j - 1)].text, ws.emname[at(j)]);
    const auto& c = lists.at("c");
    ASSERT_EQ(c.items.size(), at(ws.nem));
    for (int j = 1; j <= ws.nem; ++j) {
        ASSERT_EQ(c.items[at(j - 1)].items.size(), at(ws.ncomps));
        for (int i = 1; i <= ws.ncomps; ++i) EXPECT_EQ(std::stoi(c.items[at(j - 1)].items[at(i - 1)].text), ws.c[at(i)][at(j)]);
    }
    EXPECT_EQ(lists.at("div").items.at(3).text, "2");
    const auto& re = lists.at("re");
    ASSERT_EQ(re.items.size(), at(reactions.nreac));
    for (int k = 1; k <= reactions.nreac; ++k)
        for (int j = 1; j <= ws.nem; ++j)
            EXPECT_EQ(std::stoi(re.items[at(k - 1)].items[at(j - 1)].text), reactions.r[at(k)][at(j)]);
}

}  // namespace
}  // namespace zt
