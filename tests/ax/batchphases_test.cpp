#include "ax/batchphases.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::setwith;
using axtest::soln;

const std::string axtext = axtest::garnetmodel() + "q\n";

// One guess block of (variable, value) pairs.
void setblock(int kb, std::initializer_list<std::pair<const char*, real>> entries) {
    guessblock& g = settings.batchxyzguess[static_cast<size_t>(kb)];
    g = guessblock{};
    for (const auto& e : entries) {
        const size_t i = static_cast<size_t>(++g.nguesses);
        g.names[i] = e.first;
        g.values[i] = e.second;
        if (e.second == 0) ++g.nzeroguesses;
    }
    if (kb > settings.nbatchxyzguess) settings.nbatchxyzguess = static_cast<int16_t>(kb);
}

// Batches 1..n with labels 1..n, each using guess block nb and both g and q.
void setbatches(int n) {
    settings.batch = 0;
    settings.nbatches = static_cast<int16_t>(n);
    settings.nbatchxyzguess = 0;
    for (int nb = 1; nb <= n; ++nb) {
        batchrec& b = settings.batches[static_cast<size_t>(nb)];
        b = batchrec{};
        b.kxyz = static_cast<int16_t>(nb);
        b.phaseflags[1] = b.phaseflags[2] = 1;
        settings.batchlabel[static_cast<size_t>(nb)] = static_cast<int16_t>(nb);
    }
}

void addmc(const char* phase, int16_t kind, const char* name, int16_t abc, real value) {
    mcrec& e = settings.mcentries[static_cast<size_t>(++settings.nmc)];
    e = mcrec{};
    e.phase = phase;
    e.phasewords[1] = phase;
    e.vartype = kind;
    e.varname = name;
    e.abc = abc;
    e.value1 = value;
    e.value2 = 0.25L;
}

bool hasline(const std::string& out, const std::string& line) { return out.find("\n" + line + "\n") != std::string::npos; }

TEST(BatchPhases, BatchesZeroingTheSameVariablesShareOneCopy) {
    axworld w;
    setwith({"g", "q"});
    setbatches(4);
    setblock(1, {{"x(g)", 0.2L}, {"z(g)", 0}});
    setblock(2, {{"x(g)", 0.4L}, {"z(g)", 0}});
    setblock(3, {{"x(g)", 0}, {"z(g)", 0.1L}});
    setblock(4, {{"x(g)", 0.3L}, {"z(g)", 0.2L}});
    settings.batches[1].nmodesset = 1;
    settings.batches[1].modephase[1] = 1;
    settings.batches[3].nisopleths = 1;
    settings.batches[3].hasisopleths = true;
    settings.batches[3].isophase[1] = 1;
    settings.nmc = 0;
    addmc("g", 1, "W(py,alm)", 1, 2.5L);
    channels.pagewidth = 200;  // the mc row is wider than a console page
    ASSERT_EQ(w.readax(axtext), -1) << w.out();

    ASSERT_EQ(phases.nsolnphases, 3);
    EXPECT_EQ(phases.nphases, 4);
    EXPECT_EQ(soln(2).shortname, "g-1");
    EXPECT_EQ(soln(3).shortname, "g-2");
    // g-1 lost z and with it gr; g-2 lost x and alm.
    EXPECT_EQ(soln(2).nvars, 1);
    EXPECT_EQ(soln(2).vars[1].name, "x(g)");
    EXPECT_EQ(soln(2).nem, 2);
    EXPECT_EQ(soln(3).vars[1].name, "z(g)");
    EXPECT_EQ(soln(1).nvars, 2);

    ASSERT_EQ(settings.nwith, 4);
    EXPECT_EQ(settings.withnames[3], "g-1");
    EXPECT_EQ(settings.withnames[4], "g-2");
    const int expectedpos[] = {0, 3, 3, 4, 1};
    for (int nb = 1; nb <= 4; ++nb) {
        const batchrec& b = settings.batches[static_cast<size_t>(nb)];
        for (int pos = 1; pos <= 4; ++pos) {
            const bool want = pos == 2 || pos == expectedpos[nb];
            EXPECT_EQ(b.phaseflags[static_cast<size_t>(pos)] != 0, want) << "batch " << nb << " position " << pos;
        }
    }
    EXPECT_EQ(settings.batches[1].modephase[1], 3);
    EXPECT_EQ(settings.batches[3].isophase[1], 4);

    // Zeros dropped from every block.
    EXPECT_EQ(settings.batchxyzguess[1].nguesses, 1);
    EXPECT_EQ(settings.batchxyzguess[3].names[1], "z(g)");
    EXPECT_EQ(settings.batchxyzguess[4].nguesses, 2);

    const mcrec& e = settings.mcentries[1];
    ASSERT_EQ(e.nphasewords, 3);
    EXPECT_EQ(e.phasewords[2], "g-1");
    EXPECT_EQ(e.phasewords[3], "g-2");

    const std::string out = w.out();
    EXPECT_NE(out.find("\nsummary of batches\n"), std::string::npos) << out;
    EXPECT_TRUE(hasline(out, "         g     q")) << out;
    EXPECT_TRUE(hasline(out, " 1:      1     0")) << out;
    EXPECT_TRUE(hasline(out, " 3:      2     0")) << out;
    EXPECT_TRUE(hasline(out, " 4:      0     0")) << out;
    EXPECT_TRUE(hasline(out, " 1 :       g       W(py,alm)  1   1  1     2.500     0.250;  also     g-1    g-2")) << out;
}

TEST(BatchPhases, SummaryOffWhenBatchDebugIsOff) {
    axworld w;
    setwith({"g", "q"});
    setbatches(1);
    setblock(1, {{"x(g)", 0.2L}, {"z(g)", 0.1L}});
    settings.batchdebug = 1;
    ASSERT_EQ(w.readax(axtext), -1) << w.out();
    EXPECT_EQ(w.out().find("summary of batches"), std::string::npos);
    EXPECT_EQ(phases.nsolnphases, 1);
}

TEST(BatchPhases, MonteCarloValuesReplaceTheirModelTerms) {
    axworld w;
    setwith({"g", "q"});
    setbatches(1);
    setblock(1, {{"x(g)", 0.2L}, {"z(g)", 0}});
    settings.nmc = 0;
    addmc("g", 1, "W(py,alm)", 2, -0.02L);
    addmc("g", 2, "a(alm)", 1, 1.4L);
    addmc("g", 3, "DQF(py)", 3, 0.5L);
    settings.mcentries[2].ref = -1;
    settings.nmcrange = 1;
    settings.mcranges[1].name = "r1";
    settings.mcentries[3].ref = 1;
    ASSERT_EQ(w.readax(axtext), -1) << w.out();
    const axphase& g = soln(1);
    EXPECT_EQ(settings.mcentries[1].varindex, 1);
    EXPECT_EQ(settings.mcentries[2].varindex, 2);
    EXPECT_EQ(settings.mcentries[3].varindex, 1);
    EXPECT_EQ(g.wa[1], 2.5L);
    EXPECT_EQ(g.wb[1], -0.02L);
    EXPECT_EQ(g.vla[2], 1.4L);
    EXPECT_EQ(g.em[1].dqfc, 0.5L);
    EXPECT_TRUE(g.em[1].dqfvaried[3]);
    EXPECT_FALSE(g.em[1].dqfvaried[1]);
    // The boiled-down copy is made after the values are in, so it carries them.
    EXPECT_EQ(soln(2).wb[1], -0.02L);
    const std::string out = w.out();
    EXPECT_NE(out.find("  2   2  1     1.400           through mcfunc  1"), std::string::npos) << out;
    EXPECT_NE(out.find("  3   1  3     0.500 by r1 in mcrange"), std::string::npos) << out;
}

TEST(BatchPhases, FaultsEndTheRun) {
    struct row {
        std::function<void()> change;
        const char* message;
    };
    const std::vector<row> rows = {
        {[] { addmc("h", 1, "W(py,alm)", 1, 1); }, "finding kp in mc (1) - h"},
        {[] { addmc("g", 4, "W(py,alm)", 1, 1); }, "finding kp in mc (2a)"},
        {[] { addmc("g", 1, "W(py,sp)", 1, 1); }, "finding kp in mc (3)"},
        {[] { addmc("g", 3, "DQF(sp)", 1, 1); }, "finding kp in mc (3)"},
        {[] { addmc("g", 1, "W(py,alm)", 4, 1); }, "finding kp in mc: bad abc code (1)"},
        {[] { addmc("g", 2, "a(py)", 0, 1); }, "finding kp in mc: bad abc code (2)"},
        {[] { addmc("g", 3, "DQF(gr)", 5, 1); }, "finding kp in mc: bad abc code (3)"},
        {[] { setwith({"g", "ky"}); }, "name fubar with ky"},
        {[] { setblock(1, {{"x(g)", 0.2L}}); }, "no last var for g"},
        {[] { setblock(1, {{"x(g)", 0.2L}, {"y(g)", 0}, {"z(g)", 0}}); }, "no last var for g"},
        {[] {
             addmc("g", 1, "W(py,alm)", 1, 1);
             settings.mcentries[1].nphasewords = maxmcphases;
         },
         "number of mcphase"},
    };
    for (const row& r : rows) {
        axworld w;
        setwith({"g", "q"});
        setbatches(1);
        setblock(1, {{"x(g)", 0.2L}, {"z(g)", 0}});
        settings.nmc = 0;
        r.change();
        EXPECT_EQ(w.readax(axtext), 1) << r.message;
        EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
    }
}

TEST(BatchPhases, ABlockWithoutThePhaseNamesItAndEndsTheRun) {
    axworld w;
    setwith({"g", "q"});
    setbatches(2);
    setblock(1, {{"x(g)", 0.2L}, {"z(g)", 0.1L}});
    setblock(2, {{"x(h)", 0.2L}});
    settings.batchlabel[2] = 7;
    ASSERT_EQ(w.readax(axtext), 1);
    EXPECT_NE(w.out().find("\n\nproblem in starting guess block 2 - missing phase g for batch 7?\n"), std::string::npos) << w.out();
    EXPECT_TRUE(w.bombedwith("can't find first var x(g)")) << w.out();
}

}  // namespace
}  // namespace zt
