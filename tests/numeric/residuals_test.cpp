#include "numeric/residuals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "eqfixture.h"
#include "fatalreport.h"

namespace zt {
namespace {

using namespace eqtest;

struct phasecase {
    const char* name;
    std::function<axphase&(int)> build;
    std::vector<real> vars;  // plain values of the phase's variables
    real P, T;
    real tol;  // relative; the fluid sizes are linearised in P and T by forward steps
};

void PrintTo(const phasecase& c, std::ostream* os) { *os << c.name; }

// The tested solution phase (1) with two single phases, q (1) and ky (2, a = 0.7);
// n + 1 components. Without mass balance every variable is free and there are as many
// reactions; with it T is held and two reactions join the n + 1 bulk rows.
void layout(const phasecase& c, bool massbalance) {
    reseteqworld();
    axphase& a = c.build(1);
    const int n = a.nem;
    a.vars[1].scale = 0.5L;
    a.vars[1].offset = 0.25L;
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    purephase(2, "ky", solid(-2593.1L, 0.0825L, 4.414L), 0.7L);
    setupfluid();
    setcomponents(n + 1);
    for (int j = 1; j <= n; ++j) setcomp(a.em[static_cast<size_t>(j)], {{j, 1 + j % 2}, {n + 1, 1}});
    setcomp(pure(1), {{1, 1}, {n + 1, 2}});
    setcomp(pure(2), {{2, 1}, {n + 1, 3}});
    pd.massbalance = massbalance;
    makecrossrefs(selection({1}, {1, 2}));
    for (int m = 1; m <= eq.nxp; ++m) {
        eq.calcvarscale[static_cast<size_t>(eq.nvar + m)] = 1;
        eq.calcvaroffset[static_cast<size_t>(eq.nvar + m)] = 0;
    }
    if (massbalance) eq.calcvarfree[2] = false;
    const int nreac = massbalance ? 2 : 2 + a.nvars;
    for (int i = 1; i <= nreac; ++i) {
        const size_t ii = static_cast<size_t>(i);
        reactions.r[ii].fill(0);
        for (int e = 1; e <= ws.nem; ++e) reactions.r[ii][static_cast<size_t>(e)] = static_cast<int16_t>((3 * i + 5 * e) % 7 - 3);
        reactions.rxnweight[ii] = static_cast<int16_t>(i);
    }
    reactions.nreac = static_cast<int16_t>(nreac);
    for (int b = 1; b <= pd.nbulkcomps; ++b) pd.calcbulk[static_cast<size_t>(b)] = 0.1L * b;
}

vec90 plainpoint(const phasecase& c) {
    vec90 x{};
    x[1] = c.P;
    x[2] = c.T;
    for (size_t v = 0; v < c.vars.size(); ++v) x[3 + v] = c.vars[v];
    const real modes[] = {0.3L, 0.45L, 0.25L};
    for (int m = 1; m <= eq.nxp; ++m) x[static_cast<size_t>(eq.nvar + m)] = modes[m - 1];
    return x;
}

class JacobianTest : public ::testing::TestWithParam<std::tuple<phasecase, bool>> {};

TEST_P(JacobianTest, AnalyticJacobianMatchesCentralDifferences) {
    const phasecase& c = std::get<0>(GetParam());
    const bool massbalance = std::get<1>(GetParam());
    layout(c, massbalance);
    const vec90 x = scaled(plainpoint(c));
    evaluation at, plus, minus;
    ASSERT_TRUE(nlefunc(x, *at.J, at.f, true));
    ASSERT_EQ(eq.neq, eq.neqcheck);
    ASSERT_EQ(eq.neq, massbalance ? 2 + pd.nbulkcomps : reactions.nreac);

    const real h = 1e-6L;
    int column = 0;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
        const size_t gg = static_cast<size_t>(g);
        if (!eq.calcvarfree[gg]) continue;
        ++column;
        vec90 xp = x, xm = x;
        xp[gg] += h;
        xm[gg] -= h;
        ASSERT_TRUE(nlefunc(xp, *plus.J, plus.f, false));
        ASSERT_TRUE(nlefunc(xm, *minus.J, minus.f, false));
        for (int i = 1; i <= eq.neq; ++i) {
            const size_t ii = static_cast<size_t>(i);
            const real fd = (plus.f[ii] - minus.f[ii]) / (2 * h);
            const real an = (*at.J)[ii][static_cast<size_t>(column)];
            EXPECT_NEAR(static_cast<double>(an), static_cast<double>(fd), static_cast<double>(c.tol * (1 + std::fabs(fd))))
                << "row " << i << ", variable " << eq.calcvarnames[gg];
        }
    }
}

const phasecase phasecases[] = {
    {"ideal", [](int k) -> axphase& { return idealbinary(k); }, {0.3L}, 8, 900, 1e-6L},
    {"symmetric", [](int k) -> axphase& { return garnet(k, 1); }, {0.35L, 0.15L}, 8, 900, 1e-6L},
    {"vanlaar", [](int k) -> axphase& { return garnet(k, 2); }, {0.35L, 0.15L}, 8, 900, 1e-6L},
    {"twosite", [](int k) -> axphase& { return twosite(k); }, {0.6L, 0.25L}, 8, 900, 1e-6L},
    {"orderdisorder", [](int k) -> axphase& { return orderdisorder(k); }, {0.4L, 0.1L}, 8, 900, 1e-6L},
    {"fluid", [](int k) -> axphase& { return fluidbinary(k, "fluid"); }, {0.3L}, 5, 800, 1e-4L},
    {"aqueous", [](int k) -> axphase& { return aqueous(k); }, {0.1L, 0.05L}, 5, 800, 1e-4L},
};

INSTANTIATE_TEST_SUITE_P(Phases, JacobianTest, ::testing::Combine(::testing::ValuesIn(phasecases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_massbalance" : "_reactions");
                         });

}  // namespace
}  // namespace zt
