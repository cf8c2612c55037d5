#include "script/resultformat.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "runtime/numberread.h"
#include "script/settings.h"

namespace zt {
namespace {

// Window ends as the script reader makes them: read, then converted to kelvin.
real celsiusread(const char* word)
{
    real x = 0;
    std::string err;
    readreal(word, x, err);
    return x + 273.15L;
}

class ResultFormat : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = runsettings{};
        setinitialsettings();
        settings.calctrange = {0, celsiusread("400"), celsiusread("700")};
        settings.calcprange = {0, 0.001L, 200};
        settings.xco2window = {0, 0.1L, 0.9L};
        settings.tdecimals = 2;
        settings.pdecimals = 3;
    }
    std::string t(real x, int16_t width = 8)
    {
        std::string line;
        fmtT(width, line, x);
        return line;
    }
    std::string p(real x, int16_t width = 8)
    {
        std::string line;
        fmtP(width, line, x);
        return line;
    }
    std::string v(real x, int16_t width = 6)
    {
        std::string line;
        fmtvar(0, width, line, x);
        return line;
    }
};

TEST_F(ResultFormat, TemperaturesAgainstTheirWindow)
{
    const real nan = std::numeric_limits<real>::quiet_NaN();
    EXPECT_EQ(t(399.99L), "       -");
    EXPECT_EQ(t(400), "  400.00");
    EXPECT_EQ(t(700), "  700.00");
    EXPECT_EQ(t(700.01L), "       +");
    EXPECT_EQ(t(-1e21L), "        ");
    EXPECT_EQ(t(1e20L), "       *");
    EXPECT_EQ(t(nan), "       *");
    EXPECT_EQ(t(-1e21L, 0), "");
    // A result that went through kelvin itself still lands on the window end.
    EXPECT_EQ(t(celsiusread("400") - 273.15L), "  400.00");
    settings.tdecimals = 0;
    EXPECT_EQ(t(512.6L), "     513");
}

TEST_F(ResultFormat, PressuresGetDecimalsByTheirSize)
{
    EXPECT_EQ(p(150), "     150");
    EXPECT_EQ(p(5.25L), "   5.250");
    EXPECT_EQ(p(0.05L), "   0.050");
    EXPECT_EQ(p(0.005L), "  0.0050");
    EXPECT_EQ(p(0.0005L), "       -");
    EXPECT_EQ(p(201), "       +");
    EXPECT_EQ(p(-1e21L), "        ");
    EXPECT_EQ(p(-1e21L, 0), " ");
    EXPECT_EQ(p(1e30L), "       *");
    settings.pdecimals = 5;
    EXPECT_EQ(p(5.25L), " 5.25000");
    EXPECT_EQ(p(0.005L), " 0.00500");
}

TEST_F(ResultFormat, CompositionsUseTheDecimalsTheyNeed)
{
    EXPECT_EQ(v(0.25L), "  0.25");
    EXPECT_EQ(v(0.1L), "   0.1");
    EXPECT_EQ(v(0.05L), "     -");
    EXPECT_EQ(v(0.95L), "     +");
    EXPECT_EQ(v(-1e21L, 0), " ");
    EXPECT_EQ(v(2e20L), "     *");
}

}  // namespace
}  // namespace zt
