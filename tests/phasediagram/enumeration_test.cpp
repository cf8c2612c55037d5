#include "phasediagram/enumeration.h"

#include "pdfixture.h"
#include "reactions/services.h"

namespace zt {
namespace {

using pdtest::at;

// Components A, B, C, D; phases X = A + B, Y = C, Z = 2A + D, W = B.
void fourcomponents() {
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    pdtest::addpure("X", {1, 1, 0, 0});
    pdtest::addpure("Y", {0, 0, 1, 0});
    pdtest::addpure("Z", {2, 0, 0, 1});
    pdtest::addpure("W", {0, 1, 0, 0});
}

phaseflags setof(std::initializer_list<int> members) {
    phaseflags s{};
    for (int k : members) s[at(k)] = true;
    return s;
}

void setbulk(std::vector<real> b1, std::vector<real> b2 = {}) {
    settings.nbulks = b2.empty() ? 1 : 2;
    for (size_t j = 0; j < b1.size(); ++j) settings.bulk1[j + 1] = b1[j];
    for (size_t j = 0; j < b2.size(); ++j) settings.bulk2[j + 1] = b2[j];
}

// Every constraint row must annihilate the composition of every end-member it covers.
void expectconstraintsannihilate(const std::vector<std::vector<int>>& columns) {
    const int rows = pd.nbulkcomps;
    for (int i = rows - pd.rankdeficit + 1; i <= rows; ++i) {
        bool nonzero = false;
        for (const auto& col : columns) {
            long long s = 0;
            for (int j = 1; j <= rows; ++j) {
                s += static_cast<long long>(pd.reducemat[at(i)][at(j)]) * col[at(j - 1)] / ws.compdiv[at(j)];
                nonzero = nonzero || pd.reducemat[at(i)][at(j)] != 0;
            }
            EXPECT_EQ(s, 0) << "row " << i;
        }
        EXPECT_TRUE(nonzero);
    }
}

TEST(CalcRankP, ReducedSystemAndTheBulkTest) {
    struct rankcase {
        std::vector<int> phases;
        std::vector<real> b1, b2;
        int16_t rank, deficit;
        bool ok;
    };
    // X and Y span A + B and C: the constraints are A = B and D = 0.
    const std::vector<rankcase> cases = {
        {{1, 2}, {1, 1, 2, 0}, {}, 2, 2, true},
        {{1, 2}, {2, 1, 1, 0}, {}, 2, 2, false},
        {{1, 2}, {1, 1, 2, 0}, {1, 1, 5, 1}, 2, 2, false},  // both ends of a range must lie in it
        {{1, 2, 3}, {3, 1, 1, 1}, {}, 3, 1, true},          // A = B + 2D
        {{1, 2, 3, 4}, {1, 2, 3, 4}, {}, 4, 0, true},
    };
    for (const rankcase& c : cases) {
        pdtest::pdworld w;
        fourcomponents();
        setbulk(c.b1, c.b2);
        settings.debuglevel = 1;
        int16_t rank = 0;
        phaseflags s{};
        for (int k : c.phases) s[at(k)] = true;
        bool ok = false;
        EXPECT_EQ(w.run([&] { ok = calcrankp(s, rank); }), -1) << w.out();
        EXPECT_EQ(rank, c.rank);
        EXPECT_EQ(pd.rankdeficit, c.deficit);
        EXPECT_EQ(ok, c.ok);
        std::vector<std::vector<int>> cols;
        const std::vector<std::vector<int>> all = {{1, 1, 0, 0}, {0, 0, 1, 0}, {2, 0, 0, 1}, {0, 1, 0, 0}};
        for (int k : c.phases) cols.push_back(all[at(k - 1)]);
        expectconstraintsannihilate(cols);
        EXPECT_EQ(w.has("bulk NOT in reduced system\n"), !c.ok) << w.out();
        if (!c.ok) {
            EXPECT_TRUE(w.has("\nreduced system needed for handling equilibrium involving: X Y \n"));
            EXPECT_TRUE(w.has("these equations must apply\n"));
        }
    }
}

TEST(CalcRankP, DebugLevelMakesAnUnreachableBulkFatal) {
    pdtest::pdworld w;
    fourcomponents();
    setbulk({2, 1, 1, 0});
    settings.debuglevel = 2;
    int16_t rank = 0;
    EXPECT_EQ(w.run([&] { calcrankp(setof({1, 2}), rank); }), 1);
    EXPECT_TRUE(w.has("matrix is rank deficient"));
    EXPECT_TRUE(w.has("-- run bombed in calcrankp : bulk not in reduced system"));
}

// Two phases of large, nearly equal and coprime amounts: the row operations that reduce
// them multiply up past what the 32-bit constraint rows can hold, which is reported as an
// internal error rather than wrapped around.
TEST(CalcRankP, OverflowOfTheRowOperationsIsAnInternalError) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}});
    pdtest::addpure("X", {30011, 29989, 1});
    pdtest::addpure("Y", {29999, 30007, 2});
    settings.nbulks = 0;
    int16_t rank = 0;
    EXPECT_EQ(w.run([&] { calcrankp(setof({1, 2}), rank); }), 1);
    EXPECT_TRUE(w.has("-- run bombed in calcrankp : integer overflow in the reduction of the composition matrix\n"))
        << w.out();
    EXPECT_TRUE(w.has("===This shouldn't have happened...==="));
}

TEST(PrintConstraints, OneEquationPerConstraintRow) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    pd.rankdeficit = 1;
    pd.reducemat[4][1] = 4;  // divided by the common factor 2
    pd.reducemat[4][2] = -2;
    pd.reducemat[4][3] = 0;
    pd.reducemat[4][4] = 2;
    printconstraints();
    EXPECT_EQ(w.out(), "this equation must apply\n    2A - B + D = 0\n");
}

TEST(NextAssemblage, RequiredPhasesAndCounts) {
    pdtest::pdworld w;
    fourcomponents();
    setbulk({1, 2, 3, 4});
    reactions.var = 2;
    pd.requiredphase[2] = true;  // Y in every assemblage
    pd.nrequired = 1;
    phaseflags candidate{};
    int16_t ncand = 0, rank = 0;
    setupcandidates(candidate, ncand, rank);
    EXPECT_EQ(ncand, 4);
    EXPECT_EQ(rank, 4);
    // Pairs of the four candidates, in order.
    indexvector subset{};
    firstsubset(subset, 2);
    phaseflags assemblage{};
    assemblagetest test;
    std::vector<std::pair<std::string, int16_t>> seen;
    do {
        nextassemblage(subset, candidate, 2, ncand, assemblage, test);
        if (!test.more) break;
        std::string names;
        for (int k = 1; k <= 4; ++k) names += assemblage[at(k)] ? phases.prec0[at(k)].name : "";
        seen.emplace_back(names, test.reason);
    } while (test.more);
    // Pairs without Y fail the required test; pairs with Y span two of four components.
    const std::vector<std::pair<std::string, int16_t>> want = {
        {"XY", 4}, {"XZ", 2}, {"XW", 2}, {"YZ", 4}, {"YW", 4}, {"ZW", 2}};
    EXPECT_EQ(seen, want);
}

TEST(CalcWhat, NothingToCalculateWithoutSolutionsOrBulk) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"A", 1}});
    pdtest::addpure("X", {1});
    settings.nbulks = 0;
    EXPECT_EQ(w.run(calcwhat), 1);
    EXPECT_TRUE(w.has("\nno solid solutions involved: run in mode 3\n"));
    EXPECT_TRUE(w.has("-- run bombed in calcwhat : not currently implemented"));
}

// A run none of whose assemblages is calculated says why, from the furthest test reached.
TEST(CalcWhat, SaysWhyNothingIsCalculated) {
    struct whycase {
        int16_t ovar;
        std::vector<int> required;
        const char* line;
    };
    const std::vector<whycase> cases = {
        {0, {}, "nothing calculated: an assemblage of this variance has 6 phases,\nfrom the 4 phases chosen"},
        {3, {1, 2, 3, 4}, "nothing calculated: no assemblage holds every required phase"},
        {4, {2, 3}, "nothing calculated: the bulk lies outside every assemblage's reduced system"},
        {2, {}, "nothing calculated: no assemblage has as many unknowns as equations\n"
                "at effective variance 2 (debuglevel 2 lists them)"},
    };
    for (const whycase& c : cases) {
        pdtest::pdworld w;
        fourcomponents();
        setbulk({1, 2, 3, 4});
        pd.ovar = c.ovar;
        reactions.var = c.ovar;
        for (int k : c.required) pd.requiredphase[at(k)] = true;
        pd.nrequired = static_cast<int16_t>(c.required.size());
        ASSERT_EQ(w.run(calcwhat), -1) << w.out();
        const std::string out = w.out();
        const std::string want = std::string("\n") + c.line + "\n";
        ASSERT_GE(out.size(), want.size()) << out;
        EXPECT_EQ(out.substr(out.size() - want.size()), want);
    }
}

}  // namespace
}  // namespace zt
