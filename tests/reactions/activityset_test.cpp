#include "reactions/activityset.h"
#include "reactions/averages.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "ax/axreader.h"
#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "reactions/services.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/runfiles.h"
#include "support/testsupport.h"
#include "thermo/datasetreader.h"
#include "thermo/thermofixture.h"
#include "thermo/thermotest.h"

namespace zt {
namespace {

using namespace zt::testing;

TEST(ActivitySd, DefaultModel)
{
    resetthermo();
    settings.usedefsda = 0;
    settings.justrelu = 1;
    zt::run.calcmode = 2;
    defaultuncertainty(true);
    EXPECT_EQ(ws.sdaslope, 0.3L);
    struct row {
        real a, given;
        int16_t n;
        double want;
    } rows[] = {
        {0.5L, 0, 1, 0.0375},      // s = 0.3 x (1 - x)^2, s / x above the relative floor
        {0.5L, 0.1L, 1, 0.1},      // a larger given value stays
        {0.01L, 0, 1, 0.01},       // x below sdamin / slope: s = sdamin
        {0.95L, 0, 1, 0.0475},     // s / x below 0.05: s = 0.05 x
        {0.25L, 0, 2, 0.0375},     // two sites: x = 0.5, sd = 2 a s / x
        {1, 0.2L, 1, 0},           // a = 1 has no uncertainty
        {0.5L, -0.1L, 0, 0.0375},  // no sites counts as one; a negative sd as 0
    };
    ws.nem = 0;
    for (const row& r : rows) {
        ++ws.nem;
        ws.emact[static_cast<size_t>(ws.nem)] = r.a;
        ws.emsda[static_cast<size_t>(ws.nem)] = r.given;
        ws.nsite[static_cast<size_t>(ws.nem)] = r.n;
    }
    activitysd();
    for (int i = 1; i <= ws.nem; ++i) EXPECT_NEAR(static_cast<double>(ws.emsda[static_cast<size_t>(i)]), rows[i - 1].want, 1e-7) << i;

    // Without the model, sd(a) stays as given (never negative).
    settings.usedefsda = 1;
    ws.emsda[1] = 0.002L;
    ws.emsda[7] = -0.1L;
    activitysd();
    EXPECT_NEAR(static_cast<double>(ws.emsda[1]), 0.002, 1e-9);
    EXPECT_EQ(ws.emsda[7], 0);

    settings.justrelu = 0;
    consolecapture console;
    defaultuncertainty(false);
    EXPECT_EQ(ws.sdaslope, 0);
    EXPECT_EQ(ws.sdamin, 0.01L);
    EXPECT_EQ(ws.sdarelmin, 0.05L);
    EXPECT_EQ(console.output(), "**resetting default uncertainty parameters not currently available\n");
    zt::run.calcmode = 4;
    defaultuncertainty(true);
    EXPECT_EQ(ws.sdaslope, 0.1L);
}

std::string datafile(const std::string& name)
{
    return testing::filetext(thermodatafile(name));
}

// An ideal two-end-member liquid over fo and foL, and two single phases.
const char* const axtext =
    "liq 2 1\n"
    "  x(liq) 0.3\n"
    "  p(fo) 1 1 1 1 -1 x\n"
    "  p(foL) 1 1 0 1 1 x\n"
    "  ideal\n"
    "  2\n"
    "  xA 1 1 1 1 -1 x\n"
    "  xB 1 1 0 1 1 x\n"
    "  fo 1 1 xA 1\n"
    "  foL 1 1 xB 1\n"
    "q\n"
    "sp\n";

class ExtractEm : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetthermo();
        if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
        if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
        resetrunfiles();
        if (reactions.r.size() != static_cast<size_t>(maxreactions + 1)) reactions.r.assign(maxreactions + 1, reaction{});
        if (eq.compdx.empty()) eq.compdx.assign(static_cast<size_t>(maxems + 1) * (maxcomps + 1) * 16, 0);
        settings = runsettings{};
        setinitialsettings();
        setscriptdefaults();
        settings.autoexit = true;
        zt::run.calcmode = 3;
        folder.writefile("zt-ds62t.txt", datafile("zt-ds62t.txt"));
        folder.writefile("zt-t.txt", axtext);
        prefs.dssuffix = "62t";
        settings.axfile = "t";
    }
    int extract(const std::string& answers)
    {
        consolecapture console(answers);
        const int code = exitcodeof([] {
            readthermo(1);
            setupphases();
            extractem();
        });
        output = console.output();
        return code;
    }
    tempfolder folder;
    std::string output;
};

TEST_F(ExtractEm, ChosenPhasesInPhaseOrderWithTheirActivities)
{
    ASSERT_EQ(extract("liq q\n5\n800\n"), -1) << output;
    EXPECT_NE(output.find("which phases : "), std::string::npos);
    EXPECT_NE(output.find("\nactivities of end-members in solid solutions are calculated with\n"
                          "input values of compositional variables\nP for a-x in kbar : "),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\nliq         \n           fo: a =   0.7000, sd(a) =        0\n"
                          "          foL: a =   0.3000, sd(a) =        0\n"),
              std::string::npos)
        << output;
    ASSERT_EQ(ws.nem, 3);
    EXPECT_EQ(ws.nrems, 3);
    const char* names[] = {"", "fo", "foL", "q"};
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(ws.emname[static_cast<size_t>(i)], names[i]);
    EXPECT_NEAR(static_cast<double>(ws.emact[1]), 0.7, 1e-15);
    EXPECT_NEAR(static_cast<double>(ws.emact[2]), 0.3, 1e-15);
    EXPECT_EQ(ws.emact[3], 1);
    EXPECT_EQ(settings.pnow, 5);
    EXPECT_NEAR(static_cast<double>(settings.tnow), 1073.15, 1e-12);
    // Properties as read: H of q, and the same composition for fo and its melt.
    EXPECT_NEAR(static_cast<double>(ws.td[3].H), -910.7, 1e-9);
    for (int j = 1; j <= ws.ncomps; ++j) EXPECT_EQ(ws.c[static_cast<size_t>(j)][1], ws.c[static_cast<size_t>(j)][2]);
}

// Typed P and T for the activities are held to the program's bounds, as every P and T:
// -280 and -100 degrees C used to reach the activities (at -7 K and 173 K).
TEST_F(ExtractEm, TypedPressureAndTemperatureAreAskedAgainOutsideTheBounds)
{
    ASSERT_EQ(extract("liq q\n2000\n5\n-280\n-100\n800\n"), -1) << output;
    const std::string deg(1, '\xA1');
    EXPECT_NE(output.find("P for a-x in kbar : P must lie between 0.001 and 1500 kbar : try again\n"
                          "P for a-x in kbar : T for a-x in " + deg + "C : T must lie between 10 and 2727" + deg +
                          "C : try again\nT for a-x in " + deg + "C : T must lie between 10 and 2727" + deg +
                          "C : try again\nT for a-x in " + deg + "C : "),
              std::string::npos)
        << output;
    EXPECT_EQ(settings.pnow, 5);
    EXPECT_NEAR(static_cast<double>(settings.tnow), 1073.15, 1e-12);
}

TEST_F(ExtractEm, OmitAndScriptPressureTemperature)
{
    settings.ptforaxe = 0;
    settings.pforaxe = 8;
    settings.tforaxe = 650;
    ASSERT_EQ(extract("omit sp\n"), -1) << output;
    EXPECT_NE(output.find("input values of compositional variables at PT: 8.0 kbar, 650\xA1" "C (from script)\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(ws.nem, 3);
    EXPECT_EQ(findem("sp"), 0);

    // One name keeps every phase.
    ASSERT_EQ(extract("liq\n"), -1) << output;
    EXPECT_EQ(ws.nem, 4);
    EXPECT_EQ(ws.emname[4], "sp");
    EXPECT_EQ(ws.nsite[4], 2);  // the site count of sp moved with it
}


// The liquid as a regular solution: a(fo) = xA exp(W xB^2 / RT), a(foL) = xB exp(W xA^2 / RT).
const char* const regulartext =
    "liq 2 1\n"
    "  x(liq) 0.3\n"
    "  p(fo) 1 1 1 1 -1 x\n"
    "  p(foL) 1 1 0 1 1 x\n"
    "  sf\n"
    "  W(fo,foL) 20 0 0\n"
    "  2\n"
    "  xA 1 1 1 1 -1 x\n"
    "  xB 1 1 0 1 1 x\n"
    "  fo 1 1 xA 1\n"
    "  foL 1 1 xB 1\n"
    "q\n";

TEST_F(ExtractEm, ActivitiesOutsideZeroToOneBecome0999InTheIteration)
{
    folder.writefile("zt-t.txt", regulartext);
    ASSERT_EQ(extract("liq q\n5\n800\n"), -1) << output;
    ASSERT_EQ(ws.nem, 3);
    phases.npurephases = 1;
    struct point {
        real x, T;
    };
    for (const point p : {point{0.3L, 1073.15L}, point{0.3L, 800}, point{0, 1073.15L}}) {
        SCOPED_TRACE(::testing::Message() << double(p.x) << " " << double(p.T));
        phases.prec1[1].vars[1].value = p.x;
        ws.emact[1] = ws.emact[2] = 0.5L;
        updateactivity(5, p.T);
        const real rt = 0.0083144L * p.T;
        const real want[3] = {0, (1 - p.x) * std::exp(20 * p.x * p.x / rt), p.x * std::exp(20 * (1 - p.x) * (1 - p.x) / rt)};
        for (int i = 1; i <= 2; ++i) {
            const real a = want[i] <= 0 || want[i] > 1 ? 0.999L : want[i];
            EXPECT_NEAR(static_cast<double>(ws.emact[static_cast<size_t>(i)]), static_cast<double>(a), 1e-9) << i;
        }
    }
    // foL above 1 at 800 K, and absent at x = 0: both taken as 0.999.
    EXPECT_GT(0.3 * std::exp(20 * 0.49 / (0.0083144 * 800)), 1);
}

// An order-disorder phase over fo and sp: fm is fo and sp ordered on two sites, made
// with a DQF of -5 kJ.
const char* const odtext =
    "om 3 1\n"
    "  x(om) 0.3\n"
    "  Q(om) 0.05\n"
    "  p(fo) 1 1 1 2 -1 x -1 Q\n"
    "  p(sp) 1 1 0 2 1 x -1 Q\n"
    "  p(fm) 1 1 0 1 2 Q\n"
    "  ideal\n"
    "  4\n"
    "  xAM1 1 1 1 2 -1 x 1 Q\n"
    "  xBM1 1 1 0 2 1 x -1 Q\n"
    "  xAM2 1 1 1 2 -1 x -1 Q\n"
    "  xBM2 1 1 0 2 1 x 1 Q\n"
    "  fo 1 2 xAM1 1 xAM2 1\n"
    "  sp 1 2 xBM1 1 xBM2 1\n"
    "  fm 1 2 xAM1 1 xBM2 1 make 2 fo 1/2 equilibrium sp 1/2 DQF -5 0 0\n"
    "q\n";

TEST_F(ExtractEm, StateOfOrderIsSolvedBeforeTheActivities)
{
    folder.writefile("zt-t.txt", odtext);
    ASSERT_EQ(extract("\n5\n800\n"), -1) << output;
    // Independently: fo + sp = 2 fm has delta G0 = 2 DQF, so at equilibrium
    // xA(M1) xB(M2) / (xA(M2) xB(M1)) = exp(10 / RT), solved here for Q by bisection.
    const real T = 1073.15L, x = 0.3L, lnk = 10 / (0.0083144L * T);
    auto f = [&](real q) { return std::log((1 - x + q) * (x + q) / ((1 - x - q) * (x - q))) - lnk; };
    real lo = 0, hi = x - 1e-12L;
    for (int i = 0; i < 200; ++i) {
        const real mid = (lo + hi) / 2;
        (f(mid) < 0 ? lo : hi) = mid;
    }
    const real q = (lo + hi) / 2;
    const axphase& om = phases.prec1[1];
    ASSERT_TRUE(om.vars[2].isorder);
    EXPECT_NEAR(static_cast<double>(om.vars[2].value), static_cast<double>(q), 1e-6);
    EXPECT_NE(output.find("\nom          Q(om) = " + realtostr(4, true, q) + "\n"), std::string::npos) << output;
    ASSERT_EQ(ws.nem, 4);
    EXPECT_NEAR(static_cast<double>(ws.emact[1]), static_cast<double>((1 - x + q) * (1 - x - q)), 1e-6);
    EXPECT_NEAR(static_cast<double>(ws.emact[3]), static_cast<double>((1 - x + q) * (x + q)), 1e-6);
    EXPECT_EQ(ws.emname[3], "fm");
    EXPECT_EQ(ws.td[3].makephase, 1);
    EXPECT_EQ(ws.td[3].makeentry, 3);
    EXPECT_EQ(ws.nsite[3], 1);
}

}  // namespace
}  // namespace zt
