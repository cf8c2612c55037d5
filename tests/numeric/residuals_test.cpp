#include "numeric/residuals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "eqfixture.h"
#include "fatalreport.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using namespace eqtest;

struct phasecase {
    const char* name;
    std::function<axphase&(int)> build;
    std::vector<real> vars;  // plain values of the phase's variables
    real P, T;
    real tol;  // relative; forward steps in P and T leave a few parts per million
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
    {"fluid", [](int k) -> axphase& { return fluidbinary(k, "fluid"); }, {0.3L}, 5, 800, 1e-5L},
    {"aqueous", [](int k) -> axphase& { return aqueous(k); }, {0.1L, 0.05L}, 5, 800, 1e-4L},
    // H2O and CO2 by the Sterner-Pitzer equations, in every column, T included
    {"fluid_sp", [](int k) -> axphase& { ds.spswitch = true; return fluidbinary(k, "fluid"); }, {0.3L}, 5, 800, 1e-5L},
};

INSTANTIATE_TEST_SUITE_P(Phases, JacobianTest, ::testing::Combine(::testing::ValuesIn(phasecases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_massbalance" : "_reactions");
                         });


const phasecase& ideal = phasecases[0];
const phasecase& ordered = phasecases[4];

std::string consoleof(const std::function<void()>& f) {
    testing::consolecapture console;
    f();
    return console.output();
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct boundcase {
    int16_t variable;
    int32_t lowkind, highkind;
    real value;  // scaled
    bool inside;
};

class BoundsTest : public ::testing::TestWithParam<boundcase> {};

// The bound kinds decide whether an end value passes; only the first bad variable is named.
TEST_P(BoundsTest, FreeVariablesMustLieInTheirBounds) {
    const boundcase& c = GetParam();
    layout(ideal, true);
    settings.dogminon = true;  // a point on the edge fails its site fractions quietly
    settings.dogminlevel = 0;
    vec90 x = scaled(plainpoint(ideal));
    const size_t g = static_cast<size_t>(c.variable);
    eq.calcvarlowkind[g] = c.lowkind;
    eq.calcvarhighkind[g] = c.highkind;
    x[g] = c.value;
    x[static_cast<size_t>(eq.nvar + 2)] = 1.5L;  // a later bad mode is not named
    evaluation e;
    const std::string out = consoleof([&] { EXPECT_FALSE(nlefunc(x, *e.J, e.f, true)); });
    const std::string bad = "## bad " + eq.calcvarnames[g] + " value\n";
    if (c.inside) {
        EXPECT_EQ(out.find(bad), std::string::npos);
        EXPECT_NE(out.find("## bad q value"), std::string::npos) << out;
    } else {
        EXPECT_EQ(out.find("## bad"), out.find(bad)) << out;
        EXPECT_EQ(count(out, "## bad"), 1u);
        EXPECT_NE(out.find("\n\nFAILED in nlefunc, at which stage x was:\n"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoundsTest,
                         ::testing::Values(boundcase{3, 1, 1, 0, true}, boundcase{3, 4, 1, 0, false},
                                           boundcase{3, 1, 1, 1, true}, boundcase{3, 1, 4, 1, false},
                                           boundcase{3, 1, 1, -1e-12L, false}, boundcase{4, 2, 2, 1.0000001L, false}));

TEST(Residuals, FailureBlockShowsEveryVariableInPlainValues) {
    layout(ideal, true);
    vec90 x = scaled(plainpoint(ideal));
    x[3] = 1.5L;
    evaluation e;
    const std::string out = consoleof([&] { nlefunc(x, *e.J, e.f, true); });
    EXPECT_NE(out.find("## bad x(ib) value\n\n\nFAILED in nlefunc, at which stage x was:\n"
                       "   P(kbar)     T(\xA1" "C)     x(ib)        ib         q        ky\n"
                       "      8.00     626.8     2.500    0.3000    0.4500    0.2500\n"),
              std::string::npos)
        << out;
}

struct sfcase {
    const char* name;
    bool mcactive, dogminon;
    int16_t dogminlevel;
    bool fatal, lines;
};

void PrintTo(const sfcase& c, std::ostream* os) { *os << c.name; }

class SiteFractionTest : public ::testing::TestWithParam<sfcase> {};

TEST_P(SiteFractionTest, NegativeSiteFractionIsReportedOrRefused) {
    const sfcase& c = GetParam();
    layout(ordered, false);
    settings.dogminon = c.dogminon;
    settings.dogminlevel = c.dogminlevel;
    pd.mcactive = c.mcactive;
    phasecase p = ordered;
    p.vars = {0.1L, 0.2L};  // Fe on M1 = x - Q < 0
    const vec90 x = scaled(plainpoint(p));
    evaluation e;
    std::string out;
    if (c.fatal) {
        out = testing::fatalreport([&] {
            settings.dogminon = c.dogminon;
            nlefunc(x, *e.J, e.f, true);
        });
        EXPECT_NE(out.find(testing::bombline("calcsf", "negative sf term")), std::string::npos) << out;
        EXPECT_NE(out.find("\nsorry - try changing starting guesses!\n"), std::string::npos);
    } else {
        out = consoleof([&] { EXPECT_FALSE(nlefunc(x, *e.J, e.f, true)); });
        EXPECT_NE(out.find("*** NOT OK\n"), std::string::npos) << out;
    }
    EXPECT_EQ(out.find("sf =     1.100000   -0.100000    0.700000    0.300000") != std::string::npos, c.lines) << out;
    EXPECT_EQ(out.find("checksf, negative sf term - change starting guesses?") != std::string::npos,
              c.lines && c.dogminon);
}

INSTANTIATE_TEST_SUITE_P(Rules, SiteFractionTest,
                         ::testing::Values(sfcase{"fatal", false, false, 0, true, true},
                                           sfcase{"dogmin", false, true, 2, false, true},
                                           sfcase{"dogminquiet", false, true, 1, false, false},
                                           sfcase{"montecarlo", true, false, 0, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Residuals, ActivityNotPositiveIsRefusedSilently) {
    layout(ideal, false);
    pure(2).activity = 0;
    const vec90 x = scaled(plainpoint(ideal));
    evaluation e;
    e.f.fill(42);
    const std::string out = consoleof([&] { EXPECT_FALSE(nlefunc(x, *e.J, e.f, true)); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(e.f[1], 42);  // no log of a zero activity reached the residuals
}

// Modes times the phases' compositions (worked by hand from the fixture) equal the bulk.
TEST(Residuals, MassBalanceVanishesAtTheBulkOfTheModes) {
    layout(ideal, true);
    const real px = 0.3L;
    const real ol[] = {0, 1.4L / 10.1L, 0.3L / 10.1L, 1 / 10.1L};  // p = (0.7, 0.3); atoms 11 and 8
    const real q[] = {0, 1 / 13.0L, 0, 2 / 13.0L};
    const real ky[] = {0, 0, 1 / 18.0L, 3 / 18.0L};
    const real modes[] = {0.3L, 0.45L, 0.25L};
    for (size_t b = 1; b <= 3; ++b) pd.calcbulk[b] = modes[0] * ol[b] + modes[1] * q[b] + modes[2] * ky[b];
    phasecase c = ideal;
    c.vars = {px};
    evaluation e;
    ASSERT_TRUE(nlefunc(scaled(plainpoint(c)), *e.J, e.f, true));
    for (size_t r = 3; r <= 5; ++r) EXPECT_NEAR(e.f[r], 0, 1e-18L) << r;
    // Doubling every mode scales the sum twice: S times the weighted compositions.
    vec90 x = scaled(plainpoint(c));
    for (int m = 1; m <= 3; ++m) x[static_cast<size_t>(eq.nvar + m)] *= 2;
    ASSERT_TRUE(nlefunc(x, *e.J, e.f, false));
    for (size_t r = 3; r <= 5; ++r) EXPECT_NEAR(e.f[r], 3 * pd.calcbulk[r - 2], 1e-18L) << r;
}

TEST(Residuals, AqueousPhaseSetsTheFluidFieldsOfItsEndMembers) {
    layout(phasecases[6], false);
    evaluation e;
    ASSERT_TRUE(nlefunc(scaled(plainpoint(phasecases[6])), *e.J, e.f, true));
    for (size_t em = 1; em <= 3; ++em) {
        EXPECT_NEAR(ws.td[em].xco2, 0.1L, 1e-18L);
        EXPECT_NEAR(ws.td[em].xh2o, 0.85L, 1e-18L);
    }
    EXPECT_EQ(ws.td[4].xco2, 0);  // the single phases are left alone
}

// With the Debye-Hueckel term on, the solute's G depends on the solvent's x(CO2), which
// each evaluation takes from the phase's proportions, while its ionic strength stays as
// the solve was given it. The jacobian carries the activities' derivatives only: a
// central difference agrees with it once the G change that the moved solvent fields
// alone make (worked out here with gemdriver) is taken away, and differs without that.
TEST(Residuals, AqueousJacobianLeavesOutTheSolventOfTheDebyeHueckelTerm) {
    const phasecase& c = phasecases[6];
    layout(c, false);
    ws.td[3].aqterm1 = 10;
    ws.td[3].aqterm2 = 1;
    for (size_t em = 1; em <= 3; ++em) ws.td[em].aqterm3 = 0.0018L;
    const vec90 x = scaled(plainpoint(c));
    evaluation at, plus, minus;
    ASSERT_TRUE(nlefunc(x, *at.J, at.f, true));
    const real P = c.P, T = c.T;

    struct fields {
        real xco2[4], xh2o[4];
    };
    const auto fieldsnow = [] {
        fields f{};
        for (size_t em = 1; em <= 3; ++em) {
            f.xco2[em] = ws.td[em].xco2;
            f.xh2o[em] = ws.td[em].xh2o;
        }
        return f;
    };
    // G of the end-members at (P, T) under the given solvent fields.
    const auto gunder = [&](const fields& f, size_t em) {
        ws.td[em].xco2 = f.xco2[em];
        ws.td[em].xh2o = f.xh2o[em];
        real G = 0;
        gemdriver(static_cast<int16_t>(em), G, P, T);
        return G;
    };

    const real h = 1e-6L;
    bool gapseen = false;
    int column = 0;
    for (int g = 1; g <= eq.nvar; ++g) {
        const size_t gg = static_cast<size_t>(g);
        if (!eq.calcvarfree[gg]) continue;
        ++column;
        vec90 xp = x, xm = x;
        xp[gg] += h;
        xm[gg] -= h;
        ASSERT_TRUE(nlefunc(xp, *plus.J, plus.f, false));
        const fields fp = fieldsnow();
        ASSERT_TRUE(nlefunc(xm, *minus.J, minus.f, false));
        const fields fm = fieldsnow();
        for (size_t em = 1; em <= 3; ++em) EXPECT_EQ(ws.td[em].aqterm3, 0.0018L);
        for (int i = 1; i <= reactions.nreac; ++i) {
            const size_t ii = static_cast<size_t>(i);
            real solvent = 0;
            for (size_t em = 1; em <= 3; ++em) {
                const int16_t nu = reactions.r[ii][em];
                if (nu != 0) solvent += nu * (gunder(fp, em) - gunder(fm, em));
            }
            solvent /= 2 * h * reactions.rxnweight[ii];
            const real fd = (plus.f[ii] - minus.f[ii]) / (2 * h);
            const real an = (*at.J)[ii][static_cast<size_t>(column)];
            const real tol = c.tol * (1 + std::fabs(fd));
            EXPECT_NEAR(static_cast<double>(an), static_cast<double>(fd - solvent), static_cast<double>(tol))
                << "row " << i << ", variable " << eq.calcvarnames[gg];
            if (std::fabs(an - fd) > 100 * tol) gapseen = true;
        }
    }
    EXPECT_TRUE(gapseen) << "the solvent term should be visible in a plain difference";
}

TEST(Residuals, RankDeficientRowsMustVanish) {
    layout(ideal, true);
    pd.rankdeficit = 1;
    eq.calcvarfree[1] = false;  // four free variables for four equations
    const vec90 x = scaled(plainpoint(ideal));
    evaluation e;
    settings.dogminon = true;
    settings.dogminlevel = 1;
    std::string out = consoleof([&] { EXPECT_TRUE(nlefunc(x, *e.J, e.f, true)); });
    EXPECT_EQ(eq.neq, 4);
    EXPECT_EQ(out, "");
    const real last = e.f[5];
    ASSERT_GT(std::fabs(last), 0.00001L);

    settings.dogminlevel = 2;
    out = consoleof([&] { EXPECT_FALSE(nlefunc(x, *e.J, e.f, true)); });
    EXPECT_NE(out.find(") should be zero in rank-deficient case\nresiduals not in reduced system - shouldn't have happened?\n"),
              std::string::npos)
        << out;

    out = testing::fatalreport([&] { nlefunc(x, *e.J, e.f, true); });
    EXPECT_NE(out.find(testing::bombline("nlefunc", "residuals not in reduced system")), std::string::npos) << out;

    // A bulk that closes the last row passes without dogmin.
    settings = runsettings{};
    settings.autoexit = true;
    pd.calcbulk[3] += last;
    EXPECT_TRUE(nlefunc(x, *e.J, e.f, true));
    EXPECT_NEAR(e.f[5], 0, 1e-18L);
}

TEST(Residuals, NonSquareSystemsEndTheRunAsAnInternalError) {
    // With mass balance and T left free: 5 equations, 6 free variables.
    layout(ideal, true);
    eq.calcvarfree[2] = true;
    evaluation e;
    vec90 x = scaled(plainpoint(ideal));
    std::string out = testing::fatalreport([&] { nlefunc(x, *e.J, e.f, true); });
    EXPECT_NE(out.find("\nmczt: batch =   1\n\nrow 5 (  2  3  0)\ncol 6 (  3  3)\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find("non-square jacobian\n"), std::string::npos);
    EXPECT_NE(out.find(testing::bombline("nlefunc", "non-square jacobian")), std::string::npos);
    EXPECT_NE(out.find(testing::internalmark), std::string::npos);

    // Without mass balance: fewer reactions than free variables.
    layout(ideal, false);
    reactions.nreac = 2;
    x = scaled(plainpoint(ideal));
    out = testing::fatalreport([&] { nlefunc(x, *e.J, e.f, true); });
    EXPECT_NE(out.find("row 2 (  2  3  0)\ncol 3 (  3  0)\n"), std::string::npos) << out;
    EXPECT_NE(out.find(testing::bombline("nlefunc", "non-square jacobian")), std::string::npos);
}

TEST(Residuals, MoreEquationsThanTheTablesHoldIsAnInternalError) {
    for (const bool massbalance : {false, true}) {
        layout(ideal, massbalance);
        reactions.nreac = static_cast<int16_t>(massbalance ? 88 : 91);
        for (int i = 1; i <= reactions.nreac; ++i) reactions.rxnweight[static_cast<size_t>(i)] = 1;
        evaluation e;
        const vec90 x = scaled(plainpoint(ideal));
        const std::string out = testing::fatalreport([&] { nlefunc(x, *e.J, e.f, true); });
        EXPECT_NE(out.find(testing::bombline("nlefunc", "too many equations (max = 90) ")), std::string::npos) << out;
        EXPECT_NE(out.find(testing::internalmark), std::string::npos);
    }
}

}  // namespace
}  // namespace zt
