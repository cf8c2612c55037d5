#include "runtime/numberformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace zt {
namespace {

struct realcase {
    real x;
    int16_t digits;
    bool fixed;
    const char* text;
};

TEST(RealToStr, WritesTheDocumentedFormats) {
    const realcase cases[] = {
        {2.5L, 3, false, "2.50"},     {-2.5L, 3, false, "-2.50"},  {12.5L, 2, false, "12"},
        {123, 2, false, "123"},       {99.9L, 2, false, "100"},    {999, 2, false, "1.0e+3"},
        {0.5L, 2, false, "0.50"},     {0.02L, 2, false, "0.020"},  {2e-5L, 1, false, "2.e-5"},
        {3e9L, 2, false, "3.0e+9"},   {0.05L, 3, true, "0.050"},   {2e7L, 2, true, "2.0e+7"},
        {-0.001L, 2, true, "-0.00"},  {1e-13L, 3, false, "0"},     {1e-13L, 2, true, "0"},
        {-1e-13L, 5, false, "0"},     {1.0L, 3, false, "1.00"},    {100, 3, false, "100"},
        // ties go to the even digit
        {0.125L, 2, true, "0.12"},    {0.375L, 2, true, "0.38"},   {2.5L, 1, false, "2"},
        {3.5L, 1, false, "4"},        {-0.125L, 2, true, "-0.12"},
        // the switch to exponent form: first significant digit past the fourth decimal
        {1e-4L, 2, false, "0.00010"}, {1e-5L, 2, false, "1.0e-5"}, {0.000123L, 3, false, "0.000123"},
        // more integer digits than significant digits + 1
        {1234, 3, false, "1234"},     {12345, 3, false, "1.23e+4"}, {123456.0L, 3, true, "1.23e+5"},
        {12345.6L, 1, true, "12345.6"}, {-45.678L, 4, false, "-45.68"},
    };
    for (const realcase& c : cases) {
        EXPECT_EQ(realtostr(c.digits, c.fixed, c.x), c.text) << "x=" << static_cast<double>(c.x)
                                                            << " digits=" << c.digits << " fixed=" << c.fixed;
    }
}

TEST(RealToStr, NumbersTooLargeGiveBlanks) {
    const std::string positive(19, ' ');
    const std::string negative = "-" + std::string(20, ' ');
    EXPECT_EQ(realtostr(4, false, 1e25L), positive);
    EXPECT_EQ(realtostr(4, false, -1e25L), negative);
    EXPECT_EQ(realtostr(2, true, 1e21L), positive);
    EXPECT_EQ(wholetostr(3e9L), positive);
    EXPECT_EQ(wholetostr(-3e9L), negative);
    // just below the blanking limit the digits are still written
    EXPECT_EQ(wholetostr(2147483645.0L), "2147483645");
}

TEST(WholeToStr, RoundsToNearestWithTiesToEven) {
    const struct {
        real x;
        const char* text;
    } cases[] = {{2.5L, "2"}, {1.5L, "2"},  {0.5L, "0"},    {-7.6L, "-8"}, {-0.3L, "-0"},
                 {0, "0"},    {-1e-13L, "0"}, {12345678, "12345678"}, {-2.5L, "-2"}, {3.5L, "4"}};
    for (const auto& c : cases) EXPECT_EQ(wholetostr(c.x), c.text) << static_cast<double>(c.x);
}

// A count of decimals, a number and its text.
struct decimalscase {
    int16_t decimals;
    real x;
    const char* text;
};

TEST(FixedToStr, GivesExactlyTheDecimalsAskedForWithTiesToEven) {
    const real inf = std::numeric_limits<real>::infinity();
    const decimalscase cases[] = {
        {0, 2.5L, "2"},
        {0, 3.5L, "4"},
        {0, -2.5L, "-2"},
        {2, 0.125L, "0.12"},
        {2, 0.375L, "0.38"},
        {3, 1234.5678L, "1234.568"},
        {4, 0.00006L, "0.0001"},
        {3, 0.0001L, "0.000"},
        {2, 7, "7.00"},
        // a negative number that rounds to zero has no sign
        {2, -0.001L, "0.00"},
        {1, -0.05L, "0.0"},
        {1, -0.06L, "-0.1"},
        // beyond the 64-bit whole numbers the digits are taken one by one
        {0, 1e20L, "100000000000000000000"},
        {2, 12345678901234567890.0L, "12345678901234567890.00"},
        // decimals outside 0..18 are held to that range
        {-1, 2.7L, "3"},
        {25, 0.5L, "0.500000000000000000"},
        {0, std::numeric_limits<real>::quiet_NaN(), "nan"},
        {3, inf, "inf"},
        {3, -inf, "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(fixedtostr(c.decimals, c.x), c.text) << c.decimals << " " << static_cast<double>(c.x);
}

// Where realtostr's digits at the decimals asked for would pass 2147483645, a number of
// at most five whole digits gets every decimal; elsewhere the text is realtostr's.
TEST(DecimalsToStr, EveryDecimalAskedForUpToFiveWholeDigits) {
    const decimalscase cases[] = {
        {10, 0.1L, "0.1000000000"},
        {10, 0.2147483645L, "0.2147483645"},
        {10, 0.2147483646L, "0.2147483646"},  // blanks around the point from here in realtostr
        {10, 0.3L, "0.3000000000"},
        {10, 0.9999999999L, "0.9999999999"},
        {10, 1, "1.0000000000"},
        {10, -1.5L, "-1.5000000000"},
        {10, 99999.25L, "99999.2500000000"},
        {7, -633.239924L, "-633.2399240"},  // seven significant digits in realtostr
        {6, 2147.5L, "2147.500000"},
        {15, 1.0L / 3, "0.333333333333333"},
        // realtostr's own texts: zero, a negative number rounding to zero, six whole digits
        {10, 0, "0"},
        {10, 1e-13L, "0"},
        {2, -0.001L, "-0.00"},
        {6, 123456.7L, "123457"},
        {6, 99999.9999999L, "100000"},
        {3, 1234.5678L, "1234.568"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimalstostr(c.decimals, c.x), c.text) << c.decimals << " " << static_cast<double>(c.x);
}

// The digits come from the exact binary value: 2^70 = 1180591620717411303424 and
// 2^-30 = 9.31322574615478515625e-10; the other values are exact in 64 bits.
TEST(ExponentToStr, RoundsTheExactValueWithTiesToEven) {
    const real inf = std::numeric_limits<real>::infinity();
    const real two70 = std::ldexp(1.0L, 70);
    const struct {
        int16_t decimals;
        real x;
        const char* text;
    } cases[] = {
        {4, 1e20L, "1.0000e+20"},
        {4, -two70, "-1.1806e+21"},
        {16, two70, "1.1805916207174113e+21"},
        {3, std::ldexp(1.0L, -30), "9.313e-10"},
        {5, std::ldexp(1.0L, -30), "9.31323e-10"},
        {1, 1.25e20L, "1.2e+20"},
        {1, 1.35e20L, "1.4e+20"},
        {2, 0.375L, "3.75e-1"},
        {1, 0.375L, "3.8e-1"},
        // rounding up past 9 gives the next power of ten
        {0, 9.5e20L, "1e+21"},
        {-3, 2.5e20L, "2e+20"},
        {2, 1, "1.00e-0"},
        {2, 0, "0.00e-0"},
        {2, 1e4000L, "1.00e+4000"},
        {2, std::numeric_limits<real>::quiet_NaN(), "nan"},
        {2, -inf, "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(exponenttostr(c.decimals, c.x), c.text) << c.decimals << " " << static_cast<double>(c.x);
}

TEST(RealToDigits, DecomposesIntoDigitsAndExponent) {
    const digitrecord r = realtodigits(false, 3, -0.0123456L);
    EXPECT_TRUE(r.negative);
    EXPECT_EQ(r.digits, "123");
    EXPECT_EQ(r.exponent, -4);
    const digitrecord f = realtodigits(true, 2, 3.14159L);
    EXPECT_EQ(f.digits, "314");
    EXPECT_EQ(f.exponent, -2);
    EXPECT_EQ(digitstotext(false, 3, r), "-1.23e-2");
    digitrecord toolong;
    toolong.digits = std::string(22, '1');
    EXPECT_EQ(digitstotext(true, 0, toolong), "?");
}

TEST(TenPower, CoversTheWholeExponentRange) {
    for (int n : {0, 1, 7, 18, 63, 64, 70, 300, 1000, 4000, 4930}) {
        const real expected = std::pow(10.0L, static_cast<real>(n));
        EXPECT_NEAR(static_cast<double>(tenpower(static_cast<int16_t>(n)) / expected), 1.0, 1e-15) << n;
        EXPECT_NEAR(static_cast<double>(tenpower(static_cast<int16_t>(-n)) * expected), 1.0, 1e-15) << -n;
    }
    EXPECT_EQ(tenpower(3), 1000.0L);
    EXPECT_TRUE(std::isinf(tenpower(5000)));
    EXPECT_EQ(tenpower(-5000), 0.0L);
    EXPECT_EQ(tenpower(-32768), 0.0L);
    EXPECT_TRUE(std::isinf(tenpower(32767)));
}

}  // namespace
}  // namespace zt
