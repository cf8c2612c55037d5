#include "script/valuelists.h"

#include <cmath>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "script/settings.h"
#include "script/setupfixture.h"
#include "script/windows.h"

namespace zt {
namespace {

using ValueLists = SetupTest;

std::vector<double> values(const std::array<real, maxlist + 1>& list, int n)
{
    std::vector<double> v;
    for (int i = 1; i <= n; ++i) v.push_back(static_cast<double>(list[static_cast<size_t>(i)]));
    return v;
}

void expectnear(const std::vector<double>& got, const std::vector<double>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << i;
}

TEST_F(ValueLists, ScriptPressureSteps)
{
    struct row {
        real low, high, step;
        std::vector<double> want;
    } rows[] = {
        {1, 10, 2, {1, 3, 5, 7, 9, 10}},
        {1, 10, 20, {1, 5.5, 10}},     // larger than the range: half the range
        {1, 10, 3, {1, 4, 7, 10}},     // ends on the top: nothing appended
    };
    pd.ptcalcmode = 2;
    for (const row& r : rows) {
        settings.calcprange = {0, r.low, r.high};
        settings.pinterval = r.step;
        run(scriptpinterval);
        expectnear(values(settings.plist, settings.nplist), r.want);
    }
}

TEST_F(ValueLists, ScriptListNeverPassesItsCapacity)
{
    // 200.5 / 1 gives 201 values by truncation and the end value would make 202.
    for (real step : {0.001L, 1.0L}) {
        settings.calcprange = {0, 0, 200.5L};
        settings.pinterval = step;
        pd.ptcalcmode = 1;
        run(scriptpinterval);
        EXPECT_LE(settings.nplist, maxlist);
        EXPECT_NEAR(static_cast<double>(settings.plist[static_cast<size_t>(settings.nplist)]), 200.5, 1e-6);
        const real s = settings.plist[2] - settings.plist[1];
        EXPECT_NEAR(static_cast<double>(s), 200.5 / 200, 1e-9);
    }
    EXPECT_TRUE(said("P interval = "));
}

TEST_F(ValueLists, ScriptStepOfZeroLeavesOneValue)
{
    settings.nplist = 57;  // stale from an earlier list
    settings.calcprange = {0, 2, 8};
    settings.pinterval = 0;
    pd.ptcalcmode = 2;  // no question
    run(scriptpinterval);
    EXPECT_EQ(settings.nplist, 1);
    EXPECT_EQ(settings.plist[1], 2);

    settings.ntlist = 40;
    settings.calctrange = {0, 773.15L, 873.15L};
    pd.ptcalcmode = 3;  // asked; a negative answer gives no step
    EXPECT_EQ(run(scripttinterval, "-5\n"), -1);
    EXPECT_EQ(settings.ntlist, 1);
}

TEST_F(ValueLists, PromptedTemperatureStepCountsToTheNearest)
{
    settings.calctrange = {0, 400 + 273.15L, 860 + 273.15L};
    EXPECT_EQ(run(prompttinterval, "1000\n0\n-1\n100\n"), -1);
    EXPECT_TRUE(said("T interval too large : max T(high) - T(low) = 460.00\ntry again: T interval : "));
    EXPECT_TRUE(said("T interval too small : max of 201 temperatures\ntry again: T interval : "));
    EXPECT_TRUE(said("T interval must be positive - try again: T interval : "));
    std::vector<double> want;
    for (int t = 400; t <= 900; t += 100) want.push_back(t + 273.15);
    expectnear(values(settings.tlist, settings.ntlist), want);
    EXPECT_EQ(settings.tdecimals, 2);  // the ends 673.15 and 1133.15 need 2
    EXPECT_EQ(settings.pdecimals, 4);
}

TEST_F(ValueLists, PromptedPressureStepSetsDecimals)
{
    struct row {
        real low, high;
        const char* step;
        int16_t pdec, tdec;
        int16_t n;
    } rows[] = {{1, 10, "0.25", 3, 2, 37}, {1.5L, 2.5L, "0.0125", 4, 3, 81}, {2, 2, "", 3, 2, 1}};
    for (const row& r : rows) {
        settings.calcprange = {0, r.low, r.high};
        run(promptpinterval, std::string(r.step) + "\n");
        EXPECT_EQ(settings.pdecimals, r.pdec) << r.step;
        EXPECT_EQ(settings.tdecimals, r.tdec) << r.step;
        EXPECT_EQ(settings.nplist, r.n) << r.step;
        EXPECT_NEAR(static_cast<double>(settings.plist[static_cast<size_t>(r.n)]), static_cast<double>(r.high), 1e-9);
    }
    settings.calcprange = {0, 1, 10};
    run(promptpinterval, "0.001\n0.05\n");
    EXPECT_TRUE(said("P interval too small : max of 201 pressures\n"));
    EXPECT_EQ(settings.nplist, 181);
}

// A step typed with the range at the console is not the script's: the line that
// reports it says which.
TEST_F(ValueLists, StepReportSaysWhereTheStepCameFrom)
{
    const std::string deg(1, '\xA1');
    struct sourcecase {
        const char* what;
        int32_t ptcalcmode;
        bool typed;
        std::function<void()> build;
        const char* line;
    };
    const sourcecase cases[] = {
        {"P typed, prompted builder", 1, true, promptpinterval, "P interval = 1.0 (from console)\n"},
        {"P from the script, prompted builder", 1, false, promptpinterval, "P interval = 1.0 (from script)\n"},
        {"P typed, script builder", 1, true, scriptpinterval, "P interval = 1.0 kbar (from console)\n"},
        {"P from the script, script builder", 1, false, scriptpinterval, "P interval = 1.0 kbar (from script)\n"},
        {"T typed, prompted builder", 2, true, prompttinterval, "T interval = 50 (from console)\n"},
        {"T from the script, prompted builder", 2, false, prompttinterval, "T interval = 50 (from script)\n"},
        {"T typed, script builder", 2, true, scripttinterval, "T interval = 50.0 \xA1" "C (from console)\n"},
        {"T from the script, script builder", 2, false, scripttinterval, "T interval = 50.0 \xA1" "C (from script)\n"},
    };
    for (const sourcecase& c : cases) {
        SCOPED_TRACE(c.what);
        setscriptdefaults();
        settings.pwindow = {0, 1, 10};
        settings.twindow = {0, 673.15L, 973.15L};
        pd.ptcalcmode = c.ptcalcmode;
        const bool pressure = c.ptcalcmode == 1;
        (pressure ? settings.calcP : settings.calcT) = c.typed ? 1 : 0;
        if (!c.typed) {
            (pressure ? settings.calcprange : settings.calctrange) =
                pressure ? std::array<real, 3>{0, 2, 8} : std::array<real, 3>{0, 773.15L, 973.15L};
            (pressure ? settings.pinterval : settings.tinterval) = pressure ? 1 : 50;
        }
        const std::string answers = pressure ? "2 8 1\n" : "500 700 50\n";
        ASSERT_EQ(run([&] { ptcalcsetup("", "P", "T"); c.build(); }, c.typed ? answers : ""), -1) << output;
        EXPECT_TRUE(said(c.line)) << output;
        EXPECT_EQ(count("(from "), c.typed ? 1 : 2) << output;  // the range's own line says script
    }
}

TEST_F(ValueLists, XCO2Lists)
{
    settings.calcvariable = 1;
    settings.xco2window = {0, 0.1L, 0.9L};
    EXPECT_EQ(run(listxco2, "yes\n"), -1);
    EXPECT_TRUE(said("x(CO2) window : 0.1 <-> 0.9\n 0.1 0.2 0.4 0.6 0.8 0.9 : use these x(CO2) ? "));
    expectnear(values(settings.xco2calclist, settings.nxco2calclist), {0.1, 0.2, 0.4, 0.6, 0.8, 0.9});
    EXPECT_NEAR(static_cast<double>(settings.xh2ocalclist[2]), 0.8, 1e-12);
    EXPECT_EQ(settings.xco2decimals, 1);

    // Four values are too few to offer: they are asked for; 0.2 is not ascending.
    settings.xco2window = {0, 0.1L, 0.6L};
    EXPECT_EQ(run(listxco2, "0.3 0.2 0.5\n"), -1);
    EXPECT_TRUE(said("x(CO2) in ascending order : "));
    expectnear(values(settings.xco2calclist, settings.nxco2calclist), {0.1, 0.3, 0.5, 0.6});

    settings.xco2window = {0, 0.0001L, 0.5L};  // below the defaults: asked
    EXPECT_EQ(run(listxco2, "\n"), -1);
    expectnear(values(settings.xco2calclist, settings.nxco2calclist), {0.0001, 0.5});
    EXPECT_EQ(settings.xco2decimals, 4);
}

TEST_F(ValueLists, LnaAndMuSteps)
{
    settings.calcvariable = 0;
    settings.setlna = 1;
    EXPECT_EQ(run([] { listlna(1, -3, -1); }, "0\n-0.5\n5\n0.25\n"), -1);
    EXPECT_TRUE(said("log a window : -3.0 <-> -1.0 : \nlog a interval : "));
    EXPECT_EQ(count("interval too small : max of 201 values\ntry again: interval : "), 2);
    EXPECT_TRUE(said("interval too large : \n   max = 2.0\ntry again: interval : "));
    expectnear(values(settings.lnalists[1], settings.nlnalist[1]), {-3, -2.75, -2.5, -2.25, -2, -1.75, -1.5, -1.25, -1});
    EXPECT_EQ(settings.lnadecimals, 2);

    EXPECT_EQ(run([] { listmu(2, -700, -690); }, "3\n"), -1);
    EXPECT_TRUE(said("\xB5 window : -700.0 <-> -690.0 : \n\xB5 interval : "));
    expectnear(values(settings.mulists[2], settings.nmulist[2]), {-700, -697, -694, -691, -690});
    EXPECT_EQ(settings.mudecimals, 1);

    settings.calcvariable = 7;
    EXPECT_EQ(run([] { listlna(1, 2, 2); }), 1);
    EXPECT_TRUE(said("-- run bombed in listlna : unknown calcvariable"));
}

TEST_F(ValueLists, AppendMaxText)
{
    std::string text = "old";
    appendmax(201, text);
    EXPECT_EQ(text, " (max = 201) ");
}

}  // namespace
}  // namespace zt
