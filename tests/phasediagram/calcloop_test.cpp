#include "phasediagram/calcloop.h"

#include <memory>

#include "numeric/summary.h"
#include "pdfixture.h"
#include "phasediagram/extraction.h"
#include "phasediagram/modesafter.h"
#include "phasediagram/startingpoint.h"
#include "reactions/services.h"

namespace zt {
namespace {

using pdtest::at;

TEST(FailMark, SeventyNineMarksToALine) {
    pdtest::pdworld w;
    loopstate ls;
    ls.status = 7;
    for (int i = 1; i <= 80; ++i) failmark(ls);
    EXPECT_EQ(w.out(), std::string(79, '7') + "\n7");
    w.console.clearoutput();
    ls.status = 10;
    failmark(ls);
    EXPECT_EQ(w.out(), "10");
}

TEST(SetupLoops, PositionsInOrderPAndTLast) {
    struct loopcase {
        int16_t var;
        int32_t calcvariable;
        bool massbalance, isopleth;
        std::vector<int16_t> limits;
        bool pfree, tfree;
    };
    const std::vector<loopcase> cases = {
        {0, 1, false, false, {1, 1}, true, true},
        {1, 0, false, false, {1, 3}, true, false},    // P at each T
        {1, 1, false, false, {2, 1}, false, true},    // T at each P
        {2, 1, false, false, {2, 3}, false, false},
        {2, 1, true, true, {4, 5, 2, 3}, false, false},  // isopleth slowest, then the bulk points
    };
    for (const loopcase& c : cases) {
        pdtest::pdworld w;
        reactions.nreac = 0;
        reactions.var = c.var;
        settings.calcvariable = c.calcvariable;
        settings.nplist = 2;
        settings.ntlist = 3;
        settings.nbulks = 5;
        pd.massbalance = c.massbalance;
        eq.nvar = 3;
        eq.nxp = 0;
        eq.calcvarfree[1] = eq.calcvarfree[2] = true;
        eq.calcvarfree[3] = !c.isopleth;
        eq.variso[3] = 1;
        pd.iso[1].nvalues = 4;
        loopstate ls;
        setuploops(ls);
        std::vector<int16_t> got;
        for (int i = 1; i <= ls.nloops; ++i) got.push_back(ls.looplimits[at(i)]);
        EXPECT_EQ(got, c.limits);
        EXPECT_EQ(eq.calcvarfree[1], c.pfree);
        EXPECT_EQ(eq.calcvarfree[2], c.tfree);
    }
    pdtest::pdworld w;
    reactions.var = 1;
    settings.calcvariable = 2;
    eq.nvar = 2;
    loopstate ls;
    EXPECT_EQ(w.run([&] { setuploops(ls); }), 1);
    EXPECT_TRUE(w.has("-- run bombed in setuploops : unknown calcvariable"));
}

// Components A (2 atoms) and B (3 atoms); pure phases X = A and Y = B.
void twopure() {
    pdtest::setcomponents({{"A", 2}, {"B", 3}});
    pdtest::addpure("X", {1, 0});
    pdtest::addpure("Y", {0, 1});
    ws.nem = 2;
    resetsummary();
    summary.sumnphases = 2;
    for (int s = 1; s <= 2; ++s) {
        summary.sumphases[at(s)].included = true;
        summary.sumphases[at(s)].name = phases.prec0[at(s)].name;
        summary.sumphases[at(s)].phaseno = static_cast<int16_t>(s);
    }
}

TEST(ModesAfterTheSolve, MassBalanceOfOneBulkOnAnAtomBasis) {
    pdtest::pdworld w;
    twopure();
    settings.nbulks = 1;
    settings.bulk1[1] = 30;
    settings.bulk1[2] = 70;
    pd.rankdeficit = 0;
    phaseflags set{};
    set[1] = set[2] = true;
    std::string text;
    phasereals bulkatoms{}, totalatoms{};
    ASSERT_TRUE(calcmodesafternle(set, text, bulkatoms, totalatoms));
    EXPECT_EQ(pd.nsysrows, 1);
    EXPECT_EQ(summary.sysfirstrow, 1);
    // 0.3 X and 0.7 Y formula units: 0.6 and 2.1 atoms.
    EXPECT_NEAR(static_cast<double>(summary.sumphases[1].mode[1]), 0.6 / 2.7, 1e-15);
    EXPECT_NEAR(static_cast<double>(summary.sumphases[2].mode[1]), 2.1 / 2.7, 1e-15);
    EXPECT_EQ(totalatoms[1], 2);
    EXPECT_EQ(totalatoms[2], 3);
}

TEST(ModesAfterTheSolve, ABulkOutsideThePhasesCannotBeMade) {
    pdtest::pdworld w;
    twopure();
    pdtest::setcomponents({{"A", 2}, {"B", 3}});
    phases.prec0[2].comp[1] = 1;  // Y = A + B: a bulk richer in B than Y has no positive modes
    phases.prec0[2].comp[2] = 1;
    settings.nbulks = 1;
    settings.bulk1[1] = 30;
    settings.bulk1[2] = 70;
    phaseflags set{};
    set[1] = set[2] = true;
    std::string text;
    phasereals bulkatoms{}, totalatoms{};
    EXPECT_FALSE(calcmodesafternle(set, text, bulkatoms, totalatoms));
    EXPECT_EQ(pd.nsysrows, 0);
}

TEST(RenormFactor, ZeroModePhasesFound) {
    pdtest::pdworld w;
    twopure();
    summary.sumphases[1].mode[1] = 0.2L;
    std::array<bool, maxphasesummaries + 1> flags{};
    real f = 0;
    renormfactor(flags, f);
    EXPECT_EQ(f, 1);
    EXPECT_FALSE(flags[1]);
    settings.ntozero = 2;
    settings.tozeronames[1] = "X";
    settings.tozeronames[2] = "nothere";
    renormfactor(flags, f);
    EXPECT_NEAR(static_cast<double>(f), 1.25, 1e-15);
    EXPECT_TRUE(flags[1]);
    EXPECT_FALSE(flags[2]);
}

TEST(Extract, ZeroModeFlagsLookedUpByPhase) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"A", 1}, {"B", 1}});
    pdtest::addbinary("g", "a", {1, 0}, "b", {0, 1});
    pdtest::addbinary("bi", "a", {1, 0}, "b", {0, 1});
    pdtest::addpure("q", {1, 0});
    // The assemblage g + q: mode 2 belongs to phase 3 (q), which has a zero mode; phase 2
    // (bi) has none.
    pd.zeromodephase[3] = true;
    pd.massbalance = true;
    pd.modenorm = 1;
    settings.calcprange = {0, 1, 20};
    settings.calctrange = {0, 400, 1400};
    eq.nvar = 3;
    eq.nxp = 2;
    eq.nsolnmodes = 1;
    eq.modephase[1] = 1;
    eq.modephase[2] = 1;
    eq.calcvarfree.fill(false);
    eq.calcvarfree[4] = eq.calcvarfree[5] = true;
    eq.calcvarscale[4] = eq.calcvarscale[5] = 1;
    eq.calcvaroffset[4] = eq.calcvaroffset[5] = 0;
    eq.varvalue[1] = 5;
    eq.varvalue[2] = 900;
    eq.varvalue[3] = 0.4L;
    eq.varvalue[4] = 0.7L;
    eq.varvalue[5] = 0.3L;
    ws.nem = 3;
    eq.phasestart[1] = true;
    eq.phaseofstart[1] = 1;
    eq.phasefirstvar[1] = 3;
    resetsummary();
    summary.sumnphases = 2;
    summary.sumphases[1] = phasesummary{};
    summary.sumphases[1].included = true;
    summary.sumphases[1].nem = 2;
    summary.sumphases[1].firstvar = 3;
    summary.sumphases[2] = phasesummary{};
    summary.sumphases[2].included = true;
    summary.sumphases[2].nem = 1;
    const auto ls = std::make_unique<loopstate>();
    ls->assemblage[1] = ls->assemblage[3] = true;
    EXPECT_EQ(w.run([&] { extract(*ls); }), -1) << w.out();
    EXPECT_NEAR(static_cast<double>(ls->xcopy[4]), 1.0, 1e-15);  // 0.7 over the 0.7 without q
    EXPECT_NEAR(static_cast<double>(summary.sumphases[1].mode[1]), 0.7, 1e-15);
    EXPECT_NEAR(static_cast<double>(summary.sumphases[2].mode[1]), 0.3, 1e-15);
    EXPECT_NEAR(static_cast<double>(summary.sumphases[1].varvalues[1]), 0.4, 1e-15);
    EXPECT_EQ(summary.pequil, 5);
}

// The point's ln a moves the end-member's G by RT ln a through its entropy; an ln a whose
// end-member is no working end-member (a phase outside the assemblage) ends the run.
TEST(SetX, FixedActivityOfAWorkingEndMemberOnly) {
    for (const char* name : {"q", "ru"}) {
        pdtest::pdworld w;
        pdtest::setcomponents({{"A", 1}, {"B", 1}});
        pdtest::addpure("q", {1, 0});
        pdtest::addpure("ru", {0, 1});
        ws.td.assign(maxems + 1, tdrecord{});
        ws.nem = 1;
        ws.emname[1] = "q";
        ws.td[1].S = 0.04L;
        eq = equilibriumstate{};
        eq.nvar = 2;
        settings.nlna = 1;
        settings.lnanames[1] = name;
        settings.lnalists[1][1] = -0.5L;
        pd.lnasavedS[1] = 0.0415L;
        settings.plist[1] = 5;
        settings.tlist[1] = 900;
        const auto ls = std::make_unique<loopstate>();
        ls->nloops = 3;
        for (int i = 1; i <= 3; ++i) ls->loopcounter[at(i)] = 1;
        const int code = w.run([&] { setx(*ls); });
        if (std::string(name) == "q") {
            EXPECT_EQ(code, -1) << w.out();
            EXPECT_EQ(settings.lnavalues[1], -0.5L);
            EXPECT_NEAR(static_cast<double>(ws.td[1].S), 0.0415 + 0.0083144 * 0.5, 1e-15);
        } else {
            EXPECT_EQ(code, 1);
            EXPECT_TRUE(w.has("-- run bombed in setx : lna name not recognised")) << w.out();
        }
    }
}

// Modes that do not sum to 1 after the solve are reported with the atoms and both forms
// of the modes, then divided by their sum; a finite-difference jacobian reports nothing.
TEST(Extract, ModesOffTheirSumAreReportedAndDivided) {
    for (const bool fd : {false, true}) {
        pdtest::pdworld w;
        pdtest::setcomponents({{"A", 1}, {"B", 1}});
        pdtest::addpure("X", {1, 0});
        pdtest::addpure("Y", {0, 1});
        pd.massbalance = true;
        pd.modenorm = 1;
        settings.calcprange = {0, 1, 20};
        settings.calctrange = {0, 400, 1400};
        eq = equilibriumstate{};
        eq.fdjacobian = fd;
        eq.nvar = 2;
        eq.nxp = 2;
        eq.modephase[1] = 1;
        eq.modephase[2] = 2;
        eq.calcvarnames[3] = "X";
        eq.calcvarnames[4] = "Y";
        eq.calcvarfree.fill(false);
        eq.varvalue[1] = 5;
        eq.varvalue[2] = 900;
        eq.varvalue[3] = 0.6L;
        eq.varvalue[4] = 0.4001L;
        ws.nem = 2;
        resetsummary();
        const auto ls = std::make_unique<loopstate>();
        ls->assemblage[1] = ls->assemblage[2] = true;
        ASSERT_EQ(w.run([&] { extract(*ls); }), -1) << w.out();
        EXPECT_NEAR(static_cast<double>(eq.varvalue[3]), 0.6 / 1.0001, 1e-15);
        EXPECT_NEAR(static_cast<double>(eq.varvalue[4]), 0.4001 / 1.0001, 1e-15);
        if (fd) {
            EXPECT_EQ(w.out(), "");
            continue;
        }
        const std::vector<std::string> l = testing::linesof(w.out());
        ASSERT_EQ(l.size(), 9u) << w.out();
        EXPECT_EQ(l[1], "sum of modes should be 1, but sum =   1.000100 (phi = 1.000000)");
        EXPECT_EQ(testing::wordsof(l[3]), (std::vector<std::string>{"at", "1.00000", "1.00000"}));
        EXPECT_EQ(testing::wordsof(l[6]), (std::vector<std::string>{"X", "Y"}));
        EXPECT_EQ(testing::wordsof(l[7]), (std::vector<std::string>{"x", "0.60000", "0.40010"}));
        EXPECT_EQ(testing::wordsof(l[8]), (std::vector<std::string>{"x", "0.59994", "0.40006"}));
    }
}

}  // namespace
}  // namespace zt
