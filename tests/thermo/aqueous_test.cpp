#include "thermo/aqueous.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/numberformat.h"
#include "tests/thermo/thermotest.h"
#include "thermo/fluids.h"

namespace zt {
namespace {

using namespace thermotest;

// Mole-fraction and molality scales differ by sqrt(1000 / 18.015) in A and B.
const real molal = std::sqrt(1000 / 18.015L);

class AqueousTest : public ::testing::Test {
protected:
    void SetUp() override { resetthermo(); }
};

TEST_F(AqueousTest, WaterAtRoomConditionsHasItsKnownDebyeHueckelConstants) {
    const real P = 0.002L, T = 298.15L;
    const real v = fluidvmix(P, T, 0, 1);
    EXPECT_NEAR(static_cast<double>(dielconst(P, T, 0, 1, v)), 78.4, 1.5);
    // -sqrt(I) / DH = (1 + 4.5e-10 B sqrt(I)) / A is linear in sqrt(I).
    const real s1 = 1e-3L, s2 = 0.3L;
    const real y1 = -s1 / debyehuckel(P, T, 0, 1, s1 * s1, 1);
    const real y2 = -s2 / debyehuckel(P, T, 0, 1, s2 * s2, 1);
    const real a = (s2 - s1) / (y1 * s2 - y2 * s1);
    const real b = (y2 - y1) * a / (s2 - s1) / 4.5e-10L;
    EXPECT_NEAR(static_cast<double>(a / molal), 0.5091, 0.015);     // kg^1/2 mol^-1/2
    EXPECT_NEAR(static_cast<double>(b / molal), 3.286e9, 0.07e9);   // m^-1
}

TEST_F(AqueousTest, SolventCompositionIsRenormalised) {
    const real P = 5, T = 900, I = 0.2L, z = 1;
    const real pure = debyehuckel(P, T, 0, 1, I, z);
    struct mixcase {
        real xco2, xh2o, same_as_xco2;
    };
    const mixcase cases[] = {
        {0, 0.5L, 0}, {0, 0, 0},  // no solvent given: pure water
        {0.1L, 0.4L, 0.2L},
    };
    for (const mixcase& c : cases) {
        const real expected = c.same_as_xco2 == 0 ? pure : debyehuckel(P, T, c.same_as_xco2, 1 - c.same_as_xco2, I, z);
        EXPECT_EQ(debyehuckel(P, T, c.xco2, c.xh2o, I, z), expected) << static_cast<double>(c.xco2) << " " << static_cast<double>(c.xh2o);
    }
    // CO2 lowers the dielectric constant and so strengthens the correction.
    EXPECT_LT(debyehuckel(P, T, 0.3L, 0.7L, I, z), pure);
    EXPECT_EQ(debyehuckel(P, T, 0.3L, 0.7L, 0, z), 0);
    // The excess volume fades with the CO2.
    EXPECT_NEAR(static_cast<double>(fluidvmix(P, T, 1e-12L, 1 - 1e-12L)), static_cast<double>(fluidvmix(P, T, 0, 1)), 1e-9);
}

TEST_F(AqueousTest, PureWaterNeverTouchesCarbonDioxide) {
    // Here only the CO2 equation of state fails.
    const fatalresult ok = fatalof([] { debyehuckel(-1, 500, 0, 1, 0.1L, 1); });
    EXPECT_EQ(ok.code, -1);
    const fatalresult bad = fatalof([] { debyehuckel(-1, 500, 0.1L, 0.9L, 0.1L, 1); });
    EXPECT_NE(bad.console.find(bombline("findVs", "did not converge")), std::string::npos);
}

TEST_F(AqueousTest, TraceLineAtDebugLevelFive) {
    settings.debuglevel = 5;
    channels.pagewidth = 250;  // the line is longer than a console page
    zt::testing::consolecapture console;
    const real dh = debyehuckel(2, 800, 0, 1, 0.1L, 1);
    const std::string out = console.output();
    EXPECT_EQ(out.rfind("xco2 = 0, xh2o = 1.000, I = 0.10000, A = ", 0), 0u) << out;
    const std::string tail = ", DH(solute) = " + realtostr(5, true, dh) + "\n";
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_NE(out.find(", B x 10^-10 = "), std::string::npos);
}

}  // namespace
}  // namespace zt
