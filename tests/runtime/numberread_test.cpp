#include "runtime/numberread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/channels.h"
#include "script/settings.h"
#include "runtime/runtimefixture.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;

class NumberRead : public QuietConsoleTest {};

stringlist listof(std::initializer_list<const char*> items, int16_t& last) {
    stringlist l;
    last = 0;
    for (const char* s : items) l[++last] = s;
    return l;
}

TEST(WordType, ClassifiesWords) {
    const struct {
        const char* word;
        int kind;
    } cases[] = {{"12", wkinteger},  {"-12", wkinteger}, {"7", wkinteger},   {"1.5", wkreal},   {"1e5", wkreal},
                 {"1E-5", wkreal},   {"1e+5", wkreal},   {"-1.5e3", wkreal}, {"3/4", wkrational}, {"-3/4", wkrational},
                 {"+5", wkword},     {".5", wkword},     {"5.", wkword},     {"1.e5", wkword},  {"1e", wkword},
                 {"1e-", wkword},    {"5/", wkword},     {"1/-2", wkword},   {"1.5/2", wkword}, {"a-b", wkword},
                 {"x", wkword},      {"-", wkword},      {"1.2.3", wkword},  {"1e5e", wkword},  {"--5", wkword},
                 {"", wkempty},      {"  \t", wkempty},  {" 42 ", wkinteger}, {"1/2/3", wkword}};
    for (const auto& c : cases) EXPECT_EQ(wordtype(c.word), c.kind) << '"' << c.word << '"';
    EXPECT_TRUE(isnumeric(wkinteger) && isnumeric(wkreal) && isnumeric(wkrational));
    EXPECT_FALSE(isnumeric(wkempty) || isnumeric(wkword));
}

TEST(ReadReal, AcceptsAndRefusesWords) {
    const struct {
        const char* word;
        bool ok;
        real value;
    } cases[] = {{"2.5", true, 2.5L},    {"-2.5", true, -2.5L}, {"5.", true, 5},         {".5", true, 0.5L},
                 {"1e", true, 1},        {"1e5-", true, 1e-5L}, {"1e-5", true, 1e-5L},  {".", true, 0},
                 {"e5", true, 0},        {"0.000", true, 0},    {"007.50", true, 7.5L},  {"1e+5", false, 0},
                 {"1e-5-", false, 0},    {"1.2.3", false, 0},   {"-", false, 0},         {"abc", false, 0},
                 {"1/2", false, 0},      {"--1", false, 0}};
    for (const auto& c : cases) {
        real x = -99;
        std::string err;
        EXPECT_EQ(readreal(c.word, x, err), c.ok) << c.word;
        EXPECT_NEAR(static_cast<double>(x), static_cast<double>(c.value), 1e-15) << c.word;
        if (c.ok)
            EXPECT_EQ(err, "");
        else
            EXPECT_EQ(err, std::string(c.word) + " not a real: replace with");
    }
    real x = 5;
    std::string err = "old";
    EXPECT_FALSE(readreal("  ", x, err));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(err, "");
}

TEST(ReadReal, ExponentsBeyondSixtyThreeReadRight) {
    const struct {
        const char* word;
        real value;
    } cases[] = {{"1e70", 1e70L}, {"2.5e-70", 2.5e-70L}, {"1e300", 1e300L}, {"-3e1000", -3e1000L}, {"1e-4000", 1e-4000L}};
    for (const auto& c : cases) {
        real x = 0;
        std::string err;
        ASSERT_TRUE(readreal(c.word, x, err)) << c.word;
        EXPECT_NEAR(static_cast<double>(x / c.value), 1.0, 1e-15) << c.word;
    }
    // beyond the extended range: refused, never an infinity
    for (const char* word : {"1e5000", "-1e99999"}) {
        real x = 1;
        std::string err;
        EXPECT_FALSE(readreal(word, x, err)) << word;
        EXPECT_EQ(x, 0);
        EXPECT_EQ(err, std::string(word) + " not a real: replace with");
    }
    real x = 1;
    std::string err;
    EXPECT_TRUE(readreal("1e-99999", x, err));
    EXPECT_EQ(x, 0);
}

TEST(ReadFreeReal, EveryOrdinaryFormAndNothingElse) {
    const struct {
        const char* word;
        real value;
    } good[] = {{"-2.0E+03", -2000},  {"-2.0e+3", -2000},     {"+2000.0", 2000},   {"2.5E-02", 0.025L},
                {"-.5e1", -5},        {"7.", 7},               {"+1", 1},           {"0.000", 0},
                {"1e0", 1},           {"-0.0100", -0.01L},     {"2.5e-70", 2.5e-70L},
                // longer than a console word: leading zeros and digits past 22 do not count
                {"0.0000000000000000000000001234", 1.234e-25L},
                {"123456789012345678901234567890", 1.2345678901234567890123e29L}};
    for (const auto& c : good) {
        real x = -99;
        ASSERT_TRUE(readfreereal(c.word, x)) << c.word;
        if (c.value == 0)
            EXPECT_EQ(x, 0) << c.word;
        else
            EXPECT_NEAR(static_cast<double>(x / c.value), 1.0, 1e-18) << c.word;
    }
    // Each of these is what the console reader takes for a number of some value.
    for (const char* bad : {"e5", "1e", "1e5-", ".", "+", "-", "--1", "+-1", "1.2.3", "1e+", "1e5.0", "1/2", "12z",
                            "1e99999", "", "1d5", "0x10"}) {
        real x = -99;
        EXPECT_FALSE(readfreereal(bad, x)) << bad;
        EXPECT_EQ(x, 0) << bad;
    }
}

TEST(ReadInt, AcceptsWholeValuesBelowTheLimit) {
    const struct {
        const char* word;
        bool ok;
        int16_t value;
        const char* err;
    } cases[] = {{"2.0", true, 2, ""},
                 {"1e2", true, 100, ""},
                 {"-32766", true, -32766, ""},
                 {"32766", true, 32766, ""},
                 {"2.5", false, 0, "2.5 not an integer: replace with"},
                 {"32767", false, 0, "32767 too large: replace with"},
                 {"-40000", false, 0, "-40000 too large: replace with"},
                 {"40000.5", false, 0, "40000.5 not an integer: replace with"},
                 {"x", false, 0, "x not an integer: replace with"},
                 {"1e+2", false, 0, "1e+2 not an integer: replace with"},
                 {"1e5000", false, 0, "1e5000 too large: replace with"}};
    for (const auto& c : cases) {
        int16_t n = 77;
        std::string err;
        EXPECT_EQ(readint(c.word, n, err), c.ok) << c.word;
        EXPECT_EQ(n, c.value) << c.word;
        EXPECT_EQ(err, c.err) << c.word;
    }
}

TEST(ReadRational, SplitsAtTheSlash) {
    const struct {
        const char* word;
        bool ok;
        int16_t p, q;
        const char* err;
    } cases[] = {{"3/4", true, 3, 4, ""},
                 {"-1/2", true, -1, 2, ""},
                 {"0/3", false, 0, 1, "zero in rational"},
                 {"3/0", false, 0, 1, "zero in rational"},
                 {"3", false, 0, 1, "lstring, not a rational"},
                 {"3/x", false, 0, 1, "x not an integer: replace with"},
                 {"1.5/2", false, 0, 1, "1.5 not an integer: replace with"},
                 {"40000/2", false, 0, 1, "40000 too large: replace with"}};
    for (const auto& c : cases) {
        int16_t p = 9, q = 9;
        std::string err;
        EXPECT_EQ(readrational(c.word, p, q, err), c.ok) << c.word;
        if (c.ok) {
            EXPECT_EQ(p, c.p) << c.word;
            EXPECT_EQ(q, c.q) << c.word;
        }
        EXPECT_EQ(err, c.err) << c.word;
    }
}

TEST(ReadReals, ReadsRunsAfterAKeyword) {
    int16_t last = 0;
    linereals v{};
    const stringlist l = listof({"key", "1", "2", "x"}, last);
    int16_t count = 3;
    EXPECT_FALSE(readreals(l, last, 1, count, v));
    EXPECT_EQ(v[1], 0);  // nothing read
    count = 0;
    EXPECT_TRUE(readreals(l, last, 1, count, v));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 2);
    count = -3;
    EXPECT_FALSE(readreals(l, last, 1, count, v));
    count = 2;
    EXPECT_TRUE(readreals(l, last, 1, count, v));

    // too few words follow the keyword
    const stringlist two = listof({"key", "1", "2"}, last);
    count = 3;
    EXPECT_FALSE(readreals(two, last, 1, count, v));

    // a rational is read as its value; 1e+5 looks numeric but does not read
    const stringlist mixed = listof({"key", "1/4", "-2e1", "1e+5", "7"}, last);
    count = 2;
    EXPECT_TRUE(readreals(mixed, last, 1, count, v));
    EXPECT_EQ(v[1], 0.25L);
    EXPECT_EQ(v[2], -20);
    count = 0;
    EXPECT_FALSE(readreals(mixed, last, 1, count, v));

    // a keyword with no numbers after it
    const stringlist none = listof({"key", "word"}, last);
    count = 0;
    EXPECT_FALSE(readreals(none, last, 1, count, v));
}

TEST(ReadReals, NeverLooksPastPositionForty) {
    stringlist l;
    l[1] = "key";
    for (int i = 2; i <= 60; ++i) l[i] = "3";
    linereals v{};
    int16_t count = 0;
    EXPECT_TRUE(readreals(l, 60, 1, count, v));
    EXPECT_EQ(count, 39);
    count = 45;
    EXPECT_FALSE(readreals(l, 60, 1, count, v));
}

TEST(ReadInts, TakesOnlyIntegerWords) {
    int16_t last = 0;
    lineints v{};
    const stringlist l = listof({"key", "4", "-5", "2.5", "6"}, last);
    int16_t count = 0;
    EXPECT_TRUE(readints(l, last, 1, count, v));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(v[1], 4);
    EXPECT_EQ(v[2], -5);
    count = 3;
    EXPECT_FALSE(readints(l, last, 1, count, v));
    count = 0;
    EXPECT_FALSE(readints(l, last, last, count, v));  // nothing follows
    const stringlist big = listof({"key", "40000"}, last);
    count = 1;
    EXPECT_FALSE(readints(big, last, 1, count, v));
}

TEST_F(NumberRead, GetRoutinesReturnValuesOrEndTheRun) {
    EXPECT_EQ(getinteger(wkinteger, "12", "ctx"), 12);
    EXPECT_EQ(getsingle(wkrational, "1/4", "ctx"), 0.25L);
    EXPECT_EQ(getsingle(wkinteger, "3", "ctx"), 3);
    int16_t num = 0, den = 0;
    getrational(wkreal, "2.5", num, "ctx", den);
    EXPECT_EQ(num, 5);
    EXPECT_EQ(den, 2);
    getrational(wkinteger, "-3", num, "ctx", den);
    EXPECT_EQ(num, -3);
    EXPECT_EQ(den, 1);
    getrational(wkrational, "2/6", num, "ctx", den);
    EXPECT_EQ(num, 2);
    EXPECT_EQ(den, 6);

    const struct {
        std::function<void()> call;
        const char* line;
    } failures[] = {
        {[] { getinteger(wkreal, "1.5", "line 3"); }, "-- run bombed in getinteger : expecting an integer (1); got: 1.5 - line 3"},
        {[] { getinteger(wkinteger, "99999", "c"); }, "-- run bombed in getinteger : expecting an integer (2); got: 99999 - c"},
        {[] { getsingle(wkword, "abc", "c"); }, "-- run bombed in reading : expecting a single (1); got: abc - c"},
        {[] { getsingle(wkreal, "1e+5", "c"); }, "-- run bombed in reading : expecting a single (2); got: 1e+5 - c"},
        {[] { getsingle(wkrational, "0/2", "c"); }, "-- run bombed in reading : expecting a single (3); got: 0/2 - c"},
        {[] { int16_t a, b; getrational(wkinteger, "1e9", a, "c", b); }, "-- run bombed in reading : expecting a rational (1); got: 1e9 - c"},
        {[] { int16_t a, b; getrational(wkreal, "1e5000", a, "c", b); }, "-- run bombed in reading : expecting a rational (2); got: 1e5000 - c"},
        {[] { int16_t a, b; getrational(wkrational, "1/0", a, "c", b); }, "-- run bombed in reading : expecting a rational (3); got: 1/0 - c"},
        {[] { int16_t a, b; getrational(wkword, "q", a, "c", b); }, "-- run bombed in reading : expecting a rational (4); got: q - c"},
        {[] { int16_t a, b; getrational(wkreal, "40000.5", a, "c", b); }, "-- run bombed in li2i : longint -> int conversion failed"},
        {[] { li2i(32768); }, "-- run bombed in li2i : longint -> int conversion failed"},
    };
    for (const auto& f : failures) {
        consolecapture console;
        channels.outchannels = 1;
        EXPECT_EQ(exitcodeof(f.call), 1) << f.line;
        EXPECT_NE(console.output().find(std::string("\n") + f.line + "\n\n"), std::string::npos) << console.output();
    }
    EXPECT_EQ(li2i(-32767), -32767);
    EXPECT_EQ(li2i(32767), 32767);
}

TEST(RealToFraction, ApproximatesByContinuedFraction) {
    const struct {
        real x;
        int32_t p, q;
    } cases[] = {{2.5L, 5, 2}, {-0.75L, -3, 4}, {3.0004L, 3, 1}, {-2.9995L, -3, 1}, {0.5L, 1, 2}, {1.0L / 3, 1, 3},
                 {0.2L, 1, 5}, {2.0L / 7, 2, 7}};
    for (const auto& c : cases) {
        int32_t p = 0, q = 0;
        realtofraction(p, q, c.x);
        EXPECT_EQ(p, c.p) << static_cast<double>(c.x);
        EXPECT_EQ(q, c.q) << static_cast<double>(c.x);
    }
}

TEST(RealToFraction, StopsAtTwentyTerms) {
    // the golden ratio expands as 1, 1, 1, ... for ever: twenty terms give F21/F20
    int32_t p = 0, q = 0;
    realtofraction(p, q, (1 + std::sqrt(5.0L)) / 2);
    EXPECT_EQ(p, 10946);
    EXPECT_EQ(q, 6765);
    // sqrt 2 = 1, 2, 2, 2, ...: the twentieth convergent is within 1/q^2
    realtofraction(p, q, std::sqrt(2.0L));
    EXPECT_GT(q, 1000000);
    EXPECT_NEAR(static_cast<double>(static_cast<real>(p) / q), std::sqrt(2.0), 1.0 / (static_cast<double>(q) * q));
}

TEST(DecimalsNeeded, CountsDecimalsOfTheFraction) {
    const struct {
        real x;
        int16_t k;
    } cases[] = {{0.25L, 2}, {3.0L, 1}, {0.1L, 1}, {2.125L, 3}, {-1.5L, 1}, {10.05L, 2}};
    for (const auto& c : cases) EXPECT_EQ(decimalsneeded(c.x), c.k) << static_cast<double>(c.x);
    // a fraction that never ends still ends the loop
    const int16_t k = decimalsneeded(1.0L / 3);
    EXPECT_GE(k, 1);
    EXPECT_LE(k, 32);
    // values that are no numbers end it at once
    EXPECT_EQ(decimalsneeded(std::numeric_limits<real>::infinity()), 1);
    EXPECT_EQ(decimalsneeded(std::numeric_limits<real>::quiet_NaN()), 1);
}

}  // namespace
}  // namespace zt
