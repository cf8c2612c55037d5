#include "ax/axmodels.h"

#include <gtest/gtest.h>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

using axtest::replaced;
const std::string& twoem = axtest::twoemmodel;

TEST(AxModels, GarnetModelFillsTheRecord) {
    axworld w;
    ASSERT_EQ(w.readax(axtest::garnetmodel() + "q\n"), -1) << w.out();
    ASSERT_EQ(phases.nsolnphases, 1);
    ASSERT_EQ(phases.npurephases, 1);
    const axphase& g = soln(1);
    EXPECT_EQ(g.shortname, "g");
    EXPECT_EQ(g.longname, "g");
    EXPECT_EQ(g.fullname, "g");
    EXPECT_EQ(g.coding, 1);
    EXPECT_TRUE(g.noverbatim);
    EXPECT_EQ(g.nem, 3);
    ASSERT_EQ(g.nvars, 2);
    EXPECT_EQ(g.vars[1].name, "x(g)");
    EXPECT_EQ(g.vars[1].filelower, 0);
    EXPECT_EQ(g.vars[1].fileupper, 1);
    EXPECT_EQ(g.vars[2].filelower, 11);
    EXPECT_EQ(g.vars[2].fileupper, -11);
    EXPECT_NEAR(g.vars[1].value, 0.2L, 1e-18L);
    EXPECT_FALSE(g.hasorder);
    EXPECT_EQ(g.model, 1);
    EXPECT_EQ(g.nw, 3);
    EXPECT_EQ(g.wname[2], "W(py,gr)");
    EXPECT_EQ(g.wa[2], 31);
    EXPECT_NEAR(g.wc[2], 0.1L, 1e-18L);
    EXPECT_NEAR(g.wb[3], -0.01L, 1e-18L);
    // no sd given: the default 2 kJ x mean power 3 x (1 + 1) / 2; a given sd stays
    EXPECT_EQ(g.sdw[1], 6);
    EXPECT_NEAR(g.sdw[2], 1.5L, 1e-18L);
    EXPECT_TRUE(g.wnosd[3]);
    ASSERT_EQ(g.ngterm, 3);
    EXPECT_EQ(g.gterm[3].wi, 3);
    EXPECT_EQ(g.gterm[3].emi, 2);
    EXPECT_EQ(g.gterm[3].emj, 3);
    ASSERT_EQ(g.nsf, 3);
    EXPECT_EQ(g.sfname[3], "xCaX");
    const axem& py = g.em[1];
    EXPECT_EQ(py.name, "py");
    EXPECT_EQ(py.ntmf, 1);
    EXPECT_EQ(py.tmf[1].sfindex, 1);
    EXPECT_EQ(py.tmf[1].pownum, 3);
    EXPECT_EQ(py.maxpower, 3);
    EXPECT_EQ(g.em[2].xdivisor, 1);
    EXPECT_EQ(g.em[2].xnum[1], 1);
    EXPECT_EQ(g.em[2].xnum[2], 0);
    // p(py) = 1 - x - z
    const axexpr& p = g.p[1];
    ASSERT_EQ(p.nterms, 1);
    ASSERT_EQ(p.term[1].nfactors, 1);
    const axfactor& f = p.term[1].factor[1];
    EXPECT_EQ(f.c0num, 1);
    ASSERT_EQ(f.nitems, 2);
    EXPECT_EQ(f.num[1], -1);
    EXPECT_EQ(f.itemvar[1], 1);
    EXPECT_EQ(f.itemvar[2], 2);
}

TEST(AxModels, ItemsNameVariablesByLabelOrIndexAndFactorsMultiply) {
    axworld w;
    // xMg written as x(1 - y) style: two factors; xFe uses the index 1
    const std::string text = replaced(replaced(twoem, "xMg 1 1 1 1 -1 x", "xMg 1 2 0 1 1 x 1 1 -1 1"),
                                      "xFe 1 1 0 1 1 x", "xFe 1 1 0 1 1 1");
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const axexpr& s = soln(1).sf[1];
    ASSERT_EQ(s.nterms, 1);
    ASSERT_EQ(s.term[1].nfactors, 2);
    EXPECT_EQ(s.term[1].factor[1].c0num, 0);
    EXPECT_EQ(s.term[1].factor[2].c0num, 1);
    EXPECT_EQ(s.term[1].factor[2].num[1], -1);
    EXPECT_EQ(s.term[1].factor[2].itemvar[1], 1);
    EXPECT_EQ(soln(1).sf[2].term[1].factor[1].itemvar[1], 1);
}

TEST(AxModels, VanLaarSizesAndOrderVariables) {
    axworld w;
    std::string text = replaced(twoem, "  sf\n  W(py,alm) 2.5 0 0\n",
                                "  asf\n  W(py,alm) 2.5 0 0\n  a(py) 1 0 0\n  a(alm) 1.5 0.001 0.02\n");
    for (size_t at = text.find(" x"); at != std::string::npos; at = text.find(" x", at + 2)) text.replace(at, 2, " Qx");
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const axphase& g = soln(1);
    EXPECT_EQ(g.model, 2);
    EXPECT_NEAR(g.vla[2], 1.5L, 1e-18L);
    EXPECT_NEAR(g.vlb[2], 0.001L, 1e-18L);
    EXPECT_NEAR(g.vlc[2], 0.02L, 1e-18L);
    // no sd: 2 x 3 x (1 + 1.5) / 2
    EXPECT_NEAR(g.sdw[1], 7.5L, 1e-15L);
    EXPECT_TRUE(g.vars[1].isorder);
    EXPECT_TRUE(g.hasorder);
}

TEST(AxModels, CodingTwoWithVerbatimFormulasAndSameCoding) {
    axworld w;
    settings.nsamecoding = -1;
    const std::string text =
        "g_a 2 2 garnet 12 also garnet-two g2\n"
        "verbatim\n"
        "% a garnet for the tests\n"
        "  two lines of text\n"
        "verbatim end\n"
        "  x(g_a) 0 1 1 feo 0 2 1 feo 1 mgo\n"
        "  p(py) 1 1 1 1 -1 x\n"
        "  p(alm) 1 1 0 1 1 x\n"
        "  ideal\n"
        "  2\n"
        "  xMg 1 1 1 1 -1 x\n"
        "  xFe 1 1 0 1 1 x\n"
        "  py 1 1 xMg 3\n"
        "  alm 1 1 xFe 3\n";
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const axphase& g = soln(1);
    EXPECT_EQ(g.shortname, "g");
    EXPECT_EQ(g.longname, "g_a");
    EXPECT_EQ(g.suffix, "a");
    EXPECT_EQ(g.fullname, "garnet");
    EXPECT_EQ(g.oxygens, 12);
    EXPECT_FALSE(g.noverbatim);
    ASSERT_EQ(g.nverbatim, 4);
    EXPECT_EQ(g.verbatim[2], " a garnet for the tests");
    EXPECT_EQ(g.verbatim[3], "two lines of text");
    EXPECT_EQ(g.vars[1].name, "x(g)");
    EXPECT_EQ(g.vars[1].writtenname, "x(g_a)");
    EXPECT_EQ(g.vars[1].nnumnames, 1);
    EXPECT_EQ(g.vars[1].numnames[1], "feo");
    ASSERT_EQ(g.vars[1].ndennames, 2);
    EXPECT_EQ(g.vars[1].dennames[2], "mgo");
    EXPECT_EQ(g.vars[1].denexpr.term[1].factor[1].itemvar[2], 2);
    EXPECT_EQ(g.model, 0);
    EXPECT_EQ(g.ngterm, 0);
    ASSERT_EQ(g.nsame, 1);
    EXPECT_EQ(g.sameshort[1], "g2");
    EXPECT_EQ(g.samefull[1], "garnet-two");
    ASSERT_EQ(settings.nsamecoding, 1);
    EXPECT_EQ(settings.nsameitems[1], 1);
    EXPECT_EQ(settings.samewrittenname[1][1], "g2_a");
    EXPECT_EQ(axreader.samesource[1], 1);
}

TEST(AxModels, MalformedModelsEndTheRunWithTheirMessages) {
    struct row {
        const char* from;
        const char* to;
        const char* message;
    };
    const row rows[] = {
        {"g 2 1", "g 2 3", "bad encoding for g"},
        {"g 2 1", "g 2 x", "bad encoding for g"},
        {"g 2 1\n  x(g)", "g_a 2 1\n  x(g_a)", "longpnames not implemented for coding = 1"},
        {"g 2 1", "g 2 2 garnet 12", "no verbatim"},
        {"g 2 1", "g 2 2 garnet 12 verbatim\nverbatim", "with coding = 2, omit starting guesses for g"},
        {"g 2 1", "g 2 2 garnet 12 also f1 a f2 b f3 c f4 d f5 e f6 f f7 h verbatim\nverbatim",
         "too many phases with same coding as g (max = 6) "},
        {"x(g) 0.3", "x(g) 0", "guess for x(g) is zero"},
        {"x(g) 0.3", "x(g) 0.3 range 0.8 0.2", "lower limit > upper limit (1)"},
        {"x(g) 0.3", "xg 0.3", "varname, \"xg\", should be in form \"xyzname(phasename)\""},
        {"x(g) 0.3", "(g) 0.3", "varname, \"(g)\", should be in form \"xyzname(phasename)\""},
        {"x(g) 0.3", "x(gt) 0.3", "name in gt must be the same as phasename, g"},
        {"  sf\n", "  asymmetric\n", "not recognised (should be ideal, sf or asf)"},
        {"  2\n  xMg", "  1\n  xMg", "less than 2 sf vars for g"},
        {"  2\n  xMg", "  31\n  xMg", "too many  sf vars for g (max = 30) "},
        {"py 1 1 xMg 3", "py 1 0 xMg 3", "too few terms in tmf for py"},
        {"py 1 1 xMg 3", "py 1 16 xMg 3", "too many terms in tmf for py (max = 15) "},
        {"py 1 1 xMg 3", "py 1 1 xQ 3", "xQ not a sf name: name for 1st sf term in tmf for py"},
        {"py 1 1 xMg 3", "py 1 1 2 3", "2 not a name for 1st sf term in tmf for py"},
        {"p(alm)", "p(gr)", "name in propname, \"p(gr)\" does not match alm in g"},
        {"W(py,alm)", "W(py,gr)", "names in  W name, \"W(py,gr)\" do not match \"py\" and \"alm\" in g"},
        {"W(py,alm)", "W(pyalm)", "W not strictsyntax"},
        {"  sf\n  W(py,alm) 2.5 0 0\n", "  asf\n  W(py,alm) 2.5 0 0\n  a(py) 1 0 0\n  a(gr) 1 0 0\n",
         "name in alphaname, \"a(gr)\" does not match \"alm\" in g"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 0 1 1 1 -1 x", "too few sxterms in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 25 1 1 1 -1 x", "too many sxterms in p(py) (max = 24) "},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 0 1 1 -1 x", "too few x terms in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 5 1 1 -1 x", "too many x terms in p(py) (max = 4) "},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 1 -1 -1 x", "too few terms in x in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 1 13 -1 x", "too many terms in x in p(py) (max = 12) "},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 0 0", "zero term in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 1 1 -1 y", "y not a variable name: index/name in 1st of 1st term in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 1 1 -1 2", "illegal index/name in 1st of 1st term in p(py)"},
        {"p(py) 1 1 1 1 -1 x", "p(py) 1 1 1 1 -1 1.5", "1.5 not a index/name in 1st of 1st term in p(py)"},
    };
    for (const row& r : rows) {
        axworld w;
        EXPECT_EQ(w.readax(replaced(twoem, r.from, r.to)), 1) << r.to;
        EXPECT_TRUE(w.bombedwith(r.message)) << r.to << "\n" << w.out();
    }
}

TEST(AxModels, OldLayoutModelsHaveCodingZero) {
    struct row {
        const char* head;
        const char* message;  // empty: read
    };
    const row rows[] = {
        {"g 2\n", ""},
        {"g 2 0\n", ""},
        {"g 2 1\n", "incorrect info after no of end-members for g"},
    };
    for (const row& r : rows) {
        axworld w;
        ds.oldds = true;
        const bool fails = r.message[0] != 0;
        EXPECT_EQ(w.readax(replaced(twoem, "g 2 1\n", r.head)), fails ? 1 : -1) << r.head << w.out();
        if (fails) {
            EXPECT_TRUE(w.bombedwith(r.message)) << w.out();
            continue;
        }
        EXPECT_EQ(soln(1).coding, 0);
        EXPECT_TRUE(soln(1).noverbatim);
        EXPECT_EQ(soln(1).nem, 2);
        EXPECT_NEAR(soln(1).vars[1].value, 0.3L, 1e-18L);
    }
}

TEST(AxModels, NameChecksCanBeSwitchedOff) {
    axworld w;
    settings.axnamechecks = false;
    const std::string text = replaced(replaced(twoem, "p(alm)", "p(gr)"), "W(py,alm)", "W(py,gr)");
    EXPECT_EQ(w.readax(text), -1) << w.out();
}

TEST(AxModels, FifteenEndMembersFillEveryPairSlot) {
    axworld w;
    settings.axnamechecks = false;
    std::string text = "big 15 1\n";
    for (int v = 1; v <= 14; ++v) text += "  x" + std::to_string(v) + "(big) 0.05\n";
    // p1 = 1 - sum, p(j+1) = x_j
    // 1 - x1 - .. - x14 as two terms of 7 items each
    std::string oneminussum = " 2 1 1 7";
    for (int v = 1; v <= 7; ++v) oneminussum += " -1 " + std::to_string(v);
    oneminussum += " 1 0 7";
    for (int v = 8; v <= 14; ++v) oneminussum += " -1 " + std::to_string(v);
    text += "  p1" + oneminussum + "\n";
    for (int v = 1; v <= 14; ++v) text += "  p 1 1 0 1 1 " + std::to_string(v) + "\n";
    text += "  sf\n";
    for (int k = 1; k <= 105; ++k) text += "  W 1 0 0\n";
    text += "  15\n  s1" + oneminussum + "\n";
    for (int v = 1; v <= 14; ++v) text += "  s" + std::to_string(v + 1) + " 1 1 0 1 1 " + std::to_string(v) + "\n";
    const char* names[] = {"py", "alm", "gr", "q", "ky", "sill", "and", "ab", "an", "mt", "hem", "ru", "fo", "fa", "en"};
    for (int j = 1; j <= 15; ++j) text += std::string("  ") + names[j - 1] + " 1 1 s" + std::to_string(j) + " 1\n";
    ASSERT_EQ(w.readax(text), -1) << w.out().substr(0, 2000);
    EXPECT_EQ(soln(1).nw, 105);
    EXPECT_EQ(soln(1).ngterm, 105);
    EXPECT_EQ(soln(1).gterm[105].emi, 14);
    EXPECT_EQ(soln(1).gterm[105].emj, 15);
}

}  // namespace
}  // namespace zt
