#include "dsfit/dsfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dsfit/emfile.h"
#include "dsfit/fitinput.h"
#include "dsfit/lsq.h"
#include "fitfixture.h"
#include "runtime/numberformat.h"
#include "runtime/runfiles.h"
#include "thermo/datasetreader.h"
#include "thermo/thermofixture.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

using fittest::fitworld;

// Ky and sill, plus two end-members whose names fill the name column.
const std::string longnames = std::string(fittest::emfile6).substr(0, std::string(fittest::emfile6).find("and    andalusite")) +
                              "sudoite chlorite\n   6 4.0  4 2.0  1 3.0  10 18.0  0\n   0   -8626.000\n   0.39500\n   20.3000\n"
                              "   1.4364  0.0  -5000.0  -12.0000\n   0.0000300\n   870.0   4.09\n \n"
                              "clinochlore  chlorite\n   6 2.0  4 5.0  1 3.0  10 18.0  0\n   0   -8909.000\n   0.43700\n   21.1400\n"
                              "   1.1710  0.0  -7028.0  -4.3200\n   0.0000200\n   870.0   4.09\n \n*\n";
const std::string kysillax = "als 2 1\n x(als) 0.5\n p(ky) 1 1 1 1 -1 x\n p(sill) 1 1 0 1 1 x\n ideal\n 2\n"
                             " xA 1 1 1 1 -1 x\n xB 1 1 0 1 1 x\n ky 1 1 xA 1\n sill 1 1 xB 1\n";

// Reads the dataset file just written back in, as the working set of its four end-members,
// as a later run would.
void readwritten() {
    resetrunfiles();
    testing::resetthermo();
    testing::consolecapture quiet;
    prefs.dssuffix = "6t";
    ASSERT_EQ(testing::exitcodeof([] {
                  readthermo(1);
                  testing::setworkingnames({"ky", "sill", "sudoite", "clinochlore"});
                  readthermo(2);
                  readthermo(3);
              }),
              -1)
        << quiet.output();
}

TEST(FitDatasetFile, WrittenDatasetReadsBackWithTheFittedEnthalpies)
{
    real fitted[5]{};
    real cov12 = 0;
    {
        fitworld w;
        w.writeinputs("1 ky -2593.5 1.0\n1 sill -2585.1 1.5\n1 sudoite -8626.9 2.0\n1 clinochlore -8908.3 3.0\n0\n"
                      "1 sill ky\n 1 -1  7.90 0.60 298.15\n0\n0\n",
                      longnames, kysillax);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        qr();
        fit.fitreport = true;
        ASSERT_EQ(testing::exitcodeof(writedsfile), -1) << w.out();
        for (int j = 1; j <= 4; ++j) fitted[j] = fit.theta[static_cast<size_t>(j)];
        cov12 = fit.sigfitsq * fit.xx[fitat(1, 2)];
        const std::string text = w.folder.readfile("zt-ds6t.txt");
        EXPECT_NE(text.find("\nsudoite chlorite   0"), std::string::npos) << text;
        EXPECT_NE(text.find("\nclinochlore chlorite   0"), std::string::npos) << text;

        ASSERT_NO_FATAL_FAILURE(readwritten());
    }
    EXPECT_EQ(ds.ntp, 4);
    for (int j = 1; j <= 4; ++j) EXPECT_NEAR(static_cast<double>(ws.td[static_cast<size_t>(j)].H), static_cast<double>(fitted[j]), 5e-4) << j;
    EXPECT_NEAR(static_cast<double>(ws.covat(1, 2)), static_cast<double>(cov12), 5e-5);
    EXPECT_EQ(ds.dstitle, "zt-ds6t.txt produced at 10.30 on Mon 3 Mar,2025");
}

// As many rows as enthalpies: the residuals are 0 and so is sigfit, which measures no
// scatter then. The covariances written are those of the rows, unscaled: each enthalpy
// here has one direct-calorimetry row, so its variance is that row's sd squared. Sds of
// 1e5 and 1e10 kJ give variances whose fields fill their column (1e10) and whose fixed
// text would pass the 22 characters of a word (1e20). The reader keeps single precision.
TEST(FitDatasetFile, ExactlyDeterminedFitKeepsTheUncertaintiesOfItsRows)
{
    const std::vector<std::vector<real>> sdsets = {{1.0L, 1.5L, 2.0L, 3.0L}, {1e5L, 1e10L, 2.0L, 3e9L}};
    for (const std::vector<real>& sds : sdsets) {
        {
            fitworld w;
            std::string xp;
            const char* const names[] = {"ky", "sill", "sudoite", "clinochlore"};
            const char* const hs[] = {"-2593.5", "-2585.1", "-8626.9", "-8908.3"};
            for (size_t j = 0; j < 4; ++j) xp += std::string("1 ") + names[j] + " " + hs[j] + " " + fixedtostr(1, sds[j]) + "\n";
            w.writeinputs(xp + "0\n0\n0\n", longnames, kysillax);
            ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
            qr();
            ASSERT_EQ(fit.sigfitsq, 0);
            EXPECT_EQ(fitvariancefactor(), 1);
            fit.fitreport = true;
            ASSERT_EQ(testing::exitcodeof(writedsfile), -1) << w.out();
            ASSERT_NO_FATAL_FAILURE(readwritten());
        }
        for (int j = 1; j <= 4; ++j) {
            const real variance = sds[static_cast<size_t>(j - 1)] * sds[static_cast<size_t>(j - 1)];
            EXPECT_NEAR(static_cast<double>(ws.covat(j, j)), static_cast<double>(variance), static_cast<double>(std::max(5e-5L, variance * 1e-7L)))
                << j << " sd " << static_cast<double>(sds[static_cast<size_t>(j - 1)]);
            if (j > 1) {
                EXPECT_EQ(ws.covat(1, j), 0) << j;
            }
        }
    }
}

// Each covariance in 4 decimals right-justified in a width by its size; a field that its
// number fills keeps a blank from the one before. A number too large for an 80-bit real
// to hold its fourth decimal is written with the digits it holds (given no bound from a
// fit, its last bits: the spacing of 80-bit reals is 2^-10 at 1e16, 2^-7 at 1e17 and 8 at
// 1e20), past the units in exponent notation.
TEST(FitDatasetFile, CovarianceFields)
{
    const struct {
        real values[6];
        const char* text;
    } cases[] = {
        {{0.00004L, 0.5L, -0.5L, 12.34567L, -1234.5L, 0}, "0.0000 0 0.5000 -0.5000  12.3457  -1234.5000 0\n"},
        {{1e10L, -1e10L, 1e16L, -1e16L, 1e17L, 1e20L},
         "0.0000 10000000000.0000 -10000000000.0000 10000000000000000.00 -10000000000000000.00 100000000000000000.0 "
         "1.000000000000000000e+20\n"},
    };
    for (const auto& c : cases) {
        fitworld w;
        fit.ntpfit = 3;
        for (int i = 1; i <= 3; ++i) {
            fit.tda[static_cast<size_t>(i)].name = "e" + std::to_string(i);
            fit.tda[static_cast<size_t>(i)].name2 = "x";
        }
        fit.fitreport = true;
        ds.dsmode = 6;
        fit.sigfitsq = 1;
        int k = 0;
        for (int i = 1; i <= 3; ++i) {
            for (int j = i; j <= 3; ++j) fit.xx[fitat(i, j)] = c.values[k++];
        }
        ASSERT_EQ(testing::exitcodeof(writedsfile), -1) << w.out();
        const std::string text = w.folder.readfile("zt-ds6t.txt");
        EXPECT_NE(text.find("\n  " + std::string(c.text)), std::string::npos) << text;
    }
}

TEST(FitDatasetFile, LayoutsThatWouldNotReadBackAreRefused)
{
    struct row {
        int16_t dsmode;
        int ntp;
        int16_t code;
        const char* message;
    };
    const row rows[] = {
        {5, 50, 0, "a dsmode 5 dataset of 50 end-members would not read back"},
        {5, 190, 0, "a dsmode 5 dataset of 190 end-members would not read back"},
        {7, 3, 4, "the Einstein heat capacity of e2 (dsmode 7) has no place in the dataset file"},
    };
    for (const row& r : rows) {
        fitworld w;
        fit.ntpfit = static_cast<int16_t>(r.ntp);
        for (int i = 1; i <= r.ntp; ++i) fit.tda[static_cast<size_t>(i)].name = "e" + std::to_string(i);
        fit.tda[2].code = r.code;
        ds.dsmode = r.dsmode;
        fit.fitreport = r.dsmode == 5;
        EXPECT_EQ(testing::exitcodeof(writedsfile), 1);
        EXPECT_NE(w.out().find(r.message), std::string::npos) << w.out();
        EXPECT_FALSE(w.folder.exists("zt-ds6t.txt"));
    }
}

// No reader takes "nan" or "inf": a fit that produced one writes no dataset.
TEST(FitDatasetFile, NonFiniteNumbersAreNotWritten)
{
    struct row {
        const char* what;
        int at;  // 0: the fitted H of e2, else the covariance of e1 and e2
        real value;
        const char* message;
    };
    const real nan = std::numeric_limits<real>::quiet_NaN();
    const real inf = std::numeric_limits<real>::infinity();
    const row rows[] = {
        {"nan H", 0, nan, "writedsfile : H of e2 is not a finite number (dataset not written)"},
        {"infinite covariance", 1, inf, "writedsfile : the covariance of the H of e1 and e2 is not a finite number"},
    };
    for (const row& r : rows) {
        fitworld w;
        fit.ntpfit = 3;
        for (int i = 1; i <= 3; ++i) fit.tda[static_cast<size_t>(i)].name = "e" + std::to_string(i);
        fit.fitreport = true;
        ds.dsmode = 6;
        fit.nrows = 5;
        fit.sigfitsq = 1;
        if (r.at == 0) fit.theta[2] = r.value;
        else fit.xx[fitat(1, 2)] = r.value;
        EXPECT_EQ(testing::exitcodeof(writedsfile), 1) << r.what;
        EXPECT_NE(w.out().find(r.message), std::string::npos) << r.what << w.out();
        EXPECT_FALSE(w.folder.exists("zt-ds6t.txt")) << r.what;
    }
}

// Every field the converted end-member file carries, as read back.
void expectsamerecord(const fitemrecord& a, const fitemrecord& b, const std::string& tag)
{
    EXPECT_EQ(a.name, b.name) << tag;
    EXPECT_EQ(a.name2, b.name2) << tag;
    EXPECT_EQ(a.nsite, b.nsite) << tag;
    ASSERT_EQ(a.npairs, b.npairs) << tag;
    for (int k = 1; k <= a.npairs; ++k) {
        EXPECT_EQ(a.comp[static_cast<size_t>(k)], b.comp[static_cast<size_t>(k)]) << tag;
        EXPECT_EQ(a.amount[static_cast<size_t>(k)], b.amount[static_cast<size_t>(k)]) << tag << " amount " << k;
    }
    EXPECT_EQ(a.code, b.code) << tag;
    const real fa[] = {a.S,   a.V,       a.cpa,  a.cpb,  a.cpc,  a.cpd,  a.a0,   a.k0,  a.k0p,    a.dkdt,
                       a.tlandau, a.smax, a.vmax, a.bwdh, a.bwdhv, a.bww, a.bwwv, a.bwfac, a.aqfactor};
    const real fb[] = {b.S,   b.V,       b.cpa,  b.cpb,  b.cpc,  b.cpd,  b.a0,   b.k0,  b.k0p,    b.dkdt,
                       b.tlandau, b.smax, b.vmax, b.bwdh, b.bwdhv, b.bww, b.bwwv, b.bwfac, b.aqfactor};
    for (size_t f = 0; f < sizeof fa / sizeof fa[0]; ++f) EXPECT_EQ(fa[f], fb[f]) << tag << " field " << f;
    EXPECT_EQ(a.bwn, b.bwn) << tag;
}

// The converted end-member file reads back to the same records, value for value (a
// composition of 0.125, a critical temperature of 847.25 K, a site count), with the
// fitted enthalpy as the dataset file has it, to three decimals.
TEST(FitDatasetFile, ConvertedEndMemberFileReadsBackExactly)
{
    const std::string layout6 =
        std::string(longnames).substr(0, longnames.size() - 2) +
        "gr     grossular\n   5 3.0  6 2.0  1 3.0  10 12.0  11 0.125  0\n   0   -6643.000\n   0.25500\n   12.5350\n"
        "   0.6260   0.0000000  -5779.2  -4.0029\n   0.0000220\n   1720.0   5.53\n \n"
        "q      quartz\n   1 1.0  10 2.0  0\n   1   -910.710\n   0.04150\n   2.2690\n"
        "   0.0921  -0.0000060  -624.0  -0.0710\n   0.0000065\n   730.0   6.00\n   847.25   0.00495   0.1188   % landau\n \n"
        "sp     spinel\n   4 1.0  1 2.0  10 4.0  0\n   2   -2301.190\n   0.08200\n   3.9780\n"
        "   0.2229   0.0061270  -1686.0  -1.5510\n   0.0000193\n   1922.0   4.04\n"
        "   8.0  0.0  13.6  0.0  2  1.0  % disorder\n \n*\n";
    const std::string layout5 =
        "5\n\n"
        "ky     kyanite\n 6 2.0 1 1.0 10 5.0 0  4 8.0\n -2593.1 1.2 1   % {Robie}\n 0.0832 0.0005\n 4.414\n"
        " 0.2794 -0.0000071 -1389.4 -2.2765\n 0.0000192\n 1601.0 4.05 -0.0025\n \n"
        "sill   sillimanite\n 6 2.0 1 1.0 10 5.0 11 0.125 0  3 8.125\n -2585.7 100 1\n 0.0957 0.0005\n 4.986\n"
        " 0.2802 -0.0000071 -1375.7 -2.3994\n 0.0000112\n 1640.0 5.06 -0.0031\n \n*\n";
    for (const std::string& em : {layout6, layout5}) {
        fitworld w;
        w.writeinputs("0\n0\n0\n", em, kysillax);
        ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
        fit.tda[1].H = -2593.4567890123L;
        std::vector<fitemrecord> written(fit.tda.begin() + 1, fit.tda.begin() + 1 + fit.ntpfit);
        ASSERT_EQ(testing::exitcodeof(writeemifile), -1) << w.out();
        const std::string text = w.folder.readfile("ds-emt-i.txt");
        if (em == layout6) {
            EXPECT_NE(text.find("\n        0.08320                                   % entropy\n"), std::string::npos) << text;
        }
        openforreadingunnoted(runfiles.datafile, "ds-emt-i.txt");
        ASSERT_EQ(testing::exitcodeof(readth), -1) << w.out();
        ASSERT_EQ(fit.ntpfit, static_cast<int16_t>(written.size()));
        for (size_t i = 0; i < written.size(); ++i) expectsamerecord(written[i], fit.tda[i + 1], written[i].name + "\n" + text);
        EXPECT_NEAR(static_cast<double>(fit.tda[1].H), -2593.457, 1e-9);
        for (size_t i = 1; i < written.size(); ++i) EXPECT_EQ(fit.tda[i + 1].H, written[i].H) << written[i].name;
        EXPECT_EQ(stripbraces(fit.tda[1].comment[cmS]), stripbraces(written[0].comment[cmS]));
    }
}

TEST(FitDatasetFile, StripBraces)
{
    const std::pair<const char*, const char*> rows[] = {
        {"x", ""}, {"  {a note}  ", "a note"}, {"{open", "open"}, {"% 12 kbar", "12 kbar"}, {" plain ", "plain"}, {"", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(stripbraces(in), out) << in;
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

// The calorimetry of a dsmode-5 end-member file goes with the converted file, as the
// direct-calorimetry section of an experiments file.
TEST(FitDatasetFile, Layout5CalorimetryIsKeptForTheConvertedFile)
{
    fittest::fitworld w;
    const std::string em5 =
        "5\n\n"
        "ky     kyanite\n 6 2.0 1 1.0 10 5.0 0  1 8.0\n -2593.1 1.2 1   % {Robie}\n 0.0832 0.0005\n 4.414\n"
        " 0.2794 -0.0000071 -1389.4 -2.2765\n 0.0000192\n 1601.0 4.05 -0.0025\n \n"
        "sill   sillimanite\n 6 2.0 1 1.0 10 5.0 0  1 8.0\n -2585.7 100 1\n 0.0957 0.0005\n 4.986\n"
        " 0.2802 -0.0000071 -1375.7 -2.3994\n 0.0000112\n 1640.0 5.06 -0.0031\n \n*\n";
    w.writeinputs("0\n0\n", em5, kysillax);
    ASSERT_EQ(testing::exitcodeof(readxy), -1) << w.out();
    EXPECT_EQ(fit.ndirect, 1);  // sill's sd of 100 makes no row
    ASSERT_EQ(testing::exitcodeof(writeemifile), -1) << w.out();
    const std::string text = w.folder.readfile("ds-emt-i.txt");
    EXPECT_EQ(text.substr(0, 3), "6\n\n");
    // Written as read ("-2593.10" would read back one unit in the last place away).
    EXPECT_NE(text.find("\n*\n1      ky     -2593.1      1.2    % {Robie}\n0\n"), std::string::npos) << text;
    EXPECT_NE(w.out().find("with dsmode = 5 at the top of the emfile, the emifile contains\n"), std::string::npos);
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

TEST(FitDatasetFile, ConvertedDatasetReadsBackWithTheFileEnthalpies)
{
    real written[5]{};
    {
        fittest::fitworld w;
        w.folder.writefile("em.txt", longnames);
        openforreadingunnoted(runfiles.datafile, "em.txt");
        ASSERT_EQ(testing::exitcodeof(readth), -1) << w.out();
        closetextfile(runfiles.datafile);
        for (int j = 1; j <= 4; ++j) written[j] = fit.tda[static_cast<size_t>(j)].H;
        ASSERT_EQ(testing::exitcodeof(writedsfile), -1) << w.out();
        const std::string text = w.folder.readfile("zt-ds6t.txt");
        EXPECT_NE(text.find(" 0 0 0 0 0 0 0 0 0 0\n"), std::string::npos) << text;

        ASSERT_NO_FATAL_FAILURE(readwritten());
    }
    for (int j = 1; j <= 4; ++j) EXPECT_NEAR(static_cast<double>(ws.td[static_cast<size_t>(j)].H), static_cast<double>(written[j]), 5.1e-4) << j;
}

}  // namespace
}  // namespace zt
