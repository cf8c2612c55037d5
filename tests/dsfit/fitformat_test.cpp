#include "dsfit/fitformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "runtime/numberread.h"
#include "support/linecases.h"
#include "support/testsupport.h"

namespace zt {
namespace {

// The refinement's own number fields follow the rule of the shared ones: a number that
// fills or overflows its column keeps a blank from a non-blank before it.
TEST(FitFormat, NumberFieldsStayApart)
{
    testing::expectlines({
        {"addexact fits", "ab", [](std::string& l) { addexact(2, 10, -1234.5L, l); }, "ab  -1234.50"},
        {"addexact fills", "ab", [](std::string& l) { addexact(2, 8, -1234.5L, l); }, "ab -1234.50"},
        {"addexact overflows", "ab", [](std::string& l) { addexact(2, 6, -1234.5L, l); }, "ab -1234.50"},
        {"addexact after a blank", "ab ", [](std::string& l) { addexact(2, 8, -1234.5L, l); }, "ab -1234.50"},
        {"addrounded fits", "x", [](std::string& l) { addrounded(6, 12345.5L, l); }, "x 12346"},
        {"addrounded fills", "x", [](std::string& l) { addrounded(5, 12345.5L, l); }, "x 12346"},
        {"addrounded overflows", "x", [](std::string& l) { addrounded(3, -12345.5L, l); }, "x -12346"},
    });
}

// A text the dataset reader reads back: the fixed form while it fits a word of 22
// characters, then the shortest exponent form from the same decimals that reads back as
// the value, else the closest that fits. 1.23456789e20 and 1e20 are exact in 64 bits;
// 2^70 = 1180591620717411303424 needs 22 digits, more than a word holds.
TEST(FitFormat, WordTextStaysWithinAWord)
{
    const real two70 = std::ldexp(1.0L, 70);
    const struct {
        real x;
        const char* text;
    } cases[] = {
        {0.5L, "0.5000"},
        {1e16L, "10000000000000000.0000"},
        {-1e16L, "-1.0000e+16"},
        {1e20L, "1.0000e+20"},
        {1.23456789e20L, "1.23456789e+20"},
        {two70, "1.1805916207174113e+21"},
        // the reader's power of ten for this one comes out exact with five decimals
        {-1e300L, "-1.00000e+300"},
    };
    for (const auto& c : cases) {
        const std::string text = wordtext(c.x, 4);
        EXPECT_EQ(text, c.text) << static_cast<double>(c.x);
        real back = 0;
        ASSERT_TRUE(readfreereal(text, back)) << text;
        EXPECT_NEAR(static_cast<double>(back / c.x), 1, 1e-16) << text;
    }
}

}  // namespace
}  // namespace zt
