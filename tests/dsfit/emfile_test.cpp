#include "dsfit/emfile.h"

#include <gtest/gtest.h>

#include <string>

#include "fitfixture.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"

namespace zt {
namespace {

using fittest::fitworld;

// Reads text as the end-member file; the exit code, or -1 when the reading ended normally.
int reademfile(fitworld& w, const std::string& text)
{
    w.folder.writefile("em.txt", text);
    openforreadingunnoted(runfiles.datafile, "em.txt");
    return testing::exitcodeof(readth);
}

const fitemrecord& em(int i) { return fit.tda[static_cast<size_t>(i)]; }

TEST(FitEndMembers, Layout6)
{
    fitworld w;
    const std::string text =
        "6\nskipped line\n"
        "gra    xy zz\n 1 2.0 10 3.0 0   7 site count is not read\n"
        " 0 -1000.5   % {first}\n 0.04  % {S}\n 2.0\n 0.1 0.0001 -500.0 -1.0  % cp\n 0.00002\n 900 4.0 % K\n \n"
        "meltL  liquid\n 1 1.0 0\n 7 -500.0\n 0.05\n 1.5\n 0.1 0 0 0\n 0.00003\n 300 6.0 -0.02\n \n"
        "qz     silica " "\xA5" "note\n 1 1.0 10 2.0 0\n 1 -910.0\n 0.0415\n 2.269\n 0.09 0 -600 0\n 0.0000065\n 730 6.0\n"
        "  847 0.00495 0.1188  % {landau}\n \n"
        "*\n";
    ASSERT_EQ(reademfile(w, text), -1) << w.out();
    EXPECT_EQ(ds.dsmode, 6);
    ASSERT_EQ(fit.ntpfit, 3);
    EXPECT_EQ(w.out(), "\nnumber of end-members =    3\n");
    EXPECT_EQ(em(1).name, "gra");
    EXPECT_EQ(em(1).name2, "xy_zz");
    EXPECT_EQ(em(1).npairs, 2);
    EXPECT_EQ(em(1).atoms, 5);
    EXPECT_EQ(em(1).H, -1000.5L);
    EXPECT_EQ(em(1).comment[cmH], "   % {first}");
    EXPECT_EQ(em(1).comment[cmK], " % K");
    // 10636 / (1000 0.04 / 5 + 6.44), rounded.
    EXPECT_EQ(em(1).theta, 737);
    EXPECT_NEAR(static_cast<double>(em(1).k0pp), -4.0 / 900, 1e-15);
    EXPECT_NEAR(static_cast<double>(em(1).sdS), 0.00004, 1e-15);
    EXPECT_EQ(em(2).code, 7);
    EXPECT_EQ(em(2).theta, 0);
    EXPECT_NEAR(static_cast<double>(em(2).dkdt), -0.02, 1e-15);
    EXPECT_EQ(em(3).name2, "silica");
    EXPECT_EQ(em(3).tlandau, 847);
    EXPECT_NEAR(static_cast<double>(em(3).vmax), 0.1188, 1e-15);
    EXPECT_EQ(ds.dsnames[3], "qz");
}

TEST(FitEndMembers, Layout5KeepsTheCalorimetryAndDropsExtrasCodeZero)
{
    fitworld w;
    const std::string text =
        "5\n\n"
        "gone   old\n 1 1.0 0  1 1.0\n -100 1 0   % dropped\n 0.01 0.001\n 1\n 0 0 0 0\n 0\n 100 4 -0.04\n \n"
        "foL    melt\n 1 2.0 10 4.0 0  1 6.0\n -2200.5 0.5 1   % {calorimetry of foL}\n 0.048 0.001\n 4.45\n"
        " 0.27 0 0 0\n 0.00009\n 980 5.5 -9 -0.007\n \n"
        "spx    spinel\n 1 1.0 0  1 7.0\n -2300 120 4\n 0.082 0\n 3.97\n 0.22 0 0 0\n 0.000019\n 1922 4.04 -0.002\n"
        " 8.0 0.0 1.2 0.0 2 0.25\n \n"
        "*\n";
    ASSERT_EQ(reademfile(w, text), -1) << w.out();
    ASSERT_EQ(fit.ntpfit, 2);
    EXPECT_EQ(em(1).name, "foL");
    EXPECT_EQ(em(1).code, 7);
    EXPECT_EQ(em(1).calH, -2200.5L);
    EXPECT_EQ(em(1).calsd, 0.5L);
    EXPECT_EQ(em(1).atoms, 6);
    EXPECT_EQ(em(1).theta, 10);
    EXPECT_NEAR(static_cast<double>(em(1).k0pp), -5.5 / 980, 1e-15);
    EXPECT_EQ(em(2).code, 2);
    EXPECT_EQ(em(2).bwn, 2);
    EXPECT_EQ(em(2).bwfac, 0.25L);
    EXPECT_NEAR(static_cast<double>(em(2).sdS), 0.000082, 1e-15);
}

TEST(FitEndMembers, FileEndingAfterItsHeaderHasNoEndMembers)
{
    fitworld w;
    ASSERT_EQ(reademfile(w, "6\n\n*\n"), -1) << w.out();
    EXPECT_EQ(fit.ntpfit, 0);
}

TEST(FitEndMembers, MalformedBlocksEndTheRun)
{
    struct row {
        std::string text;
        const char* message;
    };
    const row rows[] = {
        {"6\n\nmelt  x\n 1 1.0 0\n 7 -1\n 0.1\n 1\n 0 0 0 0\n 0\n 1 1 0\n \n*\n", "readth : melt end-member name does not end in 'L'"},
        {"6\n\nbig  x\n 1 1 2 1 3 1 4 1 5 1 6 1 7 1 8 1 9 1 0\n", "readth : more than 8 composition pairs for big"},
        {"6\n\nlonely\n 1 1 0\n", "readth : no second name on the name line of lonely"},
        {"6\n\nka  x\n 1 1.0 0\n 0 -1\n 0.1\n 1\n 0 0 0 0\n 0\n 1 1\n \nkb  y\n 1 1.0 0\n 0 -2\n 0.1\n 1\n 0 0 0 0\n 0\n 1 1\n \n"
         "ka  z\n 1 1.0 0\n 0 -3\n 0.1\n 1\n 0 0 0 0\n 0\n 1 1\n \n*\n",
         "readth : end-member name ka given twice (end-members 1 and 3)"},
    };
    for (const row& r : rows) {
        fitworld w;
        EXPECT_EQ(reademfile(w, r.text), 1);
        EXPECT_TRUE(w.bombedwith(std::string(r.message).substr(std::string(r.message).find(" : ") + 3))) << w.out();
        EXPECT_NE(w.out().find(r.message), std::string::npos) << w.out();
    }
}

TEST(FitEndMembers, NameLookups)
{
    fitworld w;
    ds.ntp = 4;
    const char* names[] = {"", "H2O", "CO2", "crd", "O2"};
    for (int i = 1; i <= 4; ++i) ds.dsnames[static_cast<size_t>(i)] = names[i];
    int16_t i = 0;
    EXPECT_TRUE(posinphname("  crd ", i, false));
    EXPECT_EQ(i, 3);
    EXPECT_FALSE(posinphname("fcrd", i, false));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(testing::exitcodeof([&] { posinphname("fcrd", i, true); }), 1);
    EXPECT_NE(w.out().find("posinphname : fcrd is not an end-member name"), std::string::npos);

    fitlist list{};
    list[1] = 4;
    list[2] = 0;
    list[3] = 1;
    list[4] = 3;
    specialemindex(list, 4);
    EXPECT_EQ(fit.io2, 1);
    EXPECT_EQ(fit.ih2o, 3);
    EXPECT_EQ(fit.icrd, 4);
    EXPECT_EQ(fit.ico2, 0);
}

}  // namespace
}  // namespace zt
