#include "dsfit/fitformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "runtime/numberformat.h"
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

// A number is written with the digits its error bound leaves it: its fixed decimals while
// the bound is within a sixteenth of their last unit, else the decimals it keeps, and past
// the units the significant digits it keeps in the exponent form the dataset reader takes.
// The text read back lies within half a unit of its last digit and the bound of the value.
// A variance of 4e15 held to the last bits of an 80-bit real keeps two decimals; 1e20
// keeps its hundreds; 5 known to 100 is 0 in the ten thousands.
TEST(FitFormat, NumbersAreWrittenWithTheDigitsTheyHold)
{
    const real bit = 5.421010862427522170e-20L;
    const struct {
        real x, error;
        int16_t d;
        const char* text;
        int held;
    } cases[] = {
        {0.5L, 0, 4, "0.5000", 20},
        {-2593.1L, 6e-5L, 3, "-2593.100", 7},
        {12.34567L, 6.25e-6L, 4, "12.3457", 6},
        {12.34567L, 6.26e-6L, 4, "12.346", 5},
        {4045646599714938.67144L, 4045646599714938.67144L * bit, 4, "4045646599714938.67", 18},
        {-1e20L, 1e20L * bit, 4, "-1.000000000000000000e+20", 19},
        {2467335725.518482L, 2.8e-5L, 4, "2467335725.518", 13},
        {-0.014258L, 3e-4L, 4, "-0.01", 1},
        {0.001L, 1e-3L, 4, "0.0", 0},
        {5, 100, 4, "0e+4", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(holdsdecimals(c.error, c.d), c.text == fixedtostr(c.d, c.x)) << c.text;
        if (c.error > 0) {
            EXPECT_EQ(significantdigitsheld(c.x, c.error), c.held) << c.text;
        }
        const std::string text = heldtext(c.x, c.error, c.d);
        EXPECT_EQ(text, c.text);
        real back = 0;
        ASSERT_TRUE(readfreereal(text, back)) << text;
        const size_t e = std::min(text.find('e'), text.size()), point = text.find('.');
        const int decimals = point < e ? static_cast<int>(e - point - 1) : 0;
        const real unit = std::pow(10.0L, (e < text.size() ? std::stoi(text.substr(e + 1)) : 0) - decimals);
        EXPECT_LE(std::fabs(back - c.x), unit / 2 + c.error) << text;
    }
}

}  // namespace
}  // namespace zt
