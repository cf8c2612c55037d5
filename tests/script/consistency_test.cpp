// The adjustments made after the last line of a script.
#include <gtest/gtest.h>

#include <string>

#include "scriptfixture.h"

namespace zt {
namespace {

using Consistency = ScriptTest;

const std::string batchhead = std::string(mandatorylines) + "with g bi\nbatchxyzguess startblock\nbatchxyzguess x(g) 0.2\n";
const char* const onebatch = "batch g 2 1 1 8 600 1 1 0 0\n";

TEST_F(Consistency, MinimisationNeedsOneBulkAndFixesItsOutput)
{
    const std::string range = std::string(mandatorylines) + "pseudosection\nbulk SiO2 MgO\nbulk 1 1\nbulk 1 2\n";
    EXPECT_EQ(read(range + "dogmin 1\nisopleth x(g)\ntozero g\n"), 1);
    EXPECT_TRUE(said("\nwith a bulk range, use the onebulk script\n-- run bombed in read scripts : dogmin works on one bulk"))
        << output;
    ASSERT_EQ(read(range + "dogmin 1\nisopleth x(g)\ntozero g\nonebulk 0.5\noutlevel 1\n"), -1) << output;
    EXPECT_EQ(settings.onebulk, 0);
    EXPECT_EQ(settings.isopleth, 1);
    EXPECT_EQ(settings.tozero, 1);
    EXPECT_EQ(settings.ntozero, 0);
    EXPECT_EQ(settings.nexcesslist, 0);
    EXPECT_EQ(settings.outlevel, 0);
    EXPECT_EQ(settings.printxyz, 0);
    EXPECT_TRUE(settings.pseudosection);
    EXPECT_TRUE(settings.systemprops);
}

TEST_F(Consistency, BatchesNeedTheirOwnGuessBlocks)
{
    EXPECT_EQ(read(std::string(mandatorylines) + "with g bi\n" + onebatch), 1);
    EXPECT_TRUE(said("-- run bombed in scripts : no batchxyzguess to use with batches")) << output;

    // Without Monte Carlo entries the plain guesses are dropped; with them they are refused.
    ASSERT_EQ(read(batchhead + onebatch + "xyzguess x(g) 0.3\n"), -1) << output;
    EXPECT_EQ(settings.nxyzguess, 0);
    EXPECT_EQ(read(batchhead + onebatch + "xyzguess x(g) 0.3\nmc g W(g)a 1 2\n"), 1);
    EXPECT_TRUE(said("-- run bombed in scripts : xyzguess not allowed with batches (use batchxyzguess)"));
}

TEST_F(Consistency, WithoutBatchLinesOneImplicitBatchRuns)
{
    ASSERT_EQ(read(std::string(mandatorylines) + "mcit 4 2\nxyzguess x(g) 0.3\n"), -1) << output;
    EXPECT_EQ(settings.nbatches, 1);
    EXPECT_EQ(settings.batch, 1);
    EXPECT_EQ(settings.mc, 1);
    EXPECT_EQ(settings.mcrunlimit, 1);
    EXPECT_EQ(settings.nxyzguess, 1);  // the guesses stay
    EXPECT_EQ(settings.batchlabel[1], 1);
    EXPECT_EQ(settings.calcP, 1);     // no window copied
}

TEST_F(Consistency, MonteCarloRefusesWhatItCannotVary)
{
    struct refusal {
        std::string script;
        const char* report;
    };
    const refusal cases[] = {
        {"batch g 2 2 1 8 9 600 1 1 0 0\nmc g W(g)a 1 2", "only one calc per batch in mczt currently"},
        {std::string(onebatch) + "inexcess bi\nmc g W(g)a 1 2", "sorry! in-excess phases not allowed with                    \n"},
        {std::string(onebatch) + "tozero bi\nmc g W(g)a 1 2", "sorry! in-excess phases not allowed with"},
        {std::string(onebatch) + "filter 0\nbatch g 2 1 1 8 600 1 1 0 0", "read scripts : flitters don't match batches"},
    };
    for (const refusal& c : cases) {
        EXPECT_EQ(read(batchhead + c.script + "\n"), 1) << c.script;
        EXPECT_TRUE(said(c.report)) << c.script << output;
    }
    ds.oldds = true;
    EXPECT_EQ(read(batchhead + onebatch + "mc g W(g)a 1 2\n"), 1);
    EXPECT_TRUE(said("-- run bombed in read scripts : mc calcs not available with the old ds5 dataset layout"));
}

TEST_F(Consistency, BatchCountsAreShown)
{
    ASSERT_EQ(read(batchhead + onebatch + onebatch), -1) << output;
    EXPECT_TRUE(said("\nno of batches = 2\n"));
    ASSERT_EQ(read(batchhead + onebatch + onebatch + "mc g W(g)a 1 2\n"), -1) << output;
    EXPECT_TRUE(said("\nno of batches = 2; no of filters = -1; no of mc = 1\n"));
}

TEST_F(Consistency, PhasesSetToZeroAreInExcessAndInTheWithList)
{
    ASSERT_EQ(read(std::string(mandatorylines) + "inexcess q\ntozero q ru_x\n"), -1) << output;
    EXPECT_EQ(settings.nexcesslist, 2);
    EXPECT_EQ(settings.excesslist[2], "ru_x");
    EXPECT_EQ(settings.nwith, 4);
    EXPECT_EQ(settings.withnames[3], "q");
    EXPECT_EQ(settings.withnames[4], "ru");
    EXPECT_EQ(settings.withshortnames[4], "ru_x");
}

TEST_F(Consistency, RbiModesAreNormalised)
{
    const std::string rbi = std::string(mandatorylines) + "pseudosection\nrbi SiO2 MgO\n";
    ASSERT_EQ(read(rbi + "rbi g 2 1 1\nrbi bi 1 1 2\nrbi q 1 1 0\n"), -1) << output;
    EXPECT_EQ(settings.nbulks, 1);
    EXPECT_EQ(settings.rbitable[0][1], 0.5L);
    EXPECT_EQ(settings.rbitable[0][3], 0.25L);
    EXPECT_EQ(settings.rbitable[2][2], 2);
    EXPECT_EQ(read(rbi + "rbi g 0 1 1\n"), 1);
    EXPECT_TRUE(said("-- run bombed in reading scripts : the rbi modes sum to zero"));
    // rbi lines before the pseudosection line give no bulk.
    EXPECT_EQ(read(std::string(mandatorylines) + "rbi SiO2 MgO\nrbi g 2 1 1\npseudosection\n"), 1);
    EXPECT_TRUE(said("-- run bombed in reading scripts : no bulk for pseudosection calcs"));
}

TEST_F(Consistency, ImpliedSettings)
{
    ASSERT_EQ(read(std::string(mandatorylines) +
                   "pseudosection\nbulk SiO2\nbulk 1\nsetvar 3\nautovar\ncompatibility\nquillet\nfitset\nproject\n"
                   "figure P-x(CO2)\ndebuglevel 0\n"),
              -1)
        << output;
    EXPECT_EQ(settings.setvar, 1);
    EXPECT_EQ(settings.autovar, 0);
    EXPECT_EQ(settings.quilleton, 1);
    EXPECT_EQ(settings.projection, 1);
    EXPECT_TRUE(settings.xco2diagram);
    EXPECT_EQ(settings.debuglevel, 1);
    EXPECT_TRUE(settings.axnamechecks);
    ASSERT_EQ(read(std::string(mandatorylines) + "setvar 3\n"), -1);
    EXPECT_EQ(settings.setvar, 0);
    EXPECT_FALSE(settings.systemprops);
}

}  // namespace
}  // namespace zt
