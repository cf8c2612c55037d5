#include "script/diagramtype.h"

#include "script/setupfixture.h"

namespace zt {
namespace {

class DiagramType : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        zt::run.calcmode = 3;
        settings.diagramPT = 0;
        settings.pwindow = {0, 1, 12};
        settings.twindow = {0, 673.15L, 1073.15L};
    }
};

TEST_F(DiagramType, MenuCodesAreNotDiagramModes)
{
    // The menu's code 2 is T-x(CO2) (as figure 1 is), but diagrammode 2 is T-x and 1 is P-x.
    struct row {
        int16_t calctype;
        const char* answer;
        int32_t mode;
        bool menu;
    } rows[] = {{1, "", 0, false}, {2, "", 2, false}, {3, "", 1, false}, {4, "", 4, false},
                {5, "", 3, false}, {9, "3\n", 1, true}, {0, "7\n", 0, true}, {0, "2\n", 2, true}};
    for (const row& r : rows) {
        settings.calctype = r.calctype;
        settings.diagrammode = -1;
        EXPECT_EQ(run(getdiagramtype, r.answer), -1);
        EXPECT_EQ(settings.diagrammode, r.mode) << r.calctype << " " << r.answer;
        EXPECT_EQ(said("code for type of phase diagram :\n        1 : pressure-temperature\n"), r.menu);
        if (r.mode == 1 || r.mode == 2) {
            EXPECT_EQ(settings.fluidpresent, 0);
            EXPECT_EQ(pd.fluidtype, 6);
        }
    }
    zt::run.calcmode = 2;
    settings.diagrammode = 4;
    run(getdiagramtype);
    EXPECT_EQ(settings.diagrammode, 0);
}

TEST_F(DiagramType, PTDiagramTakesTAtAListOfP)
{
    settings.diagrammode = 0;
    settings.calctatp = 2;
    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "yes\n2 8\n2\n"), -1);
    EXPECT_TRUE(said("calculate T at P (rather than P at T) ? "));
    EXPECT_TRUE(said("P at which T of reactions to be calculated\nP calcs: between P(low) and P(high), with P increment : "));
    EXPECT_EQ(pd.ptcalcmode, 1);
    EXPECT_EQ(settings.calcvariable, 1);
    EXPECT_EQ(settings.othervariable, 0);
    EXPECT_EQ(settings.nplist, 4);  // 2, 4, 6, 8
    EXPECT_EQ(settings.plist[4], 8);
    EXPECT_EQ(settings.pnow, 5);
    EXPECT_EQ(settings.tnow, (673.15L + 1073.15L) / 2);
}

TEST_F(DiagramType, StaleFixedActivityNameIsNotRead)
{
    // No fixed-activity entry: an old "H2O" must not fix the fluid.
    settings.diagrammode = 0;
    settings.calctatp = 1;
    settings.nlna = 0;
    settings.lnanames[1] = "H2O";
    ws.ih2o = 1;
    ws.ico2 = 2;
    pd.fluidtype = 5;
    settings.calcT = 0;
    settings.calctrange = {0, 773.15L, 773.15L};
    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "100\n0.4\n"), -1);
    EXPECT_TRUE(said("fixed x(CO2) : "));
    EXPECT_EQ(settings.xco2fluid, 0.4L);
    EXPECT_EQ(settings.xco2window[1], 0.4L);
}

TEST_F(DiagramType, PXDiagram)
{
    settings.diagrammode = 1;
    // The P window is brought inside the overall window at both ends.
    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "0.5 20 0.1 0.9\nyes\n3000\n550\n"), -1);
    EXPECT_TRUE(said("\nP-x(CO2) window in which the phase diagram to be drawn\nP low, high , x(CO2) low, high : "));
    EXPECT_EQ(settings.calcprange[1], 1);
    EXPECT_EQ(settings.calcprange[2], 12);
    EXPECT_EQ(settings.nxco2calclist, 6);
    EXPECT_EQ(settings.xco2fluid, 0.5L);
    EXPECT_TRUE(said("fixed T (in \xA1" "C) : "));
    EXPECT_TRUE(said("T must lie between 10 and 2727"));
    EXPECT_NEAR(static_cast<double>(settings.tnow), 823.15, 1e-9);
    EXPECT_EQ(settings.calctrange[1], settings.tnow);
    EXPECT_EQ(settings.ntlist, 0);
}

TEST_F(DiagramType, LogaDiagrams)
{
    // T-log a of H2O itself: natural logs, no fluid question, x(H2O) 1.
    settings.diagrammode = 4;
    settings.nlna = 1;
    settings.lnanames[1] = "H2O";
    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "no\n450 650 -2 0\n0.5\n5\n"), -1);
    EXPECT_TRUE(said("logs are to the base e (ie natural logs)\n\nT-ln a window in which the phase diagram to be drawn\n"));
    EXPECT_TRUE(said("ln a window : -2.0 <-> 0 : \nln a interval : "));
    EXPECT_EQ(settings.setlna, 0);
    EXPECT_EQ(settings.setloga, 1);
    EXPECT_EQ(settings.nlnalist[1], 5);
    EXPECT_EQ(settings.lnavalues[1], -1);
    EXPECT_EQ(settings.pnow, 5);
    EXPECT_EQ(settings.xh2ofluid, 1);
    EXPECT_EQ(settings.xco2fluid, 0);
    EXPECT_FALSE(said("fluid"));
    EXPECT_FALSE(said("labelling"));

    // P-log a of another end-member: base 10, its fluid asked, an empty label keeps the name.
    settings.diagrammode = 3;
    settings.lnanames[1] = "q";
    ws.ih2o = 1;
    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "yes\n2 10 -1 0\n0.5\n600\nyes\n\n"), -1);
    EXPECT_TRUE(said("P-log a window in which the phase diagram to be drawn\nP low, high , log a low, high : "));
    EXPECT_TRUE(said("fluid just H2O ? "));
    EXPECT_TRUE(said("\nfor labelling purposes in log a, replace name, 'q', with : "));
    EXPECT_EQ(settings.lnalabels[1], "q");
    EXPECT_EQ(settings.setloga, 0);
    EXPECT_NEAR(static_cast<double>(settings.tnow), 873.15, 1e-9);

    EXPECT_EQ(run([] { diagramwindowsetup(true); }, "yes\n2 10 -1 0\n0.5\n600\nyes\nquartz\n"), -1);
    EXPECT_EQ(settings.lnalabels[1], "quartz");
}

}  // namespace
}  // namespace zt
