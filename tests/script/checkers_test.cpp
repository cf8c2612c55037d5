#include "script/checkers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "runtime/bytes.h"
#include "scriptfixture.h"

namespace zt {
namespace {

class Checkers : public ScriptTest {
protected:
    // Puts the value words of a line "kw <values>" into the value arrays.
    void values(std::initializer_list<const char*> list)
    {
        stringlist w;
        w[1] = "kw";
        int16_t n = 1;
        for (const char* v : list) w[++n] = v;
        scriptinfo.ninfo = static_cast<int16_t>(n - 1);
        storeinfo("kw", w, n, 1);
    }
    // Runs a checker with the console captured.
    template <typename F>
    int run(F f)
    {
        testing::consolecapture console;
        const int code = testing::exitcodeof(f);
        output = console.output();
        return code;
    }
};

TEST_F(Checkers, ValueCheckersReportWhatIsWrongAndCountIt)
{
    struct checkcase {
        std::initializer_list<const char*> line;
        int which;  // 0 getonereal 0..10, 1 getoneinteger 0..6, 2 getreals n=3, 3 getintegers n=0, 4 getstrings n=3
        bool ok;
        const char* message;
    };
    const checkcase cases[] = {
        {{}, 0, false, "for kw, no info given: one real expected\na real will be prompted for\n"},
        {{"x"}, 0, false, "for kw, info given is \"x\"\na real will be prompted for\n"},
        {{"11"}, 0, false, "for kw, info given is \"11\", but limits are 0 to 10.000\n"},
        {{"-0.5"}, 0, false, "for kw, info given is \"-0.5\", but limits are 0 to 10.000"},
        {{"3/4"}, 0, true, ""},
        {{"10"}, 0, true, ""},
        {{"2.5"}, 1, false, "for kw, info given is \"2.5\"\nan integer will be prompted for\n"},
        {{"7"}, 1, false, "for kw, info given is \"7\", but limits are 0 to 6\n"},
        {{"-1"}, 1, false, "for kw, info given is \"-1\", but limits are 0 to 6\nan integer will be prompted for\n"},
        {{}, 1, false, "for kw, no info given: one integer expected"},
        // An integer past 16 bits is held only as a real: it must not pass as 0.
        {{"40000"}, 1, false, "for kw, info given is \"40000\", but limits are 0 to 6\n"},
        {{"1", "2", "x"}, 2, false, "for kw, info includes \"x\", not just reals\ninfo in the script needs"},
        {{"1", "2"}, 2, false, "for kw, only 2 numbers in a line, but 3 needed"},
        {{}, 2, false, "for kw, no info given: one or more reals expected"},
        {{"1", "2", "3", "x"}, 2, true, ""},
        {{"1", "2.5"}, 3, false, "for kw, info includes \"2.5\" not just integers"},
        {{"1", "40000"}, 3, false, "for kw, info includes \"40000\" not just integers"},
        {{"a", "b"}, 4, false, "for kw, only 2numbers in line but 3 needed"},
        {{"1", "b", "3"}, 4, true, ""},
    };
    for (const checkcase& c : cases) {
        const std::string label = std::to_string(&c - cases);
        values(c.line);
        settings.nscriptproblems = 0;
        bool ok = false;
        run([&] {
            int16_t n = c.which == 2 || c.which == 4 ? 3 : 0;
            switch (c.which) {
                case 0: ok = getonereal("kw", 0, 10); break;
                case 1: ok = getoneinteger("kw", 0, 6); break;
                case 2: ok = getreals("kw", n); break;
                case 3: ok = getintegers("kw", n); break;
                default: ok = getstrings("kw", n); break;
            }
        });
        EXPECT_EQ(ok, c.ok) << label;
        EXPECT_EQ(settings.nscriptproblems, c.ok ? 0 : 1) << label;
        if (c.ok)
            EXPECT_EQ(output, "") << label;
        else
            EXPECT_NE(output.find(std::string("\n") + c.message), std::string::npos) << label << output;
    }
}

TEST_F(Checkers, EqualLimitsAcceptAnyNumberAndStringsAcceptNumbers)
{
    testing::consolecapture console;
    values({"-1e6"});
    EXPECT_TRUE(getonereal("kw", 5, 5));
    EXPECT_FALSE(getoneinteger("kw", 0, 0));  // a real is never an integer
    values({"-300"});
    EXPECT_TRUE(getoneinteger("kw", 3, 3));
    values({"42"});
    EXPECT_TRUE(getonestring("kw"));
    int16_t n = 0;
    values({"a", "b", "c"});
    EXPECT_TRUE(getstrings("kw", n));
    EXPECT_EQ(n, 3);
}

// 32766 is the largest integer the reader takes; a larger integer word is held only as a
// real, so even limits that test nothing must not let its integer, 0, through.
TEST_F(Checkers, IntegersTheReaderCannotTakeAreNoIntegers)
{
    for (const char* word : {"32766", "-32766", "32767", "-32767", "-32768", "40000"}) {
        const bool taken = std::abs(std::stoi(word)) <= 32766;
        values({word});
        settings.nscriptproblems = 0;
        bool ok = false;
        run([&] { ok = getoneinteger("kw", 0, 0); });
        EXPECT_EQ(ok, taken) << word;
        EXPECT_EQ(isvalueint(1), taken) << word;
        if (taken) {
            EXPECT_EQ(valueint(1), std::stoi(word));
            continue;
        }
        EXPECT_NE(output.find("\nfor kw, info given is " + inquotes(word) + "\nan integer will be prompted for\n"),
                  std::string::npos)
            << output;
        EXPECT_EQ(settings.nscriptproblems, 1) << word;
        // A handler that asked for the integer anyway ends the run instead of taking 0.
        EXPECT_EQ(run([] { valueint(1); }), 1) << word;
        EXPECT_NE(output.find("-- run bombed in valueint : value 1, " + inquotes(word) + ", is no integer"),
                  std::string::npos)
            << output;
        channels.outchannels = 1 << chconsole;  // closed by the report
    }
}

TEST_F(Checkers, StrictScriptingEndsTheRunOnTheFirstBadValue)
{
    settings.strictscripting = true;
    values({"11"});
    EXPECT_EQ(run([] { getonereal("kw", 0, 10); }), 1);
    EXPECT_NE(output.find("-- run bombed in reading script for kw : real inappropriate"), std::string::npos);
    EXPECT_EQ(output.find("shouldn't have happened"), std::string::npos);
    channels.outchannels = 1 << chconsole;  // closed by the report
    values({"x"});
    EXPECT_EQ(run([] { int16_t n = 0; getintegers("kw", n); }), 1);
    EXPECT_NE(output.find("reading script for kw : integers expected"), std::string::npos);
    // P and T checks stay counted problems.
    values({"20", "1"});
    real lo = 0, hi = 0;
    EXPECT_EQ(run([&] { checkprange("kw", lo, hi, 1, 15, 1); }), -1);
}

TEST_F(Checkers, PressureRangesAreSwappedCutOrRefused)
{
    real lo = -7, hi = -7;
    values({"8", "2"});
    EXPECT_EQ(run([&] { EXPECT_EQ(checkprange("kw", lo, hi, 1, 15, 1), 1); }), -1);
    EXPECT_TRUE(output.find("for kw, the 2nd P in the P range must be larger than the 1st P") != std::string::npos);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 8);
    EXPECT_EQ(scriptinfo.inforeal[1], 2);
    EXPECT_EQ(scriptinfo.infoword[2], "8");

    lo = hi = -7;
    values({"1", "20"});
    run([&] { EXPECT_EQ(checkprange("kw", lo, hi, 1, 15, 1), 1); });
    EXPECT_NE(output.find("for kw, the top of the P range needs to be less than 15.0 kbar; default used"),
              std::string::npos);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, -7);

    values({"0.0001", "20"});
    run([&] { checkprange("kw", lo, hi, 0.0009L, 15, 1); });
    EXPECT_NE(output.find("the P range needs to be within 0.0009 kbar to 15.0 kbar; default used"), std::string::npos);

    real p = 0;
    values({"0.5"});
    run([&] { EXPECT_EQ(checkonep("kw", p, 1, 15, 1), 1); });
    EXPECT_NE(output.find("for kw, the one P needs to be greater than 1.0 kbar; default used"), std::string::npos);
    EXPECT_EQ(p, settings.pmin);
    values({"5"});
    EXPECT_EQ(checkonep("kw", p, 1, 15, 1), 0);
    EXPECT_EQ(p, 5);
    EXPECT_EQ(settings.nscriptproblems, 4);
}

TEST_F(Checkers, TemperaturesAreCheckedInCelsiusAndStoredInKelvin)
{
    const std::string deg(1, degreebyte);
    real t = 0, lo = 0, hi = 0;
    values({"100"});
    EXPECT_EQ(checkonet("kw", t, 0, 0, 1), 0);
    EXPECT_EQ(t, 100 + 273.15L);
    values({"5"});
    run([&] { EXPECT_EQ(checkonet("kw", t, 0, 0, 1), 1); });
    EXPECT_NE(output.find("for kw, the one T needs to be greater than 10" + deg + "C; default used"), std::string::npos);
    EXPECT_EQ(t, 283);

    values({"700", "400"});
    run([&] { EXPECT_EQ(checktrange("kw", lo, hi, 0, 0, 1), 1); });
    EXPECT_NE(output.find("the 2nd T in the T range must be larger than the 1st T"), std::string::npos);
    EXPECT_EQ(lo, 400 + 273.15L);
    EXPECT_EQ(hi, 700 + 273.15L);

    lo = hi = 0;
    values({"400", "3000"});
    run([&] { checktrange("kw", lo, hi, 0, 0, 1); });
    EXPECT_NE(output.find("the top of the T range needs to be less than 2727 " + deg + "C; default used"),
              std::string::npos);
    EXPECT_EQ(lo, 400 + 273.15L);
    EXPECT_EQ(hi, 0);
    values({"0", "3000"});
    run([&] { checktrange("kw", lo, hi, 0, 0, 1); });
    EXPECT_NE(output.find("the T range needs to be within 10" + deg + "C to 2727" + deg + "C; default used"),
              std::string::npos);
}

TEST_F(Checkers, TheDocumentedTemperatureBoundsThemselvesAreAccepted)
{
    real t = 0, lo = 0, hi = 0;
    values({"9.85"});
    EXPECT_EQ(run([&] { EXPECT_EQ(checkonet("kw", t, 0, 0, 1), 0); }), -1);
    const auto within = [](real x, real bound) {
        EXPECT_TRUE(x >= 283 && x <= 3000) << static_cast<double>(x);
        EXPECT_NEAR(static_cast<double>(x), static_cast<double>(bound), 1e-9);
    };
    within(t, 283);
    values({"2726.85"});
    run([&] { EXPECT_EQ(checkonet("kw", t, 0, 0, 1), 0); });
    within(t, 3000);
    values({"9.85", "2726.85"});
    run([&] { EXPECT_EQ(checktrange("kw", lo, hi, 0, 0, 1), 0); });
    within(lo, 283);
    within(hi, 3000);
    EXPECT_EQ(settings.nscriptproblems, 0);
    // A hundredth of a degree outside is still outside.
    values({"9.84"});
    run([&] { EXPECT_EQ(checkonet("kw", t, 0, 0, 1), 1); });
    values({"9.84", "2726.86"});
    run([&] { EXPECT_EQ(checktrange("kw", lo, hi, 0, 0, 1), 1); });
    EXPECT_NE(output.find("the T range needs to be within"), std::string::npos);
}

TEST_F(Checkers, WindowFillsOnlyTheRangesNotGiven)
{
    settings.pwindow = {0, 1, 12};
    settings.twindow = {0, 600, 1000};
    settings.calcP = 0;
    settings.calcprange = {0, 3, 4};
    setcalcptfromwindow();
    EXPECT_EQ(settings.calcT, 0);
    EXPECT_EQ(settings.calctrange[1], 600);
    EXPECT_EQ(settings.calctrange[2], 1000);
    EXPECT_EQ(settings.calcprange[1], 3);
    EXPECT_EQ(settings.calcprange[2], 4);
}

}  // namespace
}  // namespace zt
