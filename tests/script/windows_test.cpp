#include "script/windows.h"

#include <cmath>
#include <limits>

#include "script/setupfixture.h"

namespace zt {
namespace {

using Windows = SetupTest;

TEST_F(Windows, InrangeTakesBothEndsAndRefusesNaN)
{
    settings.calctrange = {0, 673.15L, 973.15L};
    settings.calcprange = {0, 2, 8};
    settings.xco2window = {0, 0.1L, 0.5L};
    settings.logawindow = {0, -3, -1};
    struct row {
        int32_t kind;
        real x;
        bool in;
    } rows[] = {{0, 673.15L, true}, {0, 973.15L, true}, {0, 973.16L, false}, {1, 2, true},   {1, 8, true},
                {1, 1.999L, false}, {2, 0.1L, true},    {2, 0.51L, false},   {3, -3, true},  {3, -0.5L, false},
                {1, std::numeric_limits<real>::quiet_NaN(), false}};
    for (const row& r : rows) EXPECT_EQ(inrange(r.kind, r.x), r.in) << r.kind << " " << static_cast<double>(r.x);
    EXPECT_EQ(run([] { inrange(4, 1); }), 1);
    EXPECT_TRUE(said("-- run bombed in inrange : unknown type"));
}

TEST_F(Windows, FifthFailedCheckStillAsksThenEndsTheRun)
{
    real lo = 500 + 273.15L, hi = 400 + 273.15L;  // order wrong
    // Four more bad answers: the fifth check fails, its question is asked, the run ends.
    const int code = run([&] { prompttwindow(lo, hi, 1); }, "5 3000\n-300 500\n600 600\n500 400\n400 600\n");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(count(" T low,high : "), 5);
    EXPECT_TRUE(said("T(low) must be less than T(high) : try again\n"));
    EXPECT_TRUE(said("T(high) must be less than 2727 : try again\n"));
    EXPECT_TRUE(said("T(low) must be greater than 10 : try again\n"));
    EXPECT_TRUE(said("-- run bombed in *OK : too many tries"));
}

TEST_F(Windows, GoodFourthAnswerIsTakenInKelvin)
{
    real lo = 900 + 273.15L, hi = 400 + 273.15L;
    EXPECT_EQ(run([&] { prompttwindow(lo, hi, 1); }, "5 3000\n-300 500\n600 600\n450 650\n"), -1);
    EXPECT_EQ(count(" T low,high : "), 4);
    EXPECT_NEAR(static_cast<double>(lo), 723.15, 1e-9);
    EXPECT_NEAR(static_cast<double>(hi), 923.15, 1e-9);
}

TEST_F(Windows, SingleValueDependsOnMode)
{
    real lo = 2, hi = 2;
    EXPECT_EQ(run([&] { promptpwindow(lo, hi, 0); }), -1);  // nothing asked
    EXPECT_EQ(run([&] { promptpwindow(lo, hi, 1); }, "1 9\n"), -1);
    EXPECT_TRUE(said("P(low) must be less than P(high) : try again\nP low,high : "));
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 9);

    real x1 = 0, x2 = 1;
    EXPECT_EQ(run([&] { promptxco2window(x1, x2, 0); }, "0.1 1\n0.1 0.9\n"), -1);
    EXPECT_EQ(count("x(CO2) high must be less than 1 : try again\nx(CO2) low,high : "), 2);
    EXPECT_EQ(x1, 0.1L);
}

TEST_F(Windows, ScriptWindowCorrectsOneEndPerCall)
{
    settings.pwindow = {0, 2, 10};
    real lo = 1, hi = 12;
    run([&] { scriptpwindow(lo, hi, 0); });
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 10);
    EXPECT_EQ(output, "P(high) must be less than 10.0: this used\n");

    lo = 5;
    hi = 5;
    run([&] { scriptpwindow(lo, hi, 1); });
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 10);
    EXPECT_TRUE(said("P window needed but P(low) = P(high): overall P window used (script"));
}

TEST_F(Windows, OverallWindowFromScriptOrConsole)
{
    settings.diagramPT = 0;
    settings.pwindow = {0, 1, 10};
    settings.twindow = {0, 673.15L, 973.15L};
    EXPECT_EQ(run(dofigPT), -1);
    EXPECT_TRUE(said("overall PT window is P: 1.0 to 10.0 kbar, and T: 400 to 700\xA1" "C (from script)\n"));

    settings.diagramPT = 1;
    EXPECT_EQ(run(dofigPT, "no\n2 12 450 750\n"), -1);
    EXPECT_TRUE(said("stop, and put info in the scriptfile ? "));
    EXPECT_TRUE(said("overall PT window is P: 2.0 to 12.0 kbar, and T: 450 to 750\xA1" "C\n"));
    EXPECT_NEAR(static_cast<double>(settings.twindow[1]), 723.15, 1e-9);

    EXPECT_EQ(run(dofigPT, "no\n2 12 750 450\n"), 1);
    EXPECT_TRUE(said("-- run bombed in dofigPT : inappropriate PT window input"));
}

TEST_F(Windows, CalculationRanges)
{
    settings.pwindow = {0, 1, 10};
    settings.twindow = {0, 673.15L, 973.15L};
    settings.calcP = 0;
    settings.calcprange = {0, 3, 4};
    pd.ptcalcmode = 0;  // the script's calcP is not used
    run([] { ptcalcsetup("reactions", "P", "T"); });
    EXPECT_EQ(settings.calcprange[1], 1);
    EXPECT_EQ(settings.calctrange[2], settings.twindow[2]);
    EXPECT_TRUE(said("using overall PT window for the reactions\n"));

    // Typed P out of bounds is asked for again; a third value is the step.
    settings.calcP = 1;
    pd.ptcalcmode = 1;
    EXPECT_EQ(run([] { ptcalcsetup("", "P at which", "T window"); }, "-3 5\n2 6 0.5\n"), -1);
    EXPECT_TRUE(said("P must lie between 0.001 and 1500 kbar : try again\n"));
    EXPECT_EQ(settings.calcprange[1], 2);
    EXPECT_EQ(settings.calcprange[2], 6);
    EXPECT_EQ(settings.pinterval, 0.5L);
    EXPECT_TRUE(said("using overall T window for the T window\n"));

    // T given in the script is reported through writetrange.
    settings.calcT = 0;
    settings.calctrange = {0, 773.15L, 873.15L};
    pd.ptcalcmode = 2;
    run([] { ptcalcsetup("", "P window", "T at which"); });
    EXPECT_TRUE(said("T at which: 500.00 to 600.00\xA1" "C (from script)\n"));
}

TEST_F(Windows, FixedConditionsAreChecked)
{
    real p = 0, t = 0;
    EXPECT_EQ(run([&] { p = promptcheckedp("fixed P (in kbar)"); }, "0\n2000\n7.5\n"), -1);
    EXPECT_EQ(count("P must lie between"), 2);
    EXPECT_EQ(p, 7.5L);
    EXPECT_EQ(run([&] { t = promptcheckedt("fixed T (in \xA1" "C)"); }, "-273.15\n550\n"), -1);
    EXPECT_EQ(count("T must lie between 10 and 2727"), 1);
    EXPECT_NEAR(static_cast<double>(t), 823.15, 1e-9);
}

}  // namespace
}  // namespace zt
