#include "script/fluid.h"

#include "script/setupfixture.h"

namespace zt {
namespace {

class Fluid : public SetupTest {
protected:
    void species(bool h2o, bool co2, bool crd = false)
    {
        ws.ih2o = h2o ? 1 : 0;
        ws.ico2 = co2 ? 2 : 0;
        ws.icrd = crd ? 3 : 0;
    }
};

TEST_F(Fluid, ScriptValueOfZeroIsRefusedAndAsked)
{
    species(false, true);
    settings.setfluid = 0;
    settings.xco2fluid = 0;
    settings.xh2ofluid = 1;
    EXPECT_EQ(run(promptfluid, "yes\n"), -1);
    EXPECT_TRUE(said("\nfluid composition in script is inappropriate so not used\n"));
    EXPECT_TRUE(said("fluid just CO2 ? "));
    EXPECT_EQ(settings.xco2fluid, 1);
    EXPECT_EQ(settings.xh2ofluid, 0);

    settings.setfluid = 0;
    settings.strictscripting = true;
    settings.xco2fluid = 0;
    EXPECT_EQ(run(promptfluid), 1);
    EXPECT_TRUE(said("-- run bombed in promptfluid : script x(H2O) and/or x(CO2) inappropriate"));
}

TEST_F(Fluid, ScriptValuesAcceptedAreReported)
{
    species(true, true);
    settings.setfluid = 0;
    settings.xco2fluid = 0.25L;
    settings.xh2ofluid = 0.75L;
    EXPECT_EQ(run(promptfluid), -1);
    EXPECT_EQ(output, "x(CO2) = 0.2500, x(H2O) = 0.7500 ( from script ) \n");
}

TEST_F(Fluid, MixedFluidFromTheScriptIsTheFluidTypedAtTheConsole)
{
    // Which species are present, the script's x(CO2), and the fluid type that the same
    // composition typed at the console gives.
    struct row {
        bool h2o, co2;
        real xco2;
        int32_t before, after;
    } rows[] = {{true, true, 0.4L, 5, 6},  {true, true, 0.4L, 0, 6}, {true, false, 0.3L, 3, 6},
                {false, true, 0.7L, 4, 6}, {true, false, 0, 3, 3},   {false, true, 1, 4, 4}};
    for (const row& r : rows) {
        species(r.h2o, r.co2);
        pd.fluidtype = r.before;
        settings.setfluid = 0;
        settings.xco2fluid = r.xco2;
        settings.xh2ofluid = 1 - r.xco2;
        EXPECT_EQ(run(promptfluid), -1);
        EXPECT_EQ(pd.fluidtype, r.after) << r.h2o << r.co2 << " " << static_cast<double>(r.xco2);
    }
    // With no fluid phase the script's values stay fixed activities.
    species(true, true);
    pd.fluidtype = 2;
    settings.setfluid = 0;
    settings.xco2fluid = 0.4L;
    settings.xh2ofluid = 0.6L;
    EXPECT_EQ(run(promptfluid), -1);
    EXPECT_EQ(pd.fluidtype, 2);
}

TEST_F(Fluid, TypedMoleFractionsAreCheckedAndAskedAgain)
{
    species(true, true);
    pd.fluidtype = 5;
    EXPECT_EQ(run(promptfluid, "1.2\n-0.1\n0.3\n"), -1);
    EXPECT_EQ(count("not valid : \n"), 2);
    EXPECT_EQ(count("fluid is just H2O-CO2\nfixed x(CO2) : "), 3);
    EXPECT_EQ(settings.xco2fluid, 0.3L);
    EXPECT_NEAR(static_cast<double>(settings.xh2ofluid), 0.7, 1e-15);
    EXPECT_EQ(pd.fluidtype, 6);

    species(true, false);
    EXPECT_EQ(run(promptfluid, "no\n0\nno\n0.8\n"), -1);  // x(H2O) of 0 is refused
    EXPECT_EQ(count("not valid : "), 1);
    EXPECT_EQ(settings.xh2ofluid, 0.8L);
    EXPECT_NEAR(static_cast<double>(settings.xco2fluid), 0.2, 1e-15);
}

TEST_F(Fluid, FixedActivities)
{
    // Cordierite alone: zero activities pass; activities may sum above 1, not below 0.
    species(false, false, true);
    EXPECT_EQ(run(promptfluid, "0 0\n"), -1);
    EXPECT_TRUE(said("for cordierite activity calculation\nfixed a(CO2), a(H2O) : "));
    EXPECT_EQ(run(promptfluid, "0.9 -0.5\n0.9 0.8\n"), -1);
    EXPECT_EQ(count("not valid : "), 1);
    EXPECT_EQ(settings.xh2ofluid, 0.8L);

    species(true, false);
    pd.fluidtype = 2;
    EXPECT_EQ(run(promptfluid, "0.6\n"), -1);
    EXPECT_TRUE(said("fixed a(H2O) : "));
    EXPECT_EQ(settings.xh2ofluid, 0.6L);
    EXPECT_EQ(settings.xco2fluid, 0);

    species(false, false);  // nothing to ask
    EXPECT_EQ(run(promptfluid), -1);
    EXPECT_EQ(output, "");
}

TEST_F(Fluid, Labels)
{
    struct row {
        int32_t fluidtype;
        real x, y;
        const char* want;
    } rows[] = {{5, 0.25L, 0.75L, " (for x(CO2) = 0.25 and x(H2O) = 0.75)"},
                {2, 0.1L, 0.5L, " (for a(CO2) = 0.1 and a(H2O) = 0.5)"},
                {6, 0.4L, 0, " (for x(CO2) = 0.4)"},
                {3, 0, 1, "(for x(H2O) = 1.0)"},
                {2, 0, 0.3L, " (for a(H2O) = 0.3)"},
                // as a script's 1/3 gives them: fifteen decimals are needed
                {5, 1.0L / 3, 2.0L / 3, " (for x(CO2) = 0.333333333333333 and x(H2O) = 0.666666666666667)"},
                {2, 0, 0, ""}};
    for (const row& r : rows) {
        pd.fluidtype = r.fluidtype;
        settings.xco2fluid = r.x;
        settings.xh2ofluid = r.y;
        std::string line = "T";
        fluidlabel(line);
        EXPECT_EQ(line, std::string("T") + r.want);
    }
}

}  // namespace
}  // namespace zt
