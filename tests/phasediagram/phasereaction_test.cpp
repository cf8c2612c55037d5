#include "phasediagram/phasereaction.h"

#include <cmath>

#include "numeric/fatalreport.h"
#include "pdfixture.h"

namespace zt {
namespace {

using pdtest::at;

namespace tt = zt::testing;

struct printcase {
    std::vector<real> coefs;
    std::string text;
};

TEST(PrintRealReaction, SmallWholeNumbersOnEachSide) {
    const std::vector<printcase> cases = {
        {{-1, -2, 3}, "A + 2B = 3C"},
        {{-1, -1.5L, 2.5L}, "10A + 15B = 25C"},   // not all whole: tenths of the smallest
        {{-1, -1e-5L, 1}, "10A + 0B = 10C"},       // a trace amount, which also keeps the tenths
        {{2, -4}, "2B = A"},
        {{-1, 1e-9L, 1}, "A = C"},                 // below 1e-7 of the largest: absent
    };
    namerow names;
    names[1] = "A";
    names[2] = "B";
    names[3] = "C";
    for (const printcase& c : cases) {
        realcoefs coef{};
        for (size_t i = 0; i < c.coefs.size(); ++i) coef[i + 1] = c.coefs[i];
        std::string text;
        printrealreaction(coef, names, static_cast<int16_t>(c.coefs.size()), text);
        EXPECT_EQ(text, c.text);
    }
}

// The coefficients must annihilate every row, and one of them must be exactly -1.
void expectnullvector(const std::vector<std::vector<real>>& rows) {
    reactionmatrix m{};
    const auto nrows = static_cast<int16_t>(rows.size());
    const auto ncols = static_cast<int16_t>(rows[0].size());
    for (int r = 0; r < nrows; ++r) {
        for (int c = 0; c < ncols; ++c) m[at(r + 1)][at(c + 1)] = rows[at(r)][at(c)];
    }
    realcoefs coef{};
    ws.nem = 0;
    realreaction(m, nrows, ncols, coef);
    int minusones = 0;
    for (int c = 1; c <= ncols; ++c) minusones += coef[at(c)] == -1 ? 1 : 0;
    EXPECT_GE(minusones, 1);
    for (int r = 1; r <= nrows; ++r) {
        real s = 0;
        for (int c = 1; c <= ncols; ++c) s += m[at(r)][at(c)] * coef[at(c)];
        EXPECT_NEAR(static_cast<double>(s), 0.0, 1e-12) << "row " << r;
    }
}

TEST(RealReaction, CoefficientsBalanceEveryComponent) {
    expectnullvector({{1, 0, 1}, {0, 1, 1}});                        // A + B = C
    expectnullvector({{0, 2, 1}, {3, 0, 1}});                        // first column has no pivot at first
    expectnullvector({{1, 0, 1, 2}, {0, 1, 1, 1}, {2, 1, 3, 5}});    // dependent third row
    expectnullvector({{1, 0, 1}, {0, 1, 1}, {0, 0, 0}});             // a zero component row
    expectnullvector({{0.25L, 0.5L, 0.1L}, {0.75L, 0.5L, 0.9L}});    // fractions
}

TEST(RealReaction, NoReactionIsAnInternalError) {
    const std::string report = tt::fatalreport([] {
        reactionmatrix m{};
        m[1][1] = 1;
        m[2][2] = 1;
        realcoefs coef{};
        realreaction(m, 2, 2, coef);
    });
    EXPECT_NE(report.find(tt::bombline("realreaction", "no reaction - WHY")), std::string::npos);
    EXPECT_NE(report.find(tt::internalmark), std::string::npos);
}

TEST(PhaseComp, ProportionsTimesEndMemberCompositions) {
    pdtest::pdworld w;
    pdtest::setcomponents({{"MgO", 2}, {"SiO2", 3}});
    ws.compdiv[2] = 2;  // the second component is held in halves
    pdtest::addbinary("ol", "fo", {2, 2}, "en", {1, 4});
    eq.phaseofstart[5] = 1;
    eq.phasefirstvar[5] = 3;
    eq.varvalue[3] = 0.3L;
    compvector comp{};
    phasecomp(5, comp);
    EXPECT_NEAR(static_cast<double>(comp[1]), 0.7 * 2 + 0.3 * 1, 1e-15);
    EXPECT_NEAR(static_cast<double>(comp[2]), (0.7 * 2 + 0.3 * 4) / 2, 1e-15);
}

}  // namespace
}  // namespace zt
