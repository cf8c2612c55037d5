#include "ax/contract.h"

#include <gtest/gtest.h>

#include "ax/axeval.h"
#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

axfactor onefactor(int16_t c0, std::initializer_list<std::pair<int16_t, int16_t>> items) {
    axfactor f;
    f.c0num = c0;
    for (const auto& it : items) {
        ++f.nitems;
        f.num[static_cast<size_t>(f.nitems)] = it.first;
        f.den[static_cast<size_t>(f.nitems)] = 1;
        f.itemvar[static_cast<size_t>(f.nitems)] = it.second;
    }
    return f;
}

TEST(Contract, SimplifyDropsRemovedItemsAndVanishingTerms) {
    removedvars removed{};
    removed[2] = true;  // y
    // x (1 - y) + y: the first term keeps x times the constant 1, the second vanishes
    axexpr e;
    e.nterms = 2;
    e.term[1].nfactors = 2;
    e.term[1].factor[1] = onefactor(0, {{1, 1}});
    e.term[1].factor[2] = onefactor(1, {{-1, 2}});
    e.term[2].nfactors = 1;
    e.term[2].factor[1] = onefactor(0, {{1, 2}});
    EXPECT_FALSE(simplify(e, removed));
    ASSERT_EQ(e.nterms, 1);
    ASSERT_EQ(e.term[1].nfactors, 2);
    EXPECT_EQ(e.term[1].factor[2].nitems, 0);
    EXPECT_EQ(e.term[1].factor[2].c0num, 1);

    axexpr onlyy;
    onlyy.nterms = 1;
    onlyy.term[1].nfactors = 1;
    onlyy.term[1].factor[1] = onefactor(0, {{1, 2}});
    EXPECT_TRUE(simplify(onlyy, removed));
    EXPECT_EQ(onlyy.nterms, 0);

    axexpr mixed;  // 1 - x - y keeps 1 - x
    mixed.nterms = 1;
    mixed.term[1].nfactors = 1;
    mixed.term[1].factor[1] = onefactor(1, {{-1, 1}, {-1, 2}});
    EXPECT_FALSE(simplify(mixed, removed));
    ASSERT_EQ(mixed.term[1].factor[1].nitems, 1);
    EXPECT_EQ(mixed.term[1].factor[1].itemvar[1], 1);
}

TEST(Contract, ZeroLastVariableDropsTheLastEndMember) {
    axworld w;
    ASSERT_EQ(w.readax(axtest::garnetmodel()), -1) << w.out();
    axphase& g = soln(1);
    g.vars[2].value = 0;  // z
    contractphase(1);
    EXPECT_TRUE(g.contracted);
    EXPECT_EQ(g.nemfile, 3);
    EXPECT_EQ(g.nem, 2);
    EXPECT_EQ(g.nvars, 1);
    EXPECT_TRUE(g.empresent[1]);
    EXPECT_TRUE(g.empresent[2]);
    EXPECT_FALSE(g.empresent[3]);
    EXPECT_EQ(g.nw, 1);
    EXPECT_EQ(g.wname[1], "W(py,alm)");
    ASSERT_EQ(g.ngterm, 1);
    EXPECT_EQ(g.gterm[1].wi, 1);
    EXPECT_EQ(g.gterm[1].emi, 1);
    EXPECT_EQ(g.gterm[1].emj, 2);
    EXPECT_EQ(g.nsf, 2);
    EXPECT_EQ(g.em[2].xdivisor, 0);
}

TEST(Contract, ZeroFirstVariableRenumbersEverythingAfterIt) {
    axworld w;
    ASSERT_EQ(w.readax(axtest::garnetmodel()), -1) << w.out();
    axphase& g = soln(1);
    g.vars[1].value = 0;  // x: alm and xFeX go
    g.vars[2].value = 0.4L;
    contractphase(1);
    ASSERT_EQ(g.nem, 2);
    EXPECT_EQ(g.em[2].name, "gr");
    EXPECT_EQ(g.vars[1].name, "z(g)");
    EXPECT_EQ(g.nw, 1);
    EXPECT_EQ(g.wname[1], "W(py,gr)");
    EXPECT_NEAR(g.sdw[1], 1.5L, 1e-15L);
    EXPECT_EQ(g.gterm[1].emj, 2);
    ASSERT_EQ(g.nsf, 2);
    EXPECT_EQ(g.sfname[2], "xCaX");
    EXPECT_EQ(g.em[2].tmf[1].sfindex, 2);
    // the renumbered expressions still evaluate: p(gr) = z, xMgX = 1 - z
    axvector x{};
    x[1] = 0.4L;
    EXPECT_NEAR(evalaxexpr(g.p[2], x, 1), 0.4L, 1e-15L);
    EXPECT_NEAR(evalaxexpr(g.sf[1], x, 1), 0.6L, 1e-15L);
}

TEST(Contract, ContractionOfTheWrongSizeIsReported) {
    axworld w;
    // p(alm) = x z vanishes with z as well: one end-member is left with one variable
    const std::string text = axtest::replaced(axtest::garnetmodel(), "p(alm) 1 1 0 1 1 x", "p(alm) 1 2 0 1 1 x 0 1 1 z");
    ASSERT_EQ(w.readax(axtest::replaced(text, "check 1 0", "")), -1) << w.out();
    soln(1).vars[2].value = 0;
    w.console.clearoutput();
    EXPECT_EQ(testing::exitcodeof([] { contractphase(1); }), 1);
    EXPECT_EQ(w.out().find("\n\nproblem in      g  1  1\npy \nx(g) \n"), 0u) << w.out();
    EXPECT_TRUE(w.bombedwith("contraction wrong size"));
}

}  // namespace
}  // namespace zt
