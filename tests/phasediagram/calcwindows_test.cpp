#include "phasediagram/calcwindows.h"

#include "pdfixture.h"

namespace zt {
namespace {

// The scaled range is [low, high]: scale * low + offset = 0 and scale * high + offset = 1.
void expectscaledrange(real scale, real offset, real low, real high) {
    EXPECT_NEAR(static_cast<double>(scale * low + offset), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(scale * high + offset), 1, 1e-15);
}

TEST(PtScaling, RangesWidenedAndClamped) {
    pdtest::pdworld w;
    settings.pmin = 0.0009L;
    settings.calcprange = {0, 5, 15};
    settings.calctrange = {0, 300, 2950};
    ptscaling();
    expectscaledrange(eq.pscale, eq.poffset, 5 - 1.75L, 15 + 1.75L);
    expectscaledrange(eq.tscale, eq.toffset, 283, 3000);
    EXPECT_NEAR(static_cast<double>(eq.pdxunit), 0.01 / 13.5, 1e-18);
    EXPECT_NEAR(static_cast<double>(eq.tdxunit), 0.1 / 2717, 1e-18);

    settings.calcprange = {0, 0.5L, 2};
    settings.calctrange = {0, 773.15L, 873.15L};
    ptscaling();
    expectscaledrange(eq.pscale, eq.poffset, 0.0009L, 2 + 1 + 0.075L * 1.25L);
    expectscaledrange(eq.tscale, eq.toffset, 698.15L, 948.15L);
}

TEST(PtStart, CentresOrTheScriptGuess) {
    struct startcase {
        int32_t ptguess;
        real p, t;            // the guess, T in K
        real pnow, tnow;
    };
    const std::vector<startcase> cases = {
        {1, 0, 0, 10, 800},
        {0, 12, 850, 10, 850},   // T inside: only T moves
        {0, 12, 2000, 12, 800},  // T outside, P inside
        {0, 40, 2000, 10, 800},
    };
    for (const startcase& c : cases) {
        pdtest::pdworld w;
        settings.calcprange = {0, 5, 15};
        settings.calctrange = {0, 700, 900};
        settings.ptguess = c.ptguess;
        settings.ptguessp = c.p;
        settings.ptguesst = c.t;
        ptstart();
        EXPECT_EQ(settings.pnow, c.pnow);
        EXPECT_EQ(settings.tnow, c.tnow);
    }
}

}  // namespace
}  // namespace zt
