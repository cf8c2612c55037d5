#include "numeric/eqtables.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "eqfixture.h"
#include "numeric/residuals.h"
#include "runtime/numberformat.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::linesof;


using namespace eqtest;

std::string field(const std::string& text, int width) {
    std::string s;
    addfield(text, static_cast<int16_t>(width), s);
    return s;
}

std::string num(real x, int width) { return field(realtostr(4, false, x), width); }

// 26 variables with P held: 25 free ones and one free mode; one reaction row and one
// mass-balance row. Entry (r, c) is c + 0.5 in row 1 and -c in row 2.
void wideequilibrium(mat90& J) {
    reseteqworld();
    eq.nvar = 26;
    eq.nxp = 1;
    for (int g = 1; g <= 27; ++g) {
        eq.calcvarnames[static_cast<size_t>(g)] = "v" + std::to_string(g);
        eq.calcvarfree[static_cast<size_t>(g)] = g > 1;
    }
    reactions.nreac = 1;
    reactions.rxnweight[1] = 2;
    eq.neq = 2;
    ws.compnames[1] = "SiO2";
    for (auto& row : J) row.fill(0);
    for (int c = 1; c <= 26; ++c) {
        J[1][static_cast<size_t>(c)] = c + 0.5L;
        J[2][static_cast<size_t>(c)] = -c;
    }
    J[1][19] = 5e-11L;
}

TEST(EqTables, JacobianInBlocksOfFreeColumns) {
    auto J = std::make_unique<mat90>();
    wideequilibrium(*J);
    testing::consolecapture console;
    channels.dontwrap = false;
    printmatrixtable("a jacobian with a long title", *J, 0, 4, false, 1);
    const std::vector<std::string> lines = linesof(console.output());
    ASSERT_EQ(lines.size(), 14u) << console.output();
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "a jacobian with a long");  // cut to 22
    std::string head1(6, ' '), row1 = field("1", -6);
    for (int c = 1; c <= 18; ++c) {
        head1 += field("v" + std::to_string(c + 1), 13);
        row1 += num(c + 0.5L, 13);
    }
    EXPECT_EQ(lines[2], head1);
    EXPECT_EQ(lines[3], row1);
    std::string head2(6, ' '), row2 = field("1", -6) + field("-", 13);
    for (int c = 20; c <= 25; ++c) row2 += num(c + 0.5L, 13);
    for (int c = 19; c <= 25; ++c) head2 += field("v" + std::to_string(c + 1), 13);
    EXPECT_EQ(lines[4], head2);
    EXPECT_EQ(lines[5], row2);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], head1);
    EXPECT_EQ(lines[8].substr(0, 19), "SiO2  " + num(-1, 13));
    EXPECT_EQ(lines[10].substr(0, 19), "SiO2  " + num(-19, 13));
    EXPECT_EQ(lines[11], "");
    EXPECT_EQ(lines[12], std::string(6, ' ') + field("v27", 13));
    EXPECT_EQ(lines[13], "SiO2  " + num(-26, 13));

    console.clearoutput();
    printmatrixtable("groups", *J, 2, 4, false, 1);
    EXPECT_EQ(linesof(console.output()).size(), 5u);  // title and the mode columns only
}

TEST(EqTables, ResidualsVariablesAndProjection) {
    auto J = std::make_unique<mat90>();
    wideequilibrium(*J);
    testing::consolecapture console;

    // Forty equations: the table ends with an empty pair of lines.
    reactions.nreac = 38;
    eq.neq = 40;
    ws.ncomps = 2;
    ws.compnames[2] = "MgO";
    pd.inbulk[1] = false;
    pd.inbulk[2] = true;
    channels.dontwrap = false;
    vec90 f{};
    for (int k = 1; k <= 40; ++k) {
        f[static_cast<size_t>(k)] = 0.5L * k;
        reactions.rxnweight[static_cast<size_t>(k)] = 2;
    }
    channels.outchannels = 1;
    residualtable(f);
    std::vector<std::string> lines = linesof(console.output());
    ASSERT_EQ(lines.size(), 8u) << console.output();
    real sum = 0;
    for (int k = 1; k <= 40; ++k) sum += 0.25L * k * k;
    EXPECT_EQ(lines[1], "residuals (f = " + realtostr(4, false, sum / 2) + ")");
    EXPECT_EQ(lines[2].substr(0, 22), field("1", 11) + field("2", 11));
    EXPECT_EQ(lines[3].substr(0, 22), num(1, 11) + num(2, 11));  // reaction rows unweighted
    EXPECT_EQ(lines[4].substr(lines[4].size() - 11), field("MgO", 11));  // no label for SiO2
    EXPECT_EQ(lines[5].substr(lines[5].size() - 22), num(19.5L, 11) + num(20, 11));
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "");

    // Twenty-seven variables: the second pair is indented by 22.
    console.clearoutput();
    vec90 x{};
    x[1] = 8.5L;
    x[2] = 900;
    for (int g = 3; g <= 27; ++g) x[static_cast<size_t>(g)] = 0.125L * g;
    variablestable(x);
    lines = linesof(console.output());
    ASSERT_EQ(lines.size(), 6u) << console.output();
    EXPECT_EQ(lines[1], "xyz");
    EXPECT_EQ(lines[3].substr(0, 33), field("8.500", 11) + field("626.8500", 11) + field("0.375000", 11));
    EXPECT_EQ(lines[4], std::string(22, ' ') + field("v21", 11) + field("v22", 11) + field("v23", 11) + field("v24", 11) +
                            field("v25", 11) + field("v26", 11) + field("v27", 11));

    console.clearoutput();
    projc();
    EXPECT_EQ(console.output(), "projc: (rankdeficit = 0) diagonal\n");
    console.clearoutput();
    pd.rankdeficit = 1;
    pd.nbulkcomps = 1;
    pd.reducemat[1][1] = 3;
    projc();
    EXPECT_EQ(console.output(), "\nprojc: (rankdeficit = 1)\n" + field("MgO", 7) + "\n" + field("3", 7) + "\n");
}

// At debug level 4 the first evaluation of an iteration explains itself.
TEST(EqTables, DebugLevelFourTablesFromTheResiduals) {
    reseteqworld();
    setcomponents(3);
    idealbinary(1);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    makecrossrefs(selection({1}, {1}));
    eq.calcvarscale[3] = 1;
    reactions.nreac = 1;
    reactions.r[1][1] = 1;
    reactions.r[1][3] = -1;
    reactions.rxnweight[1] = 1;
    eq.calcvarfree[2] = eq.calcvarfree[3] = false;
    settings.debuglevel = 4;
    eq.nleeval = 1;
    eq.nleiter = 1;
    vec90 x{};
    x[1] = eq.calcvarscale[1] * 8 + eq.calcvaroffset[1];
    x[2] = 900;
    x[3] = 0.3L;
    auto J = std::make_unique<mat90>();
    vec90 f{};
    testing::consolecapture console;
    ASSERT_TRUE(nlefunc(x, *J, f, true));
    const std::string first = console.output();
    const size_t act = first.find("\nactivity\n"), proj = first.find("projc: (rankdeficit = 0) diagonal\n"),
                 xyz = first.find("\nxyz\n"), res = first.find("\nresiduals (f = ");
    EXPECT_NE(act, std::string::npos) << first;
    EXPECT_LT(act, proj);
    EXPECT_LT(proj, xyz);
    EXPECT_LT(xyz, res);
    EXPECT_NE(first.find(field("fo", 11) + field("fa", 11) + field("q", 11) + "\n" + field(realtostr(5, false, 0.7L), 11)),
              std::string::npos);
    EXPECT_EQ(first.find("ln K"), std::string::npos);

    console.clearoutput();
    eq.nleiter = 2;
    ASSERT_TRUE(nlefunc(x, *J, f, true));
    const std::string second = console.output();
    EXPECT_NE(second.find("\nln K\n" + field("1", 11) + "\n" + field(realtostr(6, false, std::log(0.7L)), 11)),
              std::string::npos)
        << second;
    EXPECT_EQ(second.find("projc"), std::string::npos);

    console.clearoutput();
    eq.nleeval = 2;
    ASSERT_TRUE(nlefunc(x, *J, f, true));
    EXPECT_EQ(console.output(), "");
}

TEST(EqTables, ModeTracesAboveDebugLevelFive) {
    reseteqworld();
    setcomponents(3);
    idealbinary(1);
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    setcomp(soln(1).em[1], {{1, 2}, {3, 1}});
    setcomp(soln(1).em[2], {{2, 1}, {3, 1}});
    setcomp(pure(1), {{1, 1}, {3, 2}});
    pd.massbalance = true;
    pd.modenorm = 2;
    makecrossrefs(selection({1}, {1}));
    eq.calcvarscale[5] = eq.calcvarscale[4] = 0.5L;
    eq.calcvaroffset[5] = eq.calcvaroffset[4] = 0;
    settings.debuglevel = 6;
    channels.linebuf = "pending";
    vec90 x{};
    x[1] = 8;
    x[2] = 900;
    x[3] = 0.3L;
    x[4] = 0.2L;
    x[5] = 0.3L;
    for (size_t g = 1; g <= 3; ++g) eq.calcvarfree[g] = false;
    reactions.nreac = 0;
    eq.calcvarfree[5] = false;  // one free mode for one bulk row
    pd.nbulkcomps = 1;
    auto J = std::make_unique<mat90>();
    vec90 f{};
    testing::consolecapture console;
    nlefunc(x, *J, f, true);
    const std::vector<std::string> lines = linesof(console.output());
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "pending");
    EXPECT_EQ(lines[1], std::string(12, ' ') + field("ib", 10));
    EXPECT_EQ(lines[2], field("nlefunc", 12) + field(realtostr(5, false, 0.2L), 10) + "  pre un" +
                            field(realtostr(5, true, 0.5L), 10) + field(realtostr(5, true, 0), 10));
    EXPECT_EQ(lines[3], std::string(12, ' ') + field(realtostr(5, false, 0.4L), 10) + "  un    " +
                            field(realtostr(5, true, 0.7L), 10));
    EXPECT_EQ(lines[4], std::string(12, ' ') + field(realtostr(5, false, 0.2L), 10) + "  un/phi = mode");
    EXPECT_EQ(channels.linebuf, "");
}

}  // namespace
}  // namespace zt
