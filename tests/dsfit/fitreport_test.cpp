#include "dsfit/fitreport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dsfit/assembly.h"
#include "dsfit/fitinput.h"
#include "dsfit/lsq.h"
#include "fitfixture.h"
#include "runtime/textfile.h"

namespace zt {
namespace {

using fittest::fitworld;

const std::string calorimetry =
    "1 ky -2593.1 1.0\n1 sill -2585.7 1.5\n1 and -2588.8 2.0\n1 q -910.7 0.4\n"
    "1 an -4232.7 1.5\n1 gr -6643.0 3.0\n1 py -6281.9 3.0\n0\n0\n";

// One iteration of the fit on the experiments xp, then the report, as the summary file
// has it.
std::string reportof(fitworld& w, const std::string& xp)
{
    w.writeinputs(calorimetry + xp + "0\n");
    EXPECT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    EXPECT_EQ(testing::exitcodeof([] {
                  assemblelsq(1);
                  qr();
                  for (int j = 1; j <= fit.ntpfit; ++j) fit.tda[static_cast<size_t>(j)].H = fit.theta[static_cast<size_t>(j)];
              }),
              -1)
        << w.out();
    openforwriting(channels.files[chsummary], "summary.txt");
    channels.outchannels = 1 | 4;
    EXPECT_EQ(testing::exitcodeof(reportfitset), -1) << w.out();
    flushall();
    closetextfile(channels.files[chsummary]);
    channels.outchannels = 1;
    return w.folder.readfile("summary.txt");
}

const std::string bracketed = "1 ky sill\n -1 1 1\n1 1  bracketed\n0 6.0 700 0\n1 6.0 800 0\n-1\n";

// An experiment without runs, or whose runs all went one way, makes no row: it is not
// titled with a row number, judged against its bracket, or given a bracket note.
TEST(FitReport, ExperimentsThatMakeNoRowAreReportedAsSuch)
{
    fitworld w;
    const std::string text = reportof(w, bracketed + "1 ky and\n -1 1 1\n1 1  one way\n0 2 400 0\n0 3 450 0\n-1\n"
                                                     "1 sill and\n -1 1 1\n1 1  no runs\n-1\n");
    EXPECT_NE(text.find("\n1) 1  ky = sill   (bracketed)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n*  2  ky = and   (one way)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n*  3  sill = and   (no runs)\n"), std::string::npos) << text;
    const size_t oneway = text.find("** ALL RUNS ONE WAY (no row) **");
    const size_t noruns = text.find("** NO RUNS (no row) **");
    ASSERT_NE(oneway, std::string::npos) << text;
    ASSERT_NE(noruns, std::string::npos) << text;
    // Only the experiment with a row has a bracket note.
    EXPECT_EQ(text.find("<->"), text.rfind("<->")) << text;
    EXPECT_LT(text.find("<->"), text.find("\n*  2")) << text;
    EXPECT_EQ(text.find("10000000000"), std::string::npos) << text;
}

// printomit no leaves the experiments that are not used out of the results; yes shows
// them as not used.
TEST(FitReport, PrintomitDecidesWhetherUnusedExperimentsAreShown)
{
    for (int32_t printomit : {0, 1}) {
        fitworld w;
        fit.fitsetprefs.printomit = printomit;
        const std::string text = reportof(w, bracketed + "2 ky and\n -1 1 1\n1 1  set aside\n0 2 400 0\n1 2 500 0\n-1\n");
        const bool shown = text.find("\n*  2  ky = and   (set aside)\n") != std::string::npos;
        EXPECT_EQ(shown, printomit == 0) << text;
        EXPECT_EQ(text.find("** NOT USED **") != std::string::npos, printomit == 0) << text;
        EXPECT_NE(text.find("\n1) 1  ky = sill   (bracketed)\n"), std::string::npos) << text;
    }
}

// A run repeated at one P and T that went the other way: its row gives the ln K at the
// fitted enthalpy of reaction cH, ln Q + (hreq - cH)/RT, whether the two runs have the
// same ln Q or not (at one P and T the enthalpy a run needs falls by RT per unit of ln Q);
// miss is that less the run's ln Q, 2sd is 2 sd(cH)/RT.
TEST(FitReport, DuplicatedRunGivesTheLnKAtTheFittedEnthalpy)
{
    fitworld w;
    const std::string text = reportof(w, "1 ky sill\n -1 1 1\n1 1  same\n0 8.0 640 0\n1 8.0 640 0\n-1\n"
                                         "1 sill and\n -1 1 1\n1 0.9  same again\n0 3.0 650 0\n1 3.0 650 0\n-1\n"
                                         "1 ky and\n -1 1 1\n0 0  different\n0 4.0 600 0 1 0.9\n1 4.0 600 0 1 0.8\n-1\n");
    const auto twodecimals = [](real x) {
        char t[32];
        std::snprintf(t, sizeof t, "%.2Lf", x);
        return std::string(t);
    };
    for (int e = 1; e <= 3; ++e) {
        const fitexprec& r = fit.xp[static_cast<size_t>(e)];
        ASSERT_EQ(r.nbr, 2);
        const bracketrec &b = r.brackets[1], &c = r.brackets[2];
        ASSERT_EQ(c.hidden, true) << e;
        EXPECT_EQ(b.lnq == c.lnq, e < 3);
        const real rt = 0.0083144L * b.t;
        const real lnk = b.lnq + (b.hreq - r.dh) / rt;
        EXPECT_NEAR(static_cast<double>(lnk), static_cast<double>(c.lnq + (c.hreq - r.dh) / rt), 1e-12);
        // The row: the three words before its bracket note.
        const size_t title = text.find("\n" + std::to_string(e) + ") " + std::to_string(e) + "  ");
        ASSERT_NE(title, std::string::npos) << text;
        const std::string row = testing::linesof(text.substr(title))[4];
        const std::vector<std::string> words = testing::wordsof(row.substr(0, row.find('(')));
        ASSERT_GE(words.size(), 3u) << row;
        const size_t n = words.size();
        EXPECT_EQ(words[n - 3], twodecimals(lnk - b.lnq)) << row;
        EXPECT_EQ(words[n - 2], twodecimals(lnk)) << row;
        EXPECT_EQ(words[n - 1], twodecimals(2 * r.sddh / rt)) << row;
    }
}

// As many rows as enthalpies: the report says that the uncertainties are not scaled.
TEST(FitReport, AFitWithoutDegreesOfFreedomSaysSo)
{
    fitworld w;
    const std::string text = reportof(w, "");
    EXPECT_EQ(fit.nrows, fit.ntpfit);
    EXPECT_NE(text.find("\n\nno degrees of freedom (7 rows for 7 enthalpies):\n"
                        "the uncertainties are those of the rows, not scaled by sigfit\n"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace zt
