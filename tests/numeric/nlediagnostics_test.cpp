#include "numeric/nlediagnostics.h"

#include <gtest/gtest.h>

#include <sstream>

#include "numeric/nle.h"
#include "solverfixture.h"

namespace zt::solvertest {
namespace {

class Diagnostics : public SolverTest {};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// f = A x - b in plain values, with the reported derivative scaled entry by entry.
plainresiduals linearsystem(const realmat& A, const realvec& b, const realmat& reported) {
    return [A, b, reported](const realvec& x, realvec& f, realmat& d) {
        const size_t n = b.size();
        size_t row = 0;
        for (size_t j = 0; j < n; ++j) {
            real s = -b[j];
            for (size_t k = 0; k < A[j].size(); ++k) s += A[j][k] * x[k];
            f[row] = s;
            for (size_t k = 0; k < A[j].size(); ++k) d[row][k] = reported[j][k] * A[j][k];
            ++row;
        }
        return true;
    };
}

TEST_F(Diagnostics, JacobianCheckListsTheEntriesThatDifferFromForwardDifferences) {
    const realmat A = {{2, 1, 0.5L}, {-1, 3, 1}, {0.5L, 1, 4}};
    const realvec b = {1, 2, 3};
    const realmat exact = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    const realmat doubled = {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}};
    struct checkcase {
        const char* what;
        std::vector<std::string> names;
        std::vector<bool> free;
        realmat reported;
        int16_t level;
        std::string expected;
    };
    const std::string half = " = -0.5000; ";
    const checkcase cases[] = {
        {"exact jacobian at level 3", {"x1", "x2", "x3"}, {true, true, true}, exact, 3,
         "\njacobian: no difference with fd\n\n"},
        {"exact jacobian at level 4", {"x1", "x2", "x3"}, {true, true, true}, exact, 4,
         "\njacobian: no difference with fd\n"},
        {"nine entries differ", {"x1", "x2", "x3"}, {true, true, true}, doubled, 3,
         "\njacobian: prop diff with fd: eq1,x1" + half + "eq2,x1" + half + "eq3,x1" + half + "eq1,x2" + half +
             "eq2,x2" + half + "eq3,x2" + half + ": of 9 in all\n\n"},
        // a fixed variable takes no column; a free order variable takes one and is
        // not checked
        {"order variable skipped", {"Qf", "x1", "Q2", "x3"}, {false, true, true, true}, doubled, 3,
         "\njacobian: prop diff with fd: eq1,x1" + half + "eq2,x1" + half + "eq3,x1" + half + "eq1,x3" + half +
             "eq2,x3" + half + "eq3,x3" + half + ": just these\n\n"},
    };
    for (const checkcase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<variable> vars;
        for (size_t i = 0; i < c.names.size(); ++i) vars.push_back({c.names[i], 0.1L * static_cast<real>(i), 0, 1, c.free[i]});
        setvariables(vars);
        const bool withfixed = !c.free[0];
        const realvec bb = b;
        // with a fixed first variable the system is in the other three
        scripted = [&, withfixed](const realvec& x, realvec& f, realmat& d) {
            realvec y(x.begin() + (withfixed ? 1 : 0), x.end());
            realmat dd(3, realvec(3));
            realvec ff(3);
            linearsystem(A, bb, c.reported)(y, ff, dd);
            for (size_t j = 0; j < 3; ++j) {
                f[j] = ff[j];
                for (size_t k = 0; k < 3; ++k) d[j][k + (withfixed ? 1 : 0)] = dd[j][k];
            }
            return true;
        };
        settings.debuglevel = c.level;
        resetnlestate();
        nlestate.nfree = 3;
        eq.nleiter = 0;
        eq.nleeval = 1;
        console.clearoutput();
        mat90 J{};
        vec90 f{};
        ASSERT_TRUE(evalequations(eq.varvalue, J, f));
        // the jacobian table comes first; its layout has tests of its own
        const std::string out = console.output();
        EXPECT_EQ(out.rfind("\njacobian\n", 0), 0u);
        ASSERT_GE(out.size(), c.expected.size());
        EXPECT_EQ(out.substr(out.size() - c.expected.size()), c.expected);
        // f is restored, J keeps the analytic values
        for (int j = 1; j <= 3; ++j) {
            real r = -b[static_cast<size_t>(j - 1)];
            for (int k = 0; k < 3; ++k) r += A[static_cast<size_t>(j - 1)][static_cast<size_t>(k)] * plain(k + (withfixed ? 4 : 3));
            EXPECT_NEAR(static_cast<double>(f[static_cast<size_t>(j)]), static_cast<double>(r), 1e-15);
            EXPECT_EQ(J[static_cast<size_t>(j)][1], c.reported[static_cast<size_t>(j - 1)][0] * A[static_cast<size_t>(j - 1)][0]);
        }
        EXPECT_EQ(eq.nleeval, 1);
    }
}

TEST_F(Diagnostics, LevelFiveSolvesWithForwardDifferencesAlone) {
    // the analytic derivatives are never asked for: those given here are wrong
    const realmat A = {{50.5L, 49.5L}, {49.5L, 50.5L}};
    setvariables({{"x", 0.5L, 0, 1}, {"y", 0.5L, 0, 1}});
    scripted = linearsystem(A, {34.95L, 35.05L}, {{-7, 3}, {0, 0}});
    settings.debuglevel = 5;
    int16_t status = -1;
    EXPECT_TRUE(nle(status));
    for (const evaluation& e : evaluations) EXPECT_FALSE(e.withjacobian);
    // condition number of A: singular values 100 and 1
    EXPECT_NEAR(static_cast<double>(eq.nlecond), 100, 1e-5);
    EXPECT_NEAR(static_cast<double>(plain(3)), 0.3, 1e-8);
    EXPECT_NEAR(static_cast<double>(plain(4)), 0.4, 1e-8);
}

TEST_F(Diagnostics, PointIsWrittenInBlocksOfThirteenVariables) {
    for (int count : {15, 16}) {
        SCOPED_TRACE(count);
        std::vector<variable> vars;
        for (int i = 3; i <= count; ++i) vars.push_back({"v" + std::to_string(i), 0.5L, 0, 1, i % 2 == 0});
        setvariables(vars);
        console.clearoutput();
        printpoint();
        const std::vector<std::string> got = lines(console.output());
        ASSERT_EQ(got.size(), count == 15 ? 2u : 4u);
        EXPECT_EQ(got[0].size(), 62u + 15 * 10);
        EXPECT_EQ(got[0].substr(62, 20), std::string("   P(kbar)     T(") + '\xA1' + "C)");
        EXPECT_EQ(got[1].substr(62, 40), "   10.0000  600.0000    0.5000    0.5000");
        if (count == 16) {
            EXPECT_EQ(got[2], std::string(82, ' ') + "       v16");
            EXPECT_EQ(got[3], std::string(82, ' ') + "    0.5000");
        }
    }
}

TEST_F(Diagnostics, StartingGuessesListTheFreeVariablesEighteenToALine) {
    for (int count : {1, 18, 19}) {
        SCOPED_TRACE(count);
        std::vector<variable> vars;
        for (int i = 1; i <= count; ++i) vars.push_back({"v" + std::to_string(i), 0.25L, 0, 1});
        vars.push_back({"fixed", 0.75L, 0, 1, false});
        setvariables(vars);
        console.clearoutput();
        printstartingguesses();
        const std::string out = console.output();
        const std::vector<std::string> got = lines(out);
        ASSERT_EQ(got.size(), count == 1 ? 3u : count == 18 ? 4u : 5u);
        EXPECT_EQ(got[0].substr(0, 27), "starting guesses:   P(kbar)");
        EXPECT_EQ(got[1].substr(0, 37), std::string(17, ' ') + "   10.0000   600.000");
        EXPECT_EQ(got[0].find("fixed"), std::string::npos);
        if (count >= 18) {
            EXPECT_EQ(got[0].size(), 37u + 18 * 10);
        }
        // two line ends after a block that holds a variable, one after an empty one
        const bool lastempty = count == 18;
        EXPECT_EQ(out.substr(out.size() - 2), lastempty ? std::string(" \n") : std::string("\n\n"));
        if (count == 19) {
            EXPECT_EQ(got[2], std::string(37, ' ') + "       v19");
        }
    }
}

TEST_F(Diagnostics, TraceAndOutcomeAtLevelsTwoAndThree) {
    setvariables({{"x", 0.5L, 0, 1}});
    scripted = onevariable([](real x) { return x - 0.25L; }, [](real) { return 1; });
    const std::string dashes = "\n" + std::string(59, '-') + "\n";
    const std::string guesses = std::string("starting guesses:   P(kbar)     T(") + '\xA1' +
                                "C)         x\n                    10.0000   600.000    0.5000\n\n";
    const std::string pointnames = std::string(62, ' ') + "   P(kbar)     T(" + '\xA1' + "C)         x\n";
    // the point after the closing line of level 2 is the one the iteration started from
    const std::string startvalues = std::string(62, ' ') + "   10.0000  600.0000    0.5000\n";
    const std::string pointvalues = std::string(62, ' ') + "   10.0000  600.0000    0.2500\n";
    struct levelcase {
        int16_t level;
        std::string expected;
    };
    const levelcase cases[] = {
        {2, guesses + dashes + "             f       slope      step         maxe     maxdx\n" +
                " 1           0           0         1            0  2.500e+5\n" + pointnames + startvalues +
                "\nsize of max residual (esize)\n"},
        {3, guesses + dashes + " 1  0      f       slope          step         maxe     maxdx\n" +
                " 0   0.03125    -0.06250             0        1.000          \n" +
                " s         0           0             1 x          0  2.500e+5\n" + pointnames + pointvalues +
                "\nsize of max residual (esize)\n"},
        // the header comes with the first trace line, without starting guesses or point
        {4, dashes + " 1         f       slope          step         maxe     maxdx\n" +
                " 0   0.03125    -0.06250             0        1.000          \n" +
                " s         0           0             1 x          0  2.500e+5\n" + "\nsize of max residual (esize)\n"},
    };
    for (const levelcase& c : cases) {
        SCOPED_TRACE(c.level);
        setvariables({{"x", 0.5L, 0, 1}});
        settings.debuglevel = c.level;
        console.clearoutput();
        int16_t status = -1;
        EXPECT_TRUE(nle(status));
        std::string out = console.output();
        // the jacobian table and check of level 3 have their own test
        const std::string check = c.level == 3 ? "\njacobian: no difference with fd\n\n" : "\njacobian: no difference with fd\n";
        const size_t at = out.find(check);
        if (at != std::string::npos) {
            const size_t from = out.find("\njacobian\n");
            ASSERT_NE(from, std::string::npos);
            out.erase(from, at + check.size() - from);
        }
        EXPECT_EQ(out, c.expected);
    }
}

TEST_F(Diagnostics, OutcomeOfAFailedSolveShowsThePointReached) {
    setvariables({{"x", 0.5L, 0, 2}});
    eq.nxp = 1;
    eq.calcvarnames[4] = "gt";
    eq.calcvarfree[4] = true;
    eq.calcvarscale[4] = 0.5L;
    eq.calcvaroffset[4] = 0;
    eq.varvalue[4] = 0.25L;  // mode 0.5
    pd.modenorm = 2;
    console.clearoutput();
    printoutcome(7);
    const std::string expected = std::string("\nNo solution (7):\n") + "   slim too small (on edge looking out?)\n" +
                                 "at which stage x was:\n" + "   P(kbar)     T(" + '\xA1' + "C)         x\n" +
                                 "     10.00     600.0    0.5000\n" + std::string(20, ' ') + "        gt\n" +
                                 std::string(20, ' ') + "    0.2500\n" + std::string(54, '_') + "\n\n";
    EXPECT_EQ(console.output(), expected);
}

}  // namespace
}  // namespace zt::solvertest
