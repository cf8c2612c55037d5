#include "phasediagram/modeguess.h"

#include "pdfixture.h"

namespace zt {
namespace {

using pdtest::at;

// Modes: a given mode > 0, a fixed mode as ("fixed", value), or free without a guess (0).
struct modecase {
    std::vector<std::pair<bool, real>> modes;  // (fixed, value)
    std::vector<real> want;
};

void setmodes(const std::vector<std::pair<bool, real>>& modes) {
    eq.nvar = 4;
    eq.nxp = static_cast<int16_t>(modes.size());
    for (size_t m = 0; m < modes.size(); ++m) {
        const int g = eq.nvar + static_cast<int>(m) + 1;
        eq.calcvarfree[at(g)] = !modes[m].first;
        eq.modeisopleth[m + 1] = modes[m].first ? 0 : modes[m].second;
        eq.varguess[at(g)] = modes[m].first ? modes[m].second : 0;
        eq.calcvarnames[at(g)] = "m" + std::to_string(m + 1);
    }
}

TEST(SetModeGuess, GuessesSumToOne) {
    const std::vector<modecase> cases = {
        {{{false, 0}, {false, 0}, {false, 0}}, {4.0L / 15, 1.0L / 3, 2.0L / 5}},
        {{{false, 0.6L}, {false, 0.6L}, {false, 0}}, {0.495L, 0.495L, 0.01L}},
        {{{false, 0.3L}, {false, 0.3L}, {false, 0}, {false, 0}}, {0.3L, 0.3L, 0.18L, 0.22L}},
        {{{false, 0.2L}, {false, 0.2L}}, {0.5L, 0.5L}},               // all given: scaled up
        {{{true, 0}, {false, 0}, {false, 0}}, {0, 0.5L - 1.0L / 15, 0.5L + 1.0L / 15}},  // a zero-mode line
        {{{false, 0}}, {1}},
    };
    for (const modecase& c : cases) {
        pdtest::pdworld w;
        setmodes(c.modes);
        EXPECT_EQ(w.run(setmodeguess), -1) << w.out();
        real sum = 0;
        for (size_t m = 0; m < c.want.size(); ++m) {
            const real got = eq.varguess[at(eq.nvar + static_cast<int>(m) + 1)];
            EXPECT_NEAR(static_cast<double>(got), static_cast<double>(c.want[m]), 1e-15) << m;
            sum += got;
        }
        EXPECT_NEAR(static_cast<double>(sum), 1, 1e-15);
    }
}

TEST(SetModeGuess, FixedModesThatCannotSumToOne) {
    struct faultcase {
        std::vector<std::pair<bool, real>> modes;
        std::string routine, message;
    };
    const std::vector<faultcase> cases = {
        {{{true, 0.3L}, {true, 0.3L}}, "setmodeguess", "mode isopleths not sum to 1"},
        {{{true, 0.7L}, {false, 0.6L}, {false, 0}}, "setmodeguess", "mode isopleths sum to >1"},
    };
    for (const faultcase& c : cases) {
        pdtest::pdworld w;
        setmodes(c.modes);
        EXPECT_EQ(w.run(setmodeguess), 1);
        EXPECT_TRUE(w.has("-- run bombed in " + c.routine + " : " + c.message)) << w.out();
    }
}

}  // namespace
}  // namespace zt
