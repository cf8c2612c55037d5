#include "ax/axeval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

struct item {
    int16_t num, den, var;
};

axfactor factor(int16_t c0num, int16_t c0den, std::initializer_list<item> items) {
    axfactor f;
    f.c0num = c0num;
    f.c0den = c0den;
    for (const item& it : items) {
        ++f.nitems;
        f.num[static_cast<size_t>(f.nitems)] = it.num;
        f.den[static_cast<size_t>(f.nitems)] = it.den;
        f.itemvar[static_cast<size_t>(f.nitems)] = it.var;
    }
    return f;
}

void addterm(axexpr& e, std::initializer_list<axfactor> factors) {
    axterm& t = e.term[static_cast<size_t>(++e.nterms)];
    t.coef = 1;
    for (const axfactor& f : factors) t.factor[static_cast<size_t>(++t.nfactors)] = f;
}

// A phase g of three end-members with variables x(g), y(g), for the labels.
void setphase() {
    axphase& ph = soln(1);
    resetaxphase(ph);
    ph.shortname = "g";
    ph.nem = 3;
    ph.nvars = 2;
    ph.vars[1].name = "x(g)";
    ph.vars[2].name = "y(g)";
}

TEST(AxEval, ValueReadsTheVariablesAtTheOffset) {
    axexpr e;
    addterm(e, {factor(1, 1, {{-1, 1, 1}, {-1, 1, 2}})});  // 1 - x - y
    axvector x{};
    x[1] = 0.2L;
    x[2] = 0.3L;
    EXPECT_NEAR(evalaxexpr(e, x, 1), 0.5L, 1e-18L);
    axvector v{};
    v[5] = 0.1L;
    v[6] = 0.6L;
    EXPECT_NEAR(evalaxexpr(e, v, 5), 0.3L, 1e-18L);

    axexpr none;
    EXPECT_EQ(evalaxexpr(none, x, 1), 0);
    e.term[1].coef = 0;
    EXPECT_EQ(evalaxexpr(e, x, 1), 0);
}

TEST(AxEval, DerivativeMatchesFiniteDifferences) {
    // (1/2 + x - 2/3 y) x (1 - y) + y y + 3/4 (a constant factor)
    axexpr e;
    addterm(e, {factor(1, 2, {{1, 1, 1}, {-2, 3, 2}}), factor(0, 1, {{1, 1, 1}}), factor(1, 1, {{-1, 1, 2}})});
    addterm(e, {factor(0, 1, {{1, 1, 2}}), factor(0, 1, {{1, 1, 2}})});
    addterm(e, {factor(3, 4, {})});
    const real h = 1e-7L;
    for (const auto& point : {std::pair<real, real>{0.3L, 0.2L}, {0.7L, 0.05L}, {-0.4L, 1.3L}}) {
        axvector x{};
        x[3] = point.first;
        x[4] = point.second;
        for (int16_t v = 1; v <= 2; ++v) {
            axvector up = x, down = x;
            up[static_cast<size_t>(v + 2)] += h;
            down[static_cast<size_t>(v + 2)] -= h;
            const real fd = (evalaxexpr(e, up, 3) - evalaxexpr(e, down, 3)) / (2 * h);
            EXPECT_NEAR(dexprdx(e, v, x, 3), fd, 1e-8L) << "variable " << v;
        }
    }
    axexpr square;
    addterm(square, {factor(0, 1, {{1, 1, 1}}), factor(0, 1, {{1, 1, 1}})});
    axvector x{};
    x[1] = 0.3L;
    EXPECT_NEAR(dexprdx(square, 1, x, 1), 0.6L, 1e-18L);
    axexpr constant;
    addterm(constant, {factor(1, 2, {})});
    EXPECT_EQ(dexprdx(constant, 1, x, 1), 0);
}

TEST(AxEval, PhaseIsLegalOnlyWithEveryFractionPositive) {
    axworld w;
    setphase();
    axphase& ph = soln(1);
    EXPECT_TRUE(phaselegal(1));  // no site fractions
    ph.nsf = 2;
    resetaxexpr(ph.sf[1]);
    resetaxexpr(ph.sf[2]);
    addterm(ph.sf[1], {factor(1, 1, {{-1, 1, 1}, {-1, 1, 2}})});
    addterm(ph.sf[2], {factor(0, 1, {{1, 1, 2}})});
    ph.vars[1].value = 0.4L;
    ph.vars[2].value = 0.5L;
    EXPECT_TRUE(phaselegal(1));
    ph.vars[2].value = 0;
    EXPECT_FALSE(phaselegal(1));
    ph.vars[2].value = 0.6L;
    EXPECT_FALSE(phaselegal(1));
}

TEST(AxEval, VariableLabels) {
    axworld w;
    setphase();
    axphase& ph = soln(1);
    ph.nvars = 4;
    ph.vars[2].name = "p(g)";
    ph.vars[3].name = "f[g]";
    ph.vars[4].name = "plain";
    axlabels labels;
    axvarlabels(1, labels);
    EXPECT_EQ(labels[1], "x");
    EXPECT_EQ(labels[2], "g");
    EXPECT_EQ(labels[3], "f");
    EXPECT_EQ(labels[4], "plain");
    ph.nem = 1;
    axlabels untouched;
    untouched[1] = "kept";
    axvarlabels(1, untouched);
    EXPECT_EQ(untouched[1], "kept");
}

TEST(AxEval, ExpressionsPrintAsTheyRead) {
    axexpr alm, twofactors, halfx, halfthenx, twoterms, twox, zero;
    addterm(alm, {factor(1, 1, {{-1, 1, 1}, {-1, 1, 2}})});
    addterm(twofactors, {factor(1, 1, {{-1, 1, 1}}), factor(1, 1, {{-1, 1, 2}})});
    addterm(halfx, {factor(0, 1, {{1, 2, 1}})});
    addterm(halfthenx, {factor(1, 2, {}), factor(0, 1, {{1, 1, 1}})});
    addterm(twoterms, {factor(0, 1, {{1, 1, 1}})});
    addterm(twoterms, {factor(0, 1, {{-1, 1, 2}})});
    addterm(twox, {factor(-1, 2, {{2, 1, 1}, {-3, 4, 2}})});
    axexpr allzero = twoterms;
    allzero.term[1].coef = allzero.term[2].coef = 0;
    struct row {
        const axexpr* e;
        bool magemin;
        const char* want;
    };
    const row rows[] = {
        {&alm, false, "   alm = 1 - x - y\n"},
        {&twofactors, false, "   alm = (1 - x) (1 - y)\n"},
        {&twofactors, true, "   alm = (1 - x)*(1 - y)\n"},
        {&halfx, false, "   alm = 1/2 x\n"},
        {&halfx, true, "   alm = 1/2*x\n"},
        {&halfthenx, false, "   alm = 1/2x\n"},
        {&twoterms, false, "   alm = x + (-y)\n"},
        {&twox, false, "   alm = -1/2 + 2x - 3/4 y\n"},
        {&zero, false, "   alm = 0\n"},
        {&allzero, false, "   alm = 0\n"},
    };
    for (const row& r : rows) {
        axworld w;
        setphase();
        settings.magemin = r.magemin ? 0 : 1;
        printaxexpr(*r.e, "alm", 1, 1);
        EXPECT_EQ(w.out(), r.want);
    }
}

TEST(AxEval, LongExpressionsBreakBetweenTerms) {
    axworld w;
    setphase();
    channels.dontwrap = false;
    axexpr e;
    for (int t = 0; t < 12; ++t) addterm(e, {factor(1, 3, {{-5, 7, 1}, {11, 13, 2}}), factor(0, 1, {{1, 1, 2}})});
    printaxexpr(e, "s", 1, 1);
    const std::string out = w.out();
    const std::string term = "(1/3 - 5/7 x + 11/13 y) y";
    const size_t firstbreak = out.find('\n');
    ASSERT_NE(firstbreak, std::string::npos);
    EXPECT_GT(firstbreak, 150u);
    EXPECT_EQ(out.compare(0, 7 + term.size(), "   s = " + term), 0) << out;
    EXPECT_EQ(out.compare(firstbreak + 1, 8 + 3, std::string(8, ' ') + " + "), 0) << out;
    // every term appears whole
    size_t count = 0;
    for (size_t at = out.find(term); at != std::string::npos; at = out.find(term, at + 1)) ++count;
    EXPECT_EQ(count, 12u);
}

}  // namespace
}  // namespace zt
